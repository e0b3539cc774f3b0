// Copying a form's text to the clipboard: Ctrl+C, Ctrl+Insert and the "&Copy" menu.
#include "form_internals_win.h"
#include "forms_runtime_win.h"

#include <windowsx.h>

#include <cstring>

namespace quotidia::forms {

namespace {

// Puts Unicode text on the clipboard in place of what it held. False when memory runs
// out or another program keeps the clipboard open for longer than a few tries.
bool putOnClipboard(HWND owner, const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    UniqueHGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    void* locked = memory ? GlobalLock(memory.get()) : nullptr;
    if (locked == nullptr) {
        return false;
    }
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(memory.get());
    for (int attempt = 1; !OpenClipboard(owner); ++attempt) {
        if (attempt == 5) {
            return false;
        }
        Sleep(10);
    }
    const bool placed =
        EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    CloseClipboard();
    if (placed) {
        // The clipboard owns the memory now.
        static_cast<void>(memory.release());
    }
    return placed;
}

} // namespace

HACCEL copyAccelerators() {
    static const UniqueHAccel table = [] {
        ACCEL keys[] = {{FVIRTKEY | FCONTROL, 'C', kCopyCommand},
                        {FVIRTKEY | FCONTROL, VK_INSERT, kCopyCommand}};
        UniqueHAccel made(CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys))));
        if (!made) {
            throwLastError(L"CreateAcceleratorTableW");
        }
        return made;
    }();
    return table.get();
}

void Form::copy() {
    if (const std::optional<std::wstring> text = copyText();
        text && !putOnClipboard(hwnd_, *text)) {
        // Nothing was copied; the clipboard keeps what it held.
        MessageBeep(MB_ICONWARNING);
    }
}

// A menu with "&Copy" at the mouse, or, opened from the keyboard (Shift+F10 or the menu
// key), below the control that has the focus.
void Form::showCopyMenu(LPARAM at) {
    POINT place{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        HWND focus = GetFocus();
        RECT below{};
        GetWindowRect(IsChild(hwnd_, focus) ? focus : hwnd_, &below);
        place = POINT{below.left, below.bottom};
    }
    UniqueHMenu menu(CreatePopupMenu());
    if (!menu) {
        throwLastError(L"CreatePopupMenu");
    }
    if (!AppendMenuW(menu.get(), MF_STRING, kCopyCommand, L"&Copy")) {
        throwLastError(L"AppendMenuW");
    }
    const BOOL chosen = TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                       place.x, place.y, 0, hwnd_, nullptr);
    if (chosen == kCopyCommand) {
        copy();
    }
}

} // namespace quotidia::forms
