#include "commands.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "paths.h"

namespace morvane::manager {

namespace {

struct Releaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, Releaser>;

std::wstring WideFromAnsi(std::string_view text) {
    if (text.empty()) return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

}  // namespace

std::string CardArgument(std::string_view card_name) {
    if (card_name.find(' ') == std::string_view::npos) return std::string(card_name);
    return "\"" + std::string(card_name) + "\"";
}

std::string QueryCommandLine(std::string_view card_name) { return "check.exe " + CardArgument(card_name); }

std::string EditCommandLine(std::string_view card_name) { return "create.exe -e " + CardArgument(card_name); }

std::string CreateCommandLine() { return "create.exe -c"; }

bool StartProgram(std::string_view program_directory, std::string_view program, std::string command_line) {
    const std::string application = std::string(program_directory) + "\\" + std::string(program);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(application.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

bool DeleteCardFile(std::string_view program_directory, std::string_view card_name) {
    std::optional<std::string> card_file = CardFilePath(program_directory, card_name);
    return card_file && DeleteFileA(card_file->c_str());
}

std::string DesktopShortcutPath(std::string_view card_name) {
    std::string desktop(MAX_PATH, '\0');
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop.data())))
        return {};
    desktop.resize(desktop.find('\0'));
    return desktop + "\\" + std::string(card_name) + ".lnk";
}

bool MakeDesktopShortcut(std::string_view program_directory, std::string_view card_name) {
    const std::string shortcut_file = DesktopShortcutPath(card_name);
    if (shortcut_file.empty()) return false;
    IShellLinkA* raw_link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&raw_link))))
        return false;
    ComPointer<IShellLinkA> link(raw_link);
    const std::string target = std::string(program_directory) + "\\check.exe";
    const std::string description = "密保卡" + std::string(card_name);
    const std::string arguments = CardArgument(card_name);
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetDescription(description.c_str())) ||
        FAILED(link->SetArguments(arguments.c_str())))
        return false;
    IPersistFile* raw_file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&raw_file)))) return false;
    ComPointer<IPersistFile> file(raw_file);
    return SUCCEEDED(file->Save(WideFromAnsi(shortcut_file).c_str(), TRUE));
}

}  // namespace morvane::manager
