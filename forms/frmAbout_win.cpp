#include "frmAbout_win.h"

#include "app_identity.h"
#include "sysinfo_platform_win.h"

#include <string>

namespace quotidia {

namespace {

using forms::ControlKind;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// One text whose runs of spaces, wrapped by the label, are what set its pieces apart.
const std::wstring kDescription =
    std::wstring(L"Displays \"Life\" quotes at every system startup.") + std::wstring(14, L' ') +
    L"User can also manually launch the program and cycle through all quotes." +
    std::wstring(145, L' ') + L"Copyright \u00A9 2026, the Quotidia authors." +
    std::wstring(106, L' ') + L"Acknowledgements:" + std::wstring(78, L' ') +
    L"Quotidia's team (Editor)" + std::wstring(49, L' ') + L"Classics (Quotes)";

constexpr wchar_t kDisclaimer[] =
    L"Warning: This program is freeware. Please DO NOT modify this program in any way. "
    L"Suggestions for improvement (and donations of course!) are welcome - send to "
    L"suggestions@quotidia.example";

// The controls in tab order. Each row: id, kind, caption, then left, top, width and
// height in twips, and the text colour where it is not the standard one.
const forms::ControlLayout kControls[] = {
    {frmAbout::cmdOK, ControlKind::pushButton, L"OK", 4245, 2625, 1260, 345},
    {frmAbout::picIcon, ControlKind::pictureBox, L"", 240, 240, 540, 540},
    {frmAbout::cmdSysInfo, ControlKind::pushButton, L"&System Info...", 4260, 3075, 1245, 345},
    {frmAbout::lblDescription, ControlKind::label, kDescription.c_str(), 960, 600, 3885, 1770,
     kBlack},
    {frmAbout::lblTitle, ControlKind::label, L"", 960, 240, 3885, 480, kBlack},
    {frmAbout::lblDisclaimer, ControlKind::label, kDisclaimer, 255, 2625, 3870, 825, kBlack},
};

// The etched rule: a grey line with a white one just below it, drawn in this order.
constexpr forms::LineLayout kLines[] = {
    // from         to           colour  width (pixels)
    {90, 2445, 5654, 2445, kGrey, 1, RuleEdge::shadow},
    {105, 2460, 5654, 2460, kWhite, 2, RuleEdge::highlight},
};

// A fixed dialog frame without maximise and minimise; "OK" answers Enter and Esc.
const forms::FormLayout kLayout{
    .className = L"Quotidia.frmAbout",
    .title = L"", // Form_Load names the application here and in lblTitle
    .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
    .exStyle = WS_EX_DLGMODALFRAME,
    .clientWidth = 5730,
    .clientHeight = 3555,
    .controls = kControls,
    .lines = kLines,
    .defaultButton = frmAbout::cmdOK,
    .cancelButton = frmAbout::cmdOK,
};

} // namespace

frmAbout::frmAbout()
    : frmAbout([](HWND owner) { return std::make_unique<SysInfoPlatformWin>(owner); }) {}

frmAbout::frmAbout(SysInfoPlatformFactory platformFactory)
    : Form(kLayout), platformFactory_(std::move(platformFactory)) {}

void frmAbout::Form_Load() {
    setCaption(std::wstring(L"About ") + kAppTitle);
    setText(lblTitle, std::wstring(kAppTitle) + L" v " + std::to_wstring(kAppMajor) + L"." +
                          std::to_wstring(kAppMinor));
}

void frmAbout::onCommand(int id) {
    if (id == cmdOK) {
        cmdOK_Click();
    } else if (id == cmdSysInfo) {
        cmdSysInfo_Click();
    }
}

// The name and version line, ended as every line the program copies.
std::optional<std::wstring> frmAbout::copyText() const {
    return text(lblTitle) + L"\r\n";
}

void frmAbout::cmdOK_Click() {
    unload();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::StartSysInfo() {
    const std::unique_ptr<SysInfoPlatform> platform = platformFactory_(hwnd());
    quotidia::StartSysInfo(*platform);
}

} // namespace quotidia
