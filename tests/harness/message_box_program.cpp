// A stand-in program for the harness's own tests: one message box whose
// flags, title and text come from the command line, then the box's answer as
// the exit code.
#include <windows.h>

#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 4) return 255;
    const UINT flags = static_cast<UINT>(std::strtoul(__argv[1], nullptr, 0));
    return MessageBoxA(nullptr, __argv[3], __argv[2], flags);
}
