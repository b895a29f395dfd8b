#include <windows.h>
#include <commctrl.h>

#include "check_controls.h"
#include "query_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    if (!morvane::check::RegisterQueryClass(instance)) return morvane::check::kExitLoadFailure;

    HWND window = morvane::check::CreateQueryWindow(instance);
    if (!window) return morvane::check::kExitLoadFailure;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab and Alt+C as in a dialog.
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
