// The three programs together under faults, bad input and concurrent use:
// each case gives the program's answer and shows that no card was lost or
// changed that should not have been.
#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "check_controls.h"
#include "create_controls.h"
#include "manager_controls.h"
#include "query_window_driver.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

class EditorWindow {
public:
    EditorWindow(const ScratchDirectory& directory, std::string_view arguments) {
        program_ = RunningProgram::StartIn(directory, "create.exe", arguments);
        if (program_) window_ = program_->WaitForMainWindow();
    }
    ::testing::AssertionResult Opened() const { return RunningProgram::WindowOpened(program_, window_); }

    // Fills the three boxes, clicks the button, returns the result box's
    // text after dismissing it.
    std::optional<std::string> Save(std::string_view name, std::string_view serial, std::string_view content) {
        SetTextOf(ControlOf(window_, create::编辑框_密保卡名), name);
        SetTextOf(ControlOf(window_, create::编辑框_序列号), serial);
        SetTextOf(ControlOf(window_, create::编辑框_密保卡内容), content);
        PostMessageA(ControlOf(window_, create::按钮_finish), BM_CLICK, 0, 0);
        std::optional<MessageBoxContent> box = WaitForMessageBox(*program_);
        if (!box) return std::nullopt;
        EXPECT_TRUE(DismissMessageBox(box->window));
        return box->text;
    }

private:
    std::optional<RunningProgram> program_;
    HWND window_ = nullptr;
};

std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

// In a manager that lists exactly one card: selects it, deletes it, and
// waits until the list is empty.
bool DeleteTheOnlyCard(const RunningProgram& manager) {
    HWND window = manager.WaitForMainWindow();
    if (!window) return false;
    HWND list = ControlOf(window, manager::列表框1);
    if (!WaitUntil([&] { return Send(list, LB_GETCOUNT) == 1; })) return false;
    Send(list, LB_SETSEL, TRUE, 0);
    PostMessageA(ControlOf(window, manager::按钮4), BM_CLICK, 0, 0);
    return WaitUntil([&] { return Send(list, LB_GETCOUNT) == 0; });
}

TEST(ConcurrentUse, QueriesWhileTheCardIsSavedAgainAndAgainSeeOneWholeCardOrTheOther) {
    ScratchDirectory directory;
    const std::string first = "x1,x2\r\nx3,x4\r\nx5,x6", second = "y1,y2\r\ny3,y4\r\ny5,y6";
    ASSERT_TRUE(directory.WriteCardFile("shared", "[Info]\r\n序列号=1\r\n[Card]\r\nA=x1,x2\r\nB=x3,x4\r\nC=x5,x6\r\n"));
    QueryWindow query(directory, "shared");
    EditorWindow editor(directory, "-e shared");
    ASSERT_TRUE(query.Opened());
    ASSERT_TRUE(editor.Opened());

    int answers = 0;
    for (int save = 0; save < 200; ++save) {
        const bool odd = save % 2 != 0;
        // The save runs in the editor's process while the query window keeps
        // answering from the same file.
        std::optional<std::string> result = editor.Save("shared", odd ? "2" : "1", odd ? second : first);
        ASSERT_TRUE(result) << "save " << save << " showed no result";
        ASSERT_EQ(*result, "保存密保卡成功！") << "save " << save;
        std::optional<std::string> answer = query.Ask("A1", "B1", "C1");
        ASSERT_TRUE(answer);
        ASSERT_TRUE(*answer == "x1x3x5" || *answer == "y1y3y5") << "save " << save << ": " << *answer;
        ++answers;
        std::optional<std::string> bytes = directory.ReadCardFile("shared");
        ASSERT_TRUE(bytes) << "the card file was missing after save " << save;
        ASSERT_NE(bytes->find(odd ? "C=y5,y6\r\n" : "C=x5,x6\r\n"), std::string::npos) << "save " << save;
    }
    EXPECT_EQ(answers, 200);
    EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{"shared.ini"});
}

TEST(ConcurrentUse, DeletingTheCardAnOpenQueryWindowShowsLeavesItAnsweringEmpty) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("gone", "[Card]\r\nA=1,2\r\nB=3,4\r\nC=5,6\r\n"));
    QueryWindow query(directory, "gone");
    ASSERT_TRUE(query.Opened());
    EXPECT_EQ(query.Ask("A1", "B1", "C1"), "135");

    std::optional<RunningProgram> manager = RunningProgram::StartIn(directory, "Morvane.exe");
    ASSERT_TRUE(manager);
    ASSERT_TRUE(DeleteTheOnlyCard(*manager));
    EXPECT_FALSE(directory.CardFileExists("gone"));

    EXPECT_EQ(query.Ask("A1", "B1", "C1"), "");
    EXPECT_EQ(query.Ask("序", "列", "号"), "");
    EXPECT_TRUE(query.Program().IsRunning());
    EXPECT_TRUE(manager->IsRunning());
}

