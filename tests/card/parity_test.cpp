// The project's own INI layer against the platform's, under wine: the same
// operations on two copies of the same file must read alike, report alike
// and leave the same file. wine rewrites a whole file on every write in its
// own layout (blank lines dropped, blanks around "=" and inside brackets
// removed) where Windows and the project's reader keep every other line, so
// files outside the layout the editor writes are compared entry by entry.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "profile.h"
#include "profile_text.h"
#include "test_files.h"

namespace morvane {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

const std::vector<std::string> kSections = {"Info", "Card", "card", "Other", "New"};
const std::vector<std::string> kKeys = {"A", "B", "C", "a", "序列号", "X", "K"};
const std::vector<std::string> kValues = {"1,2,3", "x", "序列", "\"quoted\"", "'single'", "a=b", "", " lead", "d,e,"};

// The file as wine keeps it in memory: every non-blank line trimmed, section
// names and entries in their order, blanks around names and values gone.
std::vector<std::string> Entries(const std::string& bytes) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        std::string_view line = std::string_view(bytes).substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? bytes.size() : end + 1;
        line = TrimProfileBlanks(line);
        if (line.empty()) continue;
        if (line.front() == '[' && line.find(']') != std::string_view::npos) {
            entries.push_back("[" + std::string(TrimProfileBlanks(line.substr(1, line.rfind(']') - 1))) + "]");
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            entries.emplace_back(line);
        } else {
            entries.push_back(std::string(TrimProfileBlanks(line.substr(0, equals))) + "=" +
                              std::string(TrimProfileBlanks(line.substr(equals + 1))));
        }
    }
    return entries;
}

// The layout the editor's saves produce: sections and "key=value" lines,
// nothing else, CR LF after every line.
bool IsEditorLayout(const std::string& bytes) {
    std::size_t start = 0;
    bool in_section = false;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) return false;
        std::string_view line = std::string_view(bytes).substr(start, end - start);
        start = end + 2;
        if (line.find_first_of("\r\n") != std::string_view::npos || line != TrimProfileBlanks(line) || line.empty())
            return false;
        if (line.front() == '[') {
            if (line.back() != ']' || line.substr(1, line.size() - 2) != TrimProfileBlanks(line.substr(1, line.size() - 2)))
                return false;
            in_section = true;
            continue;
        }
        std::size_t equals = line.find('=');
        if (!in_section || line.front() == ';' || equals == std::string_view::npos || equals == 0 ||
            line[equals - 1] == ' ' || (equals + 1 < line.size() && line[equals + 1] == ' '))
            return false;
    }
    return true;
}

struct FileMaker {
    std::mt19937 random;
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
    }
    bool Chance(int percent) { return std::uniform_int_distribution<int>(0, 99)(random) < percent; }

    std::string Make(bool editor_layout) {
        const std::string ending = editor_layout ? "\r\n" : Pick(std::vector<std::string>{"\r\n", "\n", "\r\n", "\r"});
        std::string bytes;
        int lines = std::uniform_int_distribution<int>(0, 10)(random);
        if (editor_layout || Chance(70)) bytes += "[" + Pick(kSections) + "]" + ending;
        for (int i = 0; i < lines; ++i) {
            int kind = editor_layout ? std::uniform_int_distribution<int>(0, 4)(random)
                                     : std::uniform_int_distribution<int>(0, 11)(random);
            if (kind == 0) {
                bytes += "[" + Pick(kSections) + "]";
            } else if (kind <= 4) {
                std::string value = Pick(kValues);
                if (editor_layout) value = std::string(TrimProfileBlanks(value));
                bytes += Pick(kKeys) + "=" + value;
            } else if (kind == 5) {
                bytes += "  " + Pick(kKeys) + "  =  " + Pick(kValues) + "  ";
            } else if (kind == 6) {
                bytes += "; comment " + Pick(kKeys);
            } else if (kind == 7) {
                bytes += "";
            } else if (kind == 8) {
                bytes += "[ " + Pick(kSections) + " ]";
            } else if (kind == 9) {
                bytes += "noequals";
            } else if (kind == 10) {
                bytes += "\t";
            } else {
                bytes += Pick(kKeys) + "=\"" + Pick(kValues) + "\"";
            }
            bytes += ending;
        }
        if (!editor_layout && Chance(20) && !bytes.empty()) bytes.resize(bytes.size() - ending.size());
        return bytes;
    }
};

