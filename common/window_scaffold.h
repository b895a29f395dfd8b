#pragma once
// What the three programs' windows have in common: controls made from a
// layout table and scaled to the display's DPI, the focus kept across
// activation, the program's window with its icon, its start-up and a message
// loop that handles keys as a dialog does, and the command line.
//
// The windows speak UTF-16 through the wide (W) functions, called by name:
// UNICODE is not defined, so a call that names no W would be an ANSI one, and
// the resources test fails on any such import.
#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// windowsx.h has no cracker for WM_DPICHANGED:
// void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested)
#define HANDLE_WM_DPICHANGED(hwnd, wParam, lParam, fn) \
    ((fn)((hwnd), HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)), 0L)

namespace morvane {

// kInvisibleLabel: a label nobody sees, there for screen readers. They name
// an edit box or a list box by the label that stands nearest before it in
// z-order, which is the table's order; so the row right before a box names
// it, where a visible label would say too little or nothing. Made hidden, it
// is neither drawn nor reached by Tab, and takes no place and no font.
enum class ControlKind { kLabel, kInvisibleLabel, kEditBox, kButton, kListBox, kStatusBar };

// The id of a row that no code looks up: an invisible label.
inline constexpr int kUnnamedControl = -1;

// The window class that makes a control of `kind`.
const wchar_t* WindowClassOf(ControlKind kind);

// One row of a window's layout table. Positions are client-area pixels at
// 96 DPI; `style` is added to WS_CHILD | WS_VISIBLE (WS_CHILD alone for an
// invisible label).
struct ControlLayout {
    int id;
    ControlKind kind;
    int left, top, width, height;
    const wchar_t* caption;
    DWORD style;
    DWORD extended_style;
};

// The DPI the layout tables are drawn for.
inline constexpr UINT kLayoutDpi = 96;

// A length of a layout table in pixels at `dpi`, rounded to the nearest.
int ScaleToDpi(int layout_pixels, UINT dpi);

// The DPI the system made its stock objects for (that of the primary
// monitor when the user logged on).
UINT SystemDpi();

// The DPI of the monitor `window` is on where the system tells it (Windows 10
// 1607 and later), else the system DPI.
UINT DpiOfWindow(HWND window);

// The outer size at `dpi` of a window with this style whose layout gives it
// `layout_size` at 96 DPI: `layout_size` scaled, but never less than its
// client area scaled in the frame and title bar the system draws at `dpi`.
// `layout_size` itself at 96 DPI.
SIZE OuterSizeForDpi(SIZE layout_size, DWORD style, DWORD extended_style, UINT dpi);

// The default GUI font at one DPI. The stock object is the system's dialog
// font for its code page (SimSun 9 pt on Chinese systems), made for the
// system DPI: it serves as it is there, and at any other DPI a font of the
// same face at that DPI's size is made and owned.
class GuiFont {
public:
    GuiFont() = default;  // the stock object
    explicit GuiFont(UINT dpi);
    HFONT Handle() const;

private:
    struct Deleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    std::unique_ptr<std::remove_pointer_t<HFONT>, Deleter> made_;
};

// Creates the controls of `layout` as children of `parent`, in the table's
// order (which is the Tab order), placed for `dpi` and drawn in `font`.
// False as soon as one cannot be made.
bool CreateControls(HWND parent, std::span<const ControlLayout> layout, UINT dpi = kLayoutDpi,
                    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));

// Places the controls that CreateControls made from `layout` for `dpi` and
// gives them `font`; their texts, selections and the focus stay. A status
// bar lays itself along the bottom edge.
void PlaceControls(HWND parent, std::span<const ControlLayout> layout, UINT dpi, HFONT font);

// A program window laid out from its table: its outer size and its controls
// scaled to the DPI of the monitor it opens on, and again whenever it moves
// to a monitor of another scale.
class ScaledLayout {
public:
    // `outer_size`: the window's size at 96 DPI, frame and title bar included.
    ScaledLayout(std::span<const ControlLayout> controls, SIZE outer_size)
        : controls_(controls), outer_size_(outer_size) {}

    // From WM_CREATE: sizes the window for its DPI and makes its controls.
    // False as soon as one cannot be made.
    bool Create(HWND window);

    // WM_DPICHANGED: the window takes the `suggested` rectangle (screen
    // coordinates), its controls their places and font for `dpi`.
    void OnDpiChanged(HWND window, UINT dpi, const RECT& suggested);

private:
    std::span<const ControlLayout> controls_;
    SIZE outer_size_;
    GuiFont font_;
};

// A plain window, unlike a dialog, does not give the focus back to its
// controls when it is activated again (after a message box, or switching
// programs). Call from the window's WM_ACTIVATE handler.
class FocusKeeper {
public:
    // On deactivation remembers the focused control, if the focus is in
    // `window`; on activation gives the focus back to it, or to
    // `first_control` when none has been remembered.
    void OnActivate(HWND window, UINT state, BOOL minimized, HWND first_control);

private:
    HWND remembered_ = nullptr;
};

// The style of each program's window: a fixed frame with a close and a
// minimize button. WS_CLIPCHILDREN: the window face is not painted under the
// controls, which paint their own; under wine that takes a third off the
// first paint.
inline constexpr DWORD kProgramWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// A key chord that runs a command of the window, as an accelerator does:
// WM_COMMAND with the command's id and a notification code of 1. Matched in
// the message loop before IsDialogMessage, which would take Enter itself.
// A held chord's auto-repeat runs nothing.
struct KeyCommand {
    WORD virtual_key;
    bool control;
    bool shift;
    int command;
};

// A program's one window: its class, with the face colour as background, the
// arrow cursor and both sizes of the program's icon resource `icon_id`, and
// the window itself at its layout place and size (96 DPI; ScaledLayout
// scales it in WM_CREATE).
struct ProgramWindow {
    const wchar_t* class_name;
    WNDPROC procedure;
    int icon_id;
    const wchar_t* title;
    DWORD style;
    POINT position;
    SIZE size;
    DWORD common_controls;  // the ICC_* classes its controls need
    std::span<const KeyCommand> key_commands = {};
};

// Registers the program's window class. False when it cannot, also when a
// class of that name is there already.
bool RegisterProgramClass(HINSTANCE instance, const ProgramWindow& program);

// Shows `window` and runs the thread's messages until WM_QUIT, passing keys
// through IsDialogMessage first so that Tab, Shift+Tab and access keys work
// as in a dialog, and before that through `key_commands`. Esc in the window
// does nothing. Returns the WM_QUIT code.
int RunDialogLikeMessageLoop(HWND window, int show_command, std::span<const KeyCommand> key_commands = {});

// Makes the common controls the program needs available, registers its
// class and makes its window, whose WM_CREATE runs the program's start-up,
// then runs the message loop above. Returns the process's exit code: the
// WM_QUIT code; the code a start-up gave EndStartUp; 1 when the window
// cannot be made.
int RunProgram(HINSTANCE instance, const ProgramWindow& program, int show_command);

// For a start-up that ends the program before its window shows, with
// `exit_code`: call from WM_CREATE and return what it returns (FALSE), which
// fails the window's creation. The start-up has told the user what they need
// to know by then. `create` is what the WM_CREATE cracker hands on; only its
// lpCreateParams, the same in the A and W structures, is read.
BOOL EndStartUp(const CREATESTRUCTA* create, int exit_code);

// The command line's arguments after the program's own name, split as the C
// runtime splits them: at blanks, double quotes grouping words.
std::vector<std::wstring> CommandLineArguments();

// A window's text, and the text of the child control `id` of `parent`.
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND parent, int id);

}  // namespace morvane
