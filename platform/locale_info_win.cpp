#include "locale_info_win.h"

namespace quotidia {

std::wstring localeInfo(LCTYPE type, const wchar_t* locale) {
    const int length = GetLocaleInfoEx(locale, type, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length), L'\0');
    GetLocaleInfoEx(locale, type, text.data(), length);
    text.resize(static_cast<size_t>(length - 1));
    return text;
}

} // namespace quotidia
