// The editor's command line: which arguments open which mode, and which end
// the program at once with exit code 0.
#include "editor_driver.h"

namespace morvane::test {
namespace {

const std::string kCard = CardBytes("S-1", {"11,12", "21,22"});

// Starts the editor and expects it to end by itself, showing no window and
// leaving the card store as it was.
void ExpectEndsSilently(std::string_view arguments) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("my card", kCard));
    ASSERT_TRUE(directory.WriteCardFile("my", kCard));
    const std::vector<std::string> before = FilesBelow(directory.Path());

    std::optional<RunningProgram> program = RunningProgram::StartIn(directory, "create.exe", arguments);
    ASSERT_TRUE(program);
    ASSERT_TRUE(program->WaitForExit()) << "create.exe " << arguments << " kept running";
    EXPECT_EQ(program->ExitCode(), 0u);
    EXPECT_EQ(FilesBelow(directory.Path()), before);
    EXPECT_EQ(directory.ReadCardFile("my card"), kCard);
}

TEST(EditorArguments, NoArgumentsEndsAtOnce) { ExpectEndsSilently(""); }

TEST(EditorArguments, EditSwitchWithoutCardNameEndsAtOnce) { ExpectEndsSilently("-e"); }

TEST(EditorArguments, EditSwitchWithTwoOrMoreWordsEndsAtOnce) {
    // Unquoted, a name with a blank is two words.
    ExpectEndsSilently("-e my card");
    ExpectEndsSilently("-e my card too");
}

TEST(EditorArguments, CreateSwitchOpensCreateMode) {
    for (std::string_view arguments : {"-c", "-c more words", "-c -e my"}) {
        SCOPED_TRACE(arguments);
        ScratchDirectory directory;
        Editor editor(directory, arguments);
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(Utf8Of(editor.Title()), Utf8Of("创建密保卡"));
        EXPECT_EQ(Utf8Of(editor.ButtonCaption()), Utf8Of("创建密保卡"));
        EXPECT_EQ(editor.Name(), "");
        EXPECT_EQ(editor.Serial(), "");
        EXPECT_EQ(editor.Content(), "");
        EXPECT_EQ(editor.Close(), 0u);
    }
}

TEST(EditorArguments, QuotedCardNameWithBlankOpensThatCard) {
    // 誠 ends in the byte of a backslash, which must not escape the quote.
    for (std::string_view name : {"my card", "誠 卡", "誠"}) {
        SCOPED_TRACE(Utf8Of(name));
        ScratchDirectory directory;
        ASSERT_TRUE(directory.WriteCardFile(name, kCard));
        Editor editor(directory, "-e \"" + std::string(name) + "\"");
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(Utf8Of(editor.Title()), Utf8Of("编辑密保卡 - 密保卡：" + std::string(name)));
        EXPECT_EQ(editor.Name(), name);
        EXPECT_EQ(editor.Close(), 0u);
    }
}

// A missing card, and a name that cannot be a card file's name, are both "no
// such card": the box, then the end with exit code 0, nothing touched.
TEST(EditorArguments, MissingCardShowsErrorAndEnds) {
    for (std::string_view name : {"missing", "..\\my", "con", "a:b", "a/b"}) {
        SCOPED_TRACE(name);
        ScratchDirectory directory;
        ASSERT_TRUE(directory.WriteCardFile("my", kCard));
        // What "..\my" would open if the name were taken as a path.
        ASSERT_TRUE(WriteFileBytes(directory.Path() + "\\my.ini", kCard));
        const std::vector<std::string> before = FilesBelow(directory.Path());

        std::optional<RunningProgram> program =
            RunningProgram::StartIn(directory, "create.exe", "-e " + std::string(name));
        ASSERT_TRUE(program);
        std::optional<MessageBoxContent> box = WaitForMessageBox(*program);
        EXPECT_MESSAGE_BOX(box, "密保卡不存在！\r\n点击确定退出程序", "编辑密保卡", MessageBoxIcon::kError);
        EXPECT_EQ(box->buttons.size(), 1u);
        // No editor window behind the box.
        for (HWND window : program->TopLevelWindows()) EXPECT_EQ(ClassOf(window), "#32770");
        ASSERT_TRUE(DismissMessageBox(box->window));
        ASSERT_TRUE(program->WaitForExit());
        EXPECT_EQ(program->ExitCode(), 0u);
        EXPECT_EQ(FilesBelow(directory.Path()), before);
    }
}

TEST(EditorArguments, SwitchesAreCaseSensitiveAndWhole) {
    for (std::string_view arguments : {"-E my", "-C", "-cc", "/c", "c"}) {
        SCOPED_TRACE(arguments);
        ScratchDirectory directory;
        ASSERT_TRUE(directory.WriteCardFile("my", kCard));
        Editor editor(directory, arguments);
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(editor.Title(), "");
        EXPECT_EQ(editor.ButtonCaption(), "");
        EXPECT_EQ(editor.Name(), "");  // "-E my" opened nothing
        EXPECT_EQ(editor.Close(), 0u);
        EXPECT_EQ(directory.ReadCardFile("my"), kCard);
    }
}

TEST(EditorArguments, UnknownSwitchSavesLikeCreateModeUnderEmptyTitle) {
    ScratchDirectory directory;
    Editor editor(directory, "-E");
    ASSERT_TRUE(editor.Opened());
    editor.Fill("new", "S", "a,b");
    std::optional<MessageBoxContent> box = editor.Save();
    EXPECT_MESSAGE_BOX(box, "创建密保卡成功！", "", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory.ReadCardFile("new"), CardBytes("S", {"a,b"}));
    EXPECT_EQ(editor.Close(), 0u);
}

}  // namespace
}  // namespace morvane::test