// One row of the bad-input table: a card name, a content, what is on disk
// before, and what the editor and the query window must answer.
struct BadInput {
    const char* what;
    std::string name;
    std::string content;
    std::string message;             // the editor's result box
    std::string coordinates[3];      // asked of check afterwards where the save succeeded
    std::string answer;
};

std::string Lines(int count) {
    std::string content;
    for (int row = 1; row <= count; ++row) content += (row > 1 ? "\r\n" : "") + std::to_string(row) + "a,r" + std::to_string(row);
    return content;
}

const std::string kSaved = "创建密保卡成功！", kFailed = "创建密保卡失败！";

std::vector<BadInput> BadInputs() {
    return {
        {"dot dot backslash", "..\\x", "1,2", kFailed, {}, ""},
        {"alternate stream", "a:b", "1,2", kFailed, {}, ""},
        {"slash", "a/b", "1,2", kFailed, {}, ""},
        {"wildcard", "a*b", "1,2", kFailed, {}, ""},
        {"quote", "a\"b", "1,2", kFailed, {}, ""},
        {"pipe", "a|b", "1,2", kFailed, {}, ""},
        {"device con", "con", "1,2", kFailed, {}, ""},
        {"device nul with extension", "NUL.txt", "1,2", kFailed, {}, ""},
        {"device com1", "com1", "1,2", kFailed, {}, ""},
        {"dot", ".", "1,2", kFailed, {}, ""},
        {"blank at the end", "card ", "1,2\r\n3,4", kSaved, {"A1", "B2", "A2"}, "124"},
        {"blanks only", "   ", "1,2\r\n3,4", kSaved, {"A1", "B2", "A2"}, "124"},
        {"trail byte 0x5C", "誠乗", "1,2\r\n3,4", kSaved, {"A1", "B2", "A2"}, "124"},
        {"trail byte 0x7C", "\x95\x7C", "1,2\r\n3,4", kSaved, {"A1", "B2", "A2"}, "124"},
        {"26 lines", "c26", Lines(26), kSaved, {"Z1", "A2", "M1"}, "r113a26a"},
        {"27 lines", "c27", Lines(27), kFailed, {}, ""},
        {"CR-only breaks", "cr", "1,2\r3,4\r5,6", kSaved, {"A1", "B1", "C2"}, "136"},
        {"LF-only breaks", "lf", "1,2\n3,4\n5,6", kSaved, {"A1", "B1", "C2"}, "136"},
        {"a break at the end", "end", "1,2\r\n3,4\r\n", kSaved, {"A1", "B1", "C1"}, "13"},
        {"an empty middle line", "mid", "1,2\r\n\r\n3,4", kSaved, {"A1", "B1", "C1"}, "13"},
        {"a row past the writer's limit", "huge", std::string(40000, '7'), kFailed, {}, ""},
        {"rows starting [ ; =", "odd", "[x],1\r\n;c,2\r\n=e,3", kSaved, {"A2", "B2", "C2"}, "123"},
        {"quoted row", "quoted", "\"q1,q2\"\r\n'a,b'", kSaved, {"A1", "B2", "A2"}, "q1q2b"},
    };
}

class BadInputTable : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTable, EditorAnswersAndQueryWindowAgreesAndNothingElseChanges) {
    const BadInput& input = GetParam();
    ScratchDirectory directory;
    const std::string bystander = "[Info]\r\n序列号=keep\r\n[Card]\r\nA=k1,k2\r\n";
    ASSERT_TRUE(directory.WriteCardFile("bystander", bystander));

    EditorWindow editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Save(input.name, "S", input.content), input.message);

    EXPECT_EQ(directory.ReadCardFile("bystander"), bystander) << "another card changed";
    const std::vector<std::string> files = directory.CardFileNames();
    if (input.message == kFailed) {
        EXPECT_EQ(files, std::vector<std::string>{"bystander.ini"}) << "a refused save left a file";
        return;
    }
    EXPECT_EQ(files.size(), 2u);
    QueryWindow query(directory, Quoted(input.name));
    ASSERT_TRUE(query.Opened()) << "the saved card does not open";
    EXPECT_EQ(query.Ask(input.coordinates[0], input.coordinates[1], input.coordinates[2]), input.answer);
    EXPECT_EQ(query.Ask("序", "列", "号"), "S");
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTable, ::testing::ValuesIn(BadInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                             std::string name;
                             for (const char* c = info.param.what; *c; ++c)
                                 name += (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
                             return name;
                         });

