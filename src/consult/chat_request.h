#pragma once

#include <cstddef>
#include <vector>

#include "consult/consult_result.h"
#include "protocol/https_transport.h"
#include "protocol/wide_text.h"

namespace alvena {

// One message of the chat conversation.
struct ChatTurn {
    WideText role;  // "user" or "assistant"
    WideText content;
};

// How many of the latest turns travel with each question (the question's own turn included).
inline constexpr std::size_t kChatHistoryTurns = 8;

inline constexpr const char16_t* kChatPath = u"/api/consultar";

// The request body: the question, the mode and the last kChatHistoryTurns turns.
[[nodiscard]] Utf8Text BuildChatBody(const WideText& question, const WideText& mode,
                                     const std::vector<ChatTurn>& turns);

// Posts one chat question. `turns` already ends with the question's "user" turn. Transport
// failures pass out as the runtime errors of `post`.
[[nodiscard]] ConsultResult RunChatConsult(const WideText& question, const WideText& mode,
                                           const std::vector<ChatTurn>& turns,
                                           const PostJsonFn& post);

}  // namespace alvena
