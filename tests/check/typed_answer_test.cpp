// The answer typed into the window the user came from (Ctrl+Enter,
// Ctrl+Shift+Enter and the system menu's items), against login_page.exe, a
// log-in page in another process.
#include <string>

#include "login_page.h"
#include "query_window_test.h"
#include "typing_target.h"

namespace morvane::test {
namespace {

using check::编辑框_结果;
namespace page_ids = login_page;

// Row E's cell 7 is Chinese; row J's codes are long, so that typing one
// takes a while.
std::string CardWithAChineseCell() {
    std::string card = NineByNineCard();
    const std::string plain = CodeAt(5, 7);
    card.replace(card.find("," + plain + ","), plain.size() + 2, ",密" + plain + ",");
    card += "J=";
    for (int cell = 1; cell <= 3; ++cell) card += (cell > 1 ? "," : "") + std::string(24, static_cast<char>('a' + cell));
    card += "\r\n";
    return card;
}

const std::string kB3 = CodeAt(2, 3);
const std::string kE7 = "密" + CodeAt(5, 7);
const std::string kH2 = CodeAt(8, 2);

class TypedAnswer : public QueryWindowTest {
protected:
    void OpenPage(int fields, bool interrupt = false) {
        const std::string command = "login_page.exe " + std::to_string(fields) + (interrupt ? " --interrupt" : "");
        page_program = RunningProgram::Start(TestProgramDirectory() + "\\login_page.exe", command);
        page = page_program ? page_program->WaitForMainWindow() : nullptr;
        ASSERT_TRUE(RunningProgram::WindowOpened(page_program, page));
        ASSERT_TRUE(BringToForeground(page));
    }

    // The user goes from the query window to the page, and comes back
    // after the query window's timer has looked at the foreground once
    // more: the look at its deactivation may come before the page has taken
    // the activation, and find no foreground window.
    void ComeBackFromThePage() {
        ASSERT_TRUE(BringToForeground(window));
        ASSERT_TRUE(BringToForeground(page));
        Send(window, WM_TIMER, check::kForegroundTimer);
        ASSERT_TRUE(BringToForeground(window));
    }

    HWND Field(int index) const { return ControlOf(page, page_ids::kFirstField + index); }
    std::string ForbiddenKeys() const { return TextOf(ControlOf(page, page_ids::kStatus)); }

    // Types the query into the three boxes.
    void TypeQuery(const std::string& first, const std::string& second, const std::string& third) {
        ClickControl(Control(check::编辑框_坐标1));
        ASSERT_TRUE(WaitForFocus(check::编辑框_坐标1));
        for (const std::string* box : {&first, &second, &third}) {
            if (box->size() == 2 && static_cast<unsigned char>((*box)[0]) < 0x80)
                TypeKeys(*box);
            else
                TypeUnicode(*box);
        }
        ASSERT_TRUE(WaitForText(check::编辑框_坐标3, third));
    }

