#include <gtest/gtest.h>

#include <string>

#include "dbcs.h"
#include "paths.h"

namespace morvane {
namespace {

const std::string kSep(1, kPathSeparator);

// 誠 (D5 5C) and 乗 (81 5C) end in the byte of a backslash, 十 (CA AE) does
// not; 暾 (95 7C) ends in '|'.
const std::string kMakoto = "\xD5\x5C";
const std::string kNoru = "\x81\x5C";
const std::string kPipeTrail = "\x95\x7C";

TEST(GbkScan, TrailBytesAreNotSeparators) {
    EXPECT_EQ(FindLastCharOf("C:\\Tools\\" + kMakoto, "\\"), 8u);
    EXPECT_EQ(FindLastCharOf(kMakoto + kNoru, "\\"), std::string::npos);
    EXPECT_EQ(FindFirstCharOf(kPipeTrail + "|", "|"), 2u);
    EXPECT_EQ(FindLastCharOf("a\\b\\c", "\\"), 3u);
}

TEST(GbkScan, LeadByteBeforeANonTrailByteStandsAlone) {
    // 0x81 before ':' is no character pair: the ':' must still be seen.
    EXPECT_EQ(FindFirstCharOf("\x81:", ":"), 1u);
    EXPECT_EQ(FindFirstCharOf("\x81", ":"), std::string::npos);
    EXPECT_EQ(CharLengthAt("\xD5\x5C", 0), 2u);
    EXPECT_EQ(CharLengthAt("\xD5", 0), 1u);
}

TEST(ProgramDirectoryCut, CutsAtTheLastSeparatorOnly) {
    EXPECT_EQ(DirectoryOfProgramFile("D:" + kSep + "Tools" + kSep + "check.exe"), "D:" + kSep + "Tools");
    EXPECT_EQ(DirectoryOfProgramFile("check.exe"), "");
    EXPECT_EQ(DirectoryOfProgramFile(kSep + "check.exe"), "");
}

#ifdef _WIN32
TEST(ProgramDirectoryCut, ChineseDirectoryWhoseTrailByteIsABackslashStaysWhole) {
    EXPECT_EQ(DirectoryOfProgramFile("C:\\" + kMakoto + "\\check.exe"), "C:\\" + kMakoto);
    EXPECT_EQ(DirectoryOfProgramFile("C:\\" + kMakoto + kNoru + "\\check.exe"), "C:\\" + kMakoto + kNoru);
    // A naive scan would have cut inside the last character.
    EXPECT_EQ(DirectoryOfProgramFile("C:\\a\\" + kNoru + "check.exe"), "C:\\a");
}
#endif

TEST(ProgramDirectoryCut, RunningProgramsDirectoryHasNoTrailingSeparator) {
    const std::string directory = ProgramDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), kPathSeparator);
}

TEST(CardName, PlainNamesAreAccepted) {
    for (const std::string& name : std::initializer_list<std::string>{"a", "my card", " lead and trail ", "a.b", "工商银行", kMakoto + kNoru, kPipeTrail,
                             "console", "COM0", "COM10", "LPT", "...x", "x."}) {
        EXPECT_TRUE(IsPlainCardName(name)) << name;
    }
}

TEST(CardName, NamesThatAreNotPlainFileNamesAreRefused) {
    for (const std::string& name : std::initializer_list<std::string>{"", ".", "..", "..\\x", "../x", "a:b", "a/b", "a\\b", "a*b", "a?b", "a\"b", "a<b",
                             "a>b", "a|b", "tab\there", std::string("nul\0x", 5), "line\nbreak", "\x1f"}) {
        EXPECT_FALSE(IsPlainCardName(name)) << name;
    }
}

TEST(CardName, DeviceNamesAreRefusedInAnyCaseWithOrWithoutExtension) {
    for (const char* name : {"CON", "con", "Prn", "aux", "NUL", "nul.ini", "nul .txt", "COM1", "com9", "LPT1",
                             "lpt9.x.y", "Aux.b"}) {
        EXPECT_FALSE(IsPlainCardName(name)) << name;
    }
}

TEST(CardName, LeadByteCannotHideAForbiddenByte) {
    EXPECT_FALSE(IsPlainCardName("\x81:stream"));
    EXPECT_FALSE(IsPlainCardName("\x81\x0A"));
    EXPECT_FALSE(IsPlainCardName("\x81/x"));
    EXPECT_FALSE(IsPlainCardName(kMakoto + "|"));
}

TEST(CardFilePathRule, IsTheExactConcatenation) {
    EXPECT_EQ(CardFilePath("C:" + kSep + "Tools", "B卡"),
              "C:" + kSep + "Tools" + kSep + "cards" + kSep + "B卡.ini");
    EXPECT_EQ(CardFilePath("D:", "my card"), "D:" + kSep + "cards" + kSep + "my card.ini");
    EXPECT_EQ(CardFilePath("D:", "..\\x"), std::nullopt);
    EXPECT_EQ(CardFilePath("D:", ""), std::nullopt);
    EXPECT_EQ(CardFilePath("X"), CardFilePath(ProgramDirectory(), "X"));
}

TEST(CardFilePathRule, TheCardFileAndItsScratchFileMustBothBeOpenable) {
    struct {
        std::string directory;
        std::string name;
        bool openable;
    } cases[] = {
        {"D:", std::string(kMaxFilePathBytes - 13, 'n'), true},  // D:\cards\ + name + .ini: at the limit
        {"D:", std::string(kMaxFilePathBytes - 12, 'n'), false},  // one byte more
        {std::string(kMaxFilePathBytes - kScratchFileNameBytes - 7, 'd'), "x", true},   // the scratch name just fits
        {std::string(kMaxFilePathBytes - kScratchFileNameBytes - 6, 'd'), "x", false},  // it does not
    };
    for (const auto& c : cases) {
        const std::optional<std::string> path = CardFilePath(c.directory, c.name);
        EXPECT_EQ(path.has_value(), c.openable) << c.directory.size() << " + " << c.name.size();
        const std::string built = CardStoreDirectory(c.directory) + kSep + c.name + ".ini";
        EXPECT_EQ(IsOpenableCardFile(built), c.openable);
    }
}

TEST(CardFilePathRule, GbkLiteralsAreCodePage936Bytes) {
    EXPECT_EQ(std::string("序列号"), "\xD0\xF2\xC1\xD0\xBA\xC5");
    EXPECT_EQ(std::string("请输入查询坐标！"), "\xC7\xEB\xCA\xE4\xC8\xEB\xB2\xE9\xD1\xAF\xD7\xF8\xB1\xEA\xA3\xA1");
}

}  // namespace
}  // namespace morvane
