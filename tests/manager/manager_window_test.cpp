// The manager window driven as a user drives it, under wine.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "manager_controls.h"
#include "manager_test_support.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

using namespace morvane::manager;

constexpr char kCardBytes[] = "[Info]\r\n序列号=1\r\n[Card]\r\nA=11,12,13\r\n";

class ManagerTest : public ::testing::Test {
protected:
    explicit ManagerTest(ScratchDirectory::CardStore card_store = ScratchDirectory::CardStore::kPresent)
        : directory_(card_store) {}

    void TearDown() override {
        manager_.reset();
        EndProgramsIn(directory_.Path());
    }

    void WriteCards(const std::vector<std::string>& names) {
        for (const std::string& name : names) ASSERT_TRUE(directory_.WriteCardFile(name, kCardBytes)) << name;
    }

    // Starts Morvane.exe from the scratch directory and waits for its window.
    void StartManager() {
        ASSERT_TRUE(directory_.HasProgram("Morvane.exe"));
        manager_ = RunningProgram::StartIn(directory_, "Morvane.exe");
        ASSERT_TRUE(manager_);
        window_ = manager_->WaitForMainWindow();
        ASSERT_TRUE(window_);
    }

    HWND List() const { return ControlOf(window_, 列表框1); }
    HWND Button(int id) const { return ControlOf(window_, id); }

    std::vector<std::string> Entries() const {
        std::vector<std::string> entries;
        const int count = static_cast<int>(Send(List(), LB_GETCOUNT));
        for (int index = 0; index < count; ++index) entries.push_back(ListEntryText(List(), index));
        return entries;
    }

    void Select(std::initializer_list<int> indexes) {
        Send(List(), LB_SETSEL, FALSE, -1);
        for (int index : indexes) Send(List(), LB_SETSEL, TRUE, index);
    }

    std::string StatusText() const { return StatusBarText(ControlOf(window_, 状态条1)); }

    // Moves the pointer about over `control` until the status bar shows
    // `hint`: a user's pointer keeps moving, and under wine a move to the
    // point where the pointer already is reports nothing.
    bool HoverUntilHint(HWND control, const std::string& hint) {
        RECT rect{};
        GetWindowRect(control, &rect);
        int step = 0;
        return WaitUntil([&] {
            ++step;
            MoveMouseToScreen({(rect.left + rect.right) / 2 + step % 5, (rect.top + rect.bottom) / 2});
            return StatusText() == hint;
        });
    }

    void Click(int button_id) {
        ASSERT_TRUE(BringToForeground(window_));
        ClickControl(Button(button_id));
    }

    // The window keeps what it had: no box, the same entries, for a while
    // that is long enough for a wrong reaction to show.
    void ExpectNoMessageBox() {
        EXPECT_EQ(manager_->WaitForDialog(std::chrono::milliseconds(500)), nullptr);
    }

    std::vector<RecordedStart> WaitForStarts(std::size_t count) {
        WaitUntil([&] { return RecordedStarts(directory_).size() >= count; });
        return RecordedStarts(directory_);
    }

    ScratchDirectory directory_;
    std::optional<RunningProgram> manager_;
    HWND window_ = nullptr;
};

// --- the window --------------------------------------------------------

TEST_F(ManagerTest, WindowHasItsTitleSizeAndLayout) {
    StartManager();
    EXPECT_EQ(TextOf(window_), "Morvane 1.0");
    EXPECT_EQ(OuterSize(window_).cx, 363);
    EXPECT_EQ(OuterSize(window_).cy, 275);
    EXPECT_TRUE(StyleOf(List()) & LBS_EXTENDEDSEL);
    EXPECT_EQ(TextOf(Button(按钮1)), "查询密保卡(&C)");
    EXPECT_EQ(TextOf(Button(按钮4)), "删除密保卡(&D)");
    RECT query = ControlRect(Button(按钮1));
    EXPECT_EQ(query.left, 236);
    EXPECT_EQ(query.top, 184);
}

// --- the card list -----------------------------------------------------

TEST_F(ManagerTest, ListsRegularIniFilesInAnyCaseCutBeforeTheLastDot) {
    WriteCards({"a", "a.b"});
    ASSERT_TRUE(WriteFileBytes(directory_.CardStorePath() + "\\b.INI", kCardBytes));
    ASSERT_TRUE(CreateDirectoryW(Wide(directory_.CardStorePath() + "\\x.ini").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(directory_.CardStorePath() + "\\b.inix", kCardBytes));
    ASSERT_TRUE(WriteFileBytes(directory_.CardStorePath() + "\\notes.txt", "x"));
    StartManager();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "a.b", "b"}));
    EXPECT_EQ(Send(List(), LB_GETSELCOUNT), 0);
}

