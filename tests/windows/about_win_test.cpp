// The About dialog driven for real: opening, closing, keyboard, layout and the
// System Information button.

#include "frmAbout_win.h"
#include "frmmain_win.h"
#include "sysinfo_platform_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace quotidia {
namespace {

using testing::childRect;
using testing::clipboardText;
using testing::coloursShown;
using testing::pixelShown;
using testing::pressAltLetter;
using testing::pressCtrlKey;
using testing::pressKey;
using testing::pumpMessages;
using testing::setClipboardText;
using testing::waitsForPaint;

// Counts the calls that reach the System Information launcher and answers that no
// tool is registered.
class CountingPlatform : public SysInfoPlatform {
  public:
    explicit CountingPlatform(int& starts) : starts_(starts) {}
    std::int32_t openKey(std::uint32_t, const std::wstring&, std::uint32_t, std::uint32_t,
                         RegistryKeyHandle&) override {
        ++starts_;
        return 2; // ERROR_FILE_NOT_FOUND
    }
    std::int32_t queryValue(RegistryKeyHandle, const std::wstring&, std::uint32_t&, char*,
                            std::uint32_t&) override {
        return 2;
    }
    void closeKey(RegistryKeyHandle) noexcept override {}
    bool isNormalFile(const std::wstring&) override { return false; }
    bool startProgram(const std::wstring&) override { return false; }
    void showMessage(std::wstring_view) override {}

  private:
    int& starts_;
};

class AboutDialog : public ::testing::Test {
  protected:
    AboutDialog() : about_([this](HWND) { return std::make_unique<CountingPlatform>(lookups_); }) {}

    // What the main window's "&About" does: load, centre on the screen, show.
    void open() {
        about_.load();
        about_.centreOnScreen();
        about_.show();
        SetForegroundWindow(about_.hwnd());
        pumpMessages();
    }

    int focusedId() const { return GetDlgCtrlID(GetFocus()); }

    int lookups_ = 0;
    frmAbout about_;
};

TEST_F(AboutDialog, LoadSetsItsCaptionAndTitleOnceAndOkUnloadsIt) {
    open();
    wchar_t caption[64]{};
    GetWindowTextW(about_.hwnd(), caption, 64);
    EXPECT_STREQ(caption, L"About Quotidia");
    EXPECT_EQ(about_.text(frmAbout::lblTitle), L"Quotidia v 1.0");

    // Opening it again while it is open does not load it again.
    about_.setText(frmAbout::lblTitle, L"kept");
    open();
    EXPECT_EQ(about_.text(frmAbout::lblTitle), L"kept");

    SendMessageW(about_.control(frmAbout::cmdOK), BM_CLICK, 0, 0);
    pumpMessages();
    EXPECT_FALSE(about_.isLoaded());

    open();
    EXPECT_EQ(about_.text(frmAbout::lblTitle), L"Quotidia v 1.0");
}

TEST_F(AboutDialog, EnterAndEscCloseItWhereverTheFocusIsButOnSystemInfo) {
    open();
    EXPECT_EQ(focusedId(), frmAbout::cmdOK);
    pressKey(VK_RETURN);
    EXPECT_FALSE(about_.isLoaded());

    open();
    pressKey(VK_TAB);
    EXPECT_EQ(focusedId(), frmAbout::cmdSysInfo);
    pressKey(VK_RETURN);
    EXPECT_TRUE(about_.isLoaded());
    EXPECT_EQ(lookups_, 2); // both registry locations tried once

    pressKey(VK_ESCAPE);
    EXPECT_FALSE(about_.isLoaded());
}

TEST_F(AboutDialog, TabCyclesItsTwoButtonsAndAltSStartsSystemInfo) {
    open();
    pressKey(VK_TAB);
    EXPECT_EQ(focusedId(), frmAbout::cmdSysInfo);
    pressKey(VK_TAB);
    EXPECT_EQ(focusedId(), frmAbout::cmdOK);
    pressKey(VK_TAB, true);
    EXPECT_EQ(focusedId(), frmAbout::cmdSysInfo);

    pressAltLetter(L's');
    EXPECT_EQ(lookups_, 2);
    EXPECT_TRUE(about_.isLoaded());
}

TEST_F(AboutDialog, HasTheFixedDialogFrameSizeAndControlsOfItsLayout) {
    open();
    HWND dialog = about_.hwnd();
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);

