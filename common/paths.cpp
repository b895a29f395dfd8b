#include "paths.h"

#include <type_traits>

#include "ascii.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace morvane {

namespace {

bool IsDeviceName(FilePathView name) {
    // The device is named by what stands before the first '.', and Windows
    // ignores blanks before that dot too ("nul .txt" is the null device).
    FilePathView stem = name.substr(0, name.find(PathChar('.')));
    while (!stem.empty() && stem.back() == PathChar(' ')) stem.remove_suffix(1);
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
        if (EqualsIgnoringAsciiCase(stem, device)) return true;
    }
    if (stem.size() == 4 && stem[3] >= PathChar('1') && stem[3] <= PathChar('9')) {
        const FilePathView prefix = stem.substr(0, 3);
        if (EqualsIgnoringAsciiCase(prefix, "COM") || EqualsIgnoringAsciiCase(prefix, "LPT")) return true;
    }
    return false;
}

}  // namespace

FilePath PathFromAscii(std::string_view ascii) { return FilePath(ascii.begin(), ascii.end()); }

FilePath DirectoryOfProgramFile(FilePathView program_file) {
    const std::size_t cut = program_file.rfind(kPathSeparator);
    if (cut == FilePathView::npos) return {};
    return FilePath(program_file.substr(0, cut));
}

FilePath ProgramDirectory() {
    FilePath buffer(260, PathChar('\0'));
    for (;;) {
#ifdef _WIN32
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
#else
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
#endif
        if (static_cast<std::size_t>(length) < buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length));
            return DirectoryOfProgramFile(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool IsPlainCardName(FilePathView name) {
    constexpr std::string_view kReserved = "\\/:*?\"<>|";
    if (name.empty() || EqualsIgnoringAsciiCase(name, ".") || EqualsIgnoringAsciiCase(name, "..")) return false;
    for (const PathChar c : name) {
        const auto code = static_cast<std::make_unsigned_t<PathChar>>(c);
        if (code < 0x20 || (code < 0x80 && kReserved.find(static_cast<char>(code)) != std::string_view::npos))
            return false;
    }
    return !IsDeviceName(name);
}

FilePath CardStoreDirectory(FilePathView program_directory) {
    FilePath directory(program_directory);
    directory += kPathSeparator;
    directory += PathFromAscii("cards");
    return directory;
}

bool IsOpenableCardFile(FilePathView card_file) {
    const std::size_t cut = card_file.rfind(kPathSeparator);
    const std::size_t directory_length = cut == FilePathView::npos ? 0 : cut + 1;
    return card_file.size() <= kMaxFilePathLength && directory_length + kScratchFileNameLength <= kMaxFilePathLength;
}

std::optional<FilePath> CardFilePath(FilePathView program_directory, FilePathView card_name) {
    if (!IsPlainCardName(card_name)) return std::nullopt;
    FilePath path = CardStoreDirectory(program_directory);
    path += kPathSeparator;
    path += card_name;
    path += PathFromAscii(".ini");
    if (!IsOpenableCardFile(path)) return std::nullopt;
    return path;
}

std::optional<FilePath> CardFilePath(FilePathView card_name) { return CardFilePath(ProgramDirectory(), card_name); }

}  // namespace morvane
