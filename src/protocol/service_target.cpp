#include "protocol/https_transport.h"

namespace alvena {

HttpTarget ServiceTarget() {
    HttpTarget target;
    target.host = u"" ALVENA_SERVICE_HOST;
    target.port = ALVENA_SERVICE_PORT;
    return target;
}

}  // namespace alvena
