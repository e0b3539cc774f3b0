#include "ansi_codec_win.h"

#include <windows.h>

#include <climits>
#include <optional>

namespace quotidia {

namespace {

// The conversion functions count in int; a longer text cannot be converted.
std::optional<int> lengthForConversion(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) {
        SetLastError(ERROR_ARITHMETIC_OVERFLOW);
        return std::nullopt;
    }
    return static_cast<int>(size);
}

} // namespace

std::optional<std::wstring> try_decodeAnsi(std::string_view bytes) {
    if (bytes.empty()) {
        return std::wstring();
    }
    const std::optional<int> length = lengthForConversion(bytes.size());
    if (!length) {
        return std::nullopt;
    }
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), *length, nullptr, 0);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::wstring decoded(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), *length, decoded.data(), needed) != needed) {
        return std::nullopt;
    }
    return decoded;
}

std::optional<std::string> try_encodeAnsi(std::wstring_view text) {
    if (text.empty()) {
        return std::string();
    }
    const std::optional<int> length = lengthForConversion(text.size());
    if (!length) {
        return std::nullopt;
    }
    const int needed =
        WideCharToMultiByte(CP_ACP, 0, text.data(), *length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return std::nullopt;
    }
    std::string encoded(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_ACP, 0, text.data(), *length, encoded.data(), needed, nullptr,
                            nullptr) != needed) {
        return std::nullopt;
    }
    return encoded;
}

} // namespace quotidia
