// The three programs at 150 % display scale, in a wine prefix of 144 DPI:
// every window and control one and a half times its layout, every caption
// that fits its control at 96 DPI fitting it still, and a move to a monitor
// of 192 DPI laying the window out anew.
//
// A font handle of another process cannot be read, and under wine WM_GETFONT
// does not even answer across processes. So the font a control draws with is
// told by its pixels: its caption as the screen shows it against the caption
// drawn here in the default GUI font for the window's DPI, made from this
// process's stock font in the same prefix (the same face, its 144-DPI height
// scaled), and against it drawn in that font for 96 DPI. The caption's text
// extent is then measured here in the font it was found to draw with.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "check_controls.h"
#include "create_controls.h"
#include "manager_controls.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

enum class Kind { kLabel, kEditBox, kButton, kListBox, kStatusBar };
using enum Kind;

// A control as the program's layout gives it at 96 DPI.
struct Expected {
    int id;
    Kind kind;
    int left, top, width, height;
    bool multi_line = false;
};

struct Program {
    const char* file;
    const char* arguments;
    SIZE outer_size;  // at 96 DPI
    std::vector<Expected> controls;
};

void PrintTo(const Program& program, std::ostream* out) { *out << program.file; }

const Program kCheck{"check.exe",
                     "bank",
                     {157, 160},
                     {{check::标签1, kLabel, 8, 8, 97, 17},
                      {check::编辑框_坐标1, kEditBox, 8, 32, 37, 20},
                      {check::编辑框_坐标2, kEditBox, 56, 32, 37, 20},
                      {check::编辑框_坐标3, kEditBox, 104, 32, 37, 20},
                      {check::编辑框_结果, kEditBox, 8, 64, 133, 20},
                      {check::按钮_查询, kButton, 41, 96, 68, 27}}};

const Program kCreate{"create.exe",
                      "-e bank",
                      {433, 384},
                      {{create::标签1, kLabel, 8, 9, 64, 17},
                       {create::编辑框_密保卡名, kEditBox, 96, 8, 160, 20},
                       {create::标签2, kLabel, 8, 41, 80, 17},
                       {create::编辑框_序列号, kEditBox, 96, 40, 160, 20},
                       {create::标签3, kLabel, 8, 72, 80, 17},
                       {create::编辑框_密保卡内容, kEditBox, 96, 72, 320, 232, true},
                       {create::按钮_finish, kButton, 328, 320, 89, 27}}};

const Program kManager{"Morvane.exe",
                       "",
                       {363, 275},
                       {{manager::列表框1, kListBox, 8, 8, 216, 208},
                        {manager::按钮2, kButton, 236, 8, 111, 30},
                        {manager::按钮3, kButton, 236, 48, 111, 30},
                        {manager::按钮4, kButton, 236, 88, 111, 30},
                        {manager::按钮5, kButton, 236, 128, 111, 30},
                        {manager::按钮1, kButton, 236, 184, 111, 30},
                        {manager::状态条1, kStatusBar, 0, 213, 287, 20}}};

// Rows A to H of cells 1 to 9; the cell at E7 holds "57".
std::string CardFile() {
    std::string card = "[Info]\r\n序列号=SN-1\r\n[Card]\r\n";
    for (int row = 1; row <= 8; ++row) {
        card += static_cast<char>('A' + row - 1);
        card += '=';
        for (int cell = 1; cell <= 9; ++cell) card += (cell > 1 ? "," : "") + std::to_string(row * 10 + cell);
        card += "\r\n";
    }
    return card;
}

constexpr UINT kPrefixDpi = 144;

int Scaled(int layout_pixels, UINT dpi) { return static_cast<int>(layout_pixels * (dpi / 96.0) + 0.5); }

struct FontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The default GUI font at `dpi`: the face of the stock font, which the
// prefix makes for its 144 DPI, at the height for `dpi`.
Font GuiFontAt(UINT dpi) {
    LOGFONTA font{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), kPrefixDpi);
    return Font(CreateFontIndirectA(&font));
}

UINT ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return static_cast<UINT>(dpi);
}

// Without it the system would show this process window rectangles scaled
// down to 96 DPI, as it does any process that does not scale for itself.
void BecomePerMonitorAware() {
    using SetAwareness = BOOL(WINAPI*)(HANDLE);
    const auto set_awareness = reinterpret_cast<SetAwareness>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext")));
    const auto per_monitor_v2 = reinterpret_cast<HANDLE>(-4);
    if (!set_awareness || !set_awareness(per_monitor_v2)) SetProcessDPIAware();
}

