#pragma once

#include <vector>

#include "protocol/https_transport.h"

namespace alvena {

// Stands in for the HTTPS transport: records each request and answers with a fixed reply.
struct FakeTransport {
    struct Call {
        WideText path;
        Utf8Text body;
    };

    explicit FakeTransport(HttpResult cannedReply) : reply(std::move(cannedReply)) {}

    [[nodiscard]] PostJsonFn Post() {
        return [this](WideView path, Utf8View body) {
            calls.push_back({WideText(path), Utf8Text(body)});
            return reply;
        };
    }

    HttpResult reply;
    std::vector<Call> calls;
};

}  // namespace alvena
