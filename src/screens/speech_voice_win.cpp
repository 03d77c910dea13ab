#include "screens/speech_voice_win.h"

#include <utility>

#include "app/app_state_win.h"
#include "protocol/wide_text_win.h"

namespace alvena {
namespace {

VoiceFactory g_makeVoice = CreateVoice;

}  // namespace

SpeechVoice::~SpeechVoice() {
    Release();
}

SpeechVoice::SpeechVoice(SpeechVoice&& other) noexcept
    : ready(std::exchange(other.ready, false)), voice_(std::exchange(other.voice_, nullptr)) {}

SpeechVoice& SpeechVoice::operator=(SpeechVoice&& other) noexcept {
    if (this != &other) {
        Release();
        ready = std::exchange(other.ready, false);
        voice_ = std::exchange(other.voice_, nullptr);
    }
    return *this;
}

void SpeechVoice::Release() {
    if (ready && voice_ != nullptr) {
        voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
    }
    if (voice_ != nullptr) {
        voice_->Release();
        voice_ = nullptr;
    }
}

SpeechVoice CreateVoice() {
    // In the window thread's apartment, which start-up made.
    ISpVoice* voice = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(&voice)))) {
        return SpeechVoice();
    }
    return SpeechVoice(voice);
}

VoiceFactory SetVoiceFactory(VoiceFactory factory) {
    const VoiceFactory previous = g_makeVoice;
    g_makeVoice = factory != nullptr ? factory : CreateVoice;
    return previous;
}

void SpeakText(const SpeechVoice& voice, const WideText& text) {
    if (!voice.ready || voice.get() == nullptr || text.empty()) {
        return;
    }
    voice.get()->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
    voice.get()->Speak(AsWinText(text), SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
}

void ReleaseVoice(SpeechVoice& voice) {
    voice.Release();
}

void OnReadAloud() {
    AppState& app = *CurrentApp();
    for (auto turn = app.conversation.rbegin(); turn != app.conversation.rend(); ++turn) {
        if (turn->role == u"assistant") {
            if (!app.voice) {
                app.voice = g_makeVoice();
            }
            SpeakText(*app.voice, turn->content);
            return;
        }
    }
}

}  // namespace alvena
