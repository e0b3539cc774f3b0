#pragma once
// The main window: today's long date, the day's quotations, and the buttons that step
// a day back or forward, open the About dialog and end the program.

#include "day_state.h"
#include "forms_runtime_win.h"
#include "quotebook_platform.h"

#include <optional>
#include <string>

namespace quotidia {

class frmmain : public forms::Form {
  public:
    // Control identifiers; cmdButtons is a control array told apart by its index.
    static constexpr int cmdButtons(int Index) { return 100 + Index; }
    static constexpr int cmdAbout = 110;
    static constexpr int lblDate = 120;
    static constexpr int lblQuotes = 121;

    static constexpr int indexPrevious = 0;
    static constexpr int indexOK = 1;
    static constexpr int indexNext = 2;

    frmmain();
    explicit frmmain(const QuoteBookPlatform& platform);

    const DayState& dayState() const noexcept { return day_; }

  private:
    void Form_Load() override;
    void onCommand(int id) override;
    std::optional<std::wstring> copyText() const override;

    void cmdButtons_Click(short Index);
    void cmdAbout_Click();
    void DisplayQuotes();
    std::wstring getTodaysQuotes() const;

    const QuoteBookPlatform& platform_;
    DayState day_;
};

} // namespace quotidia
