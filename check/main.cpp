#include <windows.h>

#include "query_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return morvane::RunProgram(instance, morvane::check::kQueryWindow, show);
}
