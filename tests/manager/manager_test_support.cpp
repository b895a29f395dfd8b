#include "manager_test_support.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <memory>

namespace morvane::test {

namespace {

constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
constexpr wchar_t kCachedShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

bool SameText(std::string_view a, std::string_view b) {
    const std::wstring wide_a = Wide(a), wide_b = Wide(b);
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, wide_a.data(), static_cast<int>(wide_a.size()),
                          wide_b.data(), static_cast<int>(wide_b.size())) == CSTR_EQUAL;
}

std::string ProgramPathOf(DWORD process_id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process_id);
    if (!process) return {};
    std::wstring path(MAX_PATH * 4, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &length)) length = 0;
    CloseHandle(process);
    path.resize(length);
    return Gbk(path);
}

std::string DirectoryOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

struct ItemIdFreer {
    void operator()(ITEMIDLIST* item) const { CoTaskMemFree(item); }
};
using ItemId = std::unique_ptr<ITEMIDLIST, ItemIdFreer>;

// The Recycle Bin's shell folder and its items; empty on failure.
struct RecycleBinFolder {
    ComPointer<IShellFolder2> folder;
    std::vector<ItemId> items;
};

RecycleBinFolder OpenRecycleBin() {
    RecycleBinFolder bin;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return bin;
    ComPointer<IShellFolder> desktop_folder(desktop);
    ITEMIDLIST* location = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &location))) return bin;
    ItemId bin_location(location);
    IShellFolder2* folder = nullptr;
    if (FAILED(desktop_folder->BindToObject(bin_location.get(), nullptr, IID_IShellFolder2,
                                            reinterpret_cast<void**>(&folder))))
        return bin;
    bin.folder.reset(folder);
    IEnumIDList* raw_items = nullptr;
    if (bin.folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &raw_items) != S_OK) return bin;
    ComPointer<IEnumIDList> items(raw_items);
    ITEMIDLIST* item = nullptr;
    while (items->Next(1, &item, nullptr) == S_OK) bin.items.emplace_back(item);
    return bin;
}

std::string Column(IShellFolder2& folder, const ITEMIDLIST* item, UINT column) {
    SHELLDETAILS details{};
    wchar_t text[MAX_PATH * 2] = {};
    if (FAILED(folder.GetDetailsOf(item, column, &details)) ||
        FAILED(StrRetToBufW(&details.str, item, text, static_cast<UINT>(std::size(text)))))
        return {};
    return Gbk(text);
}

}  // namespace

std::optional<Shortcut> ReadShortcut(const std::string& file) {
    IShellLinkW* raw_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&raw_link))))
        return std::nullopt;
    ComPointer<IShellLinkW> link(raw_link);
    IPersistFile* raw_file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&raw_file)))) return std::nullopt;
    ComPointer<IPersistFile> persist(raw_file);
    if (FAILED(persist->Load(Wide(file).c_str(), STGM_READ))) return std::nullopt;
    // Each read into a buffer of its own, cleared: a getter that fails
    // leaves it as it was.
    auto read = [](auto get) {
        std::wstring buffer(INFOTIPSIZE, L'\0');
        get(buffer.data(), static_cast<int>(buffer.size()));
        return Gbk(buffer.c_str());
    };
    Shortcut shortcut;
    shortcut.target = read([&](wchar_t* text, int size) { link->GetPath(text, size, nullptr, SLGP_RAWPATH); });
    shortcut.arguments = read([&](wchar_t* text, int size) { link->GetArguments(text, size); });
    shortcut.description = read([&](wchar_t* text, int size) { link->GetDescription(text, size); });
    int icon_index = 0;
    shortcut.icon = read([&](wchar_t* text, int size) { link->GetIconLocation(text, size, &icon_index); });
    return shortcut;
}

std::vector<RecycledFile> RecycleBinFiles() {
    std::vector<RecycledFile> files;
    RecycleBinFolder bin = OpenRecycleBin();
    constexpr UINT kNameColumn = 0, kOriginalLocationColumn = 1;
    for (const ItemId& item : bin.items)
        files.push_back({Column(*bin.folder, item.get(), kNameColumn),
                         Column(*bin.folder, item.get(), kOriginalLocationColumn)});
    std::sort(files.begin(), files.end(), [](const RecycledFile& a, const RecycledFile& b) { return a.name < b.name; });
    return files;
}

void PrintTo(const RecycledFile& file, std::ostream* out) {
    *out << Utf8Of(file.name) << " from " << Utf8Of(file.original_folder);
}