// The caption's text extent in `font`, its access key's "&" not counted
// (never a GBK trail byte).
SIZE CaptionExtent(std::string caption, HFONT font) {
    std::erase(caption, '&');
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old_font = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, old_font);
    DeleteDC(dc);
    return extent;
}

LONG LineHeight(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old_font = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old_font);
    DeleteDC(dc);
    return metrics.tmHeight;
}

// A button's caption stands inside its raised edge and a focus rectangle.
int ButtonBorder(UINT dpi) { return Scaled(3, dpi); }

bool CaptionFits(const std::string& caption, HFONT font, Kind kind, SIZE size, UINT dpi) {
    const int border = kind == kButton ? ButtonBorder(dpi) : 0;
    const SIZE extent = CaptionExtent(caption, font);
    return extent.cx <= size.cx - 2 * border && extent.cy <= size.cy - 2 * border;
}

// The suggested rectangle of WM_DPICHANGED, which the system hands over by
// pointer, must lie in the receiving process: wine passes a pointer of a
// message it does not know as it is.
class RectInProcess {
public:
    RectInProcess(HANDLE process, const RECT& rect)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
        if (address_ && !WriteProcessMemory(process, address_, &rect, sizeof rect, nullptr)) Free();
    }
    ~RectInProcess() { Free(); }
    RectInProcess(const RectInProcess&) = delete;
    RectInProcess& operator=(const RectInProcess&) = delete;
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }

private:
    void Free() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        address_ = nullptr;
    }
    HANDLE process_;
    void* address_;
};

class ScaledProgramTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BecomePerMonitorAware(); }

    // Starts the program on the card "bank" and waits until its start-up
    // has given a control the focus.
    void Open(const Program& program) {
        ASSERT_EQ(ScreenDpi(), kPrefixDpi) << "the prefix is made at 144 DPI (cmake/wine-run.sh --dpi 144)";
        program_ = &program;
        ASSERT_TRUE(directory_.WriteCardFile("bank", CardFile()));
        running_ = RunningProgram::StartIn(directory_, program.file, program.arguments);
        ASSERT_TRUE(running_) << program.file << " did not start";
        window_ = running_->WaitForMainWindow();
        ASSERT_NE(window_, nullptr);
        ASSERT_TRUE(BringToForeground(window_));
        ASSERT_TRUE(WaitUntil([&] { return IsChild(window_, FocusedWindow(window_)); }));
    }

    HWND Control(int id) const { return ControlOf(window_, id); }

    // Every control within a pixel of its layout rectangle scaled to `dpi`
    // (the status bar along the client area's bottom edge), every caption
    // that fits its control at 96 DPI fitting it at `dpi`, drawn in the font
    // for `dpi`, and a line of text fitting each single-line box.
    void ExpectLaidOutAt(UINT dpi) {
        const Font layout_font = GuiFontAt(96);
        const Font font = GuiFontAt(dpi);
        const SIZE client = ClientSize(window_);
        for (const Expected& row : program_->controls) {
            SCOPED_TRACE("control " + std::to_string(row.id) + " at " + std::to_string(dpi) + " DPI");
            HWND control = Control(row.id);
            ASSERT_NE(control, nullptr);
            const RECT rect = ControlRect(control);
            if (row.kind == kStatusBar) {
                EXPECT_EQ(rect.left, 0);
                EXPECT_EQ(rect.right, client.cx);
                EXPECT_EQ(rect.bottom, client.cy);
                continue;
            }
            const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
            EXPECT_NEAR(rect.left, Scaled(row.left, dpi), 1);
            EXPECT_NEAR(rect.top, Scaled(row.top, dpi), 1);
            EXPECT_NEAR(size.cx, Scaled(row.width, dpi), 1);
            EXPECT_NEAR(size.cy, Scaled(row.height, dpi), 1);
            if (row.kind == kLabel || row.kind == kButton) {
                const std::string caption = TextOf(control);
                ExpectDrawnIn(control, row.kind, caption, font.get(), layout_font.get(), dpi);
                if (CaptionFits(caption, layout_font.get(), row.kind, {row.width, row.height}, 96)) {
                    EXPECT_TRUE(CaptionFits(caption, font.get(), row.kind, size, dpi));
                }
            }
            if (row.kind == kEditBox && !row.multi_line) {
                EXPECT_LE(LineHeight(font.get()), ClientSize(control).cy);
            }
        }
    }

    // The caption on screen is the caption in `font`, not in `other`.
    static void ExpectDrawnIn(HWND control, Kind kind, const std::string& caption, HFONT font, HFONT other, UINT dpi) {
        const UINT format = kind == kButton ? DT_CENTER | DT_VCENTER | DT_SINGLELINE : DT_LEFT | DT_EXPANDTABS;
        const int inset = kind == kButton ? ButtonBorder(dpi) : 0;
        std::size_t as_font = 0, as_other = 0;
        EXPECT_TRUE(WaitUntil([&] {
            as_font = PixelsDifferingFromCaption(control, caption, font, format, inset);
            as_other = PixelsDifferingFromCaption(control, caption, other, format, inset);
            return as_font * 3 < as_other;
        })) << as_font << " pixels differ from the caption in the font for " << dpi << " DPI, " << as_other
            << " from it in the font for 96 DPI";
    }

    ScratchDirectory directory_;
    const Program* program_ = nullptr;
    std::optional<RunningProgram> running_;  // ended before the directory goes
    HWND window_ = nullptr;
};

