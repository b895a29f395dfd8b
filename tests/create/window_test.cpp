// The editor window as the user meets it: its layout, fonts, focus order
// and the behaviour of the boxes.
#include "editor_driver.h"

namespace morvane::test {
namespace {

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(editor_.Opened());
        ASSERT_TRUE(BringToForeground(editor_.Window()));
    }
    void TearDown() override { EXPECT_EQ(editor_.Close(), 0u); }

    bool FocusIs(int id) {
        return WaitUntil([&] { return FocusedWindow(editor_.Window()) == editor_.Control(id); });
    }

    ScratchDirectory directory_;
    Editor editor_{directory_, "-c"};
};

TEST_F(EditorWindow, LayoutAndCaptions) {
    const SIZE outer = OuterSize(editor_.Window());
    EXPECT_EQ(outer.cx, 433);
    EXPECT_EQ(outer.cy, 384);
    const struct {
        int id;
        const char* window_class;
        RECT rect;
        const char* caption;
    } expected[] = {
        {ids::标签1, "Static", {8, 9, 72, 26}, "密保卡名："},
        {ids::编辑框_密保卡名, "Edit", {96, 8, 256, 28}, ""},
        {ids::标签2, "Static", {8, 41, 88, 58}, "密保卡序列号："},
        {ids::编辑框_序列号, "Edit", {96, 40, 256, 60}, ""},
        {ids::标签3, "Static", {8, 72, 88, 89}, "密保卡内容："},
        {ids::编辑框_密保卡内容, "Edit", {96, 72, 416, 304}, ""},
        {ids::按钮_finish, "Button", {328, 320, 417, 347}, "创建密保卡"},
    };
    for (const auto& control : expected) {
        SCOPED_TRACE(Utf8Of(control.caption) + " #" + std::to_string(control.id));
        HWND window = editor_.Control(control.id);
        ASSERT_NE(window, nullptr);
        EXPECT_STRCASEEQ(ClassOf(window).c_str(), control.window_class);
        const RECT rect = ControlRect(window);
        EXPECT_EQ(rect.left, control.rect.left);
        EXPECT_EQ(rect.top, control.rect.top);
        EXPECT_EQ(rect.right, control.rect.right);
        EXPECT_EQ(rect.bottom, control.rect.bottom);
        EXPECT_EQ(Utf8Of(TextOf(window)), Utf8Of(control.caption));
        EXPECT_TRUE(IsWindowEnabled(window));
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

// The controls are made and given their font in one loop; the labels show
// it on screen.
TEST_F(EditorWindow, LabelsDrawInTheDefaultGuiFont) {
    const struct {
        int id;
        UINT format;
        int inset;
    } controls[] = {
        {ids::标签1, DT_LEFT | DT_EXPANDTABS, 0},
        {ids::标签2, DT_LEFT | DT_EXPANDTABS, 0},
        {ids::标签3, DT_LEFT | DT_EXPANDTABS, 0},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.id);
        HWND window = editor_.Control(control.id);
        const std::string caption = TextOf(window);
        std::size_t as_gui = 0, as_system = 0;
        EXPECT_TRUE(WaitUntil([&] {
            as_gui = PixelsDifferingFromCaption(window, caption, GetStockObject(DEFAULT_GUI_FONT), control.format,
                                                control.inset);
            as_system = PixelsDifferingFromCaption(window, caption, GetStockObject(SYSTEM_FONT), control.format,
                                                   control.inset);
            return as_gui * 3 < as_system;
        })) << as_gui << " pixels differ from the caption in the GUI font, " << as_system
            << " from it in the System font";
    }
}

TEST_F(EditorWindow, FixedFrameWithCloseButton) {
    const LONG_PTR style = StyleOf(editor_.Window());
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
}

TEST_F(EditorWindow, FocusStartsInNameBoxAndTabWalksTheBoxesAndButton) {
    EXPECT_TRUE(FocusIs(ids::编辑框_密保卡名));
    const int order[] = {ids::编辑框_序列号, ids::编辑框_密保卡内容, ids::按钮_finish, ids::编辑框_密保卡名};
    for (int id : order) {
        PressTab();
        EXPECT_TRUE(FocusIs(id)) << "after Tab, expected control #" << id;
    }
    PressShiftTab();
    EXPECT_TRUE(FocusIs(ids::按钮_finish));
}

TEST_F(EditorWindow, TypedTextReachesTheBoxesAndEnterBreaksContentLines) {
    ASSERT_TRUE(FocusIs(ids::编辑框_密保卡名));
    TypeKeys("Bank 1\tS-42\t");
    ASSERT_TRUE(FocusIs(ids::编辑框_密保卡内容));
    TypeKeys("A1,A2\rB1,B2");
    EXPECT_TRUE(WaitUntil([&] { return editor_.Content() == "A1,A2\r\nB1,B2"; })) << editor_.Content();
    EXPECT_EQ(editor_.Name(), "Bank 1");
    EXPECT_EQ(editor_.Serial(), "S-42");
    // Enter in the content box did not press the button.
    EXPECT_EQ(editor_.Program().FindDialog(), nullptr);
    EXPECT_FALSE(directory_.CardFileExists("Bank 1"));

    // Typing, then the button pressed with the keyboard, saves what was typed.
    PressTab();
    ASSERT_TRUE(FocusIs(ids::按钮_finish));
    PressKey(VK_SPACE);
    std::optional<MessageBoxContent> box = WaitForMessageBox(editor_.Program());
    EXPECT_MESSAGE_BOX(box, "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    ASSERT_TRUE(DismissMessageBox(box->window));
    EXPECT_EQ(directory_.ReadCardFile("Bank 1"), CardBytes("S-42", {"A1,A2", "B1,B2"}));
    // The focus comes back to the window after the box.
    EXPECT_TRUE(FocusIs(ids::按钮_finish));
}

TEST_F(EditorWindow, LongRowScrollsSidewaysInsteadOfWrapping) {
    const std::string long_row(300, '7');
    editor_.SetContent(long_row + "\r\nshort");
    HWND content = editor_.Control(ids::编辑框_密保卡内容);
    EXPECT_EQ(Send(content, EM_GETLINECOUNT), 2);
    EXPECT_EQ(editor_.Content(), long_row + "\r\nshort");
    // A row typed past the right edge stays one row.
    editor_.SetContent("");
    ClickControl(content);
    ASSERT_TRUE(FocusIs(ids::编辑框_密保卡内容));
    const std::string typed(80, '8');
    TypeKeys(typed);
    EXPECT_TRUE(WaitUntil([&] { return editor_.Content() == typed; })) << editor_.Content();
    EXPECT_EQ(Send(content, EM_GETLINECOUNT), 1);
}

TEST_F(EditorWindow, BoxesHaveNoLengthLimit) {
    for (int id : {ids::编辑框_密保卡名, ids::编辑框_序列号, ids::编辑框_密保卡内容}) {
        SCOPED_TRACE(id);
        // The default limit is 30000 characters; lifted, it is the maximum.
        EXPECT_GT(static_cast<unsigned long>(Send(editor_.Control(id), EM_GETLIMITTEXT)), 0x7FFFFFF0ul);
    }
    // A serial number far longer than the box is kept whole and saved whole.
    const std::string serial(5000, 'S');
    editor_.Fill("long", serial, "a");
    EXPECT_EQ(editor_.Serial(), serial);
    EXPECT_MESSAGE_BOX(editor_.Save(), "创建密保卡成功！", "创建密保卡", MessageBoxIcon::kInformation);
    EXPECT_EQ(directory_.ReadCardFile("long"), CardBytes(serial, {"a"}));
}

// The content box holds the whole grid: a copy or a cut of it carries the
// marks that keep it out of clipboard history and the cloud clipboard.
TEST_F(EditorWindow, CopiesAndCutsOfTheContentCarryTheClipboardMarks) {
    const std::string grid = "A1,A2\r\nB1,B2";
    editor_.SetContent(grid);
    ClickControl(editor_.Control(ids::编辑框_密保卡内容));
    ASSERT_TRUE(FocusIs(ids::编辑框_密保卡内容));
    const struct {
        const char* way;
        void (*copy)();
        const char* content_after;
    } copies[] = {
        {"Ctrl+C", [] { PressCtrl('C'); }, "A1,A2\r\nB1,B2"},
        // Wine's edit control cuts for Shift+Delete without a WM_CUT.
        {"Shift+Delete", [] { PressKey(VK_DELETE, true); }, ""},
    };
    for (const auto& copy : copies) {
        SCOPED_TRACE(copy.way);
        ASSERT_TRUE(SetClipboardText("before the copy"));
        PressCtrl('A');
        copy.copy();
        ASSERT_TRUE(WaitUntil([&] { return ClipboardText() == std::optional<std::string>(grid); }));
        EXPECT_EQ(MissingClipboardMarks(), "");
        EXPECT_TRUE(WaitUntil([&] { return editor_.Content() == copy.content_after; })) << editor_.Content();
    }
}

TEST(EditorClosing, EndsWithExitCodeZeroAndSavesNothing) {
    ScratchDirectory directory;
    Editor editor(directory, "-c");
    ASSERT_TRUE(editor.Opened());
    editor.Fill("unsaved", "S", "a");
    EXPECT_EQ(editor.Close(), 0u);
    EXPECT_FALSE(directory.CardFileExists("unsaved"));
}

// A point on the window's close button, as the window itself tells it.
std::optional<POINT> CloseButtonPoint(HWND window) {
    RECT frame{};
    GetWindowRect(window, &frame);
    for (int y = frame.top; y < frame.top + 48; y += 2) {
        for (int x = frame.right - 1; x > frame.right - 80; x -= 2) {
            if (Send(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return POINT{x, y};
        }
    }
    return std::nullopt;
}

// Esc does nothing, but every way of closing the window still closes it at
// once, without a question and without saving.
TEST(EditorClosing, TheCloseButtonAltF4AndTheSystemMenuCloseWithoutAsking) {
    const struct {
        const char* way;
        void (*close)(HWND window);
    } ways[] = {
        {"close button",
         [](HWND window) {
             const std::optional<POINT> button = CloseButtonPoint(window);
             ASSERT_TRUE(button) << "no close button found";
             ClickAt(*button);
         }},
        {"Alt+F4", [](HWND) { PressAltKey(VK_F4); }},
        {"system menu, Close", [](HWND) {
             PressAltKey(VK_SPACE);
             TypeKeys("c");
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        ScratchDirectory directory;
        Editor editor(directory, "-c");
        ASSERT_TRUE(editor.Opened());
        editor.Fill("unsaved", "S", "a1,a2\r\nb1");
        ASSERT_TRUE(BringToForeground(editor.Window()));
        way.close(editor.Window());
        EXPECT_TRUE(editor.Program().WaitForExit());
        EXPECT_EQ(editor.Program().ExitCode(), 0u);
        EXPECT_TRUE(directory.CardFileNames().empty());
    }
}

}  // namespace
}  // namespace morvane::test
