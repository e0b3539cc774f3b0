// How a form looks: its fonts and icons at its DPI, the lines it draws, and the colours
// it takes from the layout or, in high contrast, from the system.
#include "app_identity.h"
#include "form_internals_win.h"
#include "forms_runtime_win.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace quotidia::forms {

namespace {

RECT pixelRect(const ControlLayout& control, UINT dpi) {
    return RECT{twipsToPixels(control.left, dpi), twipsToPixels(control.top, dpi),
                twipsToPixels(control.left + control.width, dpi),
                twipsToPixels(control.top + control.height, dpi)};
}

bool systemHighContrast() {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof(setting);
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0)) {
        throwLastError(L"SystemParametersInfoW");
    }
    return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

HighContrastQuery& highContrastQuery() {
    static HighContrastQuery query = &systemHighContrast;
    return query;
}

} // namespace

static_assert(sizeof(COLORREF) == sizeof(ColourValue), "colour values are COLORREFs");

UniqueHFont makeFont(const FontSpec& spec, UINT dpi) {
    const int height = -static_cast<int>(std::lround(spec.points * dpi / 72.0));
    UniqueHFont font(CreateFontW(height, 0, 0, 0, spec.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                 DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, spec.name.c_str()));
    if (!font) {
        throwLastError(L"CreateFontW");
    }
    return font;
}

UniqueHFont makeUiFont(UINT dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        throwLastError(L"SystemParametersInfoForDpi");
    }
    UniqueHFont font(CreateFontIndirectW(&metrics.lfMessageFont));
    if (!font) {
        throwLastError(L"CreateFontIndirectW");
    }
    return font;
}

SystemColours systemColours() {
    return SystemColours{GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW),
                         GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNSHADOW),
                         GetSysColor(COLOR_BTNHIGHLIGHT)};
}

void setHighContrastQuery(HighContrastQuery query) {
    highContrastQuery() = query != nullptr ? query : &systemHighContrast;
}

bool highContrastOn() {
    return highContrastQuery()();
}

UniqueHIcon loadAppIcon(int metric, UINT dpi) {
    const int size = GetSystemMetricsForDpi(metric, dpi);
    UniqueHIcon icon(static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(kAppIconGroupId),
                                                   IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
    if (!icon) {
        throwLastError(L"LoadImageW");
    }
    return icon;
}

// Lays the window and its controls out at a DPI, fonts and icons included.
void Form::applyDpi(UINT dpi) {
    dpi_ = dpi;
    RECT frame{0, 0, twipsToPixels(layout_.clientWidth, dpi),
               twipsToPixels(layout_.clientHeight, dpi)};
    AdjustWindowRectExForDpi(&frame, layout_.style, FALSE, layout_.exStyle, dpi);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    uiFont_ = makeUiFont(dpi);
    for (const ControlLayout& control : layout_.controls) {
        const RECT place = pixelRect(control, dpi);
        SetWindowPos(this->control(control.id), nullptr, place.left, place.top,
                     place.right - place.left, place.bottom - place.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        applyFont(control.id);
    }

    bigIcon_ = loadAppIcon(SM_CXICON, dpi);
    smallIcon_ = loadAppIcon(SM_CXSMICON, dpi);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Form::applyFont(int id) {
    auto own = std::find_if(fonts_.begin(), fonts_.end(),
                            [id](const ControlFont& font) { return font.id == id; });
    UniqueHFont replaced;
    HFONT font = uiFont_.get();
    if (own != fonts_.end()) {
        replaced = std::exchange(own->font, makeFont(own->spec, dpi()));
        font = own->font.get();
    }
    // The control lets go of the old font before it is deleted.
    SendMessageW(control(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Form::setFont(int id, FontSpec font) {
    auto own = std::find_if(fonts_.begin(), fonts_.end(),
                            [id](const ControlFont& entry) { return entry.id == id; });
    if (own == fonts_.end()) {
        fonts_.push_back(ControlFont{id, std::move(font), nullptr});
    } else {
        own->spec = std::move(font);
    }
    applyFont(id);
}

// Each line is a band of its width in pixels that starts at its coordinates and runs
// right or down from them, so the grey and white lines of an etched rule lie on
// neighbouring rows instead of overlapping.
void Form::paintLines(HDC dc) const {
    const UINT dpi = this->dpi();
    const bool highContrast = highContrastOn();
    const SystemColours system = systemColours();
    for (const LineLayout& line : layout_.lines) {
        const int width = std::max(1, MulDiv(line.widthPixels, static_cast<int>(dpi), 96));
        const int left = twipsToPixels(line.x1, dpi);
        const int top = twipsToPixels(line.y1, dpi);
        const int right = line.x1 == line.x2 ? left + width : twipsToPixels(line.x2, dpi);
        const int bottom = line.y1 == line.y2 ? top + width : twipsToPixels(line.y2, dpi);
        SetDCBrushColor(dc, chooseRuleColour(highContrast, line.colour, line.edge, system));
        const RECT band{left, top, right, bottom};
        FillRect(dc, &band, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    }
}

} // namespace quotidia::forms