class EachProgram : public ScaledProgramTest, public ::testing::WithParamInterface<Program> {};

TEST_P(EachProgram, IsOneAndAHalfTimesItsLayoutWithEveryCaptionWhole) {
    Open(GetParam());
    const SIZE outer = OuterSize(window_);
    EXPECT_NEAR(outer.cx, Scaled(GetParam().outer_size.cx, 144), 2);
    EXPECT_NEAR(outer.cy, Scaled(GetParam().outer_size.cy, 144), 2);
    ExpectLaidOutAt(144);
}

TEST_P(EachProgram, MovedTo192DpiIsLaidOutTwiceKeepingTextsSelectionAndFocus) {
    Open(GetParam());
    // Something to keep: a selection in each edit box, the first list entry
    // selected, the focus one Tab on.
    for (const Expected& row : GetParam().controls) {
        if (row.kind == kEditBox) Send(Control(row.id), EM_SETSEL, 0, 1);
        if (row.kind == kListBox) Send(Control(row.id), LB_SETSEL, TRUE, 0);
    }
    const HWND first_focus = FocusedWindow(window_);
    PressTab();
    ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(window_) != first_focus; }));
    const HWND focus = FocusedWindow(window_);
    struct Kept {
        std::string text;
        std::pair<DWORD, DWORD> selection;
        LRESULT first_entry_selected;
    };
    const auto state_of = [&](const Expected& row) {
        HWND control = Control(row.id);
        return Kept{TextOf(control), row.kind == kEditBox ? EditSelection(control) : std::pair<DWORD, DWORD>{},
                    row.kind == kListBox ? Send(control, LB_GETSEL, 0) : 0};
    };
    std::vector<Kept> before;
    for (const Expected& row : GetParam().controls) before.push_back(state_of(row));

    // At the screen's corner, where the editor still fits on it whole.
    const RECT suggested{0, 0, Scaled(GetParam().outer_size.cx, 192), Scaled(GetParam().outer_size.cy, 192)};
    const RectInProcess suggestion(running_->ProcessHandle(), suggested);
    ASSERT_NE(suggestion.Address(), 0);
    Send(window_, WM_DPICHANGED, MAKEWPARAM(192, 192), suggestion.Address());

    RECT outer{};
    GetWindowRect(window_, &outer);
    EXPECT_TRUE(EqualRect(&outer, &suggested)) << "the window takes the suggested rectangle";
    ExpectLaidOutAt(192);
    for (std::size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(GetParam().controls[i].id));
        const Kept after = state_of(GetParam().controls[i]);
        EXPECT_EQ(after.text, before[i].text);
        EXPECT_EQ(after.selection, before[i].selection);
        EXPECT_EQ(after.first_entry_selected, before[i].first_entry_selected);
    }
    EXPECT_EQ(FocusedWindow(window_), focus);
}

INSTANTIATE_TEST_SUITE_P(At144Dpi, EachProgram, ::testing::Values(kCheck, kCreate, kManager),
                         [](const auto& info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

TEST_F(ScaledProgramTest, CoordinateBoxesStillTakeTwoBytesEachAndMoveTheFocusOn) {
    Open(kCheck);
    TypeKeys("b3e7h2x\r");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(check::编辑框_结果)) == "235782"; }))
        << TextOf(Control(check::编辑框_结果));
    EXPECT_EQ(TextOf(Control(check::编辑框_坐标1)), "B3");
    EXPECT_EQ(TextOf(Control(check::编辑框_坐标2)), "E7");
    EXPECT_EQ(TextOf(Control(check::编辑框_坐标3)), "H2");
    EXPECT_EQ(FocusedWindow(window_), Control(check::编辑框_坐标3));
}

}  // namespace
}  // namespace morvane::test
