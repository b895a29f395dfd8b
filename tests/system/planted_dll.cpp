// A DLL that only leaves a mark where it ran: loaded into a process, it
// makes an empty file beside itself, named as it is with ".ran" added, and
// refuses to stay (DllMain answers FALSE), so that it changes nothing else.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t mark[MAX_PATH + 8] = {};
    const DWORD length = GetModuleFileNameW(instance, mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatW(mark, L".ran");
        HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    return FALSE;
}
