#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "card_store.h"
#include "test_files.h"

namespace morvane {
namespace {

using testing::ProfileImplementation;
using testing::ReadBytes;
using testing::WriteBytes;

class CardStoreTest : public ::testing::TestWithParam<ProfileImplementation> {
protected:
    Profile& profile() { return GetParam().get(); }
    bool Save(const FilePath& file, std::string_view serial, std::string_view content) {
        return SaveCard(profile(), file, serial, content);
    }
    // Nothing but the card files the test made: no scratch copy left behind.
    std::vector<std::string> StoreListing() {
        auto names = testing::ListDirectory(store.cards());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::ScratchStore store;
};

TEST_P(CardStoreTest, NewThreeRowCardHasTheSixLinesOfTheFormat) {
    const FilePath file = store.Card("B卡");
    ASSERT_TRUE(Save(file, "SN-001", "11,12,13\r\n21,22,23\r\n31,32,33"));
    EXPECT_EQ(ReadBytes(file),
              "[Info]\r\n\xD0\xF2\xC1\xD0\xBA\xC5=SN-001\r\n[Card]\r\nA=11,12,13\r\nB=21,22,23\r\nC=31,32,33\r\n");
    EXPECT_EQ(ReadCardContent(profile(), file), "11,12,13\r\n21,22,23\r\n31,32,33");
    EXPECT_EQ(profile().ReadValue(file, kInfoSection, kSerialNumberKey), "SN-001");
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"B卡.ini"});
}

TEST_P(CardStoreTest, ReadBackStopsAtTheFirstEmptyOrMissingRowAndAfterZ) {
    const FilePath file = store.Card("c");
    WriteBytes(file, "[Info]\r\n序列号=9\r\n");
    EXPECT_EQ(ReadCardContent(profile(), file), "");

    WriteBytes(file, "[Card]\r\nA=a\r\nB=b\r\nD=d\r\n");
    EXPECT_EQ(ReadCardContent(profile(), file), "a\r\nb");

    WriteBytes(file, "[Card]\r\nA=\r\nB=b\r\n");
    EXPECT_EQ(ReadCardContent(profile(), file), "");

    std::string all = "[Card]\r\n", expected;
    for (int row = 1; row <= 26; ++row) {
        all += RowLetter(row) + "=r" + std::to_string(row) + "\r\n";
        expected += (row > 1 ? "\r\n" : "") + std::string("r") + std::to_string(row);
    }
    WriteBytes(file, all + "[=past z\r\n0=digit\r\n");
    EXPECT_EQ(ReadCardContent(profile(), file), expected);
}

TEST_P(CardStoreTest, RowsAreFoundWhateverTheCaseOfSectionAndKey) {
    const FilePath file = store.Card("c");
    WriteBytes(file, "[card]\r\na=low\r\nB=up\r\n");
    EXPECT_EQ(profile().ReadValue(file, "Card", "b"), "up");
    EXPECT_EQ(ReadCardContent(profile(), file), "low\r\nup");
}

TEST_P(CardStoreTest, SavingFewerRowsLeavesOnlyTheNewRowsAndKeepsForeignLines) {
    const FilePath file = store.Card("c");
    ASSERT_TRUE(Save(file, "1", "a\r\nb\r\nc\r\nd"));
    ASSERT_TRUE(profile().WriteValue(file, "Card", "Note", "kept"));
    ASSERT_TRUE(profile().WriteValue(file, "Other", "k", "v"));
    ASSERT_TRUE(Save(file, "2", "x\r\ny"));
    EXPECT_EQ(ReadCardContent(profile(), file), "x\r\ny");
    EXPECT_EQ(profile().ReadValue(file, "Card", "C"), "");
    EXPECT_EQ(profile().ReadValue(file, "Card", "D"), "");
    EXPECT_EQ(profile().ReadValue(file, "Card", "Note"), "kept");
    EXPECT_EQ(profile().ReadValue(file, "Other", "k"), "v");
    EXPECT_EQ(profile().ReadValue(file, kInfoSection, kSerialNumberKey), "2");
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"c.ini"});
}

TEST_P(CardStoreTest, EveryKindOfLineBreakSplitsRows) {
    const FilePath file = store.Card("c");
    ASSERT_TRUE(Save(file, "s", "lf1\nlf2\rcr3\r\ncrlf4"));
    EXPECT_EQ(ReadCardContent(profile(), file), "lf1\r\nlf2\r\ncr3\r\ncrlf4");
    EXPECT_EQ(ReadBytes(file).find("\n\n"), std::string::npos);
}

TEST_P(CardStoreTest, EmptyLinesCarryNoRowSoReadBackAgreesWithTheSave) {
    const FilePath file = store.Card("c");
    ASSERT_TRUE(Save(file, "s", "a\r\n\r\nb\n\n   \n\"\"\nc\r\n\r\n"));
    EXPECT_EQ(ReadCardContent(profile(), file), "a\r\nb\r\nc");
    EXPECT_EQ(profile().ReadValue(file, "Card", "D"), "");
}

