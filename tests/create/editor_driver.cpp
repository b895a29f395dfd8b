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

std::vector<std::string> FilesBelow(const std::string& directory) {
    std::vector<std::string> files;
    CollectFiles(directory, "", files);
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace morvane::test
