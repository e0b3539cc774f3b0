#include "frmmain_win.h"

#include "copy_text.h"
#include "frmAbout_win.h"
#include "long_date_win.h"
#include "quotation_area_win.h"
#include "quote_lookup.h"
#include "quotebook_platform_win.h"

#include <string_view>

namespace quotidia {

namespace {

using forms::ControlKind;

constexpr COLORREF kBlue = RGB(0, 0, 255);

// The controls in tab order. Each row: id, kind, caption, then left, top, width and
// height in twips, and the text colour where it is not the standard one.
constexpr forms::ControlLayout kControls[] = {
    {frmmain::cmdButtons(1), ControlKind::pushButton, L"&OK", 2760, 2640, 855, 375},
    {frmmain::lblDate, ControlKind::label, L"", 960, 240, 4455, 375, kBlue},
    {frmmain::lblQuotes, ControlKind::label, L"", 360, 840, 5655, 1350, kBlue},
    {frmmain::cmdAbout, ControlKind::pushButton, L"&About", 5640, 240, 735, 375},
    {frmmain::cmdButtons(2), ControlKind::pushButton, L"&Next", 4560, 2640, 855, 375},
    {frmmain::cmdButtons(0), ControlKind::pushButton, L"&Previous", 960, 2640, 855, 375},
};

// quotidia-check measures entries against the quotation label's place and font, so they
// must be these.
static_assert(kControls[2].id == frmmain::lblQuotes && kControls[2].left == quotation_area::kLeft &&
              kControls[2].top == quotation_area::kTop &&
              kControls[2].width == quotation_area::kWidth &&
              kControls[2].height == quotation_area::kHeight);
static_assert(std::wstring_view(quotation_area::kFontFace) == L"garamond" &&
              quotation_area::kFontPoints == 12);

// A fixed single frame with a title bar and a close box; no sizing, no maximise or
// minimise. No default and no cancel button: Enter acts on the focused button only. A
// right-click offers to copy the day.
constexpr forms::FormLayout kLayout{
    .className = L"Quotidia.frmmain",
    .title = L" Quotidia",
    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    .exStyle = 0,
    .clientWidth = 6435,
    .clientHeight = 3225,
    .controls = kControls,
    .copyMenu = true,
};

const QuoteBookPlatform& windowsPlatform() {
    static const QuoteBookPlatformWin platform;
    return platform;
}

} // namespace

frmmain::frmmain() : frmmain(windowsPlatform()) {}

frmmain::frmmain(const QuoteBookPlatform& platform) : Form(kLayout), platform_(platform) {}

void frmmain::Form_Load() {
    BringWindowToTop(hwnd());
    initialiseToPresent(day_, platform_);
    centreOnScreen();
    setFont(lblDate, forms::FontSpec{L"garamond", 14, true});
    day_.QuoteText = getTodaysQuotes();
    DisplayQuotes();
}

void frmmain::onCommand(int id) {
    for (short index = indexPrevious; index <= indexNext; ++index) {
        if (id == cmdButtons(index)) {
            cmdButtons_Click(index);
            return;
        }
    }
    if (id == cmdAbout) {
        cmdAbout_Click();
    }
}

void frmmain::cmdButtons_Click(short Index) {
    if (Index == indexOK) {
        forms::endProgram();
    }
    const StepDirection direction =
        Index == indexPrevious ? StepDirection::back : StepDirection::forward;
    // A step past the calendar's first or last day is refused; the day stays shown.
    if (!StepDay(day_, direction, platform_)) {
        MessageBeep(MB_OK);
        return;
    }
    day_.QuoteText = getTodaysQuotes();
    DisplayQuotes();
}

void frmmain::cmdAbout_Click() {
    frmAbout& about = forms::formSlot<frmAbout>();
    about.load();
    about.centreOnScreen();
    about.show();
}

// The fonts are set again on every display, not only once.
void frmmain::DisplayQuotes() {
    setFont(lblQuotes, forms::FontSpec{L"garamond", 12});
    setText(lblQuotes, day_.QuoteText);
    setText(lblDate, longDateText(day_.CurrentDay));
}

// The date as shown, an empty line, then the day's quotations.
std::optional<std::wstring> frmmain::copyText() const {
    return dayCopyText(text(lblDate), day_.QuoteText);
}

std::wstring frmmain::getTodaysQuotes() const {
    return findQuotes(platform_.quoteFilePath(), day_.DayKey, platform_);
}

} // namespace quotidia