TEST_F(ManagerTest, ListsNamesWithBlanksAndChineseAsTheyAre) {
    WriteCards({" lead", "my card", "誠", "工商银行"});
    StartManager();
    std::vector<std::string> entries = Entries();
    std::sort(entries.begin(), entries.end());
    std::vector<std::string> expected = {" lead", "my card", "誠", "工商银行"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries, expected);
}

// Explorer's order: numbers by their value, letters without regard to case,
// whatever order the files were made (and so, on some file systems, found) in.
TEST_F(ManagerTest, ListsNamesInTheOrderExplorerShowsThem) {
    const std::vector<std::string> shown = {"alpha", "Beta", "card1", "card2", "Card3", "card10", "卡9", "卡10"};
    WriteCards(std::vector<std::string>(shown.rbegin(), shown.rend()));
    StartManager();
    EXPECT_EQ(Entries(), shown);
}

class ManagerWithoutCardStoreTest : public ManagerTest {
protected:
    ManagerWithoutCardStoreTest() : ManagerTest(ScratchDirectory::CardStore::kAbsent) {}
};

TEST_F(ManagerWithoutCardStoreTest, StartsWithAnEmptyListAndNoMessage) {
    StartManager();
    EXPECT_TRUE(Entries().empty());
    ExpectNoMessageBox();
}

// --- status-bar hints --------------------------------------------------

TEST_F(ManagerTest, EachControlShowsItsHint) {
    StartManager();
    const std::pair<int, std::string> hints[] = {
        {按钮1, "提示：查询当前选中的密保卡（只能同时查询一个）"},
        {按钮2, "提示：创建一个密保卡"},
        {按钮3, "提示：编辑选中的密保卡（只能同时编辑一个）"},
        {按钮4, "提示：删除选中的密保卡（可同时删除多个）"},
        {按钮5, "提示：创建选中密保卡的快捷方式到桌面"},
        {列表框1, "提示：密保卡列表"},
    };
    ASSERT_TRUE(BringToForeground(window_));
    for (const auto& [id, hint] : hints) {
        EXPECT_TRUE(HoverUntilHint(ControlOf(window_, id), hint)) << id << ": " << Utf8Of(StatusText());
    }
}

TEST_F(ManagerTest, BareSurfaceClearsTheHintAndTheStatusBarKeepsIt) {
    StartManager();
    ASSERT_TRUE(BringToForeground(window_));
    auto client_point = [&](int x, int y) {
        POINT point{x, y};
        ClientToScreen(window_, &point);
        return point;
    };
    ASSERT_TRUE(HoverUntilHint(Button(按钮2), "提示：创建一个密保卡"));
    MoveMouseToScreen(client_point(230, 100));  // between the list and the buttons
    EXPECT_TRUE(WaitUntil([&] { return StatusText().empty(); })) << Utf8Of(StatusText());

    ASSERT_TRUE(HoverUntilHint(Button(按钮4), "提示：删除选中的密保卡（可同时删除多个）"));
    RECT status_bar = ControlRect(ControlOf(window_, 状态条1));
    MoveMouseToScreen(client_point(status_bar.left + 40, (status_bar.top + status_bar.bottom) / 2));
    MoveMouseToScreen(client_point(status_bar.left + 60, (status_bar.top + status_bar.bottom) / 2));
    EXPECT_FALSE(WaitUntil([&] { return StatusText() != "提示：删除选中的密保卡（可同时删除多个）"; },
                           std::chrono::milliseconds(500)))
        << Utf8Of(StatusText());
}

// --- the selection guard -----------------------------------------------

struct GuardCase {
    const char* command;
    int button;
    const char* title;
    const char* text;
};

class ManagerGuardTest : public ManagerTest, public ::testing::WithParamInterface<GuardCase> {};

