#pragma once
// One piece of a locale's data as text: a month or day name, the long-date picture.

#include <windows.h>

#include <string>

namespace quotidia {

// The text of a LOCALE_* item of a locale, the user's own by default; empty when the
// locale has none.
std::wstring localeInfo(LCTYPE type, const wchar_t* locale = LOCALE_NAME_USER_DEFAULT);

} // namespace quotidia
