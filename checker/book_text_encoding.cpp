#include "book_text_encoding.h"

#include "text_encodings.h"

#include <cstddef>

namespace quotidia {

bool restIsUtf8(BlockReader& reader) {
    constexpr std::size_t kLongestSequence = 4;
    constexpr unsigned kContinuationMask = 0xC0;
    constexpr unsigned kContinuation = 0x80;
    std::string piece;
    std::wstring scratch;
    for (std::string_view bytes = reader.available(); !bytes.empty(); bytes = reader.available()) {
        piece += bytes;
        reader.consume(bytes.size());
        std::size_t split = piece.size();
        for (std::size_t back = 1; back <= kLongestSequence && back <= piece.size(); ++back) {
            const auto byte = static_cast<unsigned char>(piece[piece.size() - back]);
            if ((byte & kContinuationMask) != kContinuation) {
                if (byte >= kContinuationMask) {
                    split = piece.size() - back; // a lead byte: its sequence may go on
                }
                break;
            }
        }
        scratch.clear();
        if (!appendUtf8(scratch, std::string_view(piece).substr(0, split))) {
            return false;
        }
        piece.erase(0, split);
    }
    scratch.clear();
    return appendUtf8(scratch, piece);
}

void appendUnit(std::string& out, char unit) {
    out += unit;
}

void appendUnit(std::string& out, char16_t unit) {
    constexpr unsigned kBitsPerByte = 8;
    constexpr unsigned kByteMask = 0xFF;
    out += static_cast<char>(unit & kByteMask);
    out += static_cast<char>((static_cast<unsigned>(unit) >> kBitsPerByte) & kByteMask);
}

void appendUnits(std::string& out, std::string_view units) {
    out.append(units);
}

void appendUnits(std::string& out, std::u16string_view units) {
    for (const char16_t unit : units) {
        appendUnit(out, unit);
    }
}

std::u16string utf16Of(std::wstring_view text) {
    std::u16string units;
    for (const wchar_t character : text) {
        auto code = static_cast<char32_t>(character);
        constexpr char32_t kFirstSupplementary = 0x10000;
        if (code >= kFirstSupplementary) {
            code -= kFirstSupplementary;
            constexpr unsigned kPayloadBits = 10;
            constexpr char32_t kPayloadMask = 0x3FF;
            units += static_cast<char16_t>(0xD800 + (code >> kPayloadBits));
            units += static_cast<char16_t>(0xDC00 + (code & kPayloadMask));
        } else {
            units += static_cast<char16_t>(code);
        }
    }
    return units;
}

AnsiEncoder::AnsiEncoder(const QuoteBookPlatform& platform) : platform_(platform) {
    constexpr int kBytes = 256;
    for (int value = 1; value < kBytes; ++value) {
        const std::string byte(1, static_cast<char>(value));
        const std::wstring decoded = platform.decodeAnsi(byte);
        if (decoded.size() == 1) {
            byteOf_.emplace(decoded.front(), byte.front());
        }
    }
}

std::optional<std::string> AnsiEncoder::encode(std::wstring_view text) const {
    std::string bytes;
    for (const wchar_t character : text) {
        const auto found = byteOf_.find(character);
        if (found == byteOf_.end()) {
            return std::nullopt;
        }
        bytes += found->second;
    }
    if (platform_.decodeAnsi(bytes) != text) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace quotidia
