#include "forms_runtime_win.h"

#include "form_internals_win.h"

#include <algorithm>
#include <utility>

namespace quotidia::forms {

HINSTANCE instance() {
    return GetModuleHandleW(nullptr);
}

namespace {

// The forms whose windows exist, so the message loop knows whose dialog manager
// handles a message and when the last one has gone.
std::vector<Form*>& loadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

// Drops a form whose window is going. The program keeps running while at least one of
// its forms is loaded.
void forgetLoadedForm(const Form* form) {
    auto& forms = loadedForms();
    forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
    if (forms.empty()) {
        PostQuitMessage(0);
    }
}

// Arrow keys move the focus among the controls that Tab reaches, so it never lands on a
// label: right and down forward in tab order, left and up back.
bool moveFocusByArrow(HWND form, const MSG& message) {
    if (message.message != WM_KEYDOWN) {
        return false;
    }
    bool backward = false;
    switch (message.wParam) {
    case VK_LEFT:
    case VK_UP:
        backward = true;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        break;
    default:
        return false;
    }
    if (SendMessageW(message.hwnd, WM_GETDLGCODE, message.wParam,
                     reinterpret_cast<LPARAM>(&message)) &
        DLGC_WANTARROWS) {
        return false;
    }
    HWND focus = GetFocus();
    if (!IsChild(form, focus)) {
        focus = nullptr;
    }
    if (HWND next = GetNextDlgTabItem(form, focus, backward); next != nullptr) {
        SendMessageW(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    return true;
}

} // namespace

void endProgram() {
    ExitProcess(0);
}

Form::Form(const FormLayout& layout) : layout_(layout) {}

Form::~Form() {
    if (hwnd_ != nullptr) {
        // The derived form is gone by now: the window is detached first, so that the
        // messages its destruction sends reach the dialog manager's default handling
        // instead of this form's handlers.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        forgetLoadedForm(this);
        DestroyWindow(hwnd_);
    }
}

void Form::registerClass() const {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance(), layout_.className, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &Form::windowProc;
    // The extra bytes make each form a dialog for the dialog manager (focus,
    // default button, Tab and access keys), while its procedure stays ours.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance();
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = layout_.className;
    if (RegisterClassExW(&windowClass) == 0) {
        throwLastError(L"RegisterClassExW");
    }
}

void Form::load() {
    if (isLoaded()) {
        return;
    }
    registerClass();
    // The copy keys' table is made with the first form, where a failure is reported.
    copyAccelerators();
    const UINT systemDpi = GetDpiForSystem();
    RECT frame{0, 0, twipsToPixels(layout_.clientWidth, systemDpi),
               twipsToPixels(layout_.clientHeight, systemDpi)};
    AdjustWindowRectExForDpi(&frame, layout_.style, FALSE, layout_.exStyle, systemDpi);
    HWND created =
        CreateWindowExW(layout_.exStyle | WS_EX_CONTROLPARENT, layout_.className, layout_.title,
                        layout_.style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                        frame.bottom - frame.top, nullptr, nullptr, instance(), this);
    if (created == nullptr) {
        throwLastError(L"CreateWindowExW");
    }
    loadedForms().push_back(this);
    createControls();
    applyDpi(GetDpiForWindow(hwnd_));
    if (layout_.defaultButton) {
        SendMessageW(hwnd_, DM_SETDEFID, static_cast<WPARAM>(*layout_.defaultButton), 0);
    }
    Form_Load();
}

void Form::show() {
    const bool firstShow = !isLoaded() || !IsWindowVisible(hwnd_);
    load();
    ShowWindow(hwnd_, SW_SHOW);
    // A form shown again comes to the front, where the user looks for it.
    SetForegroundWindow(hwnd_);
    if (firstShow) {
        // The focus starts on the first control in tab order that takes it.
        if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE); first != nullptr) {
            SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
        }
    }
}

void Form::unload() {
    if (isLoaded() && !DestroyWindow(hwnd_)) {
        throwLastError(L"DestroyWindow");
    }
}

void Form::createControls() {
    for (const ControlLayout& control : layout_.controls) {
        const wchar_t* windowClass = L"STATIC";
        // Where controls overlap, the one earlier in the table is drawn on top.
        DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
        DWORD exStyle = 0;
        switch (control.kind) {
        case ControlKind::pushButton:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP |
                     (control.id == layout_.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ControlKind::label:
            // Texts are shown literally: an ampersand in a quotation is an ampersand.
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case ControlKind::pictureBox:
            style |= SS_OWNERDRAW;
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        }
        HWND child = CreateWindowExW(
            exStyle, windowClass, control.caption, style, 0, 0, 0, 0, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance(), nullptr);
        if (child == nullptr) {
            throwLastError(L"CreateWindowExW");
        }
    }
}

HWND Form::control(int id) const {
    HWND child = GetDlgItem(hwnd_, id);
    if (child == nullptr) {
        throwLastError(L"GetDlgItem");
    }
    return child;
}

std::wstring Form::text(int id) const {
    HWND child = control(id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Form::setText(int id, const std::wstring& text) {
    if (!SetWindowTextW(control(id), text.c_str())) {
        throwLastError(L"SetWindowTextW");
    }
}

void Form::setCaption(const std::wstring& caption) {
    if (!SetWindowTextW(hwnd_, caption.c_str())) {
        throwLastError(L"SetWindowTextW");
    }
}

const ControlLayout* Form::findControl(HWND child) const {
    const int id = GetDlgCtrlID(child);
    auto found = std::find_if(layout_.controls.begin(), layout_.controls.end(),
                              [id](const ControlLayout& control) { return control.id == id; });
    return found != layout_.controls.end() ? &*found : nullptr;
}

LRESULT CALLBACK Form::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (form == nullptr) {
        return DefDlgProcW(hwnd, message, wParam, lParam);
    }
    // Nothing may unwind through the system's code: an unhandled failure ends here.
    try {
        return form->handleMessage(message, wParam, lParam);
    } catch (...) {
        reportCurrentExceptionAndEnd();
    }
}

LRESULT Form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        // The copy command comes from the keyboard's accelerators, not from a control.
        if (id == kCopyCommand && lParam == 0) {
            copy();
            return 0;
        }
        if (HIWORD(wParam) != BN_CLICKED) {
            break;
        }
        // The dialog manager turns Esc into IDCANCEL and Enter without a default
        // button into IDOK; a form without such a button ignores them.
        if (id == IDCANCEL) {
            if (layout_.cancelButton) {
                onCommand(*layout_.cancelButton);
            }
        } else if (id == IDOK) {
            if (layout_.defaultButton) {
                onCommand(*layout_.defaultButton);
            }
        } else {
            onCommand(id);
        }
        return 0;
    }
    case WM_CLOSE:
        // Closing from the frame unloads the form; no close handler is asked.
        unload();
        return 0;
    case WM_CTLCOLORSTATIC: {
        auto dc = reinterpret_cast<HDC>(wParam);
        const ControlLayout* control = findControl(reinterpret_cast<HWND>(lParam));
        const std::optional<ColourValue> fixedText =
            control != nullptr && control->textColour != kStandardColour
                ? std::optional<ColourValue>(control->textColour)
                : std::nullopt;
        const LabelColours colours =
            chooseLabelColours(highContrastOn(), fixedText, systemColours());
        SetTextColor(dc, colours.text);
        SetBkColor(dc, colours.background);
        // The label fills its background with the brush of this device context.
        SetDCBrushColor(dc, colours.background);
        return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        // High contrast and the system colours are read whenever the form and its labels
        // paint, so a change of either repaints them all, without a restart.
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    case WM_CONTEXTMENU:
        if (layout_.copyMenu) {
            showCopyMenu(lParam);
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        const int size = GetSystemMetricsForDpi(SM_CXICON, dpi());
        DrawIconEx(item.hDC, 0, 0, bigIcon_.get(), size, size, 0, nullptr, DI_NORMAL);
        return TRUE;
    }
    case WM_PRINTCLIENT: {
        // Lets the form be drawn into any device context, as PrintWindow does.
        auto dc = reinterpret_cast<HDC>(wParam);
        RECT client{};
        GetClientRect(hwnd_, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        paintLines(dc);
        return 0;
    }
    case WM_PAINT:
        if (!layout_.lines.empty()) {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd_, &paint);
            paintLines(dc);
            EndPaint(hwnd_, &paint);
            return 0;
        }
        break;
    case WM_DPICHANGED: {
        const auto& suggested = *reinterpret_cast<const RECT*>(lParam);
        moveTo(suggested.left, suggested.top);
        applyDpi(HIWORD(wParam));
        return 0;
    }
    case WM_NCDESTROY: {
        const LRESULT result = DefDlgProcW(hwnd_, message, wParam, lParam);
        hwnd_ = nullptr;
        fonts_.clear();
        forgetLoadedForm(this);
        return result;
    }
    default:
        break;
    }
    return DefDlgProcW(hwnd_, message, wParam, lParam);
}

void dispatchMessage(MSG& message) {
    if (message.hwnd != nullptr) {
        HWND root = GetAncestor(message.hwnd, GA_ROOT);
        const auto& forms = loadedForms();
        const bool ours = std::any_of(forms.begin(), forms.end(),
                                      [root](const Form* form) { return form->hwnd() == root; });
        if (ours && (TranslateAcceleratorW(root, copyAccelerators(), &message) != 0 ||
                     moveFocusByArrow(root, message) || IsDialogMessageW(root, &message))) {
            return;
        }
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int runMessageLoop(MessageSource getMessage) {
    MSG message{};
    for (;;) {
        const BOOL got = getMessage(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam); // WM_QUIT carries the exit code
        }
        // Without messages the program can do nothing more, and its windows would hang.
        if (got == -1) {
            reportErrorAndEnd(lastErrorMessage(L"GetMessageW"));
        }
        dispatchMessage(message);
    }
}

} // namespace quotidia::forms
