#include "wine_test_support.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quotidia::testing {

void pumpMessages() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        forms::dispatchMessage(message);
    }
}

namespace {

void setModifiers(bool shift, bool ctrl = false) {
    std::array<BYTE, 256> keys{};
    GetKeyboardState(keys.data());
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    keys[VK_CONTROL] = ctrl ? 0x80 : 0;
    keys[VK_MENU] = 0;
    SetKeyboardState(keys.data());
}

void deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{GetFocus(), message, wParam, lParam, GetTickCount(), {}};
    forms::dispatchMessage(msg);
    pumpMessages();
}

} // namespace

void pressKey(UINT virtualKey, bool shift) {
    setModifiers(shift);
    deliver(WM_KEYDOWN, virtualKey, 1);
    if (virtualKey == VK_RETURN || virtualKey == VK_ESCAPE) {
        deliver(WM_CHAR, virtualKey == VK_RETURN ? L'\r' : 0x1B, 1);
    }
    deliver(WM_KEYUP, virtualKey, 0xC0000001);
    setModifiers(false);
}

void pressCtrlKey(UINT virtualKey) {
    setModifiers(false, true);
    deliver(WM_KEYDOWN, virtualKey, 1);
    deliver(WM_KEYUP, virtualKey, 0xC0000001);
    setModifiers(false);
}

std::optional<std::wstring> clipboardText() {
    if (!OpenClipboard(nullptr)) {
        return std::nullopt;
    }
    std::optional<std::wstring> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void setClipboardText(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    OpenClipboard(nullptr);
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

HighContrastOn::HighContrastOn() {
    forms::setHighContrastQuery([] { return true; });
}

HighContrastOn::~HighContrastOn() {
    forms::setHighContrastQuery(nullptr);
}

void pressAltLetter(wchar_t letter) {
    // Bit 29 of lParam says Alt is down.
    deliver(WM_SYSCHAR, letter, 0x20000001);
}

RECT childRect(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE clientSize(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return SIZE{rect.right, rect.bottom};
}

std::set<COLORREF> coloursShown(HWND control) {
    const SIZE size = clientSize(control);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = size.cx;
    format.bmiHeader.biHeight = -size.cy; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    HDC screen = GetDC(control);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, 0, 0, SRCCOPY);
    ReleaseDC(control, screen);
    GdiFlush();
    std::set<COLORREF> colours;
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (LONG index = 0; index < size.cx * size.cy; ++index) {
        const DWORD bgr = pixels[index];
        colours.insert(RGB((bgr >> 16) & 0xFF, (bgr >> 8) & 0xFF, bgr & 0xFF));
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return colours;
}

COLORREF pixelShown(HWND window, int x, int y) {
    HDC screen = GetDC(window);
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(window, screen);
    return colour;
}

bool waitsForPaint(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) != FALSE;
}

TempDir::TempDir() {
    std::array<wchar_t, MAX_PATH + 1> base{};
    GetTempPathW(static_cast<DWORD>(base.size()), base.data());
    path_ = std::filesystem::path(base.data()) /
            (L"quotidia-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(const std::wstring& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(handle);
    return file;
}

FixedDayPlatform::FixedDayPlatform(CivilDate today, std::filesystem::path quoteFile)
    : now_(dateValueOf(today, 0.4375).value()), quoteFile_(std::move(quoteFile)) {}

std::filesystem::path buildFolder() {
    std::array<wchar_t, MAX_PATH> self{};
    GetModuleFileNameW(nullptr, self.data(), MAX_PATH);
    return std::filesystem::path(self.data()).parent_path().parent_path();
}

std::wstring platformLongDate(CivilDate date) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(date.year);
    time.wMonth = static_cast<WORD>(date.month);
    time.wDay = static_cast<WORD>(date.day);
    std::array<wchar_t, 256> text{};
    GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &time, nullptr, text.data(),
                    static_cast<int>(text.size()), nullptr);
    return text.data();
}

std::wstring realisedFace(HFONT font) {
    // The family name of the font file chosen, which an alias or substitute never shows.
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    std::wstring family;
    if (const UINT size = GetOutlineTextMetricsW(dc, 0, nullptr); size > 0) {
        std::vector<std::byte> buffer(size);
        auto* metrics = reinterpret_cast<OUTLINETEXTMETRICW*>(buffer.data());
        if (GetOutlineTextMetricsW(dc, size, metrics) != 0) {
            family = reinterpret_cast<const wchar_t*>(
                buffer.data() + reinterpret_cast<std::uintptr_t>(metrics->otmpFamilyName));
        }
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return family;
}

namespace {

std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) {
        result.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return result;
}

std::optional<std::string> faceProblem(const wchar_t* asked, const UniqueHFont& font,
                                       const wchar_t* expected) {
    const std::wstring face = realisedFace(font.get());
    if (face == expected) {
        return std::nullopt;
    }
    return "the face \"" + narrow(asked) + "\" is drawn in \"" + narrow(face) + "\", not \"" +
           narrow(expected) + "\"";
}

} // namespace

std::optional<std::string> testEnvironmentProblem() {
    const std::optional<std::string> problem = [] {
        if (auto label = faceProblem(L"garamond", forms::makeFont({L"garamond", 12}, 96),
                                     L"Liberation Sans")) {
            return label;
        }
        if (auto dialog = faceProblem(L"the message font", forms::makeUiFont(96), L"Tahoma")) {
            return dialog;
        }
        // U.S. English, unless a test names the regional format it runs in.
        std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> expected{};
        if (GetEnvironmentVariableW(L"QUOTIDIA_WINE_LOCALE", expected.data(),
                                    static_cast<DWORD>(expected.size())) == 0) {
            std::wstring_view(L"en-US").copy(expected.data(), expected.size() - 1);
        }
        std::array<wchar_t, LOCALE_NAME_MAX_LENGTH> locale{};
        GetUserDefaultLocaleName(locale.data(), static_cast<int>(locale.size()));
        if (std::wstring_view(locale.data()) != std::wstring_view(expected.data())) {
            return std::optional<std::string>("the user's locale is " + narrow(locale.data()) +
                                              ", not " + narrow(expected.data()));
        }
        return std::optional<std::string>();
    }();
    if (!problem) {
        return std::nullopt;
    }
    return "Wine test environment: " + *problem +
           ". Run scripts/setup-debian, then delete build/windows/wine to make the prefixes "
           "again.";
}

} // namespace quotidia::testing
