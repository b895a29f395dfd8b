// The window scaffolding of the programs, on windows of the test process.
#include "window_scaffold.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

namespace morvane {
namespace {

// The icon of window_scaffold_test.rc.
constexpr int kTestIcon = 1;
constexpr wchar_t kPlainClass[] = L"MorvaneScaffoldTestWindow";

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

HINSTANCE ThisProgram() { return GetModuleHandleW(nullptr); }

bool RegisterPlainClass() {
    static const bool registered = [] {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = DefWindowProcW;
        window_class.hInstance = ThisProgram();
        window_class.lpszClassName = kPlainClass;
        return RegisterClassExW(&window_class) != 0;
    }();
    return registered;
}

// A shown top-level window without controls.
UniqueWindow MakeTopLevel(int left = 40) {
    if (!RegisterPlainClass()) return nullptr;
    HWND window = CreateWindowExW(0, kPlainClass, L"scaffold", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, left, 40, 400,
                                  300, nullptr, nullptr, ThisProgram(), nullptr);
    if (window) ShowWindow(window, SW_SHOW);
    return UniqueWindow(window);
}

// A shown top-level window with the controls of `layout`; nothing when one
// could not be made.
UniqueWindow MakeWindowWith(std::span<const ControlLayout> layout, int left = 40) {
    UniqueWindow window = MakeTopLevel(left);
    if (!window || !CreateControls(window.get(), layout)) return nullptr;
    return window;
}

std::wstring ClassNameOf(HWND window) {
    wchar_t name[64] = {};
    const int length = GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class ScaffoldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
    }
};

// Every kind once; the status bar places itself, so its row has no rectangle
// worth checking.
constexpr ControlLayout kEveryKind[] = {
    {201, ControlKind::kLabel, 8, 8, 97, 17, L"请输入查询坐标：", SS_LEFT, 0},
    {202, ControlKind::kEditBox, 8, 32, 37, 20, L"B3", WS_TABSTOP | ES_UPPERCASE, WS_EX_CLIENTEDGE},
    {203, ControlKind::kButton, 41, 96, 68, 27, L"查询(&C)", WS_TABSTOP | BS_PUSHBUTTON, 0},
    {204, ControlKind::kListBox, 150, 8, 120, 100, L"", WS_TABSTOP | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE},
    {205, ControlKind::kStatusBar, 0, 0, 0, 0, L"", 0, 0},
};

using CreateControlsTest = ScaffoldTest;

TEST_F(CreateControlsTest, EachRowBecomesAVisibleChildOfItsKindPlaceCaptionAndOptions) {
    UniqueWindow parent = MakeWindowWith(kEveryKind);
    ASSERT_TRUE(parent);

    const wchar_t* const expected_classes[] = {L"Static", L"Edit", L"Button", L"ListBox", L"msctls_statusbar32"};
    for (std::size_t i = 0; i < std::size(kEveryKind); ++i) {
        const ControlLayout& row = kEveryKind[i];
        SCOPED_TRACE("control " + std::to_string(row.id));
        HWND control = GetDlgItem(parent.get(), row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(lstrcmpiW(ClassNameOf(control).c_str(), expected_classes[i]), 0) << ClassNameOf(control);
        EXPECT_EQ(GetParent(control), parent.get());
        EXPECT_TRUE(IsWindowUnicode(control));
        const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
        EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | row.style), WS_CHILD | WS_VISIBLE | row.style);
        const auto extended = static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE));
        EXPECT_EQ(extended & row.extended_style, row.extended_style);
        if (row.kind == ControlKind::kStatusBar) continue;
        const RECT rect = RectInParent(control);
        EXPECT_EQ(rect.left, row.left);
        EXPECT_EQ(rect.top, row.top);
        EXPECT_EQ(rect.right - rect.left, row.width);
        EXPECT_EQ(rect.bottom - rect.top, row.height);
        EXPECT_EQ(WindowText(control), row.caption);
    }
}

TEST_F(CreateControlsTest, EveryControlDrawsInTheDefaultGuiFont) {
    UniqueWindow parent = MakeWindowWith(kEveryKind);
    ASSERT_TRUE(parent);
    const auto font = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const ControlLayout& row : kEveryKind)
        EXPECT_EQ(SendDlgItemMessageW(parent.get(), row.id, WM_GETFONT, 0, 0), font) << "control " << row.id;
}

