#pragma once
// The English month names, in which the shipped quote book and the tests' books are
// written, whatever the locale of the machine that runs the tests.

#include <array>
#include <string_view>

namespace quotidia::testing {

inline constexpr std::array<std::wstring_view, 12> kEnglishMonthNames = {
    L"January", L"February", L"March",     L"April",   L"May",      L"June",
    L"July",    L"August",   L"September", L"October", L"November", L"December"};

} // namespace quotidia::testing
