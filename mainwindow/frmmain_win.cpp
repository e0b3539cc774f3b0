#include "mainwindow/frmmain_win.h"

#include "about/frmAbout_win.h"
#include "mainwindow/quotation_area_win.h"
#include "quotebook/locale_win.h"
#include "quotebook/quote_lookup.h"

namespace quotidia {

namespace {

using forms::ControlKind;

constexpr COLORREF kBlue = RGB(0, 0, 255);

// The controls in tab order, positions and sizes in twips.
constexpr forms::ControlLayout kControls[] = {
    // id                          kind                     caption       left  top   width height
    // colour
    {frmmain::cmdButtons(1), ControlKind::pushButton, L"&OK", 2760, 2640, 855, 375},
    {frmmain::lblDate, ControlKind::label, L"", 960, 240, 4455, 375, kBlue},
    {frmmain::lblQuotes, ControlKind::label, L"", quotation_area::kLeft, quotation_area::kTop,
     quotation_area::kWidth, quotation_area::kHeight, kBlue},
    {frmmain::cmdAbout, ControlKind::pushButton, L"&About", 5640, 240, 735, 375},
    {frmmain::cmdButtons(2), ControlKind::pushButton, L"&Next", 4560, 2640, 855, 375},
    {frmmain::cmdButtons(0), ControlKind::pushButton, L"&Previous", 960, 2640, 855, 375},
};

// A fixed single frame with a title bar and a close box; no sizing, no maximise or
// minimise. No default and no cancel button: Enter acts on the focused button only.
constexpr forms::FormLayout kLayout{
    .className = L"Quotidia.frmmain",
    .title = L" Quotidia",
    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    .exStyle = 0,
    .clientWidth = 6435,
    .clientHeight = 3225,
    .controls = kControls,
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
        forms::EndProgram();
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
    about.Load();
    about.centreOnScreen();
    about.Show();
}

// The fonts are set again on every display, not only once.
void frmmain::DisplayQuotes() {
    setFont(lblQuotes, forms::FontSpec{quotation_area::kFontFace, quotation_area::kFontPoints});
    setText(lblQuotes, day_.QuoteText);
    setText(lblDate, longDateText(day_.CurrentDay));
}

std::wstring frmmain::getTodaysQuotes() const {
    return findQuotes(platform_.quoteFilePath(), day_.DayKey, platform_);
}

} // namespace quotidia
