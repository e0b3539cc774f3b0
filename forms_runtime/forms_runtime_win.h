#pragma once
// The forms runtime: every window of the program is a Form built from a layout table
// in twips. A form is loaded (its window and controls created, Form_Load run) before
// it is first shown, behaves as a modeless dialog under the dialog manager (Tab,
// access keys, Enter and Esc), and the program ends when its last form unloads.

#include "colour_scheme.h"
#include "errors_win.h"
#include "unique_handles_win.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quotidia::forms {

// Ends the program at once: no further handler runs, every window goes with the process.
[[noreturn]] void endProgram();

// Twips (1/1440 inch) to pixels at a DPI. Edges are converted, not sizes, so two
// controls that touch in twips touch in pixels.
int twipsToPixels(double twips, UINT dpi);
double pixelsToTwips(int pixels, UINT dpi);

enum class ControlKind { pushButton, label, pictureBox };

inline constexpr COLORREF kStandardColour = CLR_INVALID;

// The command of Ctrl+C, Ctrl+Insert and the context menu's "&Copy".
inline constexpr WORD kCopyCommand = 0x7F00;

// Whether the system's high-contrast setting is on. Tests put their own answer in place,
// since Wine always answers off; nullptr puts the system's back.
using HighContrastQuery = bool (*)();
void setHighContrastQuery(HighContrastQuery query);
bool highContrastOn();

// One line of a layout table: a control with its place and size in twips.
struct ControlLayout {
    int id;
    ControlKind kind;
    const wchar_t* caption;
    int left;
    int top;
    int width;
    int height;
    COLORREF textColour = kStandardColour;
};

// A horizontal or vertical line drawn on the form, from (x1, y1) to (x2, y2) in twips.
struct LineLayout {
    int x1;
    int y1;
    int x2;
    int y2;
    COLORREF colour;
    int widthPixels; // at 96 DPI, scaled with the DPI
    RuleEdge edge;   // the system colour it takes in high contrast
};

struct FormLayout {
    const wchar_t* className;
    const wchar_t* title;
    DWORD style;
    DWORD exStyle;
    int clientWidth;                         // twips
    int clientHeight;                        // twips
    std::span<const ControlLayout> controls; // in tab order
    std::span<const LineLayout> lines = {};
    std::optional<int> defaultButton = std::nullopt; // Enter
    std::optional<int> cancelButton = std::nullopt;  // Esc
    bool copyMenu = false;                           // a right-click opens a menu with "&Copy"
};

// A label's or button's font, kept so it can be made again at another DPI.
struct FontSpec {
    std::wstring name;
    double points;
    bool bold = false;
};

class Form {
  public:
    explicit Form(const FormLayout& layout);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    bool isLoaded() const noexcept { return hwnd_ != nullptr; }
    // The DPI the form is laid out for.
    UINT dpi() const noexcept { return dpi_; }

    // Creates the window and its controls, hidden, then runs Form_Load. Does nothing
    // when the form is loaded already.
    void load();
    // Loads the form if needed and makes it visible without blocking.
    void show();
    // Destroys the window and its controls.
    void unload();

    HWND control(int id) const;
    std::wstring text(int id) const;
    void setText(int id, const std::wstring& text);
    void setCaption(const std::wstring& caption);
    void setFont(int id, FontSpec font);

    // The outer window's place and size in twips, and the screen's size in twips.
    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void setLeft(double twips);
    void setTop(double twips);
    double screenWidth() const;
    double screenHeight() const;
    // Left and then Top set so the window stands in the middle of the screen.
    void centreOnScreen();

  protected:
    virtual void Form_Load() {}
    virtual void onCommand(int id) = 0;
    // What Ctrl+C, Ctrl+Insert and "&Copy" put on the clipboard; nothing by default.
    virtual std::optional<std::wstring> copyText() const { return std::nullopt; }

  private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void registerClass() const;
    void createControls();
    void applyDpi(UINT dpi);
    void applyFont(int id);
    void paintLines(HDC dc) const;
    void copy();
    void showCopyMenu(LPARAM at);
    const ControlLayout* findControl(HWND control) const;
    RECT outerRect() const;
    void moveTo(int x, int y);

    const FormLayout& layout_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    UniqueHFont uiFont_;
    UniqueHIcon bigIcon_;
    UniqueHIcon smallIcon_;
    struct ControlFont {
        int id;
        FontSpec spec;
        UniqueHFont font;
    };
    std::vector<ControlFont> fonts_;
};

// The one instance of a form type, created on first reference.
template <typename F> F& formSlot() {
    static std::unique_ptr<F> instance;
    if (!instance) {
        instance = std::make_unique<F>();
    }
    return *instance;
}

// Hands one message to the dialog manager of the form it belongs to, or dispatches it.
void dispatchMessage(MSG& message);

// Where the message loop gets its messages: GetMessageW, or a stand-in in tests.
using MessageSource = BOOL(WINAPI*)(LPMSG, HWND, UINT, UINT);

// Runs until the last form has unloaded; returns the exit code. A failure to get the
// next message ends the program with the standard error report.
int runMessageLoop(MessageSource getMessage = &GetMessageW);

// A font of a face, size and weight at a DPI.
UniqueHFont makeFont(const FontSpec& spec, UINT dpi);
// The system's user-interface font (the one message boxes use) at a DPI.
UniqueHFont makeUiFont(UINT dpi);

// The application icon at the size of a system metric (SM_CXICON, SM_CXSMICON) at a DPI.
UniqueHIcon loadAppIcon(int metric, UINT dpi);

} // namespace quotidia::forms
