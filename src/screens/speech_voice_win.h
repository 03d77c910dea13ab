#pragma once

#include <windows.h>
#include <sapi.h>

#include "protocol/wide_text.h"

namespace alvena {

// The speech voice, made once for the run; owns one reference to the SAPI voice and releases it
// (after stopping any speech) when destroyed.
class SpeechVoice {
  public:
    SpeechVoice() = default;
    // Takes over one reference; a null voice gives a voice that is not ready.
    explicit SpeechVoice(ISpVoice* voice) : ready(voice != nullptr), voice_(voice) {}
    ~SpeechVoice();
    SpeechVoice(SpeechVoice&& other) noexcept;
    SpeechVoice& operator=(SpeechVoice&& other) noexcept;
    SpeechVoice(const SpeechVoice&) = delete;
    SpeechVoice& operator=(const SpeechVoice&) = delete;

    [[nodiscard]] ISpVoice* get() const { return voice_; }
    void Release();

    bool ready = false;

  private:
    ISpVoice* voice_ = nullptr;
};

// Makes the voice in this thread's single-threaded apartment, which start-up made; a voice that
// cannot be made leaves the program without speech, silently.
[[nodiscard]] SpeechVoice CreateVoice();

// How the voice is made; tests put a recording voice, or a failure, in its place. Returns the
// previous function; nullptr restores CreateVoice.
using VoiceFactory = SpeechVoice (*)();
VoiceFactory SetVoiceFactory(VoiceFactory factory);

// Stops whatever is being spoken, then speaks `text` as plain text, without waiting.
void SpeakText(const SpeechVoice& voice, const WideText& text);

// Stops the speech and releases the voice.
void ReleaseVoice(SpeechVoice& voice);

// "Leer": speaks the service's last chat answer, if there is one, making the voice on first use.
// A voice that could not be made is not tried again: "Leer" then does nothing.
void OnReadAloud();

}  // namespace alvena
