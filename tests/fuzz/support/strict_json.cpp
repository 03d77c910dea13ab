#include "tests/fuzz/support/strict_json.h"

namespace alvena {
namespace {

constexpr int kMaxDepth = 64;
// Each short escape's letter followed by the character it stands for.
constexpr char16_t kShortEscapes[] = u"\"\"\\\\//b\bf\fn\nr\rt\t";

[[nodiscard]] bool IsHighSurrogate(char32_t code) {
    return code >= 0xD800 && code <= 0xDBFF;
}
[[nodiscard]] bool IsLowSurrogate(char32_t code) {
    return code >= 0xDC00 && code <= 0xDFFF;
}
[[nodiscard]] bool IsDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

// Recursive descent over the text already decoded to UTF-16.
class StrictReader {
  public:
    explicit StrictReader(WideView text) : text_(text) {}

    [[nodiscard]] bool ReadDocument(JsonValue& value) {
        if (!ReadValue(value, 0)) {
            return false;
        }
        SkipSpace();
        return pos_ == text_.size();
    }

  private:
    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == u' ' || text_[pos_] == u'\t' ||
                                       text_[pos_] == u'\n' || text_[pos_] == u'\r')) {
            ++pos_;
        }
    }
    [[nodiscard]] bool At(char16_t unit) const {
        return pos_ < text_.size() && text_[pos_] == unit;
    }
    [[nodiscard]] bool Take(char16_t unit) {
        if (!At(unit)) {
            return false;
        }
        ++pos_;
        return true;
    }
    [[nodiscard]] bool TakeWord(WideView word) {
        if (text_.substr(pos_, word.size()) != word) {
            return false;
        }
        pos_ += word.size();
        return true;
    }
    [[nodiscard]] bool TakeDigits() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            ++pos_;
        }
        return pos_ > start;
    }

    [[nodiscard]] bool ReadValue(JsonValue& value, int depth) {
        SkipSpace();
        if (pos_ >= text_.size() || depth > kMaxDepth) {
            return false;
        }
        switch (text_[pos_]) {
            case u'{':
                value.kind = JsonValue::Kind::kObject;
                return ReadObject(value, depth);
            case u'[':
                value.kind = JsonValue::Kind::kArray;
                return ReadArray(value, depth);
            case u'"':
                value.kind = JsonValue::Kind::kString;
                return ReadString(value.text);
            case u't':
                value.kind = JsonValue::Kind::kTrue;
                return TakeWord(u"true");
            case u'f':
                value.kind = JsonValue::Kind::kFalse;
                return TakeWord(u"false");
            case u'n':
                value.kind = JsonValue::Kind::kNull;
                return TakeWord(u"null");
            default:
                value.kind = JsonValue::Kind::kNumber;
                return ReadNumber(value.text);
        }
    }

    [[nodiscard]] bool ReadArray(JsonValue& value, int depth) {
        ++pos_;
        SkipSpace();
        if (Take(u']')) {
            return true;
        }
        do {
            if (!ReadValue(value.items.emplace_back(), depth + 1)) {
                return false;
            }
            SkipSpace();
        } while (Take(u','));
        return Take(u']');
    }

    [[nodiscard]] bool ReadObject(JsonValue& value, int depth) {
        ++pos_;
        SkipSpace();
        if (Take(u'}')) {
            return true;
        }
        do {
            SkipSpace();
            auto& [key, member] = value.members.emplace_back(WideText(), JsonValue());
            if (!At(u'"') || !ReadString(key)) {
                return false;
            }
            SkipSpace();
            if (!Take(u':') || !ReadValue(member, depth + 1)) {
                return false;
            }
            SkipSpace();
        } while (Take(u','));
        return Take(u'}');
    }

    // At the opening quote.
    [[nodiscard]] bool ReadString(WideText& out) {
        ++pos_;
        while (pos_ < text_.size()) {
            const char16_t unit = text_[pos_++];
            if (unit == u'"') {
                return true;
            }
            if (unit < 0x20) {
                return false;
            }
            if (unit != u'\\') {
                out.push_back(unit);
                continue;
            }
            if (pos_ >= text_.size()) {
                return false;
            }
            const char16_t escape = text_[pos_++];
            if (escape == u'u') {
                if (!ReadEscapedCodeUnits(out)) {
                    return false;
                }
                continue;
            }
            const WideView shortEscapes = kShortEscapes;
            std::size_t at = 0;
            while (at < shortEscapes.size() && shortEscapes[at] != escape) {
                at += 2;
            }
            if (at >= shortEscapes.size()) {
                return false;
            }
            out.push_back(shortEscapes[at + 1]);
        }
        return false;  // No closing quote.
    }

    // After `\u`: one code unit, or a high surrogate that a `\u` low surrogate must follow.
    [[nodiscard]] bool ReadEscapedCodeUnits(WideText& out) {
        char16_t unit = 0;
        if (!ReadHex4(unit) || IsLowSurrogate(unit)) {
            return false;
        }
        out.push_back(unit);
        if (!IsHighSurrogate(unit)) {
            return true;
        }
        if (!TakeWord(u"\\u") || !ReadHex4(unit) || !IsLowSurrogate(unit)) {
            return false;
        }
        out.push_back(unit);
        return true;
    }

    [[nodiscard]] bool ReadHex4(char16_t& unit) {
        unit = 0;
        for (int k = 0; k < 4; ++k, ++pos_) {
            if (pos_ >= text_.size()) {
                return false;
            }
            const char16_t c = text_[pos_];
            const int digit = IsDigit(c)               ? c - u'0'
                              : c >= u'a' && c <= u'f' ? c - u'a' + 10
                              : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                       : -1;
            if (digit < 0) {
                return false;
            }
            unit = static_cast<char16_t>(unit << 4 | digit);
        }
        return true;
    }

    // -? (0 | [1-9][0-9]*) (.[0-9]+)? ([eE][+-]?[0-9]+)?
    [[nodiscard]] bool ReadNumber(WideText& literal) {
        const std::size_t start = pos_;
        static_cast<void>(Take(u'-'));
        if (!Take(u'0')) {
            if (pos_ >= text_.size() || text_[pos_] < u'1' || text_[pos_] > u'9') {
                return false;
            }
            static_cast<void>(TakeDigits());
        }
        if (Take(u'.') && !TakeDigits()) {
            return false;
        }
        if (Take(u'e') || Take(u'E')) {
            static_cast<void>(Take(u'+') || Take(u'-'));
            if (!TakeDigits()) {
                return false;
            }
        }
        literal = text_.substr(start, pos_ - start);
        return true;
    }

    WideView text_;
    std::size_t pos_ = 0;
};

}  // namespace

