#pragma once
// What the three programs' windows have in common: controls made from a
// layout table, the focus kept across activation, the window class with the
// program's icon, and a message loop that handles keys as a dialog does.
#include <windows.h>

#include <span>
#include <string>

namespace morvane {

enum class ControlKind { kLabel, kEditBox, kButton, kListBox, kStatusBar };

// The window class that makes a control of `kind`.
const char* WindowClassOf(ControlKind kind);

// One row of a window's layout table. Positions are client-area pixels;
// `style` is added to WS_CHILD | WS_VISIBLE.
struct ControlLayout {
    int id;
    ControlKind kind;
    int left, top, width, height;
    const char* caption;
    DWORD style;
    DWORD extended_style;
};

// Creates the controls of `layout` as children of `parent`, in the table's
// order (which is the Tab order), each in the default GUI font. False as
// soon as one cannot be made.
bool CreateControls(HWND parent, std::span<const ControlLayout> layout);

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

// Registers a top-level window class with the face colour as background, the
// arrow cursor and both sizes of the program's icon resource `icon_id`.
bool RegisterProgramClass(HINSTANCE instance, const char* class_name, WNDPROC procedure, int icon_id);

// Makes the common controls of `classes` (ICC_*) available.
bool LoadCommonControls(DWORD classes);

// Shows `window` and runs the thread's messages until WM_QUIT, passing keys
// through IsDialogMessage first so that Tab, Shift+Tab and access keys work
// as in a dialog. Esc in the window does nothing. Returns the WM_QUIT code.
int RunDialogLikeMessageLoop(HWND window, int show_command);

// The text of the child control `id` of `parent`, in bytes of the ANSI code
// page.
std::string ControlText(HWND parent, int id);

}  // namespace morvane
