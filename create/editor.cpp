#include "editor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "card_store.h"
#include "create_controls.h"
#include "create_resources.h"
#include "paths.h"
#include "window_scaffold.h"

namespace morvane::create {

namespace {

// "密保卡序列号：" is a little wider than its label: clip it, never wrap it
// into a second line that the label has no room for.
constexpr DWORD kLabelOptions = SS_LEFTNOWORDWRAP;
constexpr DWORD kButtonOptions = WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER;
constexpr DWORD kSingleLineBoxOptions = WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kContentBoxOptions =
    WS_TABSTOP | ES_LEFT | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | ES_AUTOHSCROLL | WS_VSCROLL | WS_HSCROLL;

using enum ControlKind;

// Creation order is the Tab order: name, serial number, content, button.
constexpr ControlLayout kLayout[] = {
    // name             kind       left  top width height  caption           options                 extended
    {标签1,             kLabel,      8,    9,   64,   17,  "密保卡名：",     kLabelOptions,          0},
    {编辑框_密保卡名,   kEditBox,   96,    8,  160,   20,  "",               kSingleLineBoxOptions,  WS_EX_CLIENTEDGE},
    {标签2,             kLabel,      8,   41,   80,   17,  "密保卡序列号：", kLabelOptions,          0},
    {编辑框_序列号,     kEditBox,   96,   40,  160,   20,  "",               kSingleLineBoxOptions,  WS_EX_CLIENTEDGE},
    {标签3,             kLabel,      8,   72,   80,   17,  "密保卡内容：",   kLabelOptions,          0},
    {编辑框_密保卡内容, kEditBox,   96,   72,  320,  232,  "",               kContentBoxOptions,     WS_EX_CLIENTEDGE},
    {按钮_finish,       kButton,   328,  320,   89,   27,  "",               kButtonOptions,         0},
};

constexpr int kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 433, kWindowHeight = 384;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Set once by the start-up.
bool edit_mode = false;
std::string opened_card_file;
bool start_up_ended_program = false;
FocusKeeper focus_keeper;
ScaledLayout window_layout{kLayout, {kWindowWidth, kWindowHeight}};

void SetControlText(HWND window, int id, const std::string& text) { SetDlgItemTextA(window, id, text.c_str()); }

// The boxes take as much text as an edit control can hold, not 32767 bytes.
bool CreateEditorControls(HWND window) {
    if (!window_layout.Create(window)) return false;
    for (const ControlLayout& control : kLayout)
        if (control.kind == kEditBox) SendDlgItemMessageA(window, control.id, EM_SETLIMITTEXT, 0, 0);
    return true;
}

enum class StartUp { kKeepRunning, kEndProgram };

StartUp OpenCard(HWND window, const std::string& card_name) {
    std::optional<std::string> card_file = CardFilePath(card_name);
    if (!card_file || !CardFileExists(*card_file)) {
        MessageBoxA(nullptr, "密保卡不存在！\r\n点击确定退出程序", "编辑密保卡", MB_OK | MB_ICONERROR);
        return StartUp::kEndProgram;
    }
    SetControlText(window, 编辑框_密保卡名, card_name);
    SetControlText(window, 编辑框_序列号, PlatformProfile().ReadValue(*card_file, kInfoSection, kSerialNumberKey));
    SetControlText(window, 编辑框_密保卡内容, ReadCardContent(*card_file));
    SetWindowTextA(window, ("编辑密保卡 - 密保卡：" + card_name).c_str());
    SetControlText(window, 按钮_finish, "保存密保卡");
    edit_mode = true;
    opened_card_file = *card_file;
    return StartUp::kKeepRunning;
}

// The command line as the C runtime splits it: double quotes group words.
StartUp RunStartUp(HWND window) {
    const int count = __argc - 1;
    char** arguments = __argv + 1;
    if (count < 1) return StartUp::kEndProgram;
    const std::string first = arguments[0];
    if (first == "-c") {
        SetWindowTextA(window, "创建密保卡");
        SetControlText(window, 按钮_finish, "创建密保卡");
        return StartUp::kKeepRunning;
    }
    if (first == "-e") {
        if (count != 2) return StartUp::kEndProgram;
        return OpenCard(window, arguments[1]);
    }
    // An unknown switch sets no mode: empty title and caption, and a save
    // behaves as in create mode.
    return StartUp::kKeepRunning;
}

void Save(HWND window) {
    const std::string card_name = ControlText(window, 编辑框_密保卡名);
    const std::string serial_number = ControlText(window, 编辑框_序列号);
    const std::string content = ControlText(window, 编辑框_密保卡内容);
    if (card_name.empty() || serial_number.empty() || content.empty()) {
        MessageBoxA(window, "每项都必须填写！不能为空", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    std::optional<std::string> card_file = edit_mode ? std::optional<std::string>(opened_card_file)
                                                     : CardFilePath(card_name);
    const bool saved = card_file && SaveCard(*card_file, serial_number, content);
    const std::string verb = edit_mode ? "保存" : "创建";
    const std::string title = ControlText(window, 按钮_finish);
    if (saved)
        MessageBoxA(window, (verb + "密保卡成功！").c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
    else
        MessageBoxA(window, (verb + "密保卡失败！").c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

BOOL OnCreate(HWND window, LPCREATESTRUCT) {
    if (!CreateEditorControls(window)) return FALSE;
    start_up_ended_program = RunStartUp(window) == StartUp::kEndProgram;
    // Refusing WM_CREATE ends the program before the window is ever shown.
    return !start_up_ended_program;
}

void OnCommand(HWND window, int id, HWND, UINT notification) {
    if (id == 按钮_finish && notification == BN_CLICKED) Save(window);
}

// A plain window does not give the focus back to a control when it is
// activated again (after a message box, or switching programs); do as a
// dialog does.
void OnActivate(HWND window, UINT state, HWND, BOOL minimized) {
    focus_keeper.OnActivate(window, state, minimized, GetDlgItem(window, 编辑框_密保卡名));
}

// In a window that uses IsDialogMessage, the multi-line content box does not
// move the focus on Tab itself: it asks its parent with WM_NEXTDLGCTL, which
// only a dialog answers. Answer it as a dialog does, selecting the text of
// the box that gets the focus. `target` is the control when `is_handle`,
// else nonzero for backwards.
HWND OnNextDialogControl(HWND window, HWND target, BOOL is_handle) {
    HWND next = is_handle ? target : GetNextDlgTabItem(window, GetFocus(), target != nullptr);
    if (!next) return nullptr;
    SetFocus(next);
    if (SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) Edit_SetSel(next, 0, -1);
    return next;
}

void OnDpiChanged(HWND window, UINT dpi, const RECT* suggested) {
    window_layout.OnDpiChanged(window, dpi, *suggested);
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK EditorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // HANDLE_MSG expects the parameters to be called wParam and lParam.
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_COMMAND, OnCommand);
        HANDLE_MSG(window, WM_ACTIVATE, OnActivate);
        HANDLE_MSG(window, WM_NEXTDLGCTL, OnNextDialogControl);
        HANDLE_MSG(window, WM_DPICHANGED, OnDpiChanged);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterEditorClass(HINSTANCE instance) {
    return RegisterProgramClass(instance, kWindowClass, EditorProc, IDI_CREATE);
}

HWND CreateEditorWindow(HINSTANCE instance, bool& ended_by_start_up) {
    HWND window = CreateWindowExA(0, kWindowClass, "", kWindowStyle, kWindowLeft, kWindowTop, kWindowWidth,
                                  kWindowHeight, nullptr, nullptr, instance, nullptr);
    ended_by_start_up = start_up_ended_program;
    return window;
}

}  // namespace morvane::create
