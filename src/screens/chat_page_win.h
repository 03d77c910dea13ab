#pragma once

namespace alvena {

// "Enviar": shows the question, adds it to the conversation and sends it with the recent turns.
void OnSendChat();

}  // namespace alvena
