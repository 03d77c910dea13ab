#pragma once

#include "protocol/https_transport.h"

namespace alvena {

// How consultation jobs reach the service: PostJson to the built-in service in the product; a
// test aims it at its own stand-in. Read on the window thread when a job is made, which keeps its
// own copy.
[[nodiscard]] PostJsonFn ConsultTransport();
void SetConsultTransport(PostJsonFn post);  // an empty function restores the built-in service

}  // namespace alvena
