#include "screens/speech_voice_win.h"

#include <optional>
#include <utility>
#include <vector>

#include "app/app_state_win.h"
#include "protocol/wide_text_win.h"
#include "screens/voice_choice.h"

namespace alvena {
namespace {

VoiceFactory g_makeVoice = CreateVoice;

// Sole owner of one COM reference.
template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() { reset(); }
    ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef& operator=(ComRef&&) = delete;
    [[nodiscard]] Interface* get() const { return p_; }
    [[nodiscard]] Interface* operator->() const { return p_; }
    [[nodiscard]] Interface** put() {
        reset();
        return &p_;
    }
    void reset() {
        if (p_ != nullptr) {
            std::exchange(p_, nullptr)->Release();
        }
    }

  private:
    Interface* p_ = nullptr;
};

// A string SAPI allocated for the caller.
class TaskString {
  public:
    TaskString() = default;
    ~TaskString() { CoTaskMemFree(text_); }
    TaskString(const TaskString&) = delete;
    TaskString& operator=(const TaskString&) = delete;
    [[nodiscard]] wchar_t** put() { return &text_; }
    [[nodiscard]] WideText get() const {
        return text_ != nullptr ? FromWinText(text_, wcslen(text_)) : WideText();
    }

  private:
    wchar_t* text_ = nullptr;
};

struct InstalledVoice {
    ComRef<ISpObjectToken> token;
    VoiceDescription description;
};

WideText TokenId(ISpObjectToken* token) {
    TaskString id;
    (void)token->GetId(id.put());
    return id.get();
}

WideText TokenLanguages(ISpObjectToken* token) {
    TaskString languages;
    ComRef<ISpDataKey> attributes;
    if (SUCCEEDED(token->OpenKey(L"Attributes", attributes.put()))) {
        (void)attributes->GetStringValue(L"Language", languages.put());
    }
    return languages.get();
}

// The voices SAPI lists, in its order, each marked when it is the category's default.
std::vector<InstalledVoice> InstalledVoices() {
    std::vector<InstalledVoice> voices;
    ComRef<ISpObjectTokenCategory> category;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                IID_ISpObjectTokenCategory,
                                reinterpret_cast<void**>(category.put()))) ||
        FAILED(category->SetId(SPCAT_VOICES, FALSE))) {
        return voices;
    }
    TaskString defaultId;
    (void)category->GetDefaultTokenId(defaultId.put());
    ComRef<IEnumSpObjectTokens> tokens;
    if (FAILED(category->EnumTokens(nullptr, nullptr, tokens.put())) || tokens.get() == nullptr) {
        return voices;
    }
    InstalledVoice voice;
    while (tokens->Next(1, voice.token.put(), nullptr) == S_OK) {
        const WideText id = TokenId(voice.token.get());
        voice.description = {ParseVoiceLanguages(TokenLanguages(voice.token.get())),
                             !id.empty() && id == defaultId.get()};
        voices.push_back(std::move(voice));
    }
    return voices;
}

// The answers are Spanish: a default voice of another language gives way to a Spanish one.
void PreferSpanishVoice(ISpVoice* voice) {
    const std::vector<InstalledVoice> voices = InstalledVoices();
    std::vector<VoiceDescription> descriptions;
    descriptions.reserve(voices.size());
    for (const InstalledVoice& installed : voices) {
        descriptions.push_back(installed.description);
    }
    const std::optional<std::size_t> chosen =
        ChooseVoiceForSpanish(descriptions, LANGIDFROMLCID(GetUserDefaultLCID()));
    if (chosen) {
        (void)voice->SetVoice(voices[*chosen].token.get());  // failing, the default speaks
    }
}

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
    PreferSpanishVoice(voice);
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