TEST_F(CreateControlsTest, TabOrderIsTheTableOrder) {
    constexpr ControlLayout kBoxes[] = {
        {301, ControlKind::kEditBox, 8, 8, 40, 20, L"", WS_TABSTOP, 0},
        {302, ControlKind::kLabel, 8, 30, 40, 20, L"x", 0, 0},
        {303, ControlKind::kEditBox, 200, 8, 40, 20, L"", WS_TABSTOP, 0},
        {304, ControlKind::kButton, 8, 60, 40, 20, L"ok", WS_TABSTOP, 0},
    };
    UniqueWindow parent = MakeWindowWith(kBoxes);
    ASSERT_TRUE(parent);
    HWND first = GetDlgItem(parent.get(), 301);
    std::vector<int> visited;
    HWND at = first;
    for (int step = 0; step < 3; ++step) {
        at = GetNextDlgTabItem(parent.get(), at, FALSE);
        visited.push_back(GetDlgCtrlID(at));
    }
    EXPECT_EQ(visited, (std::vector<int>{303, 304, 301}));
}

TEST_F(CreateControlsTest, EmptyTableMakesNothingAndMissingParentIsRefused) {
    UniqueWindow parent = MakeTopLevel();
    ASSERT_TRUE(parent);
    EXPECT_TRUE(CreateControls(parent.get(), {}));
    EXPECT_EQ(GetWindow(parent.get(), GW_CHILD), nullptr);
    // A child window needs a parent: the first row fails and the call says so.
    EXPECT_FALSE(CreateControls(nullptr, kEveryKind));
}

using ScaledLayoutTest = ScaffoldTest;

LONG FontHeight(HFONT font) {
    LOGFONTW logical{};
    return GetObjectW(font, sizeof logical, &logical) ? logical.lfHeight : 0;
}

// The programs' own tests see a window laid out at another DPI from outside;
// only here can the font it makes be looked at: the stock font's face at the
// height for that DPI, given to every control, and freed once the window is
// back at the system's DPI, where the stock font serves again.
TEST_F(ScaledLayoutTest, AFontMadeForAnotherDpiServesEveryControlAndIsFreedAfterwards) {
    static constexpr ControlLayout kControls[] = {
        {801, ControlKind::kLabel, 8, 9, 64, 17, L"密保卡名：", SS_LEFT, 0},
        {802, ControlKind::kEditBox, 96, 8, 160, 20, L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
    };
    UniqueWindow window = MakeTopLevel();
    ASSERT_TRUE(window);
    ScaledLayout layout(kControls, {400, 300});
    ASSERT_TRUE(layout.Create(window.get()));
    const auto stock = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const auto font_of = [&](int id) {
        return reinterpret_cast<HFONT>(SendDlgItemMessageW(window.get(), id, WM_GETFONT, 0, 0));
    };
    ASSERT_EQ(font_of(802), stock) << "the test process runs at the system DPI";

    const UINT system_dpi = SystemDpi();
    const UINT other_dpi = system_dpi * 3 / 2;
    layout.OnDpiChanged(window.get(), other_dpi, {60, 50, 660, 500});
    const HFONT made = font_of(802);
    EXPECT_EQ(FontHeight(made), MulDiv(FontHeight(stock), static_cast<int>(other_dpi), static_cast<int>(system_dpi)));
    EXPECT_EQ(font_of(801), made);

    layout.OnDpiChanged(window.get(), system_dpi, {40, 40, 440, 340});
    EXPECT_EQ(font_of(801), stock);
    EXPECT_EQ(font_of(802), stock);
    EXPECT_EQ(GetObjectType(made), 0u) << "the font made for " << other_dpi << " DPI is freed";
}

// Two boxes and a button in one window, and a second window elsewhere.
class FocusKeeperTest : public ScaffoldTest {
protected:
    static constexpr ControlLayout kControls[] = {
        {401, ControlKind::kEditBox, 8, 8, 60, 20, L"", WS_TABSTOP, 0},
        {402, ControlKind::kEditBox, 8, 40, 60, 20, L"", WS_TABSTOP, 0},
        {403, ControlKind::kButton, 8, 72, 60, 24, L"ok", WS_TABSTOP, 0},
    };

    void SetUp() override {
        window_ = MakeWindowWith(kControls, 40);
        other_ = MakeWindowWith(kControls, 460);
        ASSERT_TRUE(window_ && other_);
    }

    HWND Box(int id) const { return GetDlgItem(window_.get(), id); }
    HWND First() const { return Box(401); }
    void Deactivate() { keeper_.OnActivate(window_.get(), WA_INACTIVE, FALSE, First()); }
    void Activate(BOOL minimized = FALSE) { keeper_.OnActivate(window_.get(), WA_ACTIVE, minimized, First()); }

    FocusKeeper keeper_;
    UniqueWindow window_;
    UniqueWindow other_;
};

TEST_F(FocusKeeperTest, FirstActivationFocusesTheFirstControl) {
    SetFocus(GetDlgItem(other_.get(), 402));
    Activate();
    EXPECT_EQ(GetFocus(), First());
}

TEST_F(FocusKeeperTest, ReactivationGivesTheFocusBackToTheControlThatHadIt) {
    SetFocus(Box(403));
    Deactivate();
    SetFocus(GetDlgItem(other_.get(), 401));
    Activate();
    EXPECT_EQ(GetFocus(), Box(403));
}

TEST_F(FocusKeeperTest, DeactivationWithTheFocusOutsideKeepsWhatWasRemembered) {
    SetFocus(Box(402));
    Deactivate();
    // The focus went elsewhere before a second deactivation reached us.
    SetFocus(GetDlgItem(other_.get(), 403));
    Deactivate();
    SetFocus(nullptr);
    Deactivate();
    Activate();
    EXPECT_EQ(GetFocus(), Box(402));
}

TEST_F(FocusKeeperTest, MinimizedActivationLeavesTheFocusAlone) {
    SetFocus(Box(402));
    Deactivate();
    HWND elsewhere = GetDlgItem(other_.get(), 401);
    SetFocus(elsewhere);
    Activate(TRUE);
    EXPECT_EQ(GetFocus(), elsewhere);
}

TEST_F(FocusKeeperTest, RememberedControlThatIsGoneFallsBackToTheFirst) {
    SetFocus(Box(402));
    Deactivate();
    DestroyWindow(Box(402));
    SetFocus(GetDlgItem(other_.get(), 401));
    Activate();
    EXPECT_EQ(GetFocus(), First());
}

using RegisterProgramClassTest = ScaffoldTest;

LRESULT CALLBACK ProgramProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

ProgramWindow TestProgram(const wchar_t* class_name) {
    return {class_name, ProgramProcedure, kTestIcon, L"", WS_OVERLAPPED, {40, 40}, {200, 100}, ICC_STANDARD_CLASSES};
}

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bitmap{};
    SIZE size{0, 0};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
        size = {bitmap.bmWidth, bitmap.bmHeight};
    } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) {
        // A monochrome icon's mask holds the AND and XOR halves.
        size = {bitmap.bmWidth, bitmap.bmHeight / 2};
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return size;
}

