// What the editor saves is what the query window answers: cards made in
// create.exe and asked in check.exe.
#include "check_controls.h"
#include "editor_driver.h"

namespace morvane::test {
namespace {

// Opens check.exe with `arguments`, asks the three coordinates and gives the
// answer shown once it reads `expected` or the deadline passed (the result
// box fills code by code); "<no window>" when the query window did not open.
std::string Answer(const ScratchDirectory& directory, std::string_view arguments, std::string_view first,
                     std::string_view second, std::string_view third, std::string_view expected) {
    std::optional<RunningProgram> program = RunningProgram::StartIn(directory, "check.exe", arguments);
    if (!program) return "<not started>";
    HWND window = program->WaitForMainWindow();
    if (!window) return "<no window>";
    SetTextOf(ControlOf(window, check::编辑框_坐标1), first);
    SetTextOf(ControlOf(window, check::编辑框_坐标2), second);
    SetTextOf(ControlOf(window, check::编辑框_坐标3), third);
    HWND result = ControlOf(window, check::编辑框_结果);
    SetTextOf(result, "-");
    if (!BringToForeground(window)) return "<not in front>";
    ClickControl(ControlOf(window, check::按钮_查询));
    std::string answer;
    WaitUntil([&] { return (answer = TextOf(result)) == expected; });
    PostMessageA(window, WM_CLOSE, 0, 0);
    program->WaitForExit();
    return answer;
}

// Types a card into a new editor, saves it and expects success.
::testing::AssertionResult CheckAnswers(const ScratchDirectory& directory, std::string_view arguments,
                                        std::string_view first, std::string_view second, std::string_view third,
                                        std::string_view expected) {
    const std::string answer = Answer(directory, arguments, first, second, third, expected);
    if (answer == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "check.exe " << Utf8Of(std::string(arguments)) << " answered \""
                                         << Utf8Of(answer) << "\", not \"" << Utf8Of(std::string(expected)) << "\"";
}

void CreateCard(const ScratchDirectory& directory, std::string_view name, std::string_view serial,
                std::string_view content) {
    Editor editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    editor.Fill(name, serial, content);
    EXPECT_MESSAGE_BOX(editor.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(editor.Close(), 0u);
}

TEST(EditorToQuery, NameWithABlank) {
    ScratchDirectory directory;
    ASSERT_NO_FATAL_FAILURE(CreateCard(directory, "my card", "SN 1", "11,12,13\r\n21,22,23\r\n31,32,33"));
    // The manager passes the name unquoted; quoted is how a blank survives.
    EXPECT_TRUE(CheckAnswers(directory, "\"my card\"", "A1", "B2", "C3", "112233"));
    EXPECT_TRUE(CheckAnswers(directory, "\"my card\"", "序", "列", "号", "SN 1"));
}

// 誠 is D5 5C in code page 936: its trail byte is a backslash.
TEST(EditorToQuery, NameWithABackslashTrailByte) {
    ScratchDirectory directory;
    ASSERT_NO_FATAL_FAILURE(CreateCard(directory, "誠卡", "誠", "a,誠\r\nb,c"));
    EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{"誠卡.ini"});
    EXPECT_TRUE(CheckAnswers(directory, "誠卡", "A2", "B1", "B2", "誠bc"));

    // And back into the editor for a change.
    Editor editor(directory, "-e 誠卡");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Content(), "a,誠\r\nb,c");
    editor.SetContent("x,y");
    EXPECT_MESSAGE_BOX(editor.Save(), "保存密保卡成功！", "保存密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(editor.Close(), 0u);
    EXPECT_TRUE(CheckAnswers(directory, "誠卡", "A1", "A2", "B1", "xy"));
}

TEST(EditorToQuery, ContentPastedWithLoneLineFeeds) {
    ScratchDirectory directory;
    Editor editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    editor.SetName("pasted");
    editor.SetSerial("S");
    ASSERT_TRUE(SetClipboardText("1a,1b,1c\n2a,2b,2c\n3a,3b,3c\n"));
    ASSERT_TRUE(BringToForeground(editor.Window()));
    ClickControl(editor.Control(ids::编辑框_密保卡内容));
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(editor.Window()) == editor.Control(ids::编辑框_密保卡内容); }));
    PressCtrl('V');
    ASSERT_TRUE(WaitUntil([&] { return !editor.Content().empty(); }));
    EXPECT_MESSAGE_BOX(editor.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(editor.Close(), 0u);
    EXPECT_EQ(directory.ReadCardFile("pasted"), CardBytes("S", {"1a,1b,1c", "2a,2b,2c", "3a,3b,3c"}));
    EXPECT_TRUE(CheckAnswers(directory, "pasted", "A3", "B2", "C1", "1c2b3a"));
}

}  // namespace
}  // namespace morvane::test
