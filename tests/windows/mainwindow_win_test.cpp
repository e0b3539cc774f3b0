// The main window driven for real: load, day stepping, keyboard and layout.

#include "frmAbout_win.h"
#include "frmmain_win.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace quotidia {
namespace {

using testing::childRect;
using testing::clipboardText;
using testing::coloursShown;
using testing::FixedDayPlatform;
using testing::HighContrastOn;
using testing::platformLongDate;
using testing::pressAltLetter;
using testing::pressCtrlKey;
using testing::pressKey;
using testing::pumpMessages;
using testing::setClipboardText;
using testing::TempDir;
using testing::waitsForPaint;

constexpr char kBook[] = "December 5\r\nFifth\r\n\r\n"
                         "December 6\r\nFirst line\r\nSecond line\r\n\r\n"
                         "December 7\r\nSeventh\r\n\r\n"
                         "December 31\r\nLast day\r\n\r\n";

class MainWindow : public ::testing::Test {
  protected:
    void open(CivilDate today, std::string_view book = kBook) {
        platform_ = std::make_unique<FixedDayPlatform>(today, folder_.write(L"Quotes.txt", book));
        form_ = std::make_unique<frmmain>(*platform_);
        form_->show();
        pumpMessages();
    }

    void click(int id) {
        SendMessageW(form_->control(id), BM_CLICK, 0, 0);
        pumpMessages();
    }

    std::wstring dateShown() const { return form_->text(frmmain::lblDate); }
    std::wstring quotesShown() const { return form_->text(frmmain::lblQuotes); }
    int focusedId() const { return GetDlgCtrlID(GetFocus()); }

    TempDir folder_;
    std::unique_ptr<FixedDayPlatform> platform_;
    std::unique_ptr<frmmain> form_;
};

// The faces the window really draws in: the labels' "garamond" and the buttons' system font
// come out as the fonts the test machine maps them to, so every measurement here is made
// in known fonts.
TEST_F(MainWindow, LabelsAndButtonsAreDrawnInThePinnedFaces) {
    open({2026, 12, 6});
    const auto faceOf = [this](int id) {
        return testing::realisedFace(
            reinterpret_cast<HFONT>(SendMessageW(form_->control(id), WM_GETFONT, 0, 0)));
    };
    EXPECT_EQ(faceOf(frmmain::lblDate), L"Liberation Sans");
    EXPECT_EQ(faceOf(frmmain::lblQuotes), L"Liberation Sans");
    EXPECT_EQ(faceOf(frmmain::cmdAbout), L"Tahoma");
}

TEST_F(MainWindow, LoadShowsTodaysLongDateAndEntryCentredOnScreen) {
    open({2026, 12, 6});

    EXPECT_TRUE(IsWindowVisible(form_->hwnd()));
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 6}));
    EXPECT_EQ(quotesShown(), L"\rFirst line\rSecond line");
    EXPECT_EQ(form_->dayState().DayKey, L"December 6");

    RECT frame{};
    GetWindowRect(form_->hwnd(), &frame);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(frame.left, (screenWidth - (frame.right - frame.left)) / 2, 1);
    EXPECT_NEAR(frame.top, (screenHeight - (frame.bottom - frame.top)) / 2, 1);
}

TEST_F(MainWindow, NextAndPreviousStepOneDayAndReadTheFileAfresh) {
    open({2026, 12, 6});

    click(frmmain::cmdButtons(frmmain::indexNext));
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 7}));
    EXPECT_EQ(quotesShown(), L"\rSeventh");

    // The book changes while the window is open: the next step shows the new text.
    folder_.write(L"Quotes.txt", "December 5\r\nRewritten fifth\r\n\r\n");
    click(frmmain::cmdButtons(frmmain::indexPrevious));
    click(frmmain::cmdButtons(frmmain::indexPrevious));
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 5}));
    EXPECT_EQ(quotesShown(), L"\rRewritten fifth");
}

TEST_F(MainWindow, DayWithoutEntryOrWithoutBookShowsOnlyItsDate) {
    open({2026, 12, 8});
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 8}));
    EXPECT_EQ(quotesShown(), L"");

    DeleteFileW(platform_->quoteFilePath().c_str());
    click(frmmain::cmdButtons(frmmain::indexPrevious));
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 7}));
    EXPECT_EQ(quotesShown(), L"");
}