TEST_F(RegisterProgramClassTest, ClassHasTheProcedureFaceColourArrowAndBothIconSizes) {
    constexpr wchar_t kName[] = L"MorvaneScaffoldTestProgram";
    ASSERT_TRUE(RegisterProgramClass(ThisProgram(), TestProgram(kName)));
    WNDCLASSEXW registered{};
    registered.cbSize = sizeof registered;
    ASSERT_TRUE(GetClassInfoExW(ThisProgram(), kName, &registered));
    EXPECT_EQ(registered.lpfnWndProc, ProgramProcedure);
    EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(registered.hCursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));
    const SIZE large = IconSize(registered.hIcon);
    EXPECT_EQ(large.cx, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(large.cy, GetSystemMetrics(SM_CYICON));
    const SIZE small = IconSize(registered.hIconSm);
    EXPECT_EQ(small.cx, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(small.cy, GetSystemMetrics(SM_CYSMICON));
    EXPECT_TRUE(UnregisterClassW(kName, ThisProgram()));
}

TEST_F(RegisterProgramClassTest, SecondRegistrationOfTheSameNameIsRefused) {
    constexpr wchar_t kName[] = L"MorvaneScaffoldTestTwice";
    ASSERT_TRUE(RegisterProgramClass(ThisProgram(), TestProgram(kName)));
    EXPECT_FALSE(RegisterProgramClass(ThisProgram(), TestProgram(kName)));
    EXPECT_TRUE(UnregisterClassW(kName, ThisProgram()));
}

using MessageLoopTest = ScaffoldTest;

TEST_F(MessageLoopTest, ShowsTheWindowAndEndsWithTheQuitCode) {
    ASSERT_TRUE(RegisterPlainClass());
    UniqueWindow window(CreateWindowExW(0, kPlainClass, L"hidden", WS_OVERLAPPED | WS_CAPTION, 40, 40, 200, 100,
                                        nullptr, nullptr, ThisProgram(), nullptr));
    ASSERT_TRUE(window);
    ASSERT_FALSE(IsWindowVisible(window.get()));
    PostQuitMessage(7);
    EXPECT_EQ(RunDialogLikeMessageLoop(window.get(), SW_SHOW), 7);
    EXPECT_TRUE(IsWindowVisible(window.get()));
}

TEST_F(MessageLoopTest, TabMovesTheFocusOnAsInADialog) {
    constexpr ControlLayout kBoxes[] = {
        {501, ControlKind::kEditBox, 8, 8, 60, 20, L"", WS_TABSTOP, 0},
        {502, ControlKind::kEditBox, 8, 40, 60, 20, L"", WS_TABSTOP, 0},
    };
    UniqueWindow window = MakeWindowWith(kBoxes);
    ASSERT_TRUE(window);
    HWND first = GetDlgItem(window.get(), 501);
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    // A single-line box does nothing with Tab itself.
    PostMessageW(first, WM_KEYDOWN, VK_TAB, 1);
    PostQuitMessage(0);
    EXPECT_EQ(RunDialogLikeMessageLoop(window.get(), SW_SHOW), 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(window.get(), 502));
}

// IsDialogMessage translates the keys of its own window's controls; those of
// any other window of the thread become characters in the loop itself.
TEST_F(MessageLoopTest, KeysOfAnotherWindowBecomeCharactersToo) {
    constexpr ControlLayout kBox[] = {{601, ControlKind::kEditBox, 8, 8, 60, 20, L"", WS_TABSTOP, 0}};
    UniqueWindow window = MakeTopLevel(40);
    UniqueWindow other = MakeWindowWith(kBox, 460);
    ASSERT_TRUE(window && other);
    HWND box = GetDlgItem(other.get(), 601);
    SetFocus(box);
    PostMessageW(box, WM_KEYDOWN, 'K', 1);
    PostQuitMessage(0);
    RunDialogLikeMessageLoop(window.get(), SW_SHOW);
    EXPECT_EQ(ControlText(other.get(), 601), L"k");
}

int commands_run = 0;

LRESULT CALLBACK CountingCommands(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && LOWORD(wparam) == 0x100 && HIWORD(wparam) == 1) ++commands_run;
    return DefWindowProcW(window, message, wparam, lparam);
}

