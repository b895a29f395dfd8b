#include "commands.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "system_library.h"

namespace morvane::manager {

namespace {

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, Releaser>;

}  // namespace

std::wstring CardArgument(std::wstring_view card_name) {
    if (card_name.find(L' ') == std::wstring_view::npos) return std::wstring(card_name);
    return L"\"" + std::wstring(card_name) + L"\"";
}

std::wstring QueryCommandLine(std::wstring_view card_name) { return L"check.exe " + CardArgument(card_name); }

std::wstring EditCommandLine(std::wstring_view card_name) { return L"create.exe -e " + CardArgument(card_name); }

std::wstring CreateCommandLine() { return L"create.exe -c"; }

bool StartProgram(FilePathView program_directory, std::wstring_view program, std::wstring command_line) {
    const FilePath application = FilePath(program_directory) + L"\\" + std::wstring(program);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

namespace {

bool IsGone(const FilePath& file) {
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

CardDeletion DeleteCardFile(HWND owner, FilePathView program_directory, std::wstring_view card_name) {
    const std::optional<FilePath> card_file = CardFilePath(program_directory, card_name);
    if (!card_file) return CardDeletion::kFailed;
    // The shell would take what DeleteFileW refused: a card its owner made
    // read-only (after a question of its own, which no flag here lets it
    // ask), and a directory of a card file's name, with all in it.
    const DWORD attributes = GetFileAttributesW(card_file->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)))
        return CardDeletion::kFailed;
    // A list of paths, each ended by a NUL, and the list by one more.
    const FilePath from = *card_file + L'\0';
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_WANTNUKEWARNING;
    static const auto file_operation = SystemFunction<decltype(&SHFileOperationW)>(L"shell32.dll", "SHFileOperationW");
    if (!file_operation) return CardDeletion::kFailed;
    file_operation(&operation);
    // The file itself says what happened: the shell's result codes differ
    // between versions, and a success that left the card would be no
    // success to the user.
    if (IsGone(*card_file)) return CardDeletion::kDeleted;
    return operation.fAnyOperationsAborted ? CardDeletion::kKept : CardDeletion::kFailed;
}

FilePath DesktopShortcutPath(std::wstring_view card_name) {
    static const auto folder_path = SystemFunction<decltype(&SHGetFolderPathW)>(L"shell32.dll", "SHGetFolderPathW");
    wchar_t desktop[MAX_PATH] = {};
    if (!folder_path || FAILED(folder_path(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop)))
        return {};
    return desktop + (L"\\" + std::wstring(card_name) + L".lnk");
}

bool MakeDesktopShortcut(FilePathView program_directory, std::wstring_view card_name) {
    const FilePath shortcut_file = DesktopShortcutPath(card_name);
    if (shortcut_file.empty()) return false;
    IShellLinkW* raw_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&raw_link))))
        return false;
    ComPointer<IShellLinkW> link(raw_link);
    const FilePath target = FilePath(program_directory) + L"\\check.exe";
    const std::wstring description = L"密保卡" + std::wstring(card_name);
    const std::wstring arguments = CardArgument(card_name);
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetDescription(description.c_str())) ||
        FAILED(link->SetArguments(arguments.c_str())))
        return false;
    IPersistFile* raw_file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&raw_file)))) return false;
    ComPointer<IPersistFile> file(raw_file);
    return SUCCEEDED(file->Save(shortcut_file.c_str(), TRUE));
}

}  // namespace morvane::manager
