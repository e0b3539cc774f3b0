#include "quotebook_platform_posix.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <cstdio>
#include <string>

namespace quotidia {

namespace {

// Locales from the system's locale data; text written as UTF-8.
class PosixEnvironment : public CheckerEnvironment {
  public:
    std::unique_ptr<QuoteBookPlatform> platformFor(std::wstring_view localeName) const override {
        return QuoteBookPlatformPosix::forLocale(utf8Of(localeName));
    }

    void writeOutput(std::wstring_view text) override { write(stdout, text); }
    void writeError(std::wstring_view text) override { write(stderr, text); }

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
