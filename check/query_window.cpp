#include "query_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "card_store.h"
#include "answer_typing.h"
#include "check_controls.h"
#include "check_resources.h"
#include "clipboard.h"
#include "coordinate_box.h"
#include "lookup.h"
#include "paths.h"
#include "text.h"
#include "typing_target.h"
#include "window_scaffold.h"

namespace morvane::check {

namespace {

constexpr DWORD kLabelOptions = SS_LEFT;
constexpr DWORD kCoordinateBoxOptions = WS_TABSTOP | ES_CENTER | ES_UPPERCASE | ES_AUTOHSCROLL;
// Flat single-line border: WS_BORDER without the sunken client edge.
constexpr DWORD kResultBoxOptions = WS_TABSTOP | WS_BORDER | ES_LEFT | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kButtonOptions = WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER;

using enum ControlKind;

// Creation order is the Tab order: box 1, 2, 3, result, button. Each box
// has an invisible label right before it, its name for a screen reader: the
// visible label alone would name all four boxes alike.
constexpr ControlLayout kLayout[] = {
    // name           kind             left top width height caption             options                extended
    {标签1,           kLabel,            8,   8,  97,   17,  L"请输入查询坐标：", kLabelOptions,         0},
    {kUnnamedControl, kInvisibleLabel,   0,   0,   0,    0,  L"第一个坐标",       0,                     0},
    {编辑框_坐标1,    kEditBox,          8,  32,  37,   20,  L"",                kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {kUnnamedControl, kInvisibleLabel,   0,   0,   0,    0,  L"第二个坐标",       0,                     0},
    {编辑框_坐标2,    kEditBox,         56,  32,  37,   20,  L"",                kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {kUnnamedControl, kInvisibleLabel,   0,   0,   0,    0,  L"第三个坐标",       0,                     0},
    {编辑框_坐标3,    kEditBox,        104,  32,  37,   20,  L"",                kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {kUnnamedControl, kInvisibleLabel,   0,   0,   0,    0,  L"查询结果",         0,                     0},
    {编辑框_结果,     kEditBox,          8,  64, 133,   20,  L"",                kResultBoxOptions,     0},
    {按钮_查询,       kButton,          41,  96,  68,   27,  L"查询(&C)",        kButtonOptions,        0},
};

constexpr int kCoordinateBoxes[] = {编辑框_坐标1, 编辑框_坐标2, 编辑框_坐标3};

constexpr int kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 157, kWindowHeight = 160;

constexpr KeyCommand kKeyCommands[] = {
    // key      Ctrl  Shift  command
    {VK_RETURN, true, false, kTypeAnswerCommand},
    {VK_RETURN, true, true,  kTypeAnswerInFieldsCommand},
};

struct SystemMenuItem {
    int command;
    const wchar_t* caption;
};
constexpr SystemMenuItem kSystemMenuItems[] = {
    {kTypeAnswerCommand,         L"查询并键入答案(&K)\tCtrl+Enter"},
    {kTypeAnswerInFieldsCommand, L"查询并逐格键入(&T)\tCtrl+Shift+Enter"},
};

constexpr wchar_t kTitle[] = L"密保卡查询";
constexpr wchar_t kLoadFailureText[] = L"读入密保卡失败！\r\n点击确定按钮退出程序！";
constexpr wchar_t kNoTargetText[] =
    L"找不到要键入答案的窗口！\r\n请先切换到要求输入密保卡的窗口，再回到这里按 Ctrl+Enter。";
constexpr wchar_t kNotWholeText[] = L"答案不完整，没有键入：有的坐标在密保卡上找不到。\r\n请检查三个坐标。";
constexpr wchar_t kElevatedTargetText[] = L"无法向以管理员身份运行的窗口键入答案。\r\n请复制答案，再粘贴到那个窗口。";
constexpr wchar_t kForegroundChangedText[] = L"答案没有键入完：键入时前台换了窗口。\r\n请检查那个窗口里已键入的内容。";

// Set once by the start-up.
FilePath card_file;
FocusKeeper focus_keeper;
ForegroundTracker foreground;
ScaledLayout window_layout{kLayout, {kWindowWidth, kWindowHeight}};
bool typing = false;

bool IsCoordinateBox(int id) {
    for (int box : kCoordinateBoxes)
        if (box == id) return true;
    return false;
}

bool CreateQueryControls(HWND window) {
    if (!window_layout.Create(window)) return false;
    for (int box : kCoordinateBoxes) MakeCoordinateBox(GetDlgItem(window, box), kCoordinateBytes);
    KeepCopiesPrivate(GetDlgItem(window, 编辑框_结果), kCopiedAnswerMilliseconds);
    return true;
}

// The card file of the first argument, when there is one and its file exists.
std::optional<FilePath> CardFileOfArguments(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) return std::nullopt;
    std::optional<FilePath> path = CardFilePath(arguments.front());
    if (!path || !CardFileExists(*path)) return std::nullopt;
    return path;
}

bool StartUp(HWND window) {
    const std::vector<std::wstring> arguments = CommandLineArguments();
    std::optional<FilePath> path = CardFileOfArguments(arguments);
    if (!path) {
        MessageBoxW(window, kLoadFailureText, kTitle, MB_ICONERROR | MB_OK);
        return false;
    }
    card_file = *path;
    SetWindowTextW(window, arguments.front().c_str());
    return true;
}

// A box's text as the card file's GBK. The boxes take nothing else; text set
// from outside that GBK cannot hold asks for nothing.
std::string CoordinateText(HWND window, int box) { return GbkFromWide(ControlText(window, box)).value_or(""); }

QueryAnswer RunQuery(HWND window) {
    QueryAnswer answer = AnswerQueryInParts(card_file, CoordinateText(window, 编辑框_坐标1),
                                            CoordinateText(window, 编辑框_坐标2), CoordinateText(window, 编辑框_坐标3));
    SetDlgItemTextW(window, 编辑框_结果, WideFromGbk(answer.text).c_str());
    return answer;
}

// Zeroes the whole buffer, also what a shorter text left in it.
template <typename Text>
void Wipe(Text& text) {
    SecureZeroMemory(text.data(), (text.capacity() + 1) * sizeof(text[0]));
}

template <typename Action>
struct AtScopeExit {
    Action action;
    ~AtScopeExit() { action(); }
};
template <typename Action>
AtScopeExit(Action) -> AtScopeExit<Action>;

void Tell(HWND window, const wchar_t* text, UINT icon) { MessageBoxW(window, text, kTitle, icon | MB_OK); }

// What the keys or the system menu's items ask for: the query as Enter runs
// it, then, where the answer is whole, the answer typed into the window the
// user came from.
void QueryAndType(HWND window, bool in_fields) {
    if (typing) return;
    QueryAnswer answer = RunQuery(window);
    std::array<std::wstring, 3> keys;
    // The answer stays in the result box alone.
    const AtScopeExit wipe{[&] {
        Wipe(answer.text);
        for (std::wstring& key : keys) Wipe(key);
    }};
    if (answer.prompt) return;
    if (!answer.IsWhole()) return Tell(window, kNotWholeText, MB_ICONWARNING);
    HWND target = foreground.Target();
    if (!target) return Tell(window, kNoTargetText, MB_ICONWARNING);
    if (!MayTypeInto(target)) return Tell(window, kElevatedTargetText, MB_ICONERROR);
    const std::size_t key_count = in_fields ? answer.PartCount() : 1;
    for (std::size_t i = 0; i < key_count; ++i) keys[i] = WideFromGbk(in_fields ? answer.Part(i) : answer.text);
    typing = true;
    const TypingOutcome outcome = TypeAnswer(target, std::span(keys.data(), key_count));
    typing = false;
    if (outcome == TypingOutcome::kForegroundChanged) Tell(window, kForegroundChangedText, MB_ICONERROR);
}

void AddSystemMenuItems(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (const SystemMenuItem& item : kSystemMenuItems) AppendMenuW(menu, MF_STRING, item.command, item.caption);
}

// Moves the focus on once the source box holds as many GBK bytes as its limit.
void AdvanceFocus(HWND window, int source, int next) {
    const auto threshold = static_cast<std::size_t>(SendDlgItemMessageW(window, source, EM_GETLIMITTEXT, 0, 0));
    if (GbkLength(ControlText(window, source)).value_or(0) >= threshold) SetFocus(GetDlgItem(window, next));
}

BOOL OnCreate(HWND window, LPCREATESTRUCT create) {
    if (!CreateQueryControls(window) || !StartUp(window)) return EndStartUp(create, kExitLoadFailure);
    AddSystemMenuItems(window);
    foreground.StartUp(window);
    return TRUE;
}

void OnCommand(HWND window, int id, HWND, UINT code) {
    if (id == 按钮_查询 && code == BN_CLICKED) RunQuery(window);
    if (id == kTypeAnswerCommand || id == kTypeAnswerInFieldsCommand)
        QueryAndType(window, id == kTypeAnswerInFieldsCommand);
    if (IsCoordinateBox(id) && code == kCoordinateBoxEnter) RunQuery(window);
    if (IsCoordinateBox(id) && code == EN_SETFOCUS) SendDlgItemMessageW(window, id, EM_SETSEL, 0, -1);
    if (id == 编辑框_坐标1 && code == EN_CHANGE) AdvanceFocus(window, 编辑框_坐标1, 编辑框_坐标2);
    if (id == 编辑框_坐标2 && code == EN_CHANGE) AdvanceFocus(window, 编辑框_坐标2, 编辑框_坐标3);
}

// The read-only result box and the label draw on the window face.
HBRUSH OnCtlColorStatic(HWND, HDC dc, HWND, int) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
}

// A plain window gives the focus to itself on activation; give it back to
// the control that had it, at first the first coordinate box.
void OnActivate(HWND window, UINT state, HWND, BOOL minimized) {
    focus_keeper.OnActivate(window, state, minimized, GetDlgItem(window, 编辑框_坐标1));
    foreground.OnActivate(window, state);
}

void OnTimer(HWND window, UINT id) { foreground.OnTimer(window, id); }

// The low four bits of a system command are the system's own.
void OnSysCommand(HWND window, UINT command, int x, int y) {
    const UINT item = command & 0xFFF0;
    if (item == kTypeAnswerCommand || item == kTypeAnswerInFieldsCommand) {
        QueryAndType(window, item == kTypeAnswerInFieldsCommand);
        return;
    }
    FORWARD_WM_SYSCOMMAND(window, command, x, y, DefWindowProcW);
}

void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested) {
    window_layout.OnDpiChanged(window, dpi, *suggested);
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK QueryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_COMMAND, OnCommand);
        HANDLE_MSG(window, WM_CTLCOLORSTATIC, OnCtlColorStatic);
        HANDLE_MSG(window, WM_DPICHANGED, OnDpiChanged);
        HANDLE_MSG(window, WM_TIMER, OnTimer);
        HANDLE_MSG(window, WM_SYSCOMMAND, OnSysCommand);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
        case WM_ACTIVATE:
            HANDLE_WM_ACTIVATE(window, wParam, lParam, OnActivate);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

const ProgramWindow kQueryWindow = {kWindowClass,  QueryWindowProc, IDI_CHECK, L"", kProgramWindowStyle,
                                    {kWindowLeft, kWindowTop}, {kWindowWidth, kWindowHeight}, ICC_STANDARD_CLASSES,
                                    kKeyCommands};

}  // namespace morvane::check