TEST_P(ManagerGuardTest, WithoutSelectionWarnsAndStartsNothing) {
    WriteCards({"a", "b"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    Click(GetParam().button);
    auto box = WaitForMessageBox(*manager_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, GetParam().title);
    EXPECT_EQ(box->text, GetParam().text);
    EXPECT_EQ(box->icon, MessageBoxIcon::kWarning) << NameOf(box->icon);
    EXPECT_EQ(box->buttons.size(), 1u);
    EXPECT_TRUE(DismissMessageBox(box->window));
    EXPECT_TRUE(RecordedStarts(directory_).empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(directory_.CardFileExists("a"));
}

INSTANTIATE_TEST_SUITE_P(Commands, ManagerGuardTest,
                         ::testing::Values(GuardCase{"Query", 按钮1, "查询密保卡", "请选择要查询的密保卡！"},
                                           GuardCase{"Edit", 按钮3, "编辑密保卡", "请选择要编辑的密保卡！"},
                                           GuardCase{"Delete", 按钮4, "删除密保卡", "请选择要删除的密保卡！"},
                                           GuardCase{"Shortcut", 按钮5, "创建快捷方式", "请选择要创建快捷方式的密保卡！"}),
                         [](const auto& info) { return std::string(info.param.command); });

// --- delete ------------------------------------------------------------

// Delete sends the cards to the Recycle Bin, which each test starts empty.
class ManagerDeleteTest : public ManagerTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        ASSERT_TRUE(EmptyRecycleBin());
    }
    void TearDown() override {
        ManagerTest::TearDown();
        EmptyRecycleBin();
        CoUninitialize();
    }

    // The bin's items, each deleted from this test's card store.
    std::vector<RecycledFile> Recycled(std::initializer_list<const char*> file_names) const {
        std::vector<RecycledFile> files;
        for (const char* name : file_names) files.push_back({name, directory_.CardStorePath()});
        return files;
    }
};

TEST_F(ManagerDeleteTest, SendsExactlyTheSelectedCardsToTheRecycleBinFromWhereTheyComeBack) {
    WriteCards({"c1", "c2", "c3", "c4", "c5", "c6", "c7"});
    StartManager();
    Select({2, 5});
    Click(按钮4);
    EXPECT_TRUE(WaitUntil([&] { return Entries().size() == 5; }));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c1", "c2", "c4", "c5", "c7"}));
    EXPECT_EQ(directory_.CardFileNames(),
              (std::vector<std::string>{"c1.ini", "c2.ini", "c4.ini", "c5.ini", "c7.ini"}));
    ExpectNoMessageBox();
    EXPECT_EQ(RecycleBinFiles(), Recycled({"c3.ini", "c6.ini"}));

    manager_.reset();
    ASSERT_TRUE(RestoreRecycleBin());
    EXPECT_TRUE(RecycleBinFiles().empty());
    EXPECT_EQ(directory_.ReadCardFile("c3"), kCardBytes);
    EXPECT_EQ(directory_.ReadCardFile("c6"), kCardBytes);
    StartManager();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c1", "c2", "c3", "c4", "c5", "c6", "c7"}));
}

// Where the bin cannot take a card, the shell asks before deleting it for
// good: Yes deletes it, No keeps it and the cards after it. Under wine a
// process whose XDG_DATA_HOME cannot hold a trash has no bin, as a drive
// without one has none on Windows.
TEST_F(ManagerDeleteTest, WithoutABinAsksAndDeletesForGoodOnlyWhatTheUserSaysYesTo) {
    WriteCards({"c1", "c2", "c3", "c4"});
    std::wstring data_home(MAX_PATH, L'\0');
    data_home.resize(GetEnvironmentVariableW(L"XDG_DATA_HOME", data_home.data(), MAX_PATH));
    SetEnvironmentVariableW(L"XDG_DATA_HOME", L"/dev/null/no-trash");
    StartManager();
    SetEnvironmentVariableW(L"XDG_DATA_HOME", data_home.empty() ? nullptr : data_home.c_str());
    Select({1, 2});
    Click(按钮4);
    auto answer = [&](int button) {
        HWND question = manager_->WaitForDialog();
        ASSERT_TRUE(question);
        ASSERT_TRUE(GetDlgItem(question, button));
        ASSERT_TRUE(BringToForeground(question));
        ClickControl(GetDlgItem(question, button));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
    };
    answer(IDYES);
    EXPECT_TRUE(WaitUntil([&] { return Entries().size() == 3; }));
    answer(IDNO);
    ExpectNoMessageBox();
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c1", "c3", "c4"}));
    EXPECT_EQ(directory_.CardFileNames(), (std::vector<std::string>{"c1.ini", "c3.ini", "c4.ini"}));
    EXPECT_TRUE(RecycleBinFiles().empty());
}

// How the third of the selected cards cannot be deleted.
struct UndeletableCard {
    const char* name;
    bool (*make_undeletable)(const ScratchDirectory& directory, const char* card);
};

class ManagerDeleteFailureTest : public ManagerDeleteTest, public ::testing::WithParamInterface<UndeletableCard> {};

TEST_P(ManagerDeleteFailureTest, StopsAtTheFirstCardThatCannotBeDeleted) {
    WriteCards({"c1", "c2", "c3", "c4", "c5"});
    StartManager();
    ASSERT_TRUE(GetParam().make_undeletable(directory_, "c3"));
    Select({1, 2, 3});
    Click(按钮4);
    auto box = WaitForMessageBox(*manager_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, "删除密保卡");
    EXPECT_EQ(box->text, "删除失败！");
    EXPECT_EQ(box->icon, MessageBoxIcon::kError) << NameOf(box->icon);
    EXPECT_TRUE(DismissMessageBox(box->window));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"c1", "c3", "c4", "c5"}));
    EXPECT_TRUE(directory_.CardFileExists("c4"));
    EXPECT_EQ(RecycleBinFiles(), Recycled({"c2.ini"}));
    SetFileAttributesW(Wide(directory_.CardFilePath("c3")).c_str(), FILE_ATTRIBUTE_NORMAL);
}

