// The shipped quote book: every day of the year has an entry, and each day's text fits
// the main window's quotation area in the label's own font at 96 DPI.

#include "english_month_names.h"
#include "frmmain_win.h"
#include "quote_lookup.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace quotidia {
namespace {

using testing::kEnglishMonthNames;

// The book is written in English, whatever the test machine's locale.
class EnglishBookPlatform : public testing::FixedDayPlatform {
  public:
    using FixedDayPlatform::FixedDayPlatform;
    std::wstring monthName(int month) const override {
        return std::wstring(kEnglishMonthNames.at(static_cast<size_t>(month - 1)));
    }
};

std::filesystem::path shippedBook() {
    return testing::buildFolder() / L"Quotes.txt";
}

TEST(ShippedQuoteBook, EveryDayHasAnEntryThatFitsTheQuotationArea) {
    // The window shows the text in its quotation label; measure it as the label draws it.
    const EnglishBookPlatform platform({2024, 1, 1}, shippedBook());
    frmmain form(platform);
    form.show();
    ASSERT_EQ(GetDpiForWindow(form.hwnd()), 96u);
    HWND label = form.control(frmmain::lblQuotes);
    RECT area{};
    GetClientRect(label, &area);
    HDC dc = GetDC(label);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));

    // Every day is measured; the days that do not fit are reported together, in one line.
    std::wstring missing;
    std::wstring tooTall;
    DayState day;
    initialiseToPresent(day, platform); // 1 January of a leap year
    for (int step = 0; step < 366; ++step) {
        const std::wstring text = findQuotes(shippedBook(), day.DayKey, platform);
        RECT needed{0, 0, area.right, 0};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
        if (text.empty()) {
            missing += L" " + day.DayKey + L";";
        } else if (needed.bottom > area.bottom) {
            tooTall += L" " + day.DayKey + L";";
        }
        StepDay(day, StepDirection::forward, platform);
    }
    EXPECT_EQ(missing, L"") << "days without an entry";
    EXPECT_EQ(tooTall, L"") << "days too tall for the quotation area in "
                            << ::testing::PrintToString(testing::realisedFace(
                                   reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0))));
    ReleaseDC(label, dc);
}

} // namespace
} // namespace quotidia
