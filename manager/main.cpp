#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "manager_window.h"

namespace {

// The shortcut maker is a COM object; one apartment for the program's life.
struct ComApartment {
    ComApartment() : initialised(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComApartment() {
        if (initialised) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    bool initialised;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    ComApartment com;
    if (!morvane::manager::RegisterManagerClass(instance)) return 1;
    HWND window = morvane::manager::CreateManagerWindow(instance);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Tab and the buttons' access keys (Alt+N, Alt+E ...) as in a dialog.
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
