#include "text_decoding.h"

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

bool isHighSurrogate(char16_t unit) {
    return unit >= kHighSurrogateStart && unit <= kHighSurrogateEnd;
}

bool isLowSurrogate(char16_t unit) {
    return unit >= kLowSurrogateStart && unit <= kLowSurrogateEnd;
}

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
                const char32_t high = unit - kHighSurrogateStart;
                const char32_t low = units[index + 1] - kLowSurrogateStart;
                appendCodePoint(out, kFirstSupplementaryCodePoint +
                                         ((high << kSurrogatePayloadBits) | low));
                ++index;
            } else {
                out += static_cast<wchar_t>(unit);
            }
        }
    }
}

} // namespace quotidia
