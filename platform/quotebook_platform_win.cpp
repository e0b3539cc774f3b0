#include "quotebook_platform_win.h"

#include "ansi_codec_win.h"
#include "locale_info_win.h"

#include <windows.h>

#include <cmath>
#include <utility>

namespace quotidia {

namespace {

// Text in lower or upper case as the locale maps it; unchanged when the mapping fails.
std::wstring mapCase(const wchar_t* locale, DWORD mapping, std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int inputLength = static_cast<int>(text.size());
    const int length =
        LCMapStringEx(locale, mapping, text.data(), inputLength, nullptr, 0, nullptr, nullptr, 0);
    if (length <= 0) {
        return std::wstring(text);
    }
    std::wstring mapped(static_cast<size_t>(length), L'\0');
    LCMapStringEx(locale, mapping, text.data(), inputLength, mapped.data(), length, nullptr,
                  nullptr, 0);
    return mapped;
}

} // namespace

QuoteBookPlatformWin::QuoteBookPlatformWin(std::wstring localeName)
    : localeName_(std::move(localeName)) {}

bool QuoteBookPlatformWin::isKnownLocale(const std::wstring& localeName) {
    return IsValidLocaleName(localeName.c_str()) != FALSE;
}

const wchar_t* QuoteBookPlatformWin::locale() const {
    return localeName_.empty() ? LOCALE_NAME_USER_DEFAULT : localeName_.c_str();
}

DateValue QuoteBookPlatformWin::now() const {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    const double timeOfDay =
        (time.wHour * 3600.0 + time.wMinute * 60.0 + time.wSecond + time.wMilliseconds / 1000.0) /
        86400.0;
    return dateValueOf(CivilDate{time.wYear, time.wMonth, time.wDay}, timeOfDay).value_or(0.0);
}

std::wstring QuoteBookPlatformWin::monthName(int month) const {
    return localeInfo(LOCALE_SMONTHNAME1 + static_cast<LCTYPE>(month - 1), locale());
}

std::wstring QuoteBookPlatformWin::toLower(std::wstring_view text) const {
    return mapCase(locale(), LCMAP_LOWERCASE, text);
}

std::wstring QuoteBookPlatformWin::toUpper(std::wstring_view text) const {
    return mapCase(locale(), LCMAP_UPPERCASE, text);
}

std::wstring QuoteBookPlatformWin::decodeAnsi(std::string_view bytes) const {
    // Text the code page cannot take reads as empty, as the lookup treats every failure.
    return try_decodeAnsi(bytes).value_or(std::wstring());
}

std::filesystem::path QuoteBookPlatformWin::quoteFilePath() const {
    // The path can exceed MAX_PATH; grow the buffer until it fits.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.erase(path.find_last_of(L'\\') + 1);
    return std::filesystem::path(path + L"Quotes.txt");
}

} // namespace quotidia
