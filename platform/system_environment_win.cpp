#include "file_replacement.h"
#include "quotation_fit_win.h"
#include "quotebook_platform_win.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quotidia {

namespace {

// The English name of a locale's language ("German").
std::wstring languageOf(const wchar_t* locale) {
    wchar_t name[LOCALE_NAME_MAX_LENGTH * 2] = {};
    if (GetLocaleInfoEx(locale, LOCALE_SENGLISHLANGUAGENAME, name, LOCALE_NAME_MAX_LENGTH * 2) <=
        0) {
        return {};
    }
    return name;
}

BOOL CALLBACK addLocale(LPWSTR name, DWORD /*flags*/, LPARAM locales) {
    if (std::wstring language = languageOf(name); !language.empty()) {
        reinterpret_cast<std::vector<KnownLocale>*>(locales)->push_back(
            {name, std::move(language)});
    }
    return TRUE;
}

// Locales through the same seam as the program; text written to a console as wide
// characters and to a file or pipe as UTF-8.
class WindowsEnvironment : public CheckerEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        if (localeName.empty()) {
            return std::make_unique<QuoteBookPlatformWin>();
        }
        std::wstring name(localeName);
        if (!QuoteBookPlatformWin::isKnownLocale(name)) {
            return nullptr;
        }
        return std::make_unique<QuoteBookPlatformWin>(std::move(name));
    }

    void writeOutput(std::wstring_view text) override { write(STD_OUTPUT_HANDLE, text); }
    void writeError(std::wstring_view text) override { write(STD_ERROR_HANDLE, text); }

    bool writeOutputBytes(std::string_view bytes) override {
        const HANDLE stream = GetStdHandle(STD_OUTPUT_HANDLE);
        if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
            return false;
        }
        while (!bytes.empty()) {
            constexpr std::size_t kLargestWrite = 1U << 30U;
            DWORD written = 0;
            if (!WriteFile(stream, bytes.data(),
                           static_cast<DWORD>(std::min(bytes.size(), kLargestWrite)), &written,
                           nullptr) ||
                written == 0) {
                return false;
            }
            bytes.remove_prefix(written);
        }
        return true;
    }

    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) override {
        return startFileReplacement(destination);
    }

    // Every specific locale (a language in a region) the system knows.
    std::vector<KnownLocale> knownLocales() const override {
        std::vector<KnownLocale> locales;
        EnumSystemLocalesEx(addLocale, LOCALE_SPECIFICDATA, reinterpret_cast<LPARAM>(&locales),
                            nullptr);
        return locales;
    }

    std::unique_ptr<QuotationFit> quotationFit() override { return makeQuotationFitWin(); }

  private:
    static void write(DWORD which, std::wstring_view text) {
        const HANDLE stream = GetStdHandle(which);
        if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
            return;
        }
        DWORD mode = 0;
        DWORD written = 0;
        if (GetConsoleMode(stream, &mode)) {
            WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            return;
        }
        const std::string bytes = utf8Of(text);
        WriteFile(stream, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
};

} // namespace

std::unique_ptr<CheckerEnvironment> makeSystemEnvironment() {
    return std::make_unique<WindowsEnvironment>();
}

} // namespace quotidia
