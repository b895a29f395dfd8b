#include "manager_test_support.h"

#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>

namespace morvane::test {

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr char kCachedShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(),
                                                  static_cast<int>(a.size()), b.data(),
                                                  static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string ProgramPathOf(DWORD process_id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (!process) return {};
    std::string path(MAX_PATH * 4, '\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameA(process, 0, path.data(), &length)) length = 0;
    CloseHandle(process);
    path.resize(length);
    return path;
}

std::string DirectoryOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

}  // namespace

struct WindowSearch {
    const std::string* program_path;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProgram(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    if (IsWindowVisible(window) && SameText(ProgramPathOf(process_id), *search.program_path))
        search.found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOfProgram(const std::string& program_path) {
    WindowSearch search{&program_path, {}};
    EnumWindows(CollectWindowOfProgram, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

namespace {

std::string GbkOf(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    std::string gbk(static_cast<std::size_t>(WideCharToMultiByte(936, 0, wide.data(), size, nullptr, 0, nullptr,
                                                                 nullptr)),
                    '\0');
    WideCharToMultiByte(936, 0, wide.data(), size, gbk.data(), static_cast<int>(gbk.size()), nullptr, nullptr);
    return gbk;
}

LRESULT SendWide(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result)) return 0;
    return static_cast<LRESULT>(result);
}

}  // namespace

std::string ListEntryText(HWND list, int index) {
    const LRESULT length = SendWide(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendWide(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return GbkOf(text);
}

std::string StatusBarText(HWND status_bar) {
    // A status bar answers WM_GETTEXT with panel 0; SB_GETTEXT's buffer is
    // not carried to another process.
    return TextOf(status_bar);
}

std::string Utf8Of(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int size = static_cast<int>(gbk.size());
    std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(936, 0, gbk.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), size, wide.data(), static_cast<int>(wide.size()));
    std::string utf8(
        static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                                     0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                        static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

void EndProgramsIn(const std::string& directory) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) continue;
        if (!SameText(DirectoryOf(ProgramPathOf(entry.th32ProcessID)), directory)) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (!process) continue;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
}

bool ReplaceWithRecorder(const ScratchDirectory& directory, std::string_view program_file) {
    const std::string recorder = TestProgramDirectory() + "\\command_recorder.exe";
    return CopyFileA(recorder.c_str(), directory.ProgramPath(program_file).c_str(), FALSE);
}

std::vector<RecordedStart> RecordedStarts(const ScratchDirectory& directory) {
    std::vector<RecordedStart> starts;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory.Path() + "\\started.*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return starts;
    do {
        auto bytes = ReadFileBytes(directory.Path() + "\\" + found.cFileName);
        if (!bytes) continue;
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < bytes->size();) {
            std::size_t end = bytes->find('\n', start);
            if (end == std::string::npos) end = bytes->size();
            lines.push_back(bytes->substr(start, end - start));
            start = end + 1;
        }
        lines.resize(3);
        starts.push_back({lines[0], lines[1], lines[2]});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return starts;
}

DesktopRedirection::DesktopRedirection(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key, "Desktop", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        old_value_.resize(size);
        had_value_ = RegQueryValueExA(key, "Desktop", nullptr, &type_, old_value_.data(), &size) == ERROR_SUCCESS;
    }
    RegSetValueExA(key, "Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
    RegCloseKey(key);
}

DesktopRedirection::~DesktopRedirection() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    if (had_value_)
        RegSetValueExA(key, "Desktop", 0, type_, old_value_.data(), static_cast<DWORD>(old_value_.size()));
    else
        RegDeleteValueA(key, "Desktop");
    RegCloseKey(key);
    // The shell keeps a copy of the resolved path; put it back as well.
    if (had_value_ && RegOpenKeyExA(HKEY_CURRENT_USER, kCachedShellFolders, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        char expanded[MAX_PATH] = {};
        std::string old(reinterpret_cast<const char*>(old_value_.data()), old_value_.size());
        if (ExpandEnvironmentStringsA(old.c_str(), expanded, sizeof expanded))
            RegSetValueExA(key, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(expanded),
                           static_cast<DWORD>(strlen(expanded) + 1));
        RegCloseKey(key);
    }
}

void DoubleClickAt(POINT point) {
    MoveMouseToScreen(point);
    INPUT clicks[4] = {};
    for (int i = 0; i < 4; ++i) {
        clicks[i].type = INPUT_MOUSE;
        clicks[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    SendInput(4, clicks, sizeof(INPUT));
}

}  // namespace morvane::test
