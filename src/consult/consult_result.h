#pragma once

#include "protocol/wide_text.h"

namespace alvena {

// What a consultation job hands back to the window thread.
struct ConsultResult {
    bool ok = false;
    WideText title;  // saved as the history entry's title
    WideText text;   // shown on the page; saved as preview and detail
    WideText kind;   // "chat", "laboratorio" or "expediente"
    WideText error;  // shown to the user when !ok
    WideText input;  // the job's main input
};

}  // namespace alvena
