#include "text_encodings.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quotidia {

namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

constexpr char32_t kLastBmpCodePoint = 0xFFFF;
constexpr char32_t kFirstSupplementaryCodePoint = 0x10000;
constexpr char32_t kHighSurrogateStart = 0xD800;
constexpr char32_t kHighSurrogateEnd = 0xDBFF;
constexpr char32_t kLowSurrogateStart = 0xDC00;
constexpr char32_t kLowSurrogateEnd = 0xDFFF;
constexpr unsigned kSurrogatePayloadBits = 10;
constexpr char32_t kSurrogatePayloadMask = 0x3FF;

constexpr std::uint8_t kFirstNonAscii = 0x80;
constexpr std::uint8_t kContinuationMask = 0xC0;
constexpr std::uint8_t kContinuationTag = 0x80;
constexpr std::uint8_t kContinuationPayloadMask = 0x3F;
constexpr unsigned kContinuationPayloadBits = 6;

// The well-formed multi-byte sequences by lead byte: their length, the lead's payload
// bits and the range of the second byte, which shuts out overlong forms, surrogates
// and values past U+10FFFF.
struct SequenceForm {
    std::uint8_t firstLead;
    std::uint8_t lastLead;
    std::size_t length;
    std::uint8_t payloadMask;
    std::uint8_t secondLow;
    std::uint8_t secondHigh;
};

constexpr std::array<SequenceForm, 8> kSequenceForms = {{
    {0xC2, 0xDF, 2, 0x1F, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0x0F, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x0F, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x0F, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x0F, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x07, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x07, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x07, 0x80, 0x8F},
}};

struct DecodedSequence {
    char32_t codePoint;
    std::size_t length;
};

std::uint8_t byteAt(std::string_view bytes, std::size_t index) {
    return static_cast<std::uint8_t>(bytes[index]);
}

// The multi-byte sequence at the start of `bytes`, if well-formed.
std::optional<DecodedSequence> decodeSequence(std::string_view bytes) {
    const std::uint8_t lead = byteAt(bytes, 0);
    for (const SequenceForm& form : kSequenceForms) {
        if (lead < form.firstLead || lead > form.lastLead) {
            continue;
        }
        if (bytes.size() < form.length || byteAt(bytes, 1) < form.secondLow ||
            byteAt(bytes, 1) > form.secondHigh) {
            return std::nullopt;
        }
        char32_t codePoint = lead & form.payloadMask;
        for (std::size_t index = 1; index < form.length; ++index) {
            const std::uint8_t continuation = byteAt(bytes, index);
            if ((continuation & kContinuationMask) != kContinuationTag) {
                return std::nullopt;
            }
            codePoint =
                (codePoint << kContinuationPayloadBits) | (continuation & kContinuationPayloadMask);
        }
        return DecodedSequence{codePoint, form.length};
    }
    return std::nullopt;
}

void appendCodePoint(std::wstring& out, char32_t codePoint) {
    if constexpr (kWideIsUtf16) {
        if (codePoint > kLastBmpCodePoint) {
            const char32_t offset = codePoint - kFirstSupplementaryCodePoint;
            out += static_cast<wchar_t>(kHighSurrogateStart + (offset >> kSurrogatePayloadBits));
            out += static_cast<wchar_t>(kLowSurrogateStart + (offset & kSurrogatePayloadMask));
            return;
        }
    }
    out += static_cast<wchar_t>(codePoint);
}

bool isHighSurrogate(char32_t unit) {
    return unit >= kHighSurrogateStart && unit <= kHighSurrogateEnd;
}

bool isLowSurrogate(char32_t unit) {
    return unit >= kLowSurrogateStart && unit <= kLowSurrogateEnd;
}

char32_t codePointOfSurrogates(char32_t high, char32_t low) {
    return kFirstSupplementaryCodePoint +
           (((high - kHighSurrogateStart) << kSurrogatePayloadBits) | (low - kLowSurrogateStart));
}

