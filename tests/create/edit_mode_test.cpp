// Edit mode: the boxes filled from the card file, and saves that always go
// to the card opened at start-up.
#include "editor_driver.h"

namespace morvane::test {
namespace {

const std::string kStored = CardBytes("SN-7", {"a1,a2", "b1,b2", "c1,c2"});

class EditMode : public ::testing::Test {
protected:
    // Opens `bytes` as card "卡" in a fresh editor.
    void Open(const std::string& bytes) {
        ASSERT_TRUE(directory_.WriteCardFile("卡", bytes));
        editor_.emplace(directory_, "-e 卡");
        ASSERT_TRUE(editor_->Opened());
    }
    void TearDown() override {
        if (editor_ && editor_->Opened()) {
            EXPECT_EQ(editor_->Close(), 0u);
        }
    }

    ScratchDirectory directory_;
    std::optional<Editor> editor_;
};

TEST_F(EditMode, BoxesShowTheStoredCard) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    EXPECT_EQ(Utf8Of(editor_->Title()), Utf8Of("编辑密保卡 - 密保卡：卡"));
    EXPECT_EQ(Utf8Of(editor_->ButtonCaption()), Utf8Of("保存密保卡"));
    EXPECT_EQ(editor_->Name(), "卡");
    EXPECT_EQ(editor_->Serial(), "SN-7");
    EXPECT_EQ(editor_->Content(), "a1,a2\r\nb1,b2\r\nc1,c2");
}

TEST_F(EditMode, ContentEndsAtTheFirstMissingRow) {
    // Lower-case keys and rows after a gap are not part of the card.
    ASSERT_NO_FATAL_FAILURE(Open("[card]\r\na=1\r\nB=2\r\nD=4\r\n[INFO]\r\n序列号=x\r\n"));
    EXPECT_EQ(editor_->Content(), "1\r\n2");
    EXPECT_EQ(editor_->Serial(), "x");
}

TEST_F(EditMode, CardWithoutCardSectionOpensEmptyAndCannotBeSavedAsIs) {
    ASSERT_NO_FATAL_FAILURE(Open("[Info]\r\n序列号=S\r\n"));
    EXPECT_EQ(editor_->Serial(), "S");
    EXPECT_EQ(editor_->Content(), "");
    EXPECT_MESSAGE_BOX(editor_->Save(), "每项都必须填写！不能为空", "错误", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("卡"), "[Info]\r\n序列号=S\r\n");
}

TEST_F(EditMode, SavesFewerRowsAndOnlyThoseRemain) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    editor_->SetSerial("SN-8");
    editor_->SetContent("z1,z2");
    std::optional<MessageBoxContent> box = editor_->Save();
    EXPECT_MESSAGE_BOX(box, "保存密保卡成功！", "保存密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.ReadCardFile("卡"), CardBytes("SN-8", {"z1,z2"}));
    // Still in edit mode, ready for the next save.
    EXPECT_EQ(Utf8Of(editor_->ButtonCaption()), Utf8Of("保存密保卡"));
}

TEST_F(EditMode, ChangedNameStillSavesIntoTheOpenedCard) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    editor_->SetName("other");
    editor_->SetContent("n1");
    EXPECT_MESSAGE_BOX(editor_->Save(), "保存密保卡成功！", "保存密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.CardFileNames(), std::vector<std::string>{"卡.ini"});
    EXPECT_EQ(directory_.ReadCardFile("卡"), CardBytes("SN-7", {"n1"}));
}

TEST_F(EditMode, ClearedNameFailsTheEmptyFieldCheck) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    editor_->SetName("");
    EXPECT_MESSAGE_BOX(editor_->Save(), "每项都必须填写！不能为空", "错误", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("卡"), kStored);
}

TEST_F(EditMode, CardDeletedMeanwhileIsWrittenAnew) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    ASSERT_TRUE(directory_.DeleteCardFile("卡"));
    EXPECT_MESSAGE_BOX(editor_->Save(), "保存密保卡成功！", "保存密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.ReadCardFile("卡"), kStored);
}

TEST_F(EditMode, FailedSavesLeaveTheOldFile) {
    ASSERT_NO_FATAL_FAILURE(Open(kStored));
    std::string content;
    for (int row = 1; row <= 27; ++row) content += "r" + std::to_string(row) + "\r\n";
    editor_->SetContent(content);
    EXPECT_MESSAGE_BOX(editor_->Save(), "保存密保卡失败！", "保存密保卡", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("卡"), kStored);

    const std::string file = directory_.CardFilePath("卡");
    ASSERT_TRUE(SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_READONLY));
    editor_->SetContent("x");
    std::optional<MessageBoxContent> box = editor_->Save();
    SetFileAttributesW(Wide(file).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_MESSAGE_BOX(box, "保存密保卡失败！", "保存密保卡", MessageBoxIcon::kError);
    EXPECT_EQ(directory_.ReadCardFile("卡"), kStored);
    // A failed save leaves the editor as ready as before.
    EXPECT_MESSAGE_BOX(editor_->Save(), "保存密保卡成功！", "保存密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.ReadCardFile("卡"), CardBytes("SN-7", {"x"}));
}

}  // namespace
}  // namespace morvane::test