JsonValue MakeString(WideText text) {
    return {.kind = JsonValue::Kind::kString, .text = std::move(text)};
}

JsonValue MakeNumber(WideText literal) {
    return {.kind = JsonValue::Kind::kNumber, .text = std::move(literal)};
}

JsonValue MakeArray(std::vector<JsonValue> items) {
    return {.kind = JsonValue::Kind::kArray, .items = std::move(items)};
}

JsonValue MakeObject(JsonMembers members) {
    return {.kind = JsonValue::Kind::kObject, .members = std::move(members)};
}

std::optional<WideText> DecodeStrictUtf8(Utf8View text) {
    WideText out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        // Continuation bytes after the lead, the lead's payload, and the smallest code point that
        // needs that many bytes.
        std::size_t extra = 0;
        char32_t code = lead;
        char32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            extra = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, code = lead & 0x07, least = 0x10000;
        } else if (lead >= 0x80) {
            return std::nullopt;
        }
        if (text.size() - i - 1 < extra) {
            return std::nullopt;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if ((byte & 0xC0) != 0x80) {
                return std::nullopt;
            }
            code = code << 6 | (byte & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return std::nullopt;
        }
        if (code >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += 1 + extra;
    }
    return out;
}

std::optional<JsonValue> ParseStrictJson(Utf8View text) {
    const std::optional<WideText> decoded = DecodeStrictUtf8(text);
    JsonValue value;
    if (!decoded || !StrictReader(*decoded).ReadDocument(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace alvena
