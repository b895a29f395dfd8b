// Saving in create mode: the card file written, the checks before it, and
// the messages.
#include "editor_driver.h"

namespace morvane::test {
namespace {

class CreateMode : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(editor_.Opened()); }
    void TearDown() override { EXPECT_EQ(editor_.Close(), 0u); }

    ScratchDirectory directory_;
    Editor editor_{directory_, "-c"};
};

TEST_F(CreateMode, WritesTheCardFileAndSaysSo) {
    editor_.Fill("网银", "序号 0001", "A1,A2,A3\r\nB1,B2,B3\r\nC1,C2,C3");
    std::optional<MessageBoxContent> box = editor_.Save();
    EXPECT_MESSAGE_BOX(box, "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(directory_.CardFileNames(), std::vector<std::string>{"网银.ini"});
    EXPECT_EQ(directory_.ReadCardFile("网银"),
              "[Info]\r\n序列号=序号 0001\r\n[Card]\r\nA=A1,A2,A3\r\nB=B1,B2,B3\r\nC=C1,C2,C3\r\n");
    // The window stays, as it was.
    EXPECT_TRUE(editor_.Program().IsRunning());
    EXPECT_EQ(editor_.Name(), "网银");
    EXPECT_EQ(Utf8Of(editor_.Title()), Utf8Of("创建密保卡"));
}

TEST_F(CreateMode, EmptyFieldIsRefusedAndNothingWritten) {
    const struct {
        const char* name;
        const char* serial;
        const char* content;
    } cases[] = {{"", "S", "a"}, {"n", "", "a"}, {"n", "S", ""}, {"", "", ""}};
    for (const auto& fields : cases) {
        SCOPED_TRACE(std::string(fields.name) + "|" + fields.serial + "|" + fields.content);
        editor_.Fill(fields.name, fields.serial, fields.content);
        std::optional<MessageBoxContent> box = editor_.Save();
        EXPECT_MESSAGE_BOX(box, "每项都必须填写！不能为空", "错误", MessageBoxIcon::kError);
        EXPECT_EQ(FilesBelow(directory_.CardStorePath()), std::vector<std::string>{});
        EXPECT_EQ(editor_.Name(), fields.name);
        EXPECT_EQ(editor_.Serial(), fields.serial);
        EXPECT_EQ(editor_.Content(), fields.content);
    }
}

TEST_F(CreateMode, FieldOfBlanksCountsAsFilled) {
    editor_.Fill("n", " ", "a,b");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_TRUE(directory_.CardFileExists("n"));
}

TEST_F(CreateMode, ExistingNameIsWrittenOverWithoutQuestion) {
    ASSERT_TRUE(directory_.WriteCardFile("old", CardBytes("OLD", {"1", "2", "3", "4", "5"})));
    editor_.Fill("old", "NEW", "x,y\r\nz");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    // Only the new rows are the card: C to E are gone.
    EXPECT_EQ(directory_.ReadCardFile("old"), CardBytes("NEW", {"x,y", "z"}));
}

TEST_F(CreateMode, ChangedNameMakesASecondCardAndKeepsTheFirst) {
    editor_.Fill("first", "S", "a");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    editor_.SetName("second");
    editor_.SetContent("b");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.CardFileNames(), (std::vector<std::string>{"first.ini", "second.ini"}));
    EXPECT_EQ(directory_.ReadCardFile("first"), CardBytes("S", {"a"}));
    EXPECT_EQ(directory_.ReadCardFile("second"), CardBytes("S", {"b"}));
}

TEST_F(CreateMode, LoneLineBreaksSplitRows) {
    editor_.Fill("n", "S", "a,1\nb,2\rc,3\r\nd,4");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.ReadCardFile("n"), CardBytes("S", {"a,1", "b,2", "c,3", "d,4"}));
}

TEST_F(CreateMode, TwentySixRowsAreSavedAndTwentySevenRefused) {
    std::vector<std::string> rows;
    std::string content;
    for (int row = 1; row <= 26; ++row) {
        rows.push_back("r" + std::to_string(row));
        content += (row > 1 ? "\r\n" : "") + rows.back();
    }
    editor_.Fill("full", "S", content);
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    const std::string saved = CardBytes("S", rows);
    EXPECT_EQ(directory_.ReadCardFile("full"), saved);

    editor_.SetContent(content + "\r\nr27");
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡失败！", "创建密保卡", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("full"), saved);
}

// A name that is not a plain file name writes nowhere: not outside the card
// store, not to a device, not into an alternate stream.
TEST_F(CreateMode, NameThatIsNoFileNameFailsAndWritesNothing) {
    ASSERT_TRUE(directory_.WriteCardFile("a", CardBytes("OLD", {"1"})));
    const std::vector<std::string> before = FilesBelow(directory_.Path());
    for (std::string_view name : {"..\\x", "..", ".", "a:b", "a/b", "sub\\x", "con", "nul", "COM1", "a*", "a?b",
                                  "a|b", "a\"b", "<a>"}) {
        SCOPED_TRACE(name);
        editor_.Fill(name, "S", "a");
        EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡失败！", "创建密保卡", MessageBoxIcon::kError);
        EXPECT_EQ(FilesBelow(directory_.Path()), before);
    }
    EXPECT_EQ(directory_.ReadCardFile("a"), CardBytes("OLD", {"1"}));
}

TEST_F(CreateMode, ReadOnlyCardFileFailsAndStaysAsItWas) {
    const std::string old_card = CardBytes("OLD", {"1", "2"});
    ASSERT_TRUE(directory_.WriteCardFile("locked", old_card));
    const std::string file = directory_.CardFilePath("locked");
    ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
    editor_.Fill("locked", "NEW", "x");
    std::optional<MessageBoxContent> box = editor_.Save();
    SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_MESSAGE_BOX(box, "创建密保卡失败！", "创建密保卡", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("locked"), old_card);
    EXPECT_EQ(directory_.CardFileNames(), std::vector<std::string>{"locked.ini"});
}

TEST(CreateModeWithoutCardStore, FailsAndMakesNoDirectory) {
    ScratchDirectory directory(ScratchDirectory::CardStore::kAbsent);
    const std::vector<std::string> before = FilesBelow(directory.Path());
    Editor editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    editor.Fill("n", "S", "a");
    EXPECT_MESSAGE_BOX(editor.Save(), "创建密保卡失败！", "创建密保卡", MessageBoxIcon::kError);
    EXPECT_EQ(FilesBelow(directory.Path()), before);
    EXPECT_EQ(editor.Close(), 0u);
}

}  // namespace
}  // namespace morvane::test