    // Keys typed after a command reach the query window's boxes only when
    // no message box took them: then the command ended without one.
    ::testing::AssertionResult EndedWithoutAMessage() {
        TypeQuery("A1", "A2", "A3");
        PressEnter();
        if (!WaitForText(编辑框_结果, CodeAt(1, 1) + CodeAt(1, 2) + CodeAt(1, 3)))
            return ::testing::AssertionFailure() << "the query window took no more keys";
        if (program->FindDialog()) return ::testing::AssertionFailure() << "a message box is open";
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult WaitForMessage(const std::string& text, MessageBoxIcon icon) {
        const std::optional<MessageBoxContent> box = WaitForMessageBox(*program);
        if (!box) return ::testing::AssertionFailure() << "no message box";
        if (box->title != "密保卡查询" || box->text != text || box->icon != icon || box->buttons.size() != 1)
            return ::testing::AssertionFailure() << "message box \"" << Utf8Of(box->title) << "\": \""
                                                 << Utf8Of(box->text) << "\", icon " << NameOf(box->icon) << ", "
                                                 << box->buttons.size() << " buttons";
        DismissMessageBox(box->window);
        return ::testing::AssertionSuccess();
    }

    // For a failure's message: who holds the foreground, what the query
    // window says.
    std::string Situation() const {
        HWND foreground = ForegroundWindow();
        std::string said = "the foreground: " + (foreground ? ClassOf(foreground) + " \"" + Utf8Of(TextOf(foreground)) + "\"" : "none");
        if (HWND box = program ? program->FindDialog() : nullptr)
            said += "; the query window's message: \"" + Utf8Of(ReadMessageBox(box).text) + "\"";
        return said;
    }

    std::optional<RunningProgram> page_program;
    HWND page = nullptr;
};

enum class CameFrom { kThePage, kStartedOverThePage, kStartedOverTheManager };

struct TypingCase {
    const char* name;
    CameFrom came_from;
    int fields;
    void (*press)();
    std::string boxes[3];
    std::vector<std::string> typed;  // what each field holds afterwards
};

void PrintTo(const TypingCase& typing, std::ostream* out) { *out << typing.name; }

class TypingCases : public TypedAnswer, public ::testing::WithParamInterface<TypingCase> {};

// The page holds the foreground afterwards with the answer in its field,
// exactly the result box's text; the query window shows what Enter shows;
// nothing went to the clipboard, and no key the page must not get.
TEST_P(TypingCases, TheAnswerArrivesInThePageTheUserCameFrom) {
    const TypingCase& typing = GetParam();
    ASSERT_TRUE(directory.WriteCardFile("bank", CardWithAChineseCell()));
    std::optional<RunningProgram> manager;
    switch (typing.came_from) {
        case CameFrom::kThePage:
            ASSERT_NO_FATAL_FAILURE(Open("bank"));
            ASSERT_NO_FATAL_FAILURE(OpenPage(typing.fields));
            ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());
            break;
        case CameFrom::kStartedOverThePage:
            ASSERT_NO_FATAL_FAILURE(OpenPage(typing.fields));
            ASSERT_NO_FATAL_FAILURE(Open("bank"));
            break;
        case CameFrom::kStartedOverTheManager: {
            // Behind the manager, whose query button starts the window.
            ASSERT_NO_FATAL_FAILURE(OpenPage(typing.fields));
            manager = RunningProgram::StartIn(directory, "Morvane.exe");
            HWND manager_window = manager ? manager->WaitForMainWindow() : nullptr;
            ASSERT_TRUE(RunningProgram::WindowOpened(manager, manager_window));
            ASSERT_TRUE(BringToForeground(manager_window));
            ASSERT_NO_FATAL_FAILURE(Open("bank"));
            break;
        }
    }
    ASSERT_NO_FATAL_FAILURE(TypeQuery(typing.boxes[0], typing.boxes[1], typing.boxes[2]));
    const DWORD clipboard = GetClipboardSequenceNumber();
    typing.press();
    for (std::size_t field = 0; field < typing.typed.size(); ++field) {
        std::string held;
        EXPECT_TRUE(WaitUntil([&] { return (held = TextOf(Field(static_cast<int>(field)))) == typing.typed[field]; }))
            << "field " << field << " holds \"" << Utf8Of(held) << "\"; " << Situation();
    }
    EXPECT_EQ(ForegroundWindow(), page);
    EXPECT_EQ(ForbiddenKeys(), "0");
    EXPECT_EQ(GetClipboardSequenceNumber(), clipboard) << "the clipboard changed";
    if (typing.typed.size() == 1) {
        EXPECT_EQ(Text(编辑框_结果), typing.typed[0]);
    }
    EXPECT_EQ(Text(check::编辑框_坐标1), typing.boxes[0]);
    EXPECT_TRUE(program->IsRunning());
}

void PressCtrlEnter() { PressCtrlKey(VK_RETURN); }
void PressCtrlShiftEnter() { PressCtrlShiftKey(VK_RETURN); }

INSTANTIATE_TEST_SUITE_P(
    Keys, TypingCases,
    ::testing::Values(
        TypingCase{"CtrlEnterTypesTheResultBoxsText", CameFrom::kThePage, 1, PressCtrlEnter, {"H2", "B3", "E7"},
                   {kB3 + kE7 + kH2}},
        TypingCase{"CtrlShiftEnterFillsThreeFieldsInBoxOrder", CameFrom::kThePage, 3, PressCtrlShiftEnter,
                   {"H2", "B3", "E7"}, {kH2, kB3, kE7}},
        TypingCase{"TheSerialNumberIsTypedAsOneText", CameFrom::kThePage, 1, PressCtrlShiftEnter,
                   {"序", "列", "号"}, {"SN-0042"}},
        TypingCase{"AWindowStartedOverThePageTypesIntoIt", CameFrom::kStartedOverThePage, 1, PressCtrlEnter,
                   {"B3", "E7", "H2"}, {kB3 + kE7 + kH2}},
        TypingCase{"AWindowStartedOverTheManagerTypesIntoTheTopmostFitWindow", CameFrom::kStartedOverTheManager, 1,
                   PressCtrlEnter, {"B3", "E7", "H2"}, {kB3 + kE7 + kH2}}),
    [](const ::testing::TestParamInfo<TypingCase>& info) { return std::string(info.param.name); });

// Only a whole answer is typed: a wrong code typed into a bank's page is a
// failed log-in. The prompt is neither typed nor told.
TEST_F(TypedAnswer, ThePromptAndAnAnswerNotWholeAreNotTyped) {
    ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
    ASSERT_NO_FATAL_FAILURE(OpenPage(1));
    ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());

