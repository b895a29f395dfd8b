// Stands in for check.exe and create.exe in the manager's tests: records how
// it was started (command line, current directory, its own path) in
// started.<process id>.txt beside itself, and ends.
#include <windows.h>

#include <string>

namespace {

std::string ModulePath() {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::string CurrentDirectory() {
    DWORD length = GetCurrentDirectoryA(0, nullptr);
    std::string directory(length, '\0');
    directory.resize(GetCurrentDirectoryA(length, directory.data()));
    return directory;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string module = ModulePath();
    const std::string directory = module.substr(0, module.find_last_of('\\'));
    const std::string record = std::string(GetCommandLineA()) + "\n" + CurrentDirectory() + "\n" + module + "\n";
    const std::string name = directory + "\\started." + std::to_string(GetCurrentProcessId());
    // Written under another name first, so a reader never sees half a record.
    HANDLE file = CreateFileA((name + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileA((name + ".tmp").c_str(), (name + ".txt").c_str()) ? 0 : 1;
}
