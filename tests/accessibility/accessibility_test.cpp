// What a screen reader hears of the three windows, read through MSAA from
// this process as a screen reader reads another program's windows; and the
// card list under a high-contrast colour scheme.
//
// For the system's own controls wine builds the accessible object in the
// caller's process, from the window tree: an edit box is named by the text of
// the nearest label before it in z-order, a list box by its own window text,
// a button by its caption without the "&". Windows names a list box by its
// label too, and stops looking for a label at a control with WS_TABSTOP or
// WS_GROUP, where wine looks on; that rule is checked on the window tree.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check_controls.h"
#include "create_controls.h"
#include "manager_controls.h"
#include "window_harness.h"

namespace morvane::test {
namespace {

// mingw-w64's liboleacc.a has IID_IAccessible as an import thunk, not the
// GUID: passed as the interface, it hands over code bytes (E_NOINTERFACE).
constexpr GUID kIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct Releaser {
    void operator()(IAccessible* accessible) const { accessible->Release(); }
};

// The control's MSAA name, as GBK; nothing when it has none.
std::optional<std::string> AccessibleName(HWND control) {
    IAccessible* found = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, OBJID_CLIENT, kIAccessible, reinterpret_cast<void**>(&found))) ||
        !found)
        return std::nullopt;
    const std::unique_ptr<IAccessible, Releaser> accessible(found);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::optional<std::string> text;
    if (accessible->get_accName(self, &name) == S_OK && name)
        text = Gbk(std::wstring_view(name, SysStringLen(name)));
    SysFreeString(name);
    return text;
}

// The controls the Tab key visits, once round from the first.
std::vector<HWND> TabStops(HWND window) {
    std::vector<HWND> stops;
    const HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND at = first; at && stops.size() < 32; at = GetNextDlgTabItem(window, at, FALSE)) {
        if (!stops.empty() && at == first) break;
        stops.push_back(at);
    }
    return stops;
}

bool IsOfClass(HWND window, const char* class_name) { return _stricmp(ClassOf(window).c_str(), class_name) == 0; }

// The label Windows names an edit box or a list box by: the nearest static
// before it in z-order, with no control between that has WS_TABSTOP or
// WS_GROUP. Null when there is none.
HWND WindowsLabelOf(HWND control) {
    for (HWND at = GetWindow(control, GW_HWNDPREV); at; at = GetWindow(at, GW_HWNDPREV)) {
        if (IsOfClass(at, "Static")) return at;
        if (StyleOf(at) & (WS_TABSTOP | WS_GROUP)) return nullptr;
    }
    return nullptr;
}

constexpr char kCard[] = "[Info]\r\n序列号=SN-1\r\n[Card]\r\nA=11,12,13\r\nB=21,22,23\r\n";

struct ProgramWindow {
    const char* file;
    const char* arguments;
    // Every control that Tab reaches, and its name.
    std::map<int, std::string> names;
};

// "102 第一个坐标, 103 ...", readable where gtest would escape the bytes.
std::string Described(const std::map<int, std::string>& names) {
    std::string described;
    for (const auto& [id, name] : names)
        described += (described.empty() ? "" : ", ") + std::to_string(id) + " " + Utf8Of(name);
    return described;
}

