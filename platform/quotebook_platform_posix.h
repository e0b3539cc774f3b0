#pragma once
// The quote book's platform on Linux and other POSIX systems: the local clock, month
// names and letter case from a locale's data, and Windows-1252 as the ANSI code page
// that quote books written on Windows use.

#include "quotebook_platform.h"

#include <locale.h>

#include <memory>
#include <string>
#include <type_traits>

namespace quotidia {

class QuoteBookPlatformPosix : public QuoteBookPlatform {
  public:
    // The named locale ("de_DE.UTF-8"), or the user's own from the environment when the
    // name is empty (the "C" locale when that one is not installed); nullptr when the
    // system does not know the named locale.
    static std::unique_ptr<QuoteBookPlatformPosix> forLocale(const std::string& name);

    DateValue now() const override;
    std::wstring monthName(int month) const override;
    std::wstring toLower(std::wstring_view text) const override;
    std::wstring toUpper(std::wstring_view text) const override;
    std::wstring decodeAnsi(std::string_view bytes) const override;
    // Quotes.txt in the current directory.
    std::filesystem::path quoteFilePath() const override;

  private:
    struct LocaleDeleter {
        void operator()(locale_t locale) const { freelocale(locale); }
    };
    using LocaleHandle = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleDeleter>;

    explicit QuoteBookPlatformPosix(LocaleHandle locale);

    // Text in the locale's own character set, decoded.
    std::wstring decodeInLocale(const char* text) const;

    LocaleHandle locale_;
};

} // namespace quotidia
