#include "paths.h"

#include <array>
#include <cctype>

#include "dbcs.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace morvane {

namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsDeviceName(std::string_view name) {
    // The device is named by what stands before the first '.', and Windows
    // ignores blanks before that dot too ("nul .txt" is the null device).
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (std::string_view device : kPlain) {
        if (EqualsIgnoringAsciiCase(stem, device)) return true;
    }
    if (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') {
        std::string_view prefix = stem.substr(0, 3);
        if (EqualsIgnoringAsciiCase(prefix, "COM") || EqualsIgnoringAsciiCase(prefix, "LPT")) return true;
    }
    return false;
}

}  // namespace

std::string DirectoryOfProgramFile(std::string_view program_file) {
    std::size_t cut = FindLastCharOf(program_file, std::string_view(&kPathSeparator, 1));
    if (cut == std::string_view::npos) return {};
    return std::string(program_file.substr(0, cut));
}

std::string ProgramDirectory() {
#ifdef _WIN32
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return DirectoryOfProgramFile(buffer);
#else
    std::string buffer(4096, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return DirectoryOfProgramFile(buffer);
#endif
}

bool IsPlainCardName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (std::size_t i = 0; i < name.size(); i += CharLengthAt(name, i)) {
        if (CharLengthAt(name, i) == 2) continue;
        unsigned char byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(byte)) != std::string_view::npos)
            return false;
    }
    return !IsDeviceName(name);
}

std::string CardStoreDirectory(std::string_view program_directory) {
    std::string directory(program_directory);
    directory += kPathSeparator;
    directory += "cards";
    return directory;
}

bool IsOpenableCardFile(std::string_view card_file) {
    const std::size_t cut = FindLastCharOf(card_file, std::string_view(&kPathSeparator, 1));
    const std::size_t directory_bytes = cut == std::string_view::npos ? 0 : cut + 1;
    return card_file.size() <= kMaxFilePathBytes && directory_bytes + kScratchFileNameBytes <= kMaxFilePathBytes;
}

std::optional<std::string> CardFilePath(std::string_view program_directory, std::string_view card_name) {
    if (!IsPlainCardName(card_name)) return std::nullopt;
    std::string path = CardStoreDirectory(program_directory);
    path += kPathSeparator;
    path += card_name;
    path += ".ini";
    if (!IsOpenableCardFile(path)) return std::nullopt;
    return path;
}

std::optional<std::string> CardFilePath(std::string_view card_name) {
    return CardFilePath(ProgramDirectory(), card_name);
}

}  // namespace morvane