// One test for the three windows: reading one takes 0.1 s, where a test
// program of its own would take 2.5 s more under wine.
TEST(ScreenReader, EveryControlThatTabReachesHasANameOfItsOwn) {
    const ProgramWindow windows[] = {
        {"check.exe",
         "card",
         {{check::编辑框_坐标1, "第一个坐标"},
          {check::编辑框_坐标2, "第二个坐标"},
          {check::编辑框_坐标3, "第三个坐标"},
          {check::编辑框_结果, "查询结果"},
          {check::按钮_查询, "查询(C)"}}},
        {"create.exe",
         "-e card",
         {{create::编辑框_密保卡名, "密保卡名："},
          {create::编辑框_序列号, "密保卡序列号："},
          {create::编辑框_密保卡内容, "密保卡内容："},
          {create::按钮_finish, "保存密保卡"}}},
        {"Morvane.exe",
         "",
         {{manager::列表框1, "密保卡列表"},
          {manager::按钮2, "创建密保卡(N)"},
          {manager::按钮3, "编辑密保卡(E)"},
          {manager::按钮4, "删除密保卡(D)"},
          {manager::按钮5, "创建快捷方式(L)"},
          {manager::按钮1, "查询密保卡(C)"}}},
    };
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("card", kCard));
    for (const ProgramWindow& expected : windows) {
        SCOPED_TRACE(std::string(expected.file) + " " + expected.arguments);
        std::optional<RunningProgram> program = RunningProgram::StartIn(directory, expected.file, expected.arguments);
        ASSERT_TRUE(program);
        const HWND window = program->WaitForMainWindow();
        ASSERT_NE(window, nullptr);

        std::map<int, std::string> heard;
        std::set<std::string> distinct;
        for (HWND control : TabStops(window)) {
            const int id = GetDlgCtrlID(control);
            SCOPED_TRACE("control " + std::to_string(id));
            const std::string name = AccessibleName(control).value_or("");
            EXPECT_NE(name, "") << "no name";
            EXPECT_TRUE(distinct.insert(name).second) << Utf8Of(name) << " names another control too";
            heard[id] = name;
            if (IsOfClass(control, "Edit") || IsOfClass(control, "ListBox")) {
                const HWND label = WindowsLabelOf(control);
                EXPECT_NE(label, nullptr) << "Windows finds no label: none before it, or a Tab stop or group between";
                if (label) {
                    EXPECT_EQ(Utf8Of(TextOf(label)), Utf8Of(name)) << "Windows reads another name";
                }
            }
        }
        EXPECT_TRUE(heard == expected.names) << "heard " << Described(heard) << "\nnot   " << Described(expected.names);
    }
}

// System colours for the session, as the colour settings set them, and the
// old ones back afterwards. Under wine a program started meanwhile takes them.
class SchemeColours {
public:
    explicit SchemeColours(std::initializer_list<std::pair<int, COLORREF>> colours) {
        for (const auto& [element, colour] : colours) {
            elements_.push_back(element);
            old_.push_back(GetSysColor(element));
            new_.push_back(colour);
        }
        SetSysColors(static_cast<int>(elements_.size()), elements_.data(), new_.data());
    }
    ~SchemeColours() { SetSysColors(static_cast<int>(elements_.size()), elements_.data(), old_.data()); }
    SchemeColours(const SchemeColours&) = delete;
    SchemeColours& operator=(const SchemeColours&) = delete;

private:
    std::vector<int> elements_;
    std::vector<COLORREF> old_, new_;
};

// A pixel of text drawn smooth in yellow on black: a shade of yellow, red
// and green alike and no blue.
bool IsYellowInk(COLORREF pixel) {
    return GetBValue(pixel) == 0 && GetRValue(pixel) == GetGValue(pixel) && GetRValue(pixel) >= 0x80;
}

// The list drew white with black text whatever the scheme: a white block
// among dark controls, where the scheme's text is unreadable.
TEST(HighContrast, TheCardListDrawsInTheSchemesWindowColours) {
    // Yellow text on black, as High Contrast #1 draws it.
    constexpr COLORREF kWindow = RGB(0, 0, 0), kText = RGB(255, 255, 0);
    const SchemeColours scheme({{COLOR_WINDOW, kWindow},
                                {COLOR_WINDOWTEXT, kText},
                                {COLOR_BTNFACE, kWindow},
                                {COLOR_BTNTEXT, kText}});
    ScratchDirectory directory;
    ASSERT_TRUE(directory.WriteCardFile("工商银行", kCard));
    std::optional<RunningProgram> program = RunningProgram::StartIn(directory, "Morvane.exe");
    ASSERT_TRUE(program);
    const HWND window = program->WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const HWND list = ControlOf(window, manager::列表框1);
    ASSERT_EQ(Send(list, LB_GETCOUNT), 1);

    RECT client{};
    GetClientRect(list, &client);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const auto entry_height = static_cast<LONG>(Send(list, LB_GETITEMHEIGHT, 0));
    const RECT entry{client.left, client.top, client.right, client.top + entry_height};
    const POINT below{client.left + 4, client.bottom - 4};
    COLORREF background = 0;
    std::size_t text_pixels = 0;
    EXPECT_TRUE(WaitUntil([&] {
        background = ScreenPixels({below.x, below.y, below.x + 1, below.y + 1}).front();
        const std::vector<COLORREF> shown = ScreenPixels(entry);
        text_pixels = static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), IsYellowInk));
        return background == kWindow && text_pixels > 10;
    })) << std::hex << "the list's background is " << background << ", not the scheme's " << kWindow << "; "
        << std::dec << text_pixels << " pixels of its entry are in the scheme's text colour";
}

}  // namespace
}  // namespace morvane::test
