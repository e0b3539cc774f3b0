// The main window's looks: its faces, its layout at the screen's DPI and after a DPI
// change, and its colours with high contrast off and on.

#include "mainwindow_fixture.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace quotidia {
namespace {

using testing::childRect;
using testing::coloursShown;
using testing::HighContrastOn;
using testing::MainWindow;
using testing::pumpMessages;
using testing::waitsForPaint;

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

} // namespace
} // namespace quotidia
