// The harness's own claims, proved against a stand-in program that shows one
// message box: that it finds the box of the right process, reads text, title
// and icon kind, and dismisses it with the keyboard.
#include <gtest/gtest.h>

#include "window_harness.h"

namespace morvane::test {
namespace {

std::optional<RunningProgram> ShowMessageBox(const ScratchDirectory& directory, UINT flags, std::string_view title,
                                             std::string_view text) {
    const std::string program = TestProgramDirectory() + "\\message_box_program.exe";
    const std::string command_line = "message_box_program.exe " + std::to_string(flags) + " \"" + std::string(title) +
                                     "\" \"" + std::string(text) + "\"";
    return RunningProgram::Start(program, command_line, directory.Path());
}

struct IconCase {
    UINT flags;
    MessageBoxIcon icon;
};

void PrintTo(const IconCase& c, std::ostream* out) { *out << NameOf(c.icon); }

class MessageBoxIconTest : public ::testing::TestWithParam<IconCase> {};

TEST_P(MessageBoxIconTest, ToldByTheIconShown) {
    ScratchDirectory directory;
    auto program = ShowMessageBox(directory, MB_OK | GetParam().flags, "title", "text");
    ASSERT_TRUE(program);
    auto box = WaitForMessageBox(*program);
    ASSERT_TRUE(box);
    EXPECT_EQ(NameOf(box->icon), std::string(NameOf(GetParam().icon)));
    EXPECT_TRUE(DismissMessageBox(box->window));
}

INSTANTIATE_TEST_SUITE_P(Kinds, MessageBoxIconTest,
                         ::testing::Values(IconCase{MB_ICONERROR, MessageBoxIcon::kError},
                                           IconCase{MB_ICONWARNING, MessageBoxIcon::kWarning},
                                           IconCase{MB_ICONINFORMATION, MessageBoxIcon::kInformation},
                                           IconCase{MB_ICONQUESTION, MessageBoxIcon::kQuestion},
                                           IconCase{0, MessageBoxIcon::kNone}),
                         [](const auto& info) { return std::string(NameOf(info.param.icon)); });

TEST(MessageBoxes, TextTitleAndButtonAreReadInGbk) {
    ScratchDirectory directory;
    // Narrow literals are GBK, as in the programs.
    const std::string title = "密保卡";
    const std::string text = "第一行\r\n第二行";
    auto program = ShowMessageBox(directory, MB_OK | MB_ICONERROR, title, text);
    ASSERT_TRUE(program);
    auto box = WaitForMessageBox(*program);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "密保卡");
    EXPECT_EQ(box->text, "第一行\r\n第二行");
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_TRUE(program->IsRunning());
}

TEST(MessageBoxes, EnterDismissesItAndTheProgramEndsWithItsAnswer) {
    ScratchDirectory directory;
    auto program = ShowMessageBox(directory, MB_OKCANCEL, "t", "x");
    ASSERT_TRUE(program);
    auto box = WaitForMessageBox(*program);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->buttons.size(), 2u);
    ASSERT_TRUE(DismissMessageBox(box->window));
    ASSERT_TRUE(program->WaitForExit());
    EXPECT_EQ(program->ExitCode(), std::optional<DWORD>(IDOK));
}

TEST(MessageBoxes, OnlyTheBoxOfTheWatchedProcessIsFound) {
    ScratchDirectory directory;
    auto other = ShowMessageBox(directory, MB_OK, "other", "other");
    ASSERT_TRUE(other);
    ASSERT_TRUE(WaitForMessageBox(*other));
    auto program = ShowMessageBox(directory, MB_OK, "mine", "mine");
    ASSERT_TRUE(program);
    auto box = WaitForMessageBox(*program);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "mine");
    EXPECT_EQ(program->WaitForMainWindow(100ms), nullptr) << "a message box is not a main window";
}

TEST(RunningProgram, EndedWhenTheTestLetsGoOfIt) {
    ScratchDirectory directory;
    HANDLE process = nullptr;
    {
        auto program = ShowMessageBox(directory, MB_OK, "t", "x");
        ASSERT_TRUE(program);
        ASSERT_TRUE(program->WaitForDialog());
        ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), program->ProcessHandle(), GetCurrentProcess(), &process,
                                    SYNCHRONIZE, FALSE, 0));
    }
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
}

TEST(ScratchDirectory, CardFilesAreRawBytes) {
    ScratchDirectory directory;
    const std::string name = "誠";  // D5 5C: its trail byte is a backslash
    const std::string bytes = "[Card]\r\nA=1,2\r\n\xD0\xF2";
    ASSERT_TRUE(directory.WriteCardFile(name, bytes));
    EXPECT_EQ(directory.ReadCardFile(name), std::optional<std::string>(bytes));
    EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{name + ".ini"});
    EXPECT_TRUE(directory.DeleteCardFile(name));
    EXPECT_FALSE(directory.CardFileExists(name));
}

TEST(ScratchDirectory, CardStoreCanBeLeftOut) {
    ScratchDirectory directory(ScratchDirectory::CardStore::kAbsent);
    EXPECT_FALSE(directory.WriteCardFile("a", "x"));
    ASSERT_TRUE(directory.CreateCardStore());
    EXPECT_TRUE(directory.WriteCardFile("a", "x"));
}

}  // namespace
}  // namespace morvane::test