TEST_F(MainWindow, PreviousFromNewYearShowsLastDayOfPreviousYear) {
    open({2027, 1, 1});
    click(frmmain::cmdButtons(frmmain::indexPrevious));
    EXPECT_EQ(dateShown(), platformLongDate({2026, 12, 31}));
    EXPECT_EQ(quotesShown(), L"\rLast day");
}

TEST_F(MainWindow, StepsDayByDayThroughAWholeLeapYear) {
    open({2024, 1, 1}, "February 29\r\nLeap day\r\n\r\nMarch 1\r\nSpring\r\n\r\n");
    CivilDate expected{2024, 1, 1};
    for (int step = 1; step <= 366; ++step) {
        click(frmmain::cmdButtons(frmmain::indexNext));
        expected = civilDateOf(addDays(dateValueOf(expected).value(), 1).value());
        ASSERT_EQ(dateShown(), platformLongDate(expected)) << step;
        const std::wstring entry = expected.month == 2 && expected.day == 29  ? L"\rLeap day"
                                   : expected.month == 3 && expected.day == 1 ? L"\rSpring"
                                                                              : L"";
        ASSERT_EQ(quotesShown(), entry) << step;
    }
    EXPECT_EQ(expected, (CivilDate{2025, 1, 1}));
}

TEST_F(MainWindow, AboutOpensOneDialogCentredOnTheScreenOnEveryClick) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    pressAltLetter(L'a');
    frmAbout& about = forms::formSlot<frmAbout>();
    ASSERT_TRUE(about.isLoaded());
    EXPECT_TRUE(IsWindowVisible(about.hwnd()));
    EXPECT_TRUE(IsWindowEnabled(form_->hwnd())); // modeless: the main window stays usable

    const auto centred = [&about] {
        RECT frame{};
        GetWindowRect(about.hwnd(), &frame);
        const int left = (GetSystemMetrics(SM_CXSCREEN) - (frame.right - frame.left)) / 2;
        const int top = (GetSystemMetrics(SM_CYSCREEN) - (frame.bottom - frame.top)) / 2;
        return std::abs(frame.left - left) <= 1 && std::abs(frame.top - top) <= 1;
    };
    EXPECT_TRUE(centred());
    HWND first = about.hwnd();

    SetWindowPos(first, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    click(frmmain::cmdAbout);
    EXPECT_EQ(about.hwnd(), first);
    EXPECT_TRUE(centred());
    EXPECT_EQ(GetForegroundWindow(), first);
    EXPECT_EQ(FindWindowExW(nullptr, first, L"Quotidia.frmAbout", nullptr), nullptr);
    about.unload();
}

TEST_F(MainWindow, StepPastTheLastDayIsRefusedAndTheWindowCarriesOn) {
    open({9999, 12, 31});
    const DayState before = form_->dayState();

    click(frmmain::cmdButtons(frmmain::indexNext));

    EXPECT_EQ(form_->dayState().CurrentDay, before.CurrentDay);
    EXPECT_EQ(form_->dayState().DayKey, L"December 31");
    EXPECT_EQ(quotesShown(), L"\rLast day");
    click(frmmain::cmdButtons(frmmain::indexPrevious));
    EXPECT_EQ(dateShown(), platformLongDate({9999, 12, 30}));
}

TEST_F(MainWindow, QuotationIsShownLiterallyAndCutOffAtTheLabelsBottom) {
    std::string longEntry = "December 6\r\nSalt & pepper && more\r\n";
    for (int line = 0; line < 40; ++line) {
        longEntry += "A long quotation line that wraps and wraps inside the label\r\n";
    }
    open({2026, 12, 6}, longEntry + "\r\n");

    HWND label = form_->control(frmmain::lblQuotes);
    EXPECT_TRUE(GetWindowLongW(label, GWL_STYLE) & SS_NOPREFIX);
    EXPECT_FALSE(GetWindowLongW(label, GWL_STYLE) & (WS_VSCROLL | WS_BORDER));
    EXPECT_EQ(quotesShown().substr(0, 22), L"\rSalt & pepper && more");
    const RECT place = childRect(label);
    EXPECT_EQ(place.bottom - place.top, 90); // 1350 twips, however long the text
}

