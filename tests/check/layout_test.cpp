// The window as it opens: its size, frame, controls, options and fonts.
#include "query_window_test.h"

#include <vector>

namespace morvane::test {
namespace {

using Layout = QueryWindowTest;

struct Expected {
    int id;
    const char* window_class;
    RECT rect;  // left, top, right, bottom in client pixels
    const char* caption;
};

TEST_F(Layout, WindowIs157By160WithAFixedFrameAndACloseButton) {
    OpenCard();
    const SIZE outer = OuterSize(window);
    EXPECT_EQ(outer.cx, 157);
    EXPECT_EQ(outer.cy, 160);
    const LONG_PTR style = StyleOf(window);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_THICKFRAME) << "no control grows with the window";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetMenu(window), nullptr);
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 50);
}

TEST_F(Layout, ControlsStandWhereTheTableSays) {
    OpenCard();
    const Expected controls[] = {
        {check::标签1, "Static", {8, 8, 105, 25}, "请输入查询坐标："},
        {check::编辑框_坐标1, "Edit", {8, 32, 45, 52}, ""},
        {check::编辑框_坐标2, "Edit", {56, 32, 93, 52}, ""},
        {check::编辑框_坐标3, "Edit", {104, 32, 141, 52}, ""},
        {check::编辑框_结果, "Edit", {8, 64, 141, 84}, ""},
        {check::按钮_查询, "Button", {41, 96, 109, 123}, "查询(&C)"},
    };
    for (const Expected& control : controls) {
        SCOPED_TRACE(control.caption);
        HWND handle = Control(control.id);
        ASSERT_NE(handle, nullptr) << "control " << control.id;
        EXPECT_EQ(_stricmp(ClassOf(handle).c_str(), control.window_class), 0) << ClassOf(handle);
        const RECT rect = ControlRect(handle);
        EXPECT_EQ(rect.left, control.rect.left);
        EXPECT_EQ(rect.top, control.rect.top);
        EXPECT_EQ(rect.right, control.rect.right);
        EXPECT_EQ(rect.bottom, control.rect.bottom);
        EXPECT_EQ(Text(control.id), control.caption);
        EXPECT_TRUE(IsWindowVisible(handle));
        EXPECT_TRUE(IsWindowEnabled(handle));
    }
}

// Under wine WM_GETFONT answers null across processes, so the font is told
// by what the label shows: its caption drawn here in the default GUI font
// and in the System font, on the label's background, and compared.
std::vector<COLORREF> CaptionDrawnIn(HGDIOBJ font, const char* caption, SIZE size, COLORREF background) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    HGDIOBJ old_bitmap = SelectObject(memory, bitmap);
    HGDIOBJ old_font = SelectObject(memory, font);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, size.cx, size.cy};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SetBkColor(memory, background);
    SetTextColor(memory, GetSysColor(COLOR_WINDOWTEXT));
    DrawTextW(memory, Wide(caption).c_str(), -1, &all, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(memory, old_font);
    SelectObject(memory, old_bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    // Read back through the screen path's format.
    std::vector<COLORREF> pixels(static_cast<std::size_t>(size.cx) * size.cy);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC reader = CreateCompatibleDC(nullptr);
    GetDIBits(reader, bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(reader);
    DeleteObject(bitmap);
    for (COLORREF& p : pixels) p = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    return pixels;
}

std::size_t Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) count += a[i] != b[i];
    return count;
}

TEST_F(Layout, TheLabelDrawsInTheDefaultGuiFont) {
    OpenCard();
    const char* caption = "请输入查询坐标：";
    HWND label = Control(check::标签1);
    RECT area{};
    GetWindowRect(label, &area);
    const SIZE size{area.right - area.left, area.bottom - area.top};
    std::size_t as_gui = 0, as_system = 0;
    EXPECT_TRUE(WaitUntil([&] {
        const std::vector<COLORREF> shown = ScreenPixels(area);
        as_gui = Differences(shown, CaptionDrawnIn(GetStockObject(DEFAULT_GUI_FONT), caption, size, shown.back()));
        as_system = Differences(shown, CaptionDrawnIn(GetStockObject(SYSTEM_FONT), caption, size, shown.back()));
        return as_gui * 10 < as_system;
    })) << as_gui << " pixels differ from the GUI font's caption, " << as_system << " from the System font's";
}

TEST_F(Layout, CoordinateBoxesHoldTwoBytesCentredInUpperCase) {
    OpenCard();
    for (int id : {check::编辑框_坐标1, check::编辑框_坐标2, check::编辑框_坐标3}) {
        SCOPED_TRACE(id);
        HWND box = Control(id);
        EXPECT_EQ(Send(box, EM_GETLIMITTEXT), 2);
        const LONG_PTR style = StyleOf(box);
        EXPECT_TRUE(style & ES_CENTER);
        EXPECT_TRUE(style & ES_UPPERCASE);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_FALSE(style & (ES_READONLY | ES_MULTILINE | ES_PASSWORD));
        EXPECT_TRUE(ExStyleOf(box) & WS_EX_CLIENTEDGE) << "the ordinary sunken border";
    }
}

TEST_F(Layout, ResultBoxIsReadOnlyFlatAndOnTheWindowFace) {
    OpenCard();
    HWND result = Control(check::编辑框_结果);
    const LONG_PTR style = StyleOf(result);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_TABSTOP);
    EXPECT_FALSE(style & (ES_CENTER | ES_RIGHT));
    EXPECT_FALSE(ExStyleOf(result) & WS_EX_CLIENTEDGE);
    EXPECT_GE(Send(result, EM_GETLIMITTEXT), 30000) << "the edit control's own default, no limit of ours";

    // Its inside is painted in the window-face colour, not white.
    SetTextOf(result, "");
    RECT rect{};
    GetWindowRect(result, &rect);
    const POINT inside{rect.left + 3, rect.bottom - 4};
    COLORREF colour = 0;
    EXPECT_TRUE(WaitUntil([&] {
        colour = ScreenPixels({inside.x, inside.y, inside.x + 1, inside.y + 1}).front();
        return colour == GetSysColor(COLOR_BTNFACE);
    })) << std::hex << colour << " is not the face colour " << GetSysColor(COLOR_BTNFACE);

    // A flat border: one dark line, then the face. (Wine's edit control
    // takes WS_BORDER out of the style and draws that line itself, so the
    // border is read from the screen.)
    const LONG middle = (rect.top + rect.bottom) / 2;
    const std::vector<COLORREF> edge = ScreenPixels({rect.left, middle, rect.left + 3, middle + 1});
    const auto dark = [](COLORREF c) { return GetRValue(c) < 0xA0 && GetGValue(c) < 0xA0 && GetBValue(c) < 0xA0; };
    EXPECT_TRUE(dark(edge[0])) << std::hex << edge[0];
    EXPECT_EQ(edge[1], GetSysColor(COLOR_BTNFACE)) << "a sunken edge would be two pixels deep";
    EXPECT_EQ(edge[2], GetSysColor(COLOR_BTNFACE));
}

TEST_F(Layout, LabelIsPlainTextAndTakesNoFocus) {
    OpenCard();
    const LONG_PTR style = StyleOf(Control(check::标签1));
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT);
    EXPECT_FALSE(style & (WS_TABSTOP | WS_BORDER | SS_SUNKEN));
}

}  // namespace
}  // namespace morvane::test
