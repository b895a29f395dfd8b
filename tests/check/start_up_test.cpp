// Start-up: the card named by the first argument, split as the C runtime
// splits a command line, or the load-failure box and the end of the program.
#include "query_window_test.h"

namespace morvane::test {
namespace {

using StartUp = QueryWindowTest;

TEST_F(StartUp, TitleIsTheCardNameAndEveryBoxIsEmpty) {
    OpenCard("bank");
    EXPECT_EQ(TextOf(window), "bank");
    for (int id : {check::编辑框_坐标1, check::编辑框_坐标2, check::编辑框_坐标3, check::编辑框_结果})
        EXPECT_EQ(Text(id), "") << "control " << id;
}

TEST_F(StartUp, ArgumentsAfterTheFirstAreIgnored) {
    ASSERT_TRUE(directory.WriteCardFile("bank", NineByNineCard()));
    Open("bank other");
    EXPECT_EQ(TextOf(window), "bank");
}

TEST_F(StartUp, QuotesGroupANameWithABlank) {
    ASSERT_TRUE(directory.WriteCardFile("my card", NineByNineCard()));
    Open("\"my card\"");
    EXPECT_EQ(TextOf(window), "my card");
    TypeKeys("A1B2C3\r");
    EXPECT_TRUE(WaitForText(check::编辑框_结果, CodeAt(1, 1) + CodeAt(2, 2) + CodeAt(3, 3)));
}

// 誠 is D5 5C: its trail byte is a backslash, which a byte-wise path or
// argument scan would take for a separator or an escape.
TEST_F(StartUp, ANameWhoseTrailByteIsABackslashOpens) {
    ASSERT_TRUE(directory.WriteCardFile("誠", NineByNineCard()));
    Open("誠");
    EXPECT_EQ(TextOf(window), "誠");
    TypeKeys("A1B2I9\r");
    EXPECT_TRUE(WaitForText(check::编辑框_结果, CodeAt(1, 1) + CodeAt(2, 2) + CodeAt(9, 9)));
}

TEST_F(StartUp, QuotedNameWithABackslashTrailByteOpens) {
    ASSERT_TRUE(directory.WriteCardFile("工行 誠", NineByNineCard()));
    Open("\"工行 誠\"");
    EXPECT_EQ(TextOf(window), "工行 誠");
}

TEST_F(StartUp, NothingIsReadBeforeTheFirstQuery) {
    // An unreadable card body is not noticed at start-up: only the file's
    // existence counts.
    OpenCard("empty", "");
    EXPECT_EQ(TextOf(window), "empty");
    TypeKeys("A1B2C3\r");
    EXPECT_TRUE(WaitForText(check::编辑框_结果, ""));
}

struct LoadFailureCase {
    const char* label;
    const char* arguments;
    bool with_card_store;
};

void PrintTo(const LoadFailureCase& c, std::ostream* out) { *out << c.label; }

class LoadFailure : public ::testing::TestWithParam<LoadFailureCase> {};

TEST_P(LoadFailure, ErrorBoxThenTheProgramEnds) {
    ScratchDirectory directory(GetParam().with_card_store ? ScratchDirectory::CardStore::kPresent
                                                          : ScratchDirectory::CardStore::kAbsent);
    if (GetParam().with_card_store) {
        ASSERT_TRUE(directory.WriteCardFile("bank", NineByNineCard()));
    }
    auto program = RunningProgram::StartIn(directory, "check.exe", GetParam().arguments);
    ASSERT_TRUE(program);
    auto box = WaitForMessageBox(*program);
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->text, "读入密保卡失败！\r\n点击确定按钮退出程序！");
    EXPECT_EQ(box->title, "密保卡查询");
    EXPECT_STREQ(NameOf(box->icon), NameOf(MessageBoxIcon::kError));
    EXPECT_EQ(box->buttons.size(), 1u);
    // The query window never shows behind the box.
    EXPECT_EQ(program->WaitForMainWindow(0ms), nullptr);

    ASSERT_TRUE(DismissMessageBox(box->window));
    ASSERT_TRUE(program->WaitForExit());
    EXPECT_EQ(program->ExitCode(), std::optional<DWORD>(check::kExitLoadFailure));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFailure,
    ::testing::Values(LoadFailureCase{"NoArgument", "", true},
                      LoadFailureCase{"EmptyQuotedArgument", "\"\"", true},
                      LoadFailureCase{"MissingCard", "savings", true},
                      LoadFailureCase{"NoCardStore", "bank", false},
                      LoadFailureCase{"NameWithItsExtension", "bank.ini", true},
                      LoadFailureCase{"PathOutOfTheCardStore", "..\\cards\\bank", true},
                      LoadFailureCase{"Wildcard", "b*", true},
                      LoadFailureCase{"DeviceName", "CON", true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Exit, ClosingTheWindowEndsTheProgramWithZero) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("bank", NineByNineCard()));
    auto program = RunningProgram::StartIn(directory, "check.exe", "bank");
    ASSERT_TRUE(program);
    HWND window = program->WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(program->WaitForExit());
    EXPECT_EQ(program->ExitCode(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace morvane::test
