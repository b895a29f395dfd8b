#pragma once
// Scratch card stores for the card tests, on Linux and under wine alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_ops.h"
#include "paths.h"
#include "profile.h"

#ifdef _WIN32
#include <windows.h>

#include "text.h"
#include "windows_profile.h"
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane::testing {

// A card name or path piece written as the tests' narrow literals, GBK, as
// the system's path text: UTF-16 on Windows, the same bytes elsewhere.
inline FilePath PathOf(std::string_view gbk) {
#ifdef _WIN32
    return WideFromGbk(gbk);
#else
    return FilePath(gbk);
#endif
}

// A file name as the tests' narrow literals write it.
inline std::string GbkOf(const FilePath& path) {
#ifdef _WIN32
    return GbkFromWide(path).value_or("<not GBK>");
#else
    return path;
#endif
}

inline std::string ReadBytes(const FilePath& path) {
    std::string bytes;
    files::ReadAll(path, bytes);
    return bytes;
}

inline void WriteBytes(const FilePath& path, const std::string& bytes) {
    ASSERT_TRUE(files::WriteAll(path, bytes)) << GbkOf(path);
}

inline void MakeDirectory(const FilePath& path) {
#ifdef _WIN32
    CreateDirectoryW(path.c_str(), nullptr);
#else
    mkdir(path.c_str(), 0755);
#endif
}

inline void SetReadOnly(const FilePath& path, bool read_only) {
#ifdef _WIN32
    SetFileAttributesW(path.c_str(), read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path.c_str(), read_only ? 0444 : 0644);
#endif
}

// The names in `directory`, as GBK.
inline std::vector<std::string> ListDirectory(const FilePath& directory) {
    std::vector<std::string> names;
#ifdef _WIN32
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(GbkOf(name));
    } while (FindNextFileW(search, &found));
    FindClose(search);
#else
    std::string command = "ls -A '" + directory + "' 2>/dev/null";
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char line[4096];
        while (std::fgets(line, sizeof line, pipe)) {
            std::string name = line;
            if (!name.empty() && name.back() == '\n') name.pop_back();
            names.push_back(name);
        }
        pclose(pipe);
    }
#endif
    return names;
}

inline void RemoveTree(const FilePath& directory) {
    for (const std::string& name : ListDirectory(directory)) {
        const FilePath path = directory + kPathSeparator + PathOf(name);
        SetReadOnly(path, false);
        if (files::IsDirectory(path)) {
            RemoveTree(path);
        } else {
            files::Remove(path);
        }
    }
#ifdef _WIN32
    RemoveDirectoryW(directory.c_str());
#else
    rmdir(directory.c_str());
#endif
}

// The system's directory for temporary files, without a trailing separator:
// short and the same wherever the build tree lies, so that no test's paths
// depend on the folder the repository was cloned into.
inline FilePath TemporaryDirectory() {
#ifdef _WIN32
    FilePath path(MAX_PATH + 1, L'\0');
    path.resize(GetTempPathW(static_cast<DWORD>(path.size()), path.data()));
    if (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
#else
    const char* directory = std::getenv("TMPDIR");
    return directory && *directory ? directory : "/tmp";
#endif
}

// A program directory of its own with an empty card store in it.
class ScratchStore {
public:
    ScratchStore() {
        static int counter = 0;
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string test_name = test->name();
        for (char& c : test_name) {
            if (c == '/') c = '_';
        }
#ifdef _WIN32
        const unsigned long process = GetCurrentProcessId();
#else
        const unsigned long process = static_cast<unsigned long>(getpid());
#endif
        root_ = TemporaryDirectory() + kPathSeparator +
                PathOf("morvane-" + std::to_string(process) + "-" + test_name + std::to_string(++counter));
        RemoveTree(root_);
        MakeDirectory(root_);
        MakeDirectory(cards());
    }
    ~ScratchStore() { RemoveTree(root_); }

    const FilePath& root() const { return root_; }
    FilePath cards() const { return CardStoreDirectory(root_); }
    FilePath Card(std::string_view name) const { return CardFilePath(root_, PathOf(name)).value_or(FilePath()); }

private:
    FilePath root_;
};

}  // namespace morvane::testing

namespace morvane::testing {

// Every private-profile implementation of this build: the project's own, and
// on Windows the platform's too.
struct ProfileImplementation {
    const char* name;
    Profile& (*get)();
};

inline std::vector<ProfileImplementation> ProfileImplementations() {
    std::vector<ProfileImplementation> implementations = {{"Own", &OwnProfile}};
#ifdef _WIN32
    implementations.push_back({"Windows", &WindowsProfile});
#endif
    return implementations;
}

inline std::string ImplementationName(const ::testing::TestParamInfo<ProfileImplementation>& info) {
    return info.param.name;
}

}  // namespace morvane::testing
