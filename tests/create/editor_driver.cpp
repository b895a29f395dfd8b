#include "editor_driver.h"

#include <algorithm>

namespace morvane::test {

namespace {

void CollectFiles(const std::string& root, const std::string& relative, std::vector<std::string>& files) {
    WIN32_FIND_DATAW found;
    const std::string directory = relative.empty() ? root : root + "\\" + relative;
    HANDLE search = FindFirstFileW(Wide(directory + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = Gbk(found.cFileName);
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            files.push_back(path + "\\");
            CollectFiles(root, path, files);
        } else {
            files.push_back(path);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

std::string Readable(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int wide_length = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), wide_length);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::vector<std::string> FilesBelow(const std::string& directory) {
    std::vector<std::string> files;
    CollectFiles(directory, "", files);
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace morvane::test