class Parity : public ::testing::Test {
protected:
    // A path of its own for each file: wine keeps a file it has read in a
    // cache keyed by name and trusts it while the modification time stays.
    FilePath NextPath(const char* what) { return store.Card(what + std::to_string(++files_made)); }

    void ExpectSameReads(const FilePath& platform_file, const FilePath& own_file, const std::string& where) {
        // Read the platform's file from a fresh copy, as another program
        // would: wine hands back a value it has just written before it
        // trims trailing blanks on its next load.
        const FilePath fresh = NextPath("fresh");
        WriteBytes(fresh, ReadBytes(platform_file));
        for (const std::string& section : kSections) {
            for (const std::string& key : kKeys) {
                EXPECT_EQ(WindowsProfile().ReadValue(fresh, section, key), OwnProfile().ReadValue(own_file, section, key))
                    << where << " reading [" << section << "] " << key;
            }
        }
    }

    void RunCase(const std::string& original, std::mt19937& random) {
        const FilePath platform_file = NextPath("platform"), own_file = NextPath("own");
        WriteBytes(platform_file, original);
        WriteBytes(own_file, original);
        const std::string where_file = "file: " + ::testing::PrintToString(original);
        ExpectSameReads(platform_file, own_file, where_file);
        FileMaker pick{random};
        std::string operations;
        bool wrote_padded_value = false;
        for (int step = 0; step < 4; ++step) {
            const std::string section = pick.Pick(kSections), key = pick.Pick(kKeys);
            if (pick.Chance(30)) {
                operations += " remove [" + section + "] " + key;
                EXPECT_EQ(WindowsProfile().RemoveKey(platform_file, section, key),
                          OwnProfile().RemoveKey(own_file, section, key));
            } else {
                const std::string value = pick.Pick(kValues);
                wrote_padded_value |= value != TrimProfileBlanks(value);
                operations += " write [" + section + "] " + key + "=" + value;
                EXPECT_EQ(WindowsProfile().WriteValue(platform_file, section, key, value),
                          OwnProfile().WriteValue(own_file, section, key, value));
            }
            ExpectSameReads(platform_file, own_file, where_file + operations);
        }
        const std::string platform_bytes = ReadBytes(platform_file), own_bytes = ReadBytes(own_file);
        if (IsEditorLayout(original) && !wrote_padded_value) {
            EXPECT_EQ(platform_bytes, own_bytes) << where_file << operations;
        } else {
            EXPECT_EQ(Entries(platform_bytes), Entries(own_bytes)) << where_file << operations;
        }
    }

    testing::ScratchStore store;
    int files_made = 0;
};

TEST_F(Parity, FilesInTheEditorsLayoutEndByteForByteAlike) {
    std::mt19937 random(20261208);
    FileMaker maker{random};
    for (int i = 0; i < 40; ++i) RunCase(maker.Make(true), random);
}

TEST_F(Parity, OddFilesReadAlikeAndKeepTheSameEntries) {
    std::mt19937 random(936);
    FileMaker maker{random};
    for (int i = 0; i < 100; ++i) RunCase(maker.Make(false), random);
}

TEST_F(Parity, HandPickedLayouts) {
    std::mt19937 random(1);
    for (const char* original : {
             "",
             "[Info]\r\n序列号=1\r\n[Card]\r\nA=1,2\r\n",
             "; top\r\n\r\n[Card]\r\n\r\n; c\r\n  A  =  x y  \r\nB=\"q\"\r\nnoeq\r\n\r\n[Other]\r\nk=v",
             "[card]\r\na=1\r\n[Card]\r\nB=2\r\nA=dup\r\n",
             "[ Card ]\r\nA=1\r\nA=2\r\n",
             "[Card\r\nA=1\r\n",
             "x=1\r\n[Card]\nA=lf\nB=2\n",
             "[Card]\rA=cr\rB=2\r",
             "[Card]\r\nA=no final break",
         }) {
        RunCase(original, random);
    }
}

}  // namespace
}  // namespace morvane
