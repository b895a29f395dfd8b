// Stands in for check.exe and create.exe in the manager's tests: records how
// it was started (command line, current directory, its own path) in
// started.<process id>.txt beside itself, as GBK lines, and ends.
#include <windows.h>

#include <string>

#include "text.h"

namespace {

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring CurrentDirectory() {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(length, L'\0');
    directory.resize(GetCurrentDirectoryW(length, directory.data()));
    return directory;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::wstring module = ModulePath();
    const std::wstring directory = module.substr(0, module.find_last_of(L'\\'));
    const std::wstring record = std::wstring(GetCommandLineW()) + L"\n" + CurrentDirectory() + L"\n" + module + L"\n";
    const std::string bytes = morvane::GbkFromWide(record).value_or("<not GBK>");
    const std::wstring name = directory + L"\\started." + std::to_wstring(GetCurrentProcessId());
    // Written under another name first, so a reader never sees half a record.
    HANDLE file = CreateFileW((name + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileW((name + L".tmp").c_str(), (name + L".txt").c_str()) ? 0 : 1;
}
