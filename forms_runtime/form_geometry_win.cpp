// A form's place and size in twips, the unit of every layout, and the screen's size.
#include "forms_runtime_win.h"

#include <cmath>

namespace quotidia::forms {

int twipsToPixels(double twips, UINT dpi) {
    // The small bias keeps a value that is a whole pixel in twips from falling below
    // it through rounding in the division.
    return static_cast<int>(std::floor(twips * dpi / 1440.0 + 1e-7));
}

double pixelsToTwips(int pixels, UINT dpi) {
    return pixels * 1440.0 / dpi;
}

RECT Form::outerRect() const {
    RECT rect{};
    if (!GetWindowRect(hwnd_, &rect)) {
        throwLastError(L"GetWindowRect");
    }
    return rect;
}

double Form::Left() const {
    return pixelsToTwips(outerRect().left, dpi());
}
double Form::Top() const {
    return pixelsToTwips(outerRect().top, dpi());
}

double Form::Width() const {
    const RECT rect = outerRect();
    return pixelsToTwips(rect.right - rect.left, dpi());
}

double Form::Height() const {
    const RECT rect = outerRect();
    return pixelsToTwips(rect.bottom - rect.top, dpi());
}

void Form::moveTo(int x, int y) {
    if (!SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        throwLastError(L"SetWindowPos");
    }
}

void Form::setLeft(double twips) {
    moveTo(twipsToPixels(twips, dpi()), outerRect().top);
}
void Form::setTop(double twips) {
    moveTo(outerRect().left, twipsToPixels(twips, dpi()));
}

double Form::screenWidth() const {
    return pixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi());
}
double Form::screenHeight() const {
    return pixelsToTwips(GetSystemMetrics(SM_CYSCREEN), dpi());
}

void Form::centreOnScreen() {
    setLeft((screenWidth() - Width()) / 2);
    setTop((screenHeight() - Height()) / 2);
}

} // namespace quotidia::forms
