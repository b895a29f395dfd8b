#include <windows.h>
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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    ComApartment com;
    return morvane::RunProgram(instance, morvane::manager::kManagerWindow, show);
}