TEST_P(CardStoreTest, TwentySixRowsFitATwentySeventhFailsAndChangesNothing) {
    const FilePath file = store.Card("c");
    std::string rows;
    for (int row = 1; row <= 26; ++row) rows += "r" + std::to_string(row) + "\r\n";
    ASSERT_TRUE(Save(file, "s", rows));
    EXPECT_EQ(profile().ReadValue(file, "Card", "Z"), "r26");
    const std::string before = ReadBytes(file);

    EXPECT_FALSE(Save(file, "other", rows + "r27"));
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"c.ini"});
}

TEST_P(CardStoreTest, MissingCardStoreFailsAndCreatesNothing) {
    const FilePath cards = store.cards();
    testing::RemoveTree(cards);
    EXPECT_FALSE(Save(store.Card("c"), "s", "a"));
    EXPECT_FALSE(files::IsDirectory(cards));
    EXPECT_TRUE(testing::ListDirectory(store.root()).empty());
}

TEST_P(CardStoreTest, ReadOnlyCardFileFailsAndStaysAsItWas) {
    const FilePath file = store.Card("c");
    ASSERT_TRUE(Save(file, "s", "a\r\nb"));
    const std::string before = ReadBytes(file);
    testing::SetReadOnly(file, true);
    EXPECT_FALSE(Save(file, "t", "x"));
    testing::SetReadOnly(file, false);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"c.ini"});
}

// A card that could not be flushed to the disk may not be renamed into place.
TEST_P(CardStoreTest, AFailedFlushFailsTheSaveAndLeavesTheOldCard) {
    const FilePath file = store.Card("c");
    ASSERT_TRUE(Save(file, "s", "a\r\nb"));
    const std::string before = ReadBytes(file);
    struct FailingFlush final : files::FileSystem {
        bool FlushToDisk(const FilePath&) override { return false; }
    } failing_flush;
    {
        files::FileSystemOverride disk_error(failing_flush);
        EXPECT_FALSE(Save(file, "t", "x\r\ny\r\nz"));
    }
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"c.ini"});
}

TEST_P(CardStoreTest, ADirectoryInPlaceOfTheCardFileFails) {
    const FilePath file = store.Card("c");
    testing::MakeDirectory(file);
    EXPECT_FALSE(CardFileExists(file));
    EXPECT_FALSE(Save(file, "s", "a"));
    EXPECT_TRUE(files::IsDirectory(file));
}

std::string RowOfLength(std::size_t length) {
    std::string row;
    while (row.size() < length) row += "1234567,";
    row.resize(length - 3);
    return row + "end";
}

TEST_P(CardStoreTest, NamesUpToThePathLimitSaveOneMoreIsRefusedAndLeavesNothing) {
    // The longest name is set by the card store's own path, whatever its depth.
    const std::size_t longest = kMaxFilePathLength - store.cards().size() - 1 - 4;
    ASSERT_LE(longest, 251u) << "the longest file name most file systems take, with \".ini\"";
    const std::string name(longest, 'n');
    const FilePath file = store.Card(name);
    ASSERT_EQ(file.size(), kMaxFilePathLength);
    ASSERT_TRUE(Save(file, "s", "a"));
    EXPECT_EQ(ReadCardContent(profile(), file), "a");

    const FilePath too_long = store.cards() + kPathSeparator + testing::PathOf(name + "n.ini");
    EXPECT_FALSE(Save(too_long, "s", "a"));
    EXPECT_EQ(StoreListing(), std::vector<std::string>{name + ".ini"});
}

TEST_P(CardStoreTest, LongValuesAreReadBackWhole) {
    const FilePath file = store.Card("c");
    const std::string row = RowOfLength(1u << 20);
    WriteBytes(file, "[Card]\r\nA=" + row + "\r\nB=short\r\n");
    EXPECT_TRUE(profile().ReadValue(file, "Card", "A") == row);
    EXPECT_TRUE(ReadCardContent(profile(), file) == row + "\r\nshort");
}

TEST_P(CardStoreTest, RowsUpToTheWriterLimitSaveWholeLongerOnesFailAndChangeNothing) {
    const FilePath file = store.Card("c");
    const std::string longest = RowOfLength(kMaxProfileValueBytes);
    ASSERT_TRUE(Save(file, "s", longest + "\r\nshort"));
    EXPECT_TRUE(profile().ReadValue(file, "Card", "A") == longest);
    const std::string before = ReadBytes(file);

    EXPECT_FALSE(Save(file, "s", "x\r\n" + RowOfLength(kMaxProfileValueBytes + 1)));
    EXPECT_FALSE(Save(file, RowOfLength(1u << 20), "x"));
    EXPECT_TRUE(ReadBytes(file) == before);
    EXPECT_EQ(StoreListing(), std::vector<std::string>{"c.ini"});
}