    const SIZE client = testing::clientSize(dialog);
    EXPECT_EQ(client.cx, 382);
    EXPECT_EQ(client.cy, 237);

    struct Expected {
        int id;
        RECT rect;
    };
    const Expected controls[] = {
        {frmAbout::cmdOK, {283, 175, 367, 198}},
        {frmAbout::picIcon, {16, 16, 52, 52}},
        {frmAbout::cmdSysInfo, {284, 205, 367, 228}},
        {frmAbout::lblDescription, {64, 40, 323, 158}},
        {frmAbout::lblTitle, {64, 16, 323, 48}},
        {frmAbout::lblDisclaimer, {17, 175, 275, 230}},
    };
    for (const Expected& expected : controls) {
        const RECT rect = childRect(about_.control(expected.id));
        EXPECT_EQ(rect.left, expected.rect.left) << expected.id;
        EXPECT_EQ(rect.top, expected.rect.top) << expected.id;
        EXPECT_EQ(rect.right, expected.rect.right) << expected.id;
        EXPECT_EQ(rect.bottom, expected.rect.bottom) << expected.id;
    }

    const std::wstring description = about_.text(frmAbout::lblDescription);
    EXPECT_EQ(description.size(), 607u);
    EXPECT_EQ(description.find(L'\n'), std::wstring::npos);
    EXPECT_EQ(description.substr(0, 47), L"Displays \"Life\" quotes at every system startup.");
    const std::wstring disclaimer = about_.text(frmAbout::lblDisclaimer);
    EXPECT_NE(disclaimer.find(L"are welcome - send to "), std::wstring::npos);
    EXPECT_TRUE(disclaimer.ends_with(L".example"));
    EXPECT_EQ(about_.text(frmAbout::cmdSysInfo), L"&System Info...");
}

TEST_F(AboutDialog, DrawsAnEtchedRuleAndBlackLabels) {
    open();
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 382, 237);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SendMessageW(about_.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

    EXPECT_EQ(GetPixel(dc, 100, 163), RGB(128, 128, 128));
    EXPECT_EQ(GetPixel(dc, 100, 164), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 100, 165), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 100, 166), GetSysColor(COLOR_BTNFACE));

    for (int id : {frmAbout::lblTitle, frmAbout::lblDescription, frmAbout::lblDisclaimer}) {
        SendMessageW(about_.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(about_.control(id)));
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    }
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

