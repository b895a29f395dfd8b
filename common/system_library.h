#pragma once
// DLLs from the system folder alone.
//
// Windows looks for a DLL loaded by bare name in the program's own folder
// first, and in the current folder, where a portable program often lies
// beside whatever a browser left in Downloads. So each program restricts
// the search to the system folder as its very first act (its entry point,
// common/program_runtime.cpp), and imports only DLLs that Windows never
// takes from the program's folder: the known DLLs, and comctl32 version 6,
// which the manifest binds from the side-by-side store. Any other DLL is
// loaded here, after the restriction, from the system folder.
#include <windows.h>

namespace morvane {

// `name` ("shell32.dll") loaded from the system folder, or null. It stays
// loaded for the program's life.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a system DLL that the program does not import, as a
// pointer of its own type, or null.
template <typename Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    HMODULE module = LoadSystemLibrary(library);
    const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace morvane