INSTANTIATE_TEST_SUITE_P(
    Delete, ManagerDeleteFailureTest,
    ::testing::Values(
        UndeletableCard{"AlreadyGone",
                        [](const ScratchDirectory& directory, const char* card) { return directory.DeleteCardFile(card); }},
        // Its owner protects it so; the shell would recycle it without a word.
        UndeletableCard{"ReadOnly",
                        [](const ScratchDirectory& directory, const char* card) {
                            return SetFileAttributesW(Wide(directory.CardFilePath(card)).c_str(),
                                                      FILE_ATTRIBUTE_READONLY) != 0;
                        }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ManagerDeleteTest, AltDDeletesAsAClickDoes) {
    WriteCards({"a", "b", "c"});
    StartManager();
    Select({0, 2});
    ASSERT_TRUE(BringToForeground(window_));
    PressAlt('d');
    EXPECT_TRUE(WaitUntil([&] { return Entries().size() == 1; }));
    EXPECT_EQ(Entries(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(directory_.CardFileNames(), (std::vector<std::string>{"b.ini"}));
}

TEST_F(ManagerDeleteTest, DeletesCardsNamedWithBlanksAndChinese) {
    WriteCards({"my card", "誠", "keep"});
    StartManager();
    std::vector<std::string> entries = Entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i] != "keep") Send(List(), LB_SETSEL, TRUE, static_cast<LPARAM>(i));
    Click(按钮4);
    EXPECT_TRUE(WaitUntil([&] { return Entries().size() == 1; }));
    EXPECT_EQ(directory_.CardFileNames(), (std::vector<std::string>{"keep.ini"}));
    ExpectNoMessageBox();
    EXPECT_EQ(RecycleBinFiles(), Recycled({"my card.ini", "誠.ini"}));
}

TEST_F(ManagerTest, CtrlAndShiftClicksSelectSeveralEntries) {
    WriteCards({"a", "b", "c", "d", "e"});
    StartManager();
    ASSERT_TRUE(BringToForeground(window_));
    auto entry_point = [&](int index) {
        RECT item{};
        Send(List(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        POINT point{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
        ClientToScreen(List(), &point);
        return point;
    };
    // A click on an entry, with Ctrl or Shift held when `modifier` is one.
    auto click_with = [&](WORD modifier, int index) {
        MoveMouseToScreen(entry_point(index));
        std::vector<INPUT> inputs;
        INPUT key{};
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = modifier;
        INPUT mouse{};
        mouse.type = INPUT_MOUSE;
        if (modifier) inputs.push_back(key);
        mouse.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs.push_back(mouse);
        mouse.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        inputs.push_back(mouse);
        key.ki.dwFlags = KEYEVENTF_KEYUP;
        if (modifier) inputs.push_back(key);
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    };
    // Under wine a window of another process taking the focus may set the
    // modifier keys back to what the X server holds (none), between the key
    // and the click. Such a try shows as a plain click: the selection is set
    // back as it was before and the click given again.
    auto click_until_selected = [&](WORD modifier, int index, std::initializer_list<int> before, int count) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Send(List(), LB_SETSEL, FALSE, -1);
            for (int selected : before) Send(List(), LB_SETSEL, TRUE, selected);
            if (before.size() > 0) Send(List(), LB_SETANCHORINDEX, *before.begin());
            click_with(modifier, index);
            if (WaitUntil([&] { return Send(List(), LB_GETSELCOUNT) == count; }, 2s)) return true;
        }
        return false;
    };
    ASSERT_TRUE(click_until_selected(0, 2, {}, 1));
    EXPECT_GT(Send(List(), LB_GETSEL, 2), 0);
    ASSERT_TRUE(click_until_selected(VK_CONTROL, 0, {2}, 2));
    EXPECT_TRUE(click_until_selected(VK_SHIFT, 4, {0, 2}, 5)) << Send(List(), LB_GETSELCOUNT);
}

TEST_F(ManagerTest, DoubleClickOnAnEntryDoesNothing) {
    WriteCards({"a", "b"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    ASSERT_TRUE(BringToForeground(window_));
    RECT item{};
    Send(List(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    POINT point{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    ClientToScreen(List(), &point);
    DoubleClickAt(point);
    EXPECT_TRUE(WaitUntil([&] { return Send(List(), LB_GETSEL, 0) > 0; }));
    ExpectNoMessageBox();
    EXPECT_TRUE(RecordedStarts(directory_).empty());
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(manager_->IsRunning());
}

// --- starting the other programs ----------------------------------------

TEST_F(ManagerTest, QueryStartsCheckForTheTopmostSelectedCardFromTheProgramDirectory) {
    WriteCards({"a", "b", "c", "d", "e"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    StartManager();
    Select({1, 2, 4});
    Click(按钮1);
    auto starts = WaitForStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].command_line, "check.exe b");
    EXPECT_EQ(starts[0].program_path, directory_.ProgramPath("check.exe"));
    // No current directory is given: the started program has the manager's.
    EXPECT_EQ(starts[0].current_directory, TestProgramDirectory());
    ExpectNoMessageBox();
}

TEST_F(ManagerTest, CreateStartsTheEditorInCreateModeWithAnySelection) {
    WriteCards({"a", "b"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    Click(按钮2);
    ASSERT_EQ(WaitForStarts(1).size(), 1u);
    Select({0, 1});
    Click(按钮2);
    auto starts = WaitForStarts(2);
    ASSERT_EQ(starts.size(), 2u);
    for (const RecordedStart& start : starts) {
        EXPECT_EQ(start.command_line, "create.exe -c");
        EXPECT_EQ(start.program_path, directory_.ProgramPath("create.exe"));
    }
    ExpectNoMessageBox();
}

TEST_F(ManagerWithoutCardStoreTest, CreateWorksWithAnEmptyList) {
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    Click(按钮2);
    auto starts = WaitForStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].command_line, "create.exe -c");
}

TEST_F(ManagerTest, EditStartsTheEditorForTheTopmostSelectedCard) {
    WriteCards({"a", "b", "c"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    Select({1, 2});
    Click(按钮3);
    auto starts = WaitForStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].command_line, "create.exe -e b");
}

TEST_F(ManagerTest, NamesWithABlankAreQuotedAndChineseNamesPassAsTheyAre) {
    WriteCards({"my card", "誠"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "create.exe"));
    StartManager();
    const std::vector<std::string> entries = Entries();
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Select({static_cast<int>(i)});
        Click(按钮1);
        Click(按钮3);
        const std::string argument = entries[i] == "my card" ? "\"my card\"" : entries[i];
        expected.push_back("check.exe " + argument);
        expected.push_back("create.exe -e " + argument);
        ASSERT_EQ(WaitForStarts(expected.size()).size(), expected.size());
    }
    std::vector<std::string> command_lines;
    for (const RecordedStart& start : RecordedStarts(directory_)) command_lines.push_back(start.command_line);
    std::sort(command_lines.begin(), command_lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(command_lines, expected);
}

// With the real programs: the windows they open.

TEST_F(ManagerTest, QueryTwiceOpensTwoCheckWindowsTitledWithTheCard) {
    if (!directory_.HasProgram("check.exe")) GTEST_SKIP() << "check.exe is not built";
    WriteCards({"a", "誠", "z"});
    StartManager();
    const std::vector<std::string> entries = Entries();
    const auto chinese = std::find(entries.begin(), entries.end(), "誠") - entries.begin();
    Select({static_cast<int>(chinese), static_cast<int>(entries.size()) - 1});
    Click(按钮1);
    Click(按钮1);
    const std::string check = directory_.ProgramPath("check.exe");
    EXPECT_TRUE(WaitUntil([&] { return WindowsOfProgram(check).size() == 2; }));
    for (HWND window : WindowsOfProgram(check)) EXPECT_EQ(TextOf(window), "誠");
}

TEST_F(ManagerTest, EditOpensTheEditorInEditModeForTheCard) {
    if (!directory_.HasProgram("create.exe")) GTEST_SKIP() << "create.exe is not built";
    WriteCards({"a", "my card"});
    StartManager();
    const std::string create = directory_.ProgramPath("create.exe");
    Select({1});
    Click(按钮3);
    ASSERT_TRUE(WaitUntil([&] { return WindowsOfProgram(create).size() == 1; }));
    EXPECT_EQ(TextOf(WindowsOfProgram(create)[0]), "编辑密保卡 - 密保卡：my card");
}

TEST_F(ManagerTest, CreateOpensTheEditorInCreateMode) {
    if (!directory_.HasProgram("create.exe")) GTEST_SKIP() << "create.exe is not built";
    WriteCards({"a"});
    StartManager();
    const std::string create = directory_.ProgramPath("create.exe");
    Select({0});
    Click(按钮2);
    ASSERT_TRUE(WaitUntil([&] { return WindowsOfProgram(create).size() == 1; }));
    EXPECT_EQ(TextOf(WindowsOfProgram(create)[0]), "创建密保卡");
}

// --- the desktop shortcut -----------------------------------------------

class ManagerShortcutTest : public ManagerTest {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        desktop_ = directory_.Path() + "\\Desktop";
        ASSERT_TRUE(CreateDirectoryW(Wide(desktop_).c_str(), nullptr));
        redirection_.emplace(desktop_);
    }
    void TearDown() override {
        ManagerTest::TearDown();
        redirection_.reset();
        CoUninitialize();
    }

    std::string desktop_;
    std::optional<DesktopRedirection> redirection_;
};

TEST_F(ManagerShortcutTest, PutsAShortcutToCheckWithTheCardOnTheDesktop) {
    WriteCards({"a", "b", "my card", "誠"});
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    StartManager();
    const std::vector<std::string> entries = Entries();
    // Each click is waited for before the next selection: the selection is
    // set by message, the click comes through the input queue later.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i] == "a") continue;
        Select({static_cast<int>(i)});
        Click(按钮5);
        ASSERT_TRUE(WaitUntil([&] { return FileExists(desktop_ + "\\" + entries[i] + ".lnk"); }))
            << Utf8Of(entries[i]);
    }
    for (const std::string& card : {std::string("b"), std::string("my card"), std::string("誠")}) {
        const std::string file = desktop_ + "\\" + card + ".lnk";
        ASSERT_TRUE(WaitUntil([&] { return FileExists(file); })) << Utf8Of(card);
        std::optional<Shortcut> shortcut;
        ASSERT_TRUE(WaitUntil([&] { return (shortcut = ReadShortcut(file)).has_value(); }));
        EXPECT_TRUE(lstrcmpiW(Wide(shortcut->target).c_str(), Wide(directory_.ProgramPath("check.exe")).c_str()) == 0)
            << shortcut->target;
        EXPECT_EQ(shortcut->arguments, card == "my card" ? "\"my card\"" : card);
        EXPECT_EQ(shortcut->description, "密保卡" + card);
    }
    EXPECT_FALSE(FileExists(desktop_ + "\\a.lnk"));
    ExpectNoMessageBox();
}

TEST_F(ManagerShortcutTest, ReplacesAnOlderShortcutAndOpensCheckForTheCard) {
    WriteCards({"b"});
    ASSERT_TRUE(WriteFileBytes(desktop_ + "\\b.lnk", "not a shortcut"));
    ASSERT_TRUE(ReplaceWithRecorder(directory_, "check.exe"));
    StartManager();
    Select({0});
    Click(按钮5);
    const std::string file = desktop_ + "\\b.lnk";
    std::optional<Shortcut> shortcut;
    ASSERT_TRUE(WaitUntil([&] { return (shortcut = ReadShortcut(file)).has_value(); }));
    EXPECT_EQ(shortcut->arguments, "b");

    // Opening the shortcut runs the program directory's check.exe with the card.
    const std::wstring wide_file = Wide(file);
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_NOCLOSEPROCESS;
    open.lpFile = wide_file.c_str();
    open.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExW(&open));
    if (open.hProcess) CloseHandle(open.hProcess);
    auto starts = WaitForStarts(1);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].program_path, directory_.ProgramPath("check.exe"));
    const std::string& line = starts[0].command_line;
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), " b") << line;
}

}  // namespace
}  // namespace morvane::test