// The UTF-8 bytes of one Unicode scalar value: a lead byte that tells the length and
// carries the top bits, then six bits per continuation byte.
void appendUtf8Sequence(std::string& out, char32_t codePoint) {
    constexpr char32_t kFirstThreeByte = 0x800;
    constexpr char32_t kTwoByteLead = 0xC0;
    constexpr char32_t kThreeByteLead = 0xE0;
    constexpr char32_t kFourByteLead = 0xF0;
    std::size_t continuations = 0;
    if (codePoint < kFirstNonAscii) {
        out += static_cast<char>(codePoint);
        return;
    }
    if (codePoint < kFirstThreeByte) {
        continuations = 1;
        out += static_cast<char>(kTwoByteLead | (codePoint >> kContinuationPayloadBits));
    } else if (codePoint < kFirstSupplementaryCodePoint) {
        continuations = 2;
        out += static_cast<char>(kThreeByteLead | (codePoint >> (2 * kContinuationPayloadBits)));
    } else {
        continuations = 3;
        out += static_cast<char>(kFourByteLead | (codePoint >> (3 * kContinuationPayloadBits)));
    }
    while (continuations > 0) {
        --continuations;
        const auto shift = static_cast<unsigned>(continuations * kContinuationPayloadBits);
        out +=
            static_cast<char>(kContinuationTag | ((codePoint >> shift) & kContinuationPayloadMask));
    }
}

// Windows-1252's characters at 0x80 ... 0x9F; its five unassigned bytes become the
// control characters of the same value, as Windows decodes them.
constexpr std::uint8_t kFirstWindows1252Special = 0x80;
constexpr std::uint8_t kFirstLatin1Printable = 0xA0;
constexpr std::array<wchar_t, 32> kWindows1252Specials = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool appendUtf8(std::wstring& out, std::string_view bytes) {
    const std::size_t originalSize = out.size();
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const std::uint8_t lead = byteAt(bytes, offset);
        if (lead < kFirstNonAscii) {
            out += static_cast<wchar_t>(lead);
            ++offset;
            continue;
        }
        const std::optional<DecodedSequence> sequence = decodeSequence(bytes.substr(offset));
        if (!sequence) {
            out.resize(originalSize);
            return false;
        }
        appendCodePoint(out, sequence->codePoint);
        offset += sequence->length;
    }
    return true;
}

void appendUtf16(std::wstring& out, std::u16string_view units) {
    if constexpr (kWideIsUtf16) {
        out.append(units.begin(), units.end());
    } else {
        for (std::size_t index = 0; index < units.size(); ++index) {
            const char16_t unit = units[index];
            if (isHighSurrogate(unit) && index + 1 < units.size() &&
                isLowSurrogate(units[index + 1])) {
                appendCodePoint(out, codePointOfSurrogates(unit, units[index + 1]));
                ++index;
            } else {
                out += static_cast<wchar_t>(unit);
            }
        }
    }
}

std::string utf8Of(std::wstring_view text) {
    constexpr char32_t kReplacement = 0xFFFD;
    constexpr char32_t kLastCodePoint = 0x10FFFF;
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        auto codePoint = static_cast<char32_t>(text[index]);
        if constexpr (kWideIsUtf16) {
            if (isHighSurrogate(codePoint) && index + 1 < text.size() &&
                isLowSurrogate(static_cast<char32_t>(text[index + 1]))) {
                codePoint =
                    codePointOfSurrogates(codePoint, static_cast<char32_t>(text[index + 1]));
                ++index;
            }
        }
        if ((codePoint >= kHighSurrogateStart && codePoint <= kLowSurrogateEnd) ||
            codePoint > kLastCodePoint) {
            codePoint = kReplacement;
        }
        appendUtf8Sequence(bytes, codePoint);
    }
    return bytes;
}

std::wstring decodeWindows1252(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto value = static_cast<std::uint8_t>(byte);
        text += value >= kFirstWindows1252Special && value < kFirstLatin1Printable
                    ? kWindows1252Specials.at(value - kFirstWindows1252Special)
                    : static_cast<wchar_t>(value);
    }
    return text;
}

std::wstring decodeLatin1(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        text += static_cast<wchar_t>(static_cast<std::uint8_t>(byte));
    }
    return text;
}

} // namespace quotidia