TEST_P(CardStoreTest, WriteValueRefusesLineBreaksAndEmptyNames) {
    const FilePath file = store.Card("c");
    EXPECT_FALSE(profile().WriteValue(file, "Card", "A", "one\ntwo"));
    EXPECT_FALSE(profile().WriteValue(file, "Card", "A", "one\rtwo"));
    EXPECT_FALSE(profile().WriteValue(file, "Card", "A", std::string("one\0two", 7)));
    EXPECT_FALSE(profile().WriteValue(file, "Card", "A\n", "x"));
    EXPECT_FALSE(profile().WriteValue(file, "Ca\r\nrd", "A", "x"));
    EXPECT_FALSE(profile().WriteValue(file, "", "A", "x"));
    EXPECT_FALSE(profile().WriteValue(file, "Card", "", "x"));
    EXPECT_FALSE(CardFileExists(file));
}

TEST_P(CardStoreTest, ValuesReadAsThePlatformReadsThem) {
    const FilePath file = store.Card("c");
    WriteBytes(file, "[Card]\r\n  A  =  1, 2  \r\nB=\"quoted\"\r\nC='single'\r\nD=\"\r\nE=\"half\r\nF=x=y\r\n");
    EXPECT_EQ(profile().ReadValue(file, "Card", "A"), "1, 2");
    EXPECT_EQ(profile().ReadValue(file, "Card", "B"), "quoted");
    EXPECT_EQ(profile().ReadValue(file, "Card", "C"), "single");
    EXPECT_EQ(profile().ReadValue(file, "Card", "D"), "\"");
    EXPECT_EQ(profile().ReadValue(file, "Card", "E"), "\"half");
    EXPECT_EQ(profile().ReadValue(file, "Card", "F"), "x=y");
}

// 誠 is D5 5C in GBK: its second byte is that of a backslash.
TEST_P(CardStoreTest, CardNamesWithBlanksAndChineseKeepTheirCharacters) {
#ifdef _WIN32
    const std::string name = "my 工行 誠";
#else
    const std::string name = "my 工行";
#endif
    const FilePath file = store.Card(name);
    ASSERT_TRUE(Save(file, "s", "a"));
    EXPECT_EQ(StoreListing(), std::vector<std::string>{name + ".ini"});
    EXPECT_TRUE(CardFileExists(file));
    EXPECT_FALSE(CardFileExists(store.Card("my")));
}

TEST_P(CardStoreTest, MissingFileReadsEmptyAndRemovingCreatesNothing) {
    const FilePath file = store.Card("gone");
    EXPECT_EQ(profile().ReadValue(file, "Card", "A"), "");
    EXPECT_EQ(ReadCardContent(profile(), file), "");
    EXPECT_TRUE(profile().RemoveKey(file, "Card", "A"));
    EXPECT_FALSE(CardFileExists(file));
}

INSTANTIATE_TEST_SUITE_P(Implementations, CardStoreTest, ::testing::ValuesIn(testing::ProfileImplementations()),
                         testing::ImplementationName);

#ifdef _WIN32
// A card file a text editor saved as UTF-16 stays UTF-16; one holding a
// character GBK cannot hold would lose it in the save, so the save fails
// and leaves it.
TEST(Utf16CardFile, StaysUtf16AndIsKeptWhenASaveWouldLoseACharacter) {
    testing::ScratchStore store;
    const FilePath file = store.Card("u");
    const auto utf16 = [](std::wstring_view text) {
        return std::string("\xFF\xFE") + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    };
    WriteBytes(file, utf16(L"[Card]\r\nA=甲1,乙2\r\n"));
    EXPECT_EQ(ReadCardContent(OwnProfile(), file), "甲1,乙2");
    ASSERT_TRUE(SaveCard(OwnProfile(), file, "s", "丙3"));
    EXPECT_EQ(ReadBytes(file), utf16(L"[Card]\r\nA=丙3\r\n[Info]\r\n序列号=s\r\n"));

    const std::string holding_an_emoji = utf16(L"[Card]\r\nA=1\r\n; 😀\r\n");
    WriteBytes(file, holding_an_emoji);
    EXPECT_FALSE(SaveCard(OwnProfile(), file, "s", "2"));
    EXPECT_EQ(ReadBytes(file), holding_an_emoji);
    EXPECT_EQ(ReadCardContent(OwnProfile(), file), "1");
}
#endif

TEST(SplitCardContent, RefusesMoreThanTwentySixRowsButNotTrailingBreaks) {
    std::string rows;
    for (int row = 1; row <= 26; ++row) rows += "r\n";
    EXPECT_TRUE(SplitCardContent(rows + "\n\r\n").ok);
    EXPECT_FALSE(SplitCardContent(rows + "r").ok);
    EXPECT_TRUE(SplitCardContent("").ok);
    EXPECT_TRUE(SplitCardContent("").rows.empty());
    EXPECT_EQ(SplitCardContent("a\r\r\nb").rows, (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace morvane
