#include "file_replacement.h"
#include "quotation_fit.h"
#include "quotebook_platform_posix.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace quotidia {

namespace {

// A Windows locale name ("de-DE") in the POSIX form ("de_DE.UTF-8"); other names as
// they are.
std::string posixLocaleName(std::string name) {
    if (name.find('-') == std::string::npos || name.find_first_of("_.@") != std::string::npos) {
        return name;
    }
    for (char& character : name) {
        if (character == '-') {
            character = '_';
        }
    }
    return name + ".UTF-8";
}

std::wstring wide(const std::string& narrow) {
    return {narrow.begin(), narrow.end()};
}

// The English name of a locale's language, from its identification data.
std::wstring languageOf(const std::string& name) {
    locale_t locale = newlocale(LC_ALL_MASK, name.c_str(), static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) {
        return {};
    }
    std::wstring language;
#ifdef __GLIBC__
    const char* text = nl_langinfo_l(_NL_IDENTIFICATION_LANGUAGE, locale);
    language = text != nullptr ? wide(text) : std::wstring{};
#endif
    freelocale(locale);
    return language.empty() ? wide(name) : language;
}

// The folders of compiled locales, each in a folder of its own: LOCPATH's, then the
// system's. (Locales only in the system's locale archive are not listed.): LOCPATH's, then the
// system's.
std::vector<std::filesystem::path> localeFolders() {
    std::vector<std::filesystem::path> folders;
    if (const char* localePath = std::getenv("LOCPATH")) {
        std::string paths = localePath;
        for (std::size_t start = 0; start <= paths.size();) {
            const std::size_t end = std::min(paths.find(':', start), paths.size());
            if (end > start) {
                folders.emplace_back(paths.substr(start, end - start));
            }
            start = end + 1;
        }
    }
    folders.emplace_back("/usr/lib/locale");
    return folders;
}

// Locales from the system's locale data; text written as UTF-8.
class PosixEnvironment : public CheckerEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        return QuoteBookPlatformPosix::forLocale(posixLocaleName(utf8Of(localeName)));
    }

    void writeOutput(std::wstring_view text) override { write(stdout, text); }
    void writeError(std::wstring_view text) override { write(stderr, text); }

    bool writeOutputBytes(std::string_view bytes) override {
        return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
               std::fflush(stdout) == 0;
    }

    std::unique_ptr<FileReplacement>
    replaceFile(const std::filesystem::path& destination) override {
        return startFileReplacement(destination);
    }

    std::vector<KnownLocale> knownLocales() const override {
        std::set<std::string> names;
        for (const std::filesystem::path& folder : localeFolders()) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
                if (std::filesystem::exists(entry.path() / "LC_TIME", error)) {
                    names.insert(entry.path().filename().string());
                }
            }
        }
        std::vector<KnownLocale> locales;
        for (const std::string& name : names) {
            if (std::wstring language = languageOf(name); !language.empty()) {
                locales.push_back({wide(name), std::move(language)});
            }
        }
        return locales;
    }

    std::unique_ptr<QuotationFit> quotationFit() override { return nullptr; }

  private:
    static void write(std::FILE* stream, std::wstring_view text) {
        const std::string bytes = utf8Of(text);
        std::fwrite(bytes.data(), 1, bytes.size(), stream);
        std::fflush(stream);
    }
};

} // namespace

std::unique_ptr<CheckerEnvironment> makeSystemEnvironment() {
    return std::make_unique<PosixEnvironment>();
}

} // namespace quotidia
