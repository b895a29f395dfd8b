#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "manager_window.h"
#include "window_scaffold.h"

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
    morvane::LoadCommonControls(ICC_STANDARD_CLASSES | ICC_BAR_CLASSES);
    ComApartment com;
    if (!morvane::manager::RegisterManagerClass(instance)) return 1;
    HWND window = morvane::manager::CreateManagerWindow(instance);
    if (!window) return 1;
    // Tab and the buttons' access keys (Alt+N, Alt+E ...) as in a dialog.
    return morvane::RunDialogLikeMessageLoop(window, show);
}