// Run at 96 DPI and again in a prefix whose screen has 144 DPI.
TEST_F(MainWindow, LayoutHasTheFixedFrameSizeAndControlsAtTheScreensDpi) {
    open({2026, 12, 6});
    HWND window = form_->hwnd();

    wchar_t title[32]{};
    GetWindowTextW(window, title, 32);
    EXPECT_STREQ(title, L" Quotidia");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));

    const UINT dpi = GetDpiForWindow(window);
    ASSERT_TRUE(dpi == 96 || dpi == 144) << dpi;
    const bool at96 = dpi == 96;
    const SIZE client = testing::clientSize(window);
    EXPECT_EQ(client.cx, at96 ? 429 : 643);
    EXPECT_EQ(client.cy, at96 ? 215 : 322);

    // The window's icon is made for the screen's DPI, not scaled from another size.
    ICONINFO icon{};
    ASSERT_TRUE(
        GetIconInfo(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0)), &icon));
    BITMAP colour{};
    GetObjectW(icon.hbmColor, sizeof(colour), &colour);
    EXPECT_EQ(colour.bmWidth, GetSystemMetricsForDpi(SM_CXICON, dpi));
    DeleteObject(icon.hbmColor);
    DeleteObject(icon.hbmMask);

    struct Expected {
        int id;
        RECT at96;
        RECT at144;
        const wchar_t* caption;
    };
    const Expected controls[] = {
        {frmmain::cmdButtons(1), {184, 176, 241, 201}, {276, 264, 361, 301}, L"&OK"},
        {frmmain::lblDate, {64, 16, 361, 41}, {96, 24, 541, 61}, nullptr},
        {frmmain::lblQuotes, {24, 56, 401, 146}, {36, 84, 601, 219}, nullptr},
        {frmmain::cmdAbout, {376, 16, 425, 41}, {564, 24, 637, 61}, L"&About"},
        {frmmain::cmdButtons(2), {304, 176, 361, 201}, {456, 264, 541, 301}, L"&Next"},
        {frmmain::cmdButtons(0), {64, 176, 121, 201}, {96, 264, 181, 301}, L"&Previous"},
    };
    for (const Expected& expected : controls) {
        const RECT want = at96 ? expected.at96 : expected.at144;
        const RECT rect = childRect(form_->control(expected.id));
        EXPECT_EQ(rect.left, want.left) << expected.id;
        EXPECT_EQ(rect.top, want.top) << expected.id;
        EXPECT_EQ(rect.right, want.right) << expected.id;
        EXPECT_EQ(rect.bottom, want.bottom) << expected.id;
        if (expected.caption != nullptr) {
            EXPECT_EQ(form_->text(expected.id), expected.caption);
        }
    }
}

TEST_F(MainWindow, LaysItselfOutAgainWhenItsDpiChanges) {
    open({2026, 12, 6});
    HWND window = form_->hwnd();
    RECT frame{};
    GetWindowRect(window, &frame);

    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&frame));
    pumpMessages();

    // Under a system that keeps the window at 96 DPI the layout follows the message.
    const RECT ok = childRect(form_->control(frmmain::cmdButtons(1)));
    EXPECT_EQ(ok.left, 276);
    EXPECT_EQ(ok.top, 264);
    const RECT quotes = childRect(form_->control(frmmain::lblQuotes));
    EXPECT_EQ(quotes.right - quotes.left, 565);

    // The date's font is made again for the new DPI: 14 points at 144 DPI.
    LOGFONTW font{};
    GetObjectW(
        reinterpret_cast<HFONT>(SendMessageW(form_->control(frmmain::lblDate), WM_GETFONT, 0, 0)),
        sizeof(font), &font);
    EXPECT_EQ(font.lfHeight, -28);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_STREQ(font.lfFaceName, L"garamond");
}

TEST_F(MainWindow, LabelsDrawPureBlueOnTheWindowsColour) {
    open({2026, 12, 6});
    HDC dc = CreateCompatibleDC(nullptr);
    for (int id : {frmmain::lblDate, frmmain::lblQuotes}) {
        const auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(form_->hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(form_->control(id))));
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
        EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(brush, GetStockObject(DC_BRUSH));
        EXPECT_EQ(GetDCBrushColor(dc), GetSysColor(COLOR_BTNFACE));
    }
    DeleteDC(dc);
}

