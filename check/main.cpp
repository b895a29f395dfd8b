#include <windows.h>
#include <commctrl.h>

#include "check_controls.h"
#include "query_window.h"
#include "window_scaffold.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    morvane::LoadCommonControls(ICC_STANDARD_CLASSES);
    if (!morvane::check::RegisterQueryClass(instance)) return morvane::check::kExitLoadFailure;

    HWND window = morvane::check::CreateQueryWindow(instance);
    if (!window) return morvane::check::kExitLoadFailure;
    // Tab, Shift+Tab and Alt+C as in a dialog.
    return morvane::RunDialogLikeMessageLoop(window, show);
}