    ClickControl(Control(check::编辑框_坐标1));
    ASSERT_TRUE(WaitForFocus(check::编辑框_坐标1));
    PressCtrlEnter();
    EXPECT_TRUE(WaitForText(编辑框_结果, "请输入查询坐标！"));
    EXPECT_TRUE(EndedWithoutAMessage());

    ASSERT_NO_FATAL_FAILURE(TypeQuery("B3", "K1", "H2"));
    PressCtrlEnter();
    EXPECT_TRUE(WaitForMessage("答案不完整，没有键入：有的坐标在密保卡上找不到。\r\n请检查三个坐标。",
                               MessageBoxIcon::kWarning));
    EXPECT_EQ(Text(编辑框_结果), kB3 + kH2) << "row K stops the answer";
    EXPECT_EQ(TextOf(Field(0)), "");
}

// Runs xdotool, a program of the X server's machine, with `arguments` on
// the test's display, through the shell, which sends its output nowhere
// (ctest would wait for it) and leaves a mark when it has ended: wine gives
// no process handle to wait on for a program of the machine.
::testing::AssertionResult RunXdotool(const std::wstring& arguments) {
    static int runs = 0;
    const std::wstring mark = L"/tmp/morvane-xdotool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++runs);
    std::wstring command = L"/bin/sh -c \"/usr/bin/xdotool " + arguments + L" </dev/null >/dev/null 2>&1; echo $? >" +
                           mark + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(L"Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return ::testing::AssertionFailure() << "xdotool did not start: error " << GetLastError();
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    std::string mark_path = "Z:" + Gbk(mark);
    for (char& c : mark_path)
        if (c == '/') c = '\\';
    std::optional<std::string> status;
    if (!WaitUntil([&] { return (status = ReadFileBytes(mark_path)) && !status->empty(); }))
        return ::testing::AssertionFailure() << "xdotool " << Gbk(arguments) << " did not end";
    DeleteFileW(Wide(mark_path).c_str());
    if (*status != "0\n") return ::testing::AssertionFailure() << "xdotool " << Gbk(arguments) << " ended with " << *status;
    return ::testing::AssertionSuccess();
}

bool KeyDown(int key) { return GetAsyncKeyState(key) < 0; }

struct AtScopeEnd {
    void (*action)();
    ~AtScopeEnd() { action(); }
};

// Typed while Ctrl is down, the codes would reach the page as Ctrl+B,
// Ctrl+3 ...; a held Enter's repeat or key-up would send its form. The query
// window waits until the key is let go.
//
// The keys are held on the X server itself: wine sets every key back to what
// the X server holds whenever one of its windows takes in a change of the X
// focus or the pointer, which may come in after a key sent with SendInput.
// The X server keeps them down until they are let go, also after a failure.
// Its keys go to the window of its X focus, which wine does not always move
// along with the foreground of windows that no window manager manages: so
// xdotool gives it to the query window (titled with the card's name) first.
TEST_F(TypedAnswer, NothingIsTypedWhileAKeyIsHeld) {
    struct Held {
        const char* name;
        const wchar_t* press;  // on the X server, Ctrl+Enter with the key left down
        const wchar_t* release;
        bool (*pressed)();
    };
    const Held cases[] = {
        {"Ctrl", L"keydown Control_L keydown Return keyup Return", L"keyup Control_L",
         [] { return KeyDown(VK_CONTROL); }},
        {"Enter", L"keydown Control_L keydown Return keyup Control_L", L"keyup Return",
         [] { return KeyDown(VK_RETURN) && !KeyDown(VK_CONTROL); }},
    };
    const std::wstring to_the_query_window = L"search --name '^bank$' windowfocus --sync ";
    for (const Held& held : cases) {
        SCOPED_TRACE(held.name);
        ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
        ASSERT_NO_FATAL_FAILURE(OpenPage(1));
        ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());
        ASSERT_NO_FATAL_FAILURE(TypeQuery("B3", "E7", "H2"));
        const AtScopeEnd let_go{[] { RunXdotool(L"keyup Return keyup Control_L"); }};
        ASSERT_TRUE(RunXdotool(to_the_query_window + held.press));
        // The query ran, and the window waits, answering what is sent to it.
        EXPECT_TRUE(WaitForText(编辑框_结果, kB3 + kE7 + kH2));
        ASSERT_TRUE(WaitUntil(held.pressed));
        EXPECT_EQ(ForegroundWindow(), window) << Situation();
        EXPECT_EQ(TextOf(Field(0)), "");
        ASSERT_TRUE(RunXdotool(held.release));
        EXPECT_TRUE(WaitUntil([&] { return TextOf(Field(0)) == kB3 + kE7 + kH2; })) << Situation();
        EXPECT_EQ(ForbiddenKeys(), "0");
        program.reset();
        page_program.reset();
    }
}

const std::string kNoWindowText =
    "找不到要键入答案的窗口！\r\n请先切换到要求输入密保卡的窗口，再回到这里按 Ctrl+Enter。";

TEST_F(TypedAnswer, WithoutAWindowToTypeIntoTheUserIsTold) {
    ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
    ASSERT_NO_FATAL_FAILURE(TypeQuery("B3", "E7", "H2"));
    PressCtrlEnter();
    EXPECT_TRUE(WaitForMessage(kNoWindowText, MessageBoxIcon::kWarning));
    EXPECT_EQ(Text(编辑框_结果), kB3 + kE7 + kH2);
}

// No other window is guessed at.
TEST_F(TypedAnswer, APageClosedMeanwhileIsNotReplaced) {
    ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
    ASSERT_NO_FATAL_FAILURE(OpenPage(1));
    ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());
    Send(page, WM_CLOSE);
    ASSERT_TRUE(page_program->WaitForExit());
    ASSERT_NO_FATAL_FAILURE(TypeQuery("B3", "E7", "H2"));
    PressCtrlEnter();
    EXPECT_TRUE(WaitForMessage(kNoWindowText, MessageBoxIcon::kWarning));
}

