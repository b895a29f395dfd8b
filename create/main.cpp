#include <windows.h>

#include "editor.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return morvane::RunProgram(instance, morvane::create::kEditorWindow, show);
}
