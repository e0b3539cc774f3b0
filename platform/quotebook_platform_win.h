#pragma once
// The quote book's platform on Windows: the local clock, the user's locale, the
// system's ANSI code page and the program's own directory.

#include "date_value.h"
#include "quotebook_platform.h"

#include <string>

namespace quotidia {

class QuoteBookPlatformWin : public QuoteBookPlatform {
  public:
    // The user's locale.
    QuoteBookPlatformWin() = default;

    // Month names and letter case of the named locale ("de-DE") instead of the user's.
    explicit QuoteBookPlatformWin(std::wstring localeName);

    // True when the system knows the locale name.
    static bool isKnownLocale(const std::wstring& localeName);

    DateValue now() const override;
    std::wstring monthName(int month) const override;
    std::wstring toLower(std::wstring_view text) const override;
    std::wstring toUpper(std::wstring_view text) const override;
    std::wstring decodeAnsi(std::string_view bytes) const override;
    std::filesystem::path quoteFilePath() const override;

  private:
    const wchar_t* locale() const;

    std::wstring localeName_; // empty: the user's locale
};

} // namespace quotidia
