#include "quotebook_platform_win.h"
#include "system_environment.h"
#include "text_encodings.h"

#include <windows.h>

#include <string>
#include <utility>

namespace quotidia {

namespace {

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