TEST_F(MainWindow, RepaintsInTheSystemsColoursWhenHighContrastComesAndGoes) {
    open({2026, 12, 6});
    const std::vector<HWND> labels{form_->control(frmmain::lblDate),
                                   form_->control(frmmain::lblQuotes)};
    for (HWND label : labels) {
        ASSERT_FALSE(waitsForPaint(label));
        EXPECT_TRUE(coloursShown(label).contains(RGB(0, 0, 255)));
    }
    {
        const HighContrastOn highContrast;
        SendMessageW(form_->hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        for (HWND label : labels) {
            EXPECT_TRUE(waitsForPaint(label));
        }
        pumpMessages();
        for (HWND label : labels) {
            const std::set<COLORREF> shown = coloursShown(label);
            EXPECT_TRUE(shown.contains(GetSysColor(COLOR_WINDOWTEXT)));
            EXPECT_TRUE(shown.contains(GetSysColor(COLOR_WINDOW)));
            EXPECT_FALSE(shown.contains(RGB(0, 0, 255)));
            EXPECT_FALSE(shown.contains(GetSysColor(COLOR_BTNFACE)));
        }
    }
    SendMessageW(form_->hwnd(), WM_SYSCOLORCHANGE, 0, 0);
    for (HWND label : labels) {
        EXPECT_TRUE(waitsForPaint(label));
    }
    pumpMessages();
    for (HWND label : labels) {
        const std::set<COLORREF> shown = coloursShown(label);
        EXPECT_TRUE(shown.contains(RGB(0, 0, 255)));
        EXPECT_TRUE(shown.contains(GetSysColor(COLOR_BTNFACE)));
        EXPECT_FALSE(shown.contains(GetSysColor(COLOR_WINDOW)));
    }
}

// Each way of copying, tried on a clipboard that holds something else.
class MainWindowCopy : public MainWindow {
  protected:
    std::wstring copiedBy(void (MainWindowCopy::*way)()) {
        setClipboardText(L"before");
        (this->*way)();
        return clipboardText().value_or(L"(no text)");
    }

    void ctrlC() { pressCtrlKey('C'); }
    void ctrlInsert() { pressCtrlKey(VK_INSERT); }

    // The context menu opened by `openMenu`, then C for its "&Copy", read by the menu from
    // the queue. The menu's items are noted while it is open.
    template <typename OpenMenu> void throughMenu(OpenMenu openMenu) {
        static std::vector<std::wstring>* items = nullptr;
        std::vector<std::wstring> seen;
        items = &seen;
        HHOOK hook = SetWindowsHookExW(
            WH_MSGFILTER,
            [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
                HWND open = FindWindowW(L"#32768", nullptr);
                if (code == MSGF_MENU && open != nullptr && items->empty()) {
                    auto menu = reinterpret_cast<HMENU>(SendMessageW(open, MN_GETHMENU, 0, 0));
                    for (int item = 0; item < GetMenuItemCount(menu); ++item) {
                        wchar_t text[64]{};
                        GetMenuStringW(menu, static_cast<UINT>(item), text, 64, MF_BYPOSITION);
                        items->push_back(text);
                    }
                }
                return CallNextHookEx(nullptr, code, wParam, lParam);
            },
            nullptr, GetCurrentThreadId());
        PostMessageW(form_->hwnd(), WM_CHAR, L'c', 1);
        openMenu();
        pumpMessages();
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(seen, std::vector<std::wstring>{L"&Copy"});
    }
    void rightClickOn(HWND window, POINT at) {
        throughMenu([&] {
            SendMessageW(window, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
            SendMessageW(window, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        });
    }
    void rightClickOnQuotations() {
        const RECT label = childRect(form_->control(frmmain::lblQuotes));
        rightClickOn(form_->hwnd(), POINT{label.left + 5, label.top + 5});
    }
    void rightClickOnNext() {
        rightClickOn(form_->control(frmmain::cmdButtons(frmmain::indexNext)), POINT{3, 3});
    }

    // The menu as Windows opens it for Shift+F10 and the menu key: without a place.
    void menuFromKeyboard() {
        throughMenu([this] {
            SendMessageW(form_->hwnd(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetFocus()), -1);
        });
    }

    void expectEveryWayCopies(const std::wstring& expected) {
        const std::pair<const char*, void (MainWindowCopy::*)()> ways[] = {
            {"Ctrl+C", &MainWindowCopy::ctrlC},
            {"Ctrl+Insert", &MainWindowCopy::ctrlInsert},
            {"right-click on the quotations", &MainWindowCopy::rightClickOnQuotations},
            {"right-click on Next", &MainWindowCopy::rightClickOnNext},
            {"menu from the keyboard", &MainWindowCopy::menuFromKeyboard},
        };
        for (const auto& [name, way] : ways) {
            EXPECT_EQ(copiedBy(way), expected) << name;
        }
    }
};

TEST_F(MainWindowCopy, EveryWayCopiesTheDateAndTheDaysQuotations) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    expectEveryWayCopies(platformLongDate({2026, 12, 6}) +
                         L"\r\n\r\nFirst line\r\nSecond line\r\n");

    // The day shown is the day copied, and nothing else changed on the way.
    click(frmmain::cmdButtons(frmmain::indexNext));
    SetForegroundWindow(form_->hwnd());
    expectEveryWayCopies(platformLongDate({2026, 12, 7}) + L"\r\n\r\nSeventh\r\n");
    EXPECT_EQ(form_->dayState().DayKey, L"December 7");
    EXPECT_EQ(GetMenu(form_->hwnd()), nullptr);
}

TEST_F(MainWindowCopy, EveryWayCopiesTheDateAloneOnADayWithoutAnEntry) {
    open({2026, 12, 8});
    SetForegroundWindow(form_->hwnd());
    expectEveryWayCopies(platformLongDate({2026, 12, 8}) + L"\r\n");
}

TEST_F(MainWindow, ArrowKeysMoveTheFocusAmongTheButtonsOnly) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    // The buttons in tab order, which right and down follow and left and up go back on.
    const int buttons[] = {frmmain::cmdButtons(frmmain::indexOK), frmmain::cmdAbout,
                           frmmain::cmdButtons(frmmain::indexNext),
                           frmmain::cmdButtons(frmmain::indexPrevious)};
    constexpr int count = static_cast<int>(std::size(buttons));
    for (int from = 0; from < count; ++from) {
        for (UINT key : {VK_RIGHT, VK_DOWN, VK_LEFT, VK_UP}) {
            SendMessageW(form_->hwnd(), WM_NEXTDLGCTL,
                         reinterpret_cast<WPARAM>(form_->control(buttons[from])), TRUE);
            pressKey(key);
            const int step = key == VK_RIGHT || key == VK_DOWN ? 1 : count - 1;
            EXPECT_EQ(focusedId(), buttons[(from + step) % count]) << from << " key " << key;
        }
    }
    EXPECT_EQ(form_->dayState().DayKey, L"December 6"); // moving the focus clicks nothing
}

TEST_F(MainWindow, FocusStartsOnOkAndTabCyclesTheButtonsBothWays) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    EXPECT_EQ(focusedId(), frmmain::cmdButtons(frmmain::indexOK));

    const int forward[] = {frmmain::cmdAbout, frmmain::cmdButtons(frmmain::indexNext),
                           frmmain::cmdButtons(frmmain::indexPrevious),
                           frmmain::cmdButtons(frmmain::indexOK)};
    for (int expected : forward) {
        pressKey(VK_TAB);
        EXPECT_EQ(focusedId(), expected);
    }
    const int backward[] = {frmmain::cmdButtons(frmmain::indexPrevious),
                            frmmain::cmdButtons(frmmain::indexNext), frmmain::cmdAbout,
                            frmmain::cmdButtons(frmmain::indexOK)};
    for (int expected : backward) {
        pressKey(VK_TAB, true);
        EXPECT_EQ(focusedId(), expected);
    }
}

TEST_F(MainWindow, EnterClicksTheFocusedButtonAndEscDoesNothing) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    pressKey(VK_TAB, true); // to "&Previous"
    pressKey(VK_RETURN);
    EXPECT_EQ(form_->dayState().DayKey, L"December 5");

    pressKey(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(form_->hwnd()));
    EXPECT_EQ(form_->dayState().DayKey, L"December 5");
}

TEST_F(MainWindow, AccessKeysClickTheirButtons) {
    open({2026, 12, 6});
    SetForegroundWindow(form_->hwnd());
    pressAltLetter(L'n');
    EXPECT_EQ(form_->dayState().DayKey, L"December 7");
    pressAltLetter(L'p');
    pressAltLetter(L'P');
    EXPECT_EQ(form_->dayState().DayKey, L"December 5");
}

} // namespace
} // namespace quotidia