bool EmptyRecycleBin() {
    // Emptying an empty bin fails under wine.
    if (RecycleBinFiles().empty()) return true;
    SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    return RecycleBinFiles().empty();
}

namespace {

// The item's first context-menu command, in the bin Restore.
bool InvokeFirstCommand(IShellFolder2& folder, const ITEMIDLIST* item) {
    IContextMenu* raw_menu = nullptr;
    if (FAILED(folder.GetUIObjectOf(nullptr, 1, &item, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&raw_menu))))
        return false;
    ComPointer<IContextMenu> menu(raw_menu);
    constexpr UINT kFirstCommand = 1;
    constexpr UINT kNone = static_cast<UINT>(-1);
    HMENU popup = CreatePopupMenu();
    UINT first = kNone;
    if (SUCCEEDED(menu->QueryContextMenu(popup, 0, kFirstCommand, 0x7FFF, CMF_NORMAL))) first = GetMenuItemID(popup, 0);
    DestroyMenu(popup);
    if (first == kNone) return false;
    CMINVOKECOMMANDINFO command{};
    command.cbSize = sizeof command;
    command.lpVerb = MAKEINTRESOURCEA(first - kFirstCommand);
    command.nShow = SW_SHOWNORMAL;
    return SUCCEEDED(menu->InvokeCommand(&command));
}

}  // namespace

bool RestoreRecycleBin() {
    RecycleBinFolder bin = OpenRecycleBin();
    for (const ItemId& item : bin.items)
        if (!InvokeFirstCommand(*bin.folder, item.get())) return false;
    return true;
}

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

std::string ListEntryText(HWND list, int index) {
    const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = Send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Gbk(text);
}

std::string StatusBarText(HWND status_bar) {
    // A status bar answers WM_GETTEXT with panel 0; SB_GETTEXT's buffer is
    // not carried to another process.
    return TextOf(status_bar);
}

std::vector<DWORD> ProcessesOfProgramsIn(const std::string& directory) {
    std::vector<DWORD> processes;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return processes;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID != GetCurrentProcessId() &&
            SameText(DirectoryOf(ProgramPathOf(entry.th32ProcessID)), directory))
            processes.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return processes;
}

void EndProgramsIn(const std::string& directory) {
    for (DWORD process_id : ProcessesOfProgramsIn(directory)) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process_id);
        if (!process) continue;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

bool ReplaceWithRecorder(const ScratchDirectory& directory, std::string_view program_file) {
    const std::string recorder = TestProgramDirectory() + "\\command_recorder.exe";
    return CopyFileW(Wide(recorder).c_str(), Wide(directory.ProgramPath(program_file)).c_str(), FALSE);
}

std::vector<RecordedStart> RecordedStarts(const ScratchDirectory& directory) {
    std::vector<RecordedStart> starts;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(directory.Path() + "\\started.*.txt").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return starts;
    do {
        auto bytes = ReadFileBytes(directory.Path() + "\\" + Gbk(found.cFileName));
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
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return starts;
}

DesktopRedirection::DesktopRedirection(const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"Desktop", nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        old_value_.resize(size);
        had_value_ = RegQueryValueExW(key, L"Desktop", nullptr, &type_, old_value_.data(), &size) == ERROR_SUCCESS;
    }
    const std::wstring desktop = Wide(path);
    RegSetValueExW(key, L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(desktop.c_str()),
                   static_cast<DWORD>((desktop.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

DesktopRedirection::~DesktopRedirection() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    if (had_value_)
        RegSetValueExW(key, L"Desktop", 0, type_, old_value_.data(), static_cast<DWORD>(old_value_.size()));
    else
        RegDeleteValueW(key, L"Desktop");
    RegCloseKey(key);
    // The shell keeps a copy of the resolved path; put it back as well.
    if (had_value_ && RegOpenKeyExW(HKEY_CURRENT_USER, kCachedShellFolders, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        wchar_t expanded[MAX_PATH] = {};
        std::wstring old(reinterpret_cast<const wchar_t*>(old_value_.data()), old_value_.size() / sizeof(wchar_t));
        old.resize(old.find(L'\0') == std::wstring::npos ? old.size() : old.find(L'\0'));
        if (ExpandEnvironmentStringsW(old.c_str(), expanded, MAX_PATH))
            RegSetValueExW(key, L"Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(expanded),
                           static_cast<DWORD>((wcslen(expanded) + 1) * sizeof(wchar_t)));
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