// A key command runs once per press, before the dialog manager sees the
// key, and a held key's repeats run nothing.
TEST_F(MessageLoopTest, AKeyCommandRunsOncePerPressNotOnRepeats) {
    constexpr wchar_t kName[] = L"MorvaneScaffoldKeyCommands";
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = CountingCommands;
    window_class.hInstance = ThisProgram();
    window_class.lpszClassName = kName;
    ASSERT_TRUE(RegisterClassExW(&window_class));
    constexpr KeyCommand kCommands[] = {{VK_RETURN, false, false, 0x100}, {VK_RETURN, true, false, 0x110}};
    struct Press {
        LPARAM lparam;
        int commands;
    };
    for (const Press press : {Press{1, 1}, Press{1 | (1 << 30), 0}}) {
        UniqueWindow window(CreateWindowExW(0, kName, L"keys", WS_OVERLAPPED | WS_CAPTION, 40, 40, 200, 100, nullptr,
                                            nullptr, ThisProgram(), nullptr));
        ASSERT_TRUE(window);
        commands_run = 0;
        PostMessageW(window.get(), WM_KEYDOWN, VK_RETURN, press.lparam);
        PostQuitMessage(0);
        RunDialogLikeMessageLoop(window.get(), SW_SHOW, kCommands);
        EXPECT_EQ(commands_run, press.commands) << std::hex << press.lparam;
    }
    EXPECT_TRUE(UnregisterClassW(kName, ThisProgram()));
}

using ControlTextTest = ScaffoldTest;

// Whatever the system's code page: the text stays UTF-16 from the box to the
// caller, a character GBK cannot hold among it.
TEST_F(ControlTextTest, ReadsTheWholeTextInUtf16) {
    constexpr ControlLayout kBox[] = {{701, ControlKind::kEditBox, 8, 8, 200, 20, L"", ES_AUTOHSCROLL, 0}};
    UniqueWindow window = MakeWindowWith(kBox);
    ASSERT_TRUE(window);
    EXPECT_EQ(ControlText(window.get(), 701), L"");

    const std::wstring chinese = L"网上银行 B3 😀";
    SetDlgItemTextW(window.get(), 701, chinese.c_str());
    EXPECT_EQ(ControlText(window.get(), 701), chinese);

    std::wstring long_text;
    for (int i = 0; i < 2000; ++i) long_text += L"密保";
    SetDlgItemTextW(window.get(), 701, long_text.c_str());
    EXPECT_EQ(ControlText(window.get(), 701), long_text);
}

TEST_F(ControlTextTest, MissingControlReadsAsEmpty) {
    UniqueWindow window = MakeTopLevel();
    ASSERT_TRUE(window);
    EXPECT_EQ(ControlText(window.get(), 999), L"");
}

}  // namespace
}  // namespace morvane
