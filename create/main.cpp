#include <windows.h>
#include <commctrl.h>

#include "editor.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    if (!morvane::create::RegisterEditorClass(instance)) return 1;

    bool ended_by_start_up = false;
    HWND window = morvane::create::CreateEditorWindow(instance, ended_by_start_up);
    if (!window) return ended_by_start_up ? 0 : 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab between the boxes and the button as in a dialog.
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
