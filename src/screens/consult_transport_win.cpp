#include "screens/consult_transport.h"

#include <utility>

namespace alvena {
namespace {

PostJsonFn& Override() {
    static PostJsonFn post;
    return post;
}

}  // namespace

PostJsonFn ConsultTransport() {
    if (Override()) {
        return Override();
    }
    return [](WideView path, Utf8View body) { return PostJson(path, body); };
}

void SetConsultTransport(PostJsonFn post) {
    Override() = std::move(post);
}

}  // namespace alvena