TEST_F(AboutDialog, RepaintsItsLabelsAndRuleInTheSystemsColoursInHighContrast) {
    open();
    HWND dialog = about_.hwnd();
    const int labels[] = {frmAbout::lblTitle, frmAbout::lblDescription, frmAbout::lblDisclaimer};
    ASSERT_FALSE(waitsForPaint(dialog));
    {
        const testing::HighContrastOn highContrast;
        SendMessageW(dialog, WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_TRUE(waitsForPaint(dialog));
        for (int id : labels) {
            EXPECT_TRUE(waitsForPaint(about_.control(id))) << id;
        }
        pumpMessages();
        EXPECT_EQ(pixelShown(dialog, 100, 163), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(pixelShown(dialog, 100, 164), GetSysColor(COLOR_BTNHIGHLIGHT));
        for (int id : labels) {
            const std::set<COLORREF> shown = coloursShown(about_.control(id));
            EXPECT_TRUE(shown.contains(GetSysColor(COLOR_WINDOWTEXT))) << id;
            EXPECT_TRUE(shown.contains(GetSysColor(COLOR_WINDOW))) << id;
            EXPECT_FALSE(shown.contains(GetSysColor(COLOR_BTNFACE))) << id;
        }
    }
    SendMessageW(dialog, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    pumpMessages();
    EXPECT_EQ(pixelShown(dialog, 100, 163), RGB(128, 128, 128));
    EXPECT_TRUE(
        coloursShown(about_.control(frmAbout::lblTitle)).contains(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(AboutDialog, CtrlCAndCtrlInsertCopyTheNameAndVersionLine) {
    open();
    for (UINT key : {UINT{'C'}, UINT{VK_INSERT}}) {
        setClipboardText(L"before");
        pressCtrlKey(key);
        EXPECT_EQ(clipboardText(), L"Quotidia v 1.0\r\n") << key;
    }
    EXPECT_TRUE(about_.isLoaded());
}

TEST_F(AboutDialog, ArrowKeysMoveTheFocusBetweenItsButtonsOnly) {
    open();
    for (int from : {frmAbout::cmdOK, frmAbout::cmdSysInfo}) {
        for (UINT key : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
            SendMessageW(about_.hwnd(), WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(about_.control(from)), TRUE);
            pressKey(key);
            EXPECT_EQ(focusedId(), from == frmAbout::cmdOK ? frmAbout::cmdSysInfo : frmAbout::cmdOK)
                << from << " key " << key;
        }
    }
    EXPECT_EQ(lookups_, 0);
}

// Dismisses each message box the dialog shows, counting them, from another thread
// while the dialog's own thread waits inside the box.
class MessageBoxWatcher {
  public:
    MessageBoxWatcher()
        : thread_([this] {
              while (!stop_) {
                  if (HWND box = FindWindowW(L"#32770", L"Quotidia"); box != nullptr) {
                      wchar_t text[128]{};
                      GetDlgItemTextW(box, 0xFFFF, text, 128);
                      if (std::wstring(text) == L"System Information Is Unavailable At This Time") {
                          ++shown_;
                      }
                      SendMessageW(box, WM_COMMAND, IDOK, 0);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~MessageBoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    int shown() const { return shown_; }

  private:
    std::atomic<bool> stop_{false};
    std::atomic<int> shown_{0};
    std::thread thread_;
};

TEST(AboutDialogSystemInfo, WithoutTheToolShowsOneMessageAndStaysUsable) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Shared Tools Location",
                       L"MSINFO");
    frmAbout about;
    about.show();
    pumpMessages();
    {
        MessageBoxWatcher watcher;
        SendMessageW(about.control(frmAbout::cmdSysInfo), BM_CLICK, 0, 0);
        pumpMessages();
        EXPECT_EQ(watcher.shown(), 1);
    }
    EXPECT_TRUE(about.isLoaded());
    SendMessageW(about.control(frmAbout::cmdOK), BM_CLICK, 0, 0);
    pumpMessages();
    EXPECT_FALSE(about.isLoaded());
}

TEST(AboutDialogSystemInfo, StartsTheToolRegisteredAtTheFirstLocation) {
    const std::string tool = "C:\\windows\\system32\\msinfo32.exe";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(tool.c_str()),
                   static_cast<DWORD>(tool.size() + 1));
    RegCloseKey(key);

    frmAbout about;
    about.show();
    SendMessageW(about.control(frmAbout::cmdSysInfo), BM_CLICK, 0, 0);
    pumpMessages();

    // The tool runs as a window of its own; close it again.
    HWND toolWindow = nullptr;
    for (int attempt = 0; attempt < 100 && toolWindow == nullptr; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EnumWindows(
            [](HWND candidate, LPARAM found) -> BOOL {
                DWORD process = 0;
                GetWindowThreadProcessId(candidate, &process);
                if (process != GetCurrentProcessId() && IsWindowVisible(candidate)) {
                    wchar_t title[64]{};
                    GetWindowTextW(candidate, title, 64);
                    if (std::wstring(title).find(L"System Information") != std::wstring::npos) {
                        *reinterpret_cast<HWND*>(found) = candidate;
                        return FALSE;
                    }
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&toolWindow));
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    ASSERT_NE(toolWindow, nullptr);
    PostMessageW(toolWindow, WM_CLOSE, 0, 0);
    EXPECT_TRUE(about.isLoaded());
}

} // namespace
} // namespace quotidia