// The page brings up a pop-up as its first character arrives: typing stops
// there, and the user is told, once back, to look at what the page holds.
TEST_F(TypedAnswer, TypingStopsWhenAnotherWindowTakesTheForeground) {
    ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
    ASSERT_NO_FATAL_FAILURE(OpenPage(1, true));
    ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());
    ASSERT_NO_FATAL_FAILURE(TypeQuery("J1", "J2", "J3"));
    PressCtrlEnter();
    EXPECT_TRUE(WaitForMessage("答案没有键入完：键入时前台换了窗口。\r\n请检查那个窗口里已键入的内容。",
                               MessageBoxIcon::kError));
    const std::string typed = TextOf(Field(0));
    const std::string whole = Text(编辑框_结果);
    EXPECT_EQ(whole.size(), 72u);
    EXPECT_FALSE(typed.empty());
    EXPECT_LT(typed.size(), whole.size()) << "all of it was typed";
    EXPECT_EQ(whole.substr(0, typed.size()), typed);
}

// Alt+Space opens the window's system menu; each item's access key runs it.
TEST_F(TypedAnswer, EachSystemMenuItemDoesWhatItsKeysDo) {
    struct Item {
        char access_key;
        int fields;
        std::vector<std::string> typed;
    };
    for (const Item& item : {Item{'K', 1, {kB3 + kE7 + kH2}}, Item{'T', 3, {kB3, kE7, kH2}}}) {
        SCOPED_TRACE(item.access_key);
        ASSERT_NO_FATAL_FAILURE(OpenCard("bank", CardWithAChineseCell()));
        ASSERT_NO_FATAL_FAILURE(OpenPage(item.fields));
        ASSERT_NO_FATAL_FAILURE(ComeBackFromThePage());
        ASSERT_NO_FATAL_FAILURE(TypeQuery("B3", "E7", "H2"));
        PressAltKey(VK_SPACE);
        HWND menu = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (HWND shown : program->TopLevelWindows())
                if (ClassOf(shown) == "#32768") menu = shown;
            return menu != nullptr;
        })) << "no system menu";
        // Once the menu's loop takes keys.
        ASSERT_TRUE(BringToForeground(menu));
        TypeKeys(std::string(1, static_cast<char>(item.access_key + ('a' - 'A'))));
        for (std::size_t field = 0; field < item.typed.size(); ++field)
            EXPECT_TRUE(WaitUntil([&] { return TextOf(Field(static_cast<int>(field))) == item.typed[field]; }))
                << "field " << field << "; " << Situation() << (IsWindowVisible(menu) ? "; the menu is open" : "");
        program.reset();
        page_program.reset();
    }
}

}  // namespace
}  // namespace morvane::test
