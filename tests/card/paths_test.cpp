#include <gtest/gtest.h>

#include <string>

#include "paths.h"
#include "test_files.h"

namespace morvane {
namespace {

using testing::PathOf;

const FilePath kSep(1, kPathSeparator);

TEST(ProgramDirectoryCut, CutsAtTheLastSeparatorOnly) {
    EXPECT_EQ(DirectoryOfProgramFile(PathOf("D:") + kSep + PathOf("Tools") + kSep + PathOf("check.exe")),
              PathOf("D:") + kSep + PathOf("Tools"));
    EXPECT_EQ(DirectoryOfProgramFile(PathOf("check.exe")), FilePath());
    EXPECT_EQ(DirectoryOfProgramFile(kSep + PathOf("check.exe")), FilePath());
}

#ifdef _WIN32
// 誠 (D5 5C) and 乗 (81 5C) end in the byte of a backslash in GBK; a path is
// UTF-16 here, where they are single characters.
TEST(ProgramDirectoryCut, ChineseDirectoriesStayWhole) {
    EXPECT_EQ(DirectoryOfProgramFile(L"C:\\誠\\check.exe"), L"C:\\誠");
    EXPECT_EQ(DirectoryOfProgramFile(L"C:\\a\\乗check.exe"), L"C:\\a");
}
#endif

TEST(ProgramDirectoryCut, RunningProgramsDirectoryHasNoTrailingSeparator) {
    const FilePath directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), kPathSeparator);
}

TEST(CardName, PlainNamesAreAccepted) {
    for (const char* name : {"a", "my card", " lead and trail ", "a.b", "工商银行", "console", "COM0", "COM10", "LPT",
                             "...x", "x."}) {
        EXPECT_TRUE(IsPlainCardName(PathOf(name))) << name;
    }
#ifdef _WIN32
    EXPECT_TRUE(IsPlainCardName(L"誠乗\u6650"));  // GBK trail bytes 0x5C and 0x7C
    EXPECT_TRUE(IsPlainCardName(L"카드 😀"));  // no GBK form: the file name is UTF-16
#endif
}

TEST(CardName, NamesThatAreNotPlainFileNamesAreRefused) {
    for (const std::string& name : std::initializer_list<std::string>{
             "", ".", "..", "..\\x", "../x", "a:b", "a/b", "a\\b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b",
             "tab\there", std::string("nul\0x", 5), "line\nbreak", "\x1f", "工行:stream"}) {
        EXPECT_FALSE(IsPlainCardName(PathOf(name))) << name;
    }
}

TEST(CardName, DeviceNamesAreRefusedInAnyCaseWithOrWithoutExtension) {
    for (const char* name : {"CON", "con", "Prn", "aux", "NUL", "nul.ini", "nul .txt", "COM1", "com9", "LPT1",
                             "lpt9.x.y", "Aux.b"}) {
        EXPECT_FALSE(IsPlainCardName(PathOf(name))) << name;
    }
}

TEST(CardFilePathRule, IsTheExactConcatenation) {
    EXPECT_EQ(CardFilePath(PathOf("C:") + kSep + PathOf("Tools"), PathOf("B卡")),
              PathOf("C:") + kSep + PathOf("Tools") + kSep + PathOf("cards") + kSep + PathOf("B卡.ini"));
    EXPECT_EQ(CardFilePath(PathOf("D:"), PathOf("my card")),
              PathOf("D:") + kSep + PathOf("cards") + kSep + PathOf("my card.ini"));
    EXPECT_EQ(CardFilePath(PathOf("D:"), PathOf("..\\x")), std::nullopt);
    EXPECT_EQ(CardFilePath(PathOf("D:"), FilePath()), std::nullopt);
    EXPECT_EQ(CardFilePath(PathOf("X")), CardFilePath(ProgramDirectory(), PathOf("X")));
}

// Counted in the path's own units: a Chinese character is one UTF-16 unit on
// Windows, as the file functions count it.
TEST(CardFilePathRule, TheCardFileAndItsScratchFileMustBothBeOpenable) {
    const std::string kChinese = "卡";
    const std::size_t chinese_units = PathOf(kChinese).size();
    struct {
        FilePath directory;
        FilePath name;
        bool openable;
    } cases[] = {
        {PathOf("D:"), FilePath(kMaxFilePathLength - 13, 'n'), true},  // D:\cards\ + name + .ini: at the limit
        {PathOf("D:"), FilePath(kMaxFilePathLength - 12, 'n'), false},  // one more
        {PathOf("D:"), FilePath(kMaxFilePathLength - 13 - chinese_units, 'n') + PathOf(kChinese), true},
        {FilePath(kMaxFilePathLength - kScratchFileNameLength - 7, 'd'), PathOf("x"), true},   // the scratch name just fits
        {FilePath(kMaxFilePathLength - kScratchFileNameLength - 6, 'd'), PathOf("x"), false},  // it does not
    };
    for (const auto& c : cases) {
        const std::optional<FilePath> path = CardFilePath(c.directory, c.name);
        EXPECT_EQ(path.has_value(), c.openable) << c.directory.size() << " + " << c.name.size();
        const FilePath built = CardStoreDirectory(c.directory) + kSep + c.name + PathOf(".ini");
        EXPECT_EQ(IsOpenableCardFile(built), c.openable);
    }
}

TEST(CardFilePathRule, GbkLiteralsAreCodePage936Bytes) {
    EXPECT_EQ(std::string("序列号"), "\xD0\xF2\xC1\xD0\xBA\xC5");
    EXPECT_EQ(std::string("请输入查询坐标！"), "\xC7\xEB\xCA\xE4\xC8\xEB\xB2\xE9\xD1\xAF\xD7\xF8\xB1\xEA\xA3\xA1");
}

}  // namespace
}  // namespace morvane
