// The main window driven for real: what it shows at load, and stepping from day to day.

#include "mainwindow_fixture.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace quotidia {
namespace {

using testing::childRect;
using testing::MainWindow;
using testing::platformLongDate;

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

} // namespace
} // namespace quotidia