// The longest name is set by the program directory's own path: the card
// file's path at the limit the programs can open.
TEST(LongNames, ANameAtThePathLimitWorksEverywhereOneByteMoreIsRefused) {
    ScratchDirectory directory;
    const std::size_t longest = (MAX_PATH - 1) - directory.CardStorePath().size() - 1 - 4;
    const std::string name(longest, 'n');
    ASSERT_EQ(directory.CardFilePath(name).size(), std::size_t{MAX_PATH - 1});
    {
        EditorWindow editor(directory, "-c");
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(editor.Save(name + "n", "S", "1,2"), kFailed);
        EXPECT_TRUE(directory.CardFileNames().empty()) << "a refused save left a file";
        EXPECT_EQ(editor.Save(name, "S", "1,2\r\n3,4"), kSaved);
    }
    {
        QueryWindow query(directory, name);
        ASSERT_TRUE(query.Opened());
        EXPECT_EQ(query.Ask("A1", "B2", "A2"), "124");
    }
    {
        EditorWindow editor(directory, "-e " + name);
        ASSERT_TRUE(editor.Opened());
        EXPECT_EQ(editor.Save(name, "T", "3,4"), "保存密保卡成功！");
    }
    std::optional<RunningProgram> manager = RunningProgram::StartIn(directory, "Morvane.exe");
    ASSERT_TRUE(manager);
    ASSERT_TRUE(DeleteTheOnlyCard(*manager));
    EXPECT_TRUE(directory.CardFileNames().empty());
}

// Card files in states a save must survive: each is refused or saved, and
// a refused one stays byte for byte.
TEST(BadFiles, ReadOnlyCardFileIsRefusedAndKept) {
    ScratchDirectory directory;
    const std::string old = "[Info]\r\n序列号=old\r\n[Card]\r\nA=o1,o2\r\n";
    ASSERT_TRUE(directory.WriteCardFile("ro", old));
    SetFileAttributesW(Wide(directory.CardFilePath("ro")).c_str(), FILE_ATTRIBUTE_READONLY);
    EditorWindow editor(directory, "-e ro");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Save("ro", "new", "n1,n2"), "保存密保卡失败！");
    SetFileAttributesW(Wide(directory.CardFilePath("ro")).c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(directory.ReadCardFile("ro"), old);
    EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{"ro.ini"});
}

TEST(BadFiles, CardFileHeldOpenWithoutSharingIsRefusedAndKept) {
    ScratchDirectory directory;
    const std::string old = "[Info]\r\n序列号=old\r\n[Card]\r\nA=o1,o2\r\n";
    ASSERT_TRUE(directory.WriteCardFile("held", old));
    EditorWindow editor(directory, "-e held");
    ASSERT_TRUE(editor.Opened());
    HANDLE held = CreateFileW(Wide(directory.CardFilePath("held")).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(editor.Save("held", "new", "n1,n2"), "保存密保卡失败！");
    CloseHandle(held);
    EXPECT_EQ(directory.ReadCardFile("held"), old);
    EXPECT_EQ(directory.CardFileNames(), std::vector<std::string>{"held.ini"});
    EXPECT_EQ(editor.Save("held", "new", "n1,n2"), "保存密保卡成功！") << "the editor stays ready after a refusal";
}

TEST(BadFiles, MissingCardStoreIsRefusedAndNotMade) {
    ScratchDirectory directory(ScratchDirectory::CardStore::kAbsent);
    EditorWindow editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Save("x", "s", "1,2"), kFailed);
    EXPECT_FALSE(FileExists(directory.CardStorePath()));
}

TEST(BadFiles, AFileThatIsNotIniReadsEmptyAndASaveMakesItACard) {
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("junk", std::string("\x89PNG\r\n\x1a\n\0\0\0binary=junk", 21)));
    {
        QueryWindow query(directory, "junk");
        ASSERT_TRUE(query.Opened());
        EXPECT_EQ(query.Ask("A1", "B1", "C1"), "");
    }
    EditorWindow editor(directory, "-e junk");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Save("junk", "s", "1,2\r\n3,4"), "保存密保卡成功！");
    QueryWindow query(directory, "junk");
    ASSERT_TRUE(query.Opened());
    EXPECT_EQ(query.Ask("A1", "B2", "A2"), "124");
}

