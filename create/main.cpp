#include <windows.h>
#include <commctrl.h>

#include "editor.h"
#include "window_scaffold.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    morvane::LoadCommonControls(ICC_STANDARD_CLASSES);
    if (!morvane::create::RegisterEditorClass(instance)) return 1;

    bool ended_by_start_up = false;
    HWND window = morvane::create::CreateEditorWindow(instance, ended_by_start_up);
    if (!window) return ended_by_start_up ? 0 : 1;
    // Tab between the boxes and the button as in a dialog.
    return morvane::RunDialogLikeMessageLoop(window, show);
}
