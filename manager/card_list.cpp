#include "card_list.h"

#include <windows.h>
#include <shlwapi.h>

#include <memory>

#include "dbcs.h"
#include "paths.h"

namespace morvane::manager {

namespace {

struct SearchCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
using SearchHandle = std::unique_ptr<void, SearchCloser>;

bool EndsWithIniInAnyCase(std::string_view name) {
    if (name.size() < 4) return false;
    // '.' is never a GBK trail byte, so the last four bytes are whole
    // characters when they read ".ini".
    std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'i' && (tail[2] | 0x20) == 'n' && (tail[3] | 0x20) == 'i';
}

}  // namespace

bool IsCardFileName(std::string_view long_name, bool is_directory) {
    return !is_directory && EndsWithIniInAnyCase(long_name);
}

std::string CardNameOf(std::string_view file_name) {
    std::size_t dot = FindLastCharOf(file_name, ".");
    return std::string(file_name.substr(0, dot));
}

std::vector<std::string> ListCardNames(std::string_view program_directory) {
    std::vector<std::string> names;
    const std::string pattern = CardStoreDirectory(program_directory) + "\\*.ini";
    WIN32_FIND_DATAA found;
    SearchHandle search(FindFirstFileA(pattern.c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        return names;
    }
    do {
        if (IsCardFileName(found.cFileName, found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(CardNameOf(PathFindFileNameA(found.cFileName)));
    } while (FindNextFileA(search.get(), &found));
    return names;
}

}  // namespace morvane::manager