TEST(BadFiles, AOneMebibyteRowIsReadWhole) {
    ScratchDirectory directory;
    std::string row;
    while (row.size() < (1u << 20)) row += "abcdefg,";
    ASSERT_TRUE(directory.WriteCardFile("huge", "[Card]\r\nA=" + row + "end\r\nB=b1\r\n"));
    QueryWindow query(directory, "huge");
    ASSERT_TRUE(query.Opened());
    EXPECT_EQ(query.Ask("A1", "A2", "B1"), "abcdefgabcdefgb1");
}

TEST(BadFiles, AUtf16CardFileIsReadAsThePlatformReadsIt) {
    ScratchDirectory directory;
    // "[Card]\r\nA=u1,u2\r\n" in UTF-16 LE with its byte-order mark.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("[Card]\r\nA=u1,u2\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    ASSERT_TRUE(directory.WriteCardFile("wide", utf16));
    QueryWindow query(directory, "wide");
    ASSERT_TRUE(query.Opened());
    EXPECT_EQ(query.Ask("A1", "A2", "A9"), "u1u2");
    EditorWindow editor(directory, "-e wide");
    ASSERT_TRUE(editor.Opened());
    EXPECT_EQ(editor.Save("wide", "s", "w1,w2"), "保存密保卡成功！");
    EXPECT_EQ(query.Ask("A1", "A2", "A9"), "w1w2");
}

// No window gives Esc a meaning: in every box it must leave the window open
// and the text as typed. (Under IsDialogMessage a multi-line edit box posts
// WM_CLOSE to its parent on Esc, and the editor lost a typed card so.)
TEST(StrayKeys, EscInAnyBoxLeavesTheWindowOpenAndTheTextAsTyped) {
    const struct {
        const char* program;
        const char* arguments;
        int box;
        const char* typed;  // as keys; '\r' is Enter
        const char* shown;
        int after_tab;      // where Tab goes from the box: Esc came first
    } boxes[] = {
        {"create.exe", "-c", create::编辑框_密保卡名, "bank 1", "bank 1", create::编辑框_序列号},
        {"create.exe", "-e card", create::编辑框_序列号, "-2", "sn-2", create::编辑框_密保卡内容},
        {"create.exe", "-c", create::编辑框_密保卡内容, "a1,a2\rb1", "a1,a2\r\nb1", create::按钮_finish},
        {"check.exe", "card", check::编辑框_坐标1, "b", "B", check::编辑框_坐标2},
        {"check.exe", "card", check::编辑框_坐标2, "c", "C", check::编辑框_坐标3},
        {"check.exe", "card", check::编辑框_坐标3, "d", "D", check::编辑框_结果},
        {"check.exe", "card", check::编辑框_结果, "", "", check::按钮_查询},
        // A list box never shows its text: it is the list's name for a screen reader.
        {"Morvane.exe", "", manager::列表框1, "", "密保卡列表", manager::按钮2},
    };
    for (const auto& row : boxes) {
        SCOPED_TRACE(std::string(row.program) + " " + row.arguments + ", control #" + std::to_string(row.box));
        ScratchDirectory directory;
        ASSERT_TRUE(directory.WriteCardFile("card", "[Info]\r\n序列号=sn\r\n[Card]\r\nA=1,2\r\n"));
        std::optional<RunningProgram> program = RunningProgram::StartIn(directory, row.program, row.arguments);
        ASSERT_TRUE(program);
        const HWND window = program->WaitForMainWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(BringToForeground(window));
        const HWND box = ControlOf(window, row.box);
        auto focus_is = [&](int id) {
            return WaitUntil([&] {
                const HWND focus = FocusedWindow(window);
                return focus && focus == ControlOf(window, id);
            });
        };
        ClickControl(box);
        ASSERT_TRUE(focus_is(row.box));
        // The caret after the text: typing appends.
        Send(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        TypeKeys(row.typed);
        ASSERT_TRUE(WaitUntil([&] { return TextOf(box) == row.shown; })) << TextOf(box);

        PressKey(VK_ESCAPE);
        PressTab();
        EXPECT_TRUE(focus_is(row.after_tab)) << "Tab after Esc did not reach the next control";
        EXPECT_TRUE(program->IsRunning());
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_EQ(TextOf(box), row.shown);
        EXPECT_EQ(program->FindDialog(), nullptr);

        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program->WaitForExit());
    }
}

}  // namespace
}  // namespace morvane::test
