// The main window driven from the keyboard and the mouse: the About dialog, every way of
// copying the day, the focus among the buttons, Enter, Esc and access keys.

#include "frmAbout_win.h"
#include "mainwindow_fixture.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace quotidia {
namespace {

using testing::childRect;
using testing::clipboardText;
using testing::MainWindow;
using testing::platformLongDate;
using testing::pressAltLetter;
using testing::pressCtrlKey;
using testing::pressKey;
using testing::pumpMessages;
using testing::setClipboardText;

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
