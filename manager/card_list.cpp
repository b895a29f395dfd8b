#include "card_list.h"

#include <windows.h>
#include <shlwapi.h>

#include <memory>

#include "ascii.h"

namespace morvane::manager {

namespace {

struct SearchCloser {
    void operator()(HANDLE search) const { FindClose(search); }
};
using SearchHandle = std::unique_ptr<void, SearchCloser>;

}  // namespace

bool IsCardFileName(std::wstring_view long_name, bool is_directory) {
    return !is_directory && long_name.size() >= 4 &&
           EqualsIgnoringAsciiCase(long_name.substr(long_name.size() - 4), ".ini");
}

std::wstring CardNameOf(std::wstring_view file_name) { return std::wstring(file_name.substr(0, file_name.rfind(L'.'))); }

std::vector<std::wstring> ListCardNames(FilePathView program_directory) {
    std::vector<std::wstring> names;
    const FilePath pattern = CardStoreDirectory(program_directory) + L"\\*.ini";
    WIN32_FIND_DATAW found;
    SearchHandle search(FindFirstFileW(pattern.c_str(), &found));
    if (search.get() == INVALID_HANDLE_VALUE) {
        search.release();
        return names;
    }
    do {
        if (IsCardFileName(found.cFileName, found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(CardNameOf(PathFindFileNameW(found.cFileName)));
    } while (FindNextFileW(search.get(), &found));
    return names;
}

}  // namespace morvane::manager
