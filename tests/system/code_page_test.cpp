// The three programs whatever code page the system keeps for programs that
// are not Unicode: CMakeLists.txt runs these tests under 936, 1252, 950 and
// 65001 (wine takes the code page from the locale). Every text shows as it is
// written, a card with a Chinese name opens, and a card file holds the same
// GBK bytes under each.
#include <gtest/gtest.h>

#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "check_controls.h"
#include "create_controls.h"
#include "editor_driver.h"
#include "manager_controls.h"
#include "manager_test_support.h"
#include "query_window_driver.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

const std::string kName = "新卡片";
const std::string kCardFile = "[Info]\r\n序列号=工行-01\r\n[Card]\r\nA=甲1,乙2,丙3\r\nB=丁4,戊5,己6\r\n";

// The texts of a window's controls, in table order: control id and text.
void ExpectTexts(HWND window, std::initializer_list<std::pair<int, std::string>> texts) {
    for (const auto& [id, text] : texts) EXPECT_EQ(TextOf(ControlOf(window, id)), text) << "control " << id;
}

// Each test first makes sure the system code page is the one it runs for: a
// locale wine did not know would quietly give 936 again.
class AnyCodePage : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t expected[16] = {};
        if (GetEnvironmentVariableW(L"MORVANE_CODE_PAGE", expected, 16)) {
            ASSERT_EQ(GetACP(), std::wcstoul(expected, nullptr, 10));
        }
    }
};

void ExpectMessage(const std::optional<MessageBoxContent>& box, const std::string& title, const std::string& text,
                   MessageBoxIcon icon) {
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->icon, icon) << NameOf(box->icon);
}

TEST_F(AnyCodePage, TheEditorShowsItsTextsAndSavesGbkAndNothingGbkCannotHold) {
    ScratchDirectory directory;
    {
        Editor editor(directory, "-c");
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(editor.Title(), "创建密保卡");
        ExpectTexts(editor.Window(), {{create::标签1, "密保卡名："},
                                      {create::标签2, "密保卡序列号："},
                                      {create::标签3, "密保卡内容："},
                                      {create::按钮_finish, "创建密保卡"}});
        // A pasted emoji: GBK has no bytes for it.
        SetTextOf(editor.Control(create::编辑框_密保卡名), L"表情");
        SetTextOf(editor.Control(create::编辑框_序列号), L"工行-01");
        SetTextOf(editor.Control(create::编辑框_密保卡内容), L"甲1,😀");
        ExpectMessage(editor.Save(), "创建密保卡", "创建密保卡失败！", MessageBoxIcon::kError);
        EXPECT_TRUE(directory.CardFileNames().empty()) << "nothing is written";

        editor.Fill(kName, "工行-01", "甲1,乙2,丙3\r\n丁4,戊5,己6");
        ExpectMessage(editor.Save(), "创建密保卡", "创建密保卡成功！", MessageBoxIcon::kInformation);
        EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{kName + ".ini"});
        EXPECT_EQ(directory.ReadCardFile(kName), kCardFile);
    }
    Editor editor(directory, "-e " + kName);
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Title(), "编辑密保卡 - 密保卡：" + kName);
    EXPECT_EQ(editor.Name(), kName);
    EXPECT_EQ(editor.Serial(), "工行-01");
    EXPECT_EQ(editor.Content(), "甲1,乙2,丙3\r\n丁4,戊5,己6");
    EXPECT_EQ(editor.ButtonCaption(), "保存密保卡");
    ExpectMessage(editor.Save(), "保存密保卡", "保存密保卡成功！", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory.ReadCardFile(kName), kCardFile) << "saved again unchanged, byte for byte";
}

TEST_F(AnyCodePage, TheQueryWindowOpensAChineseNamedCardAndAnswersInChinese) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile(kName, kCardFile));
    QueryWindow query(directory, kName);
    ASSERT_TRUE(query.Opened());
    EXPECT_EQ(TextOf(query.Window()), kName);
    ExpectTexts(query.Window(), {{check::标签1, "请输入查询坐标："}, {check::按钮_查询, "查询(&C)"}});
    EXPECT_EQ(query.Ask("B3", "A1", "B2"), "甲1戊5己6");
    EXPECT_EQ(query.Ask("序", "列", "号"), "工行-01");
    EXPECT_EQ(query.Ask("", "", ""), "请输入查询坐标！");

    std::optional<RunningProgram> missing = RunningProgram::StartIn(directory, "check.exe", "无此卡");
    ASSERT_TRUE(missing);
    std::optional<MessageBoxContent> box = WaitForMessageBox(*missing);
    ExpectMessage(box, "密保卡查询", "读入密保卡失败！\r\n点击确定按钮退出程序！", MessageBoxIcon::kError);
    if (box) DismissMessageBox(box->window);
}

// The manager starts the real programs with the card's name; their windows
// show it.
TEST_F(AnyCodePage, TheManagerListsAChineseNamedCardAndStartsTheOthersWithIt) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile(kName, kCardFile));
    std::optional<RunningProgram> manager = RunningProgram::StartIn(directory, "Morvane.exe");
    ASSERT_TRUE(manager);
    HWND window = manager->WaitForMainWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(TextOf(window), "Morvane 1.0");
    ExpectTexts(window, {{manager::按钮2, "创建密保卡(&N)"},
                         {manager::按钮3, "编辑密保卡(&E)"},
                         {manager::按钮4, "删除密保卡(&D)"},
                         {manager::按钮5, "创建快捷方式(&L)"},
                         {manager::按钮1, "查询密保卡(&C)"}});
    HWND list = ControlOf(window, manager::列表框1);
    ASSERT_TRUE(WaitUntil([&] { return Send(list, LB_GETCOUNT) == 1; }));
    EXPECT_EQ(ListEntryText(list, 0), kName);

    ASSERT_TRUE(BringToForeground(window));
    MoveMouseTo(ControlOf(window, manager::按钮2));
    EXPECT_TRUE(WaitUntil([&] { return StatusBarText(ControlOf(window, manager::状态条1)) == "提示：创建一个密保卡"; }))
        << Utf8Of(StatusBarText(ControlOf(window, manager::状态条1)));

    PostMessageW(ControlOf(window, manager::按钮1), BM_CLICK, 0, 0);
    std::optional<MessageBoxContent> box = WaitForMessageBox(*manager);
    ExpectMessage(box, "查询密保卡", "请选择要查询的密保卡！", MessageBoxIcon::kWarning);
    if (box) DismissMessageBox(box->window);

    Send(list, LB_SETSEL, TRUE, 0);
    PostMessageW(ControlOf(window, manager::按钮1), BM_CLICK, 0, 0);
    PostMessageW(ControlOf(window, manager::按钮3), BM_CLICK, 0, 0);
    const auto shown = [&](const char* program, const std::string& title) {
        return WaitUntil([&] {
            for (HWND opened : WindowsOfProgram(directory.ProgramPath(program)))
                if (TextOf(opened) == title) return true;
            return false;
        });
    };
    EXPECT_TRUE(shown("check.exe", kName));
    EXPECT_TRUE(shown("create.exe", "编辑密保卡 - 密保卡：" + kName));
    EndProgramsIn(directory.Path());
}

}  // namespace
}  // namespace morvane::test
