#pragma once
// Helpers for tests that drive real windows: pumping messages, keys through the
// dialog manager, temporary quote files and a quote-book platform with a fixed clock.

#include "forms_runtime_win.h"
#include "quotebook_platform_win.h"

#include <windows.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace quotidia::testing {

// Handles every message waiting for this thread, as the program's loop would.
void pumpMessages();

// A key pressed and released on the focused window, through the dialog manager.
void pressKey(UINT virtualKey, bool shift = false);

// A key pressed and released with Ctrl held down.
void pressCtrlKey(UINT virtualKey);

// Alt with a letter, as the keyboard delivers it to the dialog manager.
void pressAltLetter(wchar_t letter);

// The clipboard's Unicode text, or nullopt when it holds none.
std::optional<std::wstring> clipboardText();
// Puts Unicode text on the clipboard, so a test sees whether something replaces it.
void setClipboardText(const std::wstring& text);

// The forms' high-contrast setting answered "on" while an instance lives.
class HighContrastOn {
  public:
    HighContrastOn();
    ~HighContrastOn();
    HighContrastOn(const HighContrastOn&) = delete;
    HighContrastOn& operator=(const HighContrastOn&) = delete;
};

// The colours of the pixels a window shows on the screen.
std::set<COLORREF> coloursShown(HWND window);
COLORREF pixelShown(HWND window, int x, int y);
// Whether part of a window waits to be painted.
bool waitsForPaint(HWND window);

// The class-relative client rectangle of a control in its parent.
RECT childRect(HWND child);
SIZE clientSize(HWND window);

// A folder of its own below the temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const noexcept { return path_; }
    // Writes bytes to a file in the folder and returns its path.
    std::filesystem::path write(const std::wstring& name, std::string_view bytes) const;

  private:
    std::filesystem::path path_;
};

// The Windows quote-book platform with a clock and a quote file of the test's choosing.
class FixedDayPlatform : public QuoteBookPlatformWin {
  public:
    FixedDayPlatform(CivilDate today, std::filesystem::path quoteFile);
    DateValue now() const override { return now_; }
    std::filesystem::path quoteFilePath() const override { return quoteFile_; }

  private:
    DateValue now_;
    std::filesystem::path quoteFile_;
};

// The build tree's top folder, where Quotidia.exe and Quotes.txt lie: one above the tests.
std::filesystem::path buildFolder();

// The platform's own long date for a calendar date.
std::wstring platformLongDate(CivilDate date);

// The face a font is really drawn in, after the platform's substitutions and fallbacks.
std::wstring realisedFace(HFONT font);

// What the Wine tests assume of the machine: the faces the windows ask for are drawn in
// the fonts the set-up installs and the Wine prefix maps them to, and the user's locale
// is U.S. English. Returns one line naming the first assumption that does not hold.
std::optional<std::string> testEnvironmentProblem();

} // namespace quotidia::testing
