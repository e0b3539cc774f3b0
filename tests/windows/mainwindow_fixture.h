#pragma once
// The main window test fixture: a window opened on a day of the test's choosing with a
// quote book of its own, its controls clicked and what they show read back.

#include "frmmain_win.h"
#include "wine_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

namespace quotidia::testing {

// A book around December 6, with the year's last day.
inline constexpr char kBook[] = "December 5\r\nFifth\r\n\r\n"
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

} // namespace quotidia::testing
