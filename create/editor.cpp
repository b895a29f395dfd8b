#include "editor.h"

#include <commctrl.h>
#include <windowsx.h>

#include <optional>
#include <string>
#include <vector>

#include "card_store.h"
#include "clipboard.h"
#include "create_controls.h"
#include "create_resources.h"
#include "paths.h"
#include "text.h"
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
    {标签1,             kLabel,      8,    9,   64,   17,  L"密保卡名：",    kLabelOptions,          0},
    {编辑框_密保卡名,   kEditBox,   96,    8,  160,   20,  L"",              kSingleLineBoxOptions,  WS_EX_CLIENTEDGE},
    {标签2,             kLabel,      8,   41,   80,   17,  L"密保卡序列号：", kLabelOptions,          0},
    {编辑框_序列号,     kEditBox,   96,   40,  160,   20,  L"",              kSingleLineBoxOptions,  WS_EX_CLIENTEDGE},
    {标签3,             kLabel,      8,   72,   80,   17,  L"密保卡内容：",  kLabelOptions,          0},
    {编辑框_密保卡内容, kEditBox,   96,   72,  320,  232,  L"",              kContentBoxOptions,     WS_EX_CLIENTEDGE},
    {按钮_finish,       kButton,   328,  320,   89,   27,  L"",              kButtonOptions,         0},
};

constexpr int kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 433, kWindowHeight = 384;

// Set once by the start-up.
bool edit_mode = false;
FilePath opened_card_file;
FocusKeeper focus_keeper;
ScaledLayout window_layout{kLayout, {kWindowWidth, kWindowHeight}};

void SetControlText(HWND window, int id, const std::wstring& text) { SetDlgItemTextW(window, id, text.c_str()); }

// The boxes take as much text as an edit control can hold, not 32767
// characters. What is copied from the content box, the whole grid, stays out
// of clipboard history, but on the clipboard: it is copied into other cards.
bool CreateEditorControls(HWND window) {
    if (!window_layout.Create(window)) return false;
    for (const ControlLayout& control : kLayout)
        if (control.kind == kEditBox) SendDlgItemMessageW(window, control.id, EM_SETLIMITTEXT, 0, 0);
    KeepCopiesPrivate(GetDlgItem(window, 编辑框_密保卡内容));
    return true;
}

enum class StartUp { kKeepRunning, kEndProgram };

StartUp OpenCard(HWND window, const std::wstring& card_name) {
    std::optional<FilePath> card_file = CardFilePath(card_name);
    if (!card_file || !CardFileExists(*card_file)) {
        MessageBoxW(nullptr, L"密保卡不存在！\r\n点击确定退出程序", L"编辑密保卡", MB_OK | MB_ICONERROR);
        return StartUp::kEndProgram;
    }
    SetControlText(window, 编辑框_密保卡名, card_name);
    SetControlText(window, 编辑框_序列号, WideFromGbk(ReadSerialNumber(*card_file)));
    SetControlText(window, 编辑框_密保卡内容, WideFromGbk(ReadCardContent(*card_file)));
    SetWindowTextW(window, (L"编辑密保卡 - 密保卡：" + card_name).c_str());
    SetControlText(window, 按钮_finish, L"保存密保卡");
    edit_mode = true;
    opened_card_file = *card_file;
    return StartUp::kKeepRunning;
}

StartUp RunStartUp(HWND window) {
    const std::vector<std::wstring> arguments = CommandLineArguments();
    if (arguments.empty()) return StartUp::kEndProgram;
    if (arguments[0] == L"-c") {
        SetWindowTextW(window, L"创建密保卡");
        SetControlText(window, 按钮_finish, L"创建密保卡");
        return StartUp::kKeepRunning;
    }
    if (arguments[0] == L"-e") {
        if (arguments.size() != 2) return StartUp::kEndProgram;
        return OpenCard(window, arguments[1]);
    }
    // An unknown switch sets no mode: empty title and caption, and a save
    // behaves as in create mode.
    return StartUp::kKeepRunning;
}

// A card file holds GBK: a serial number or content with a character GBK
// cannot hold (a pasted emoji) would be stored changed, so the save fails
// and writes nothing.
void Save(HWND window) {
    const std::wstring card_name = ControlText(window, 编辑框_密保卡名);
    const std::wstring serial_number = ControlText(window, 编辑框_序列号);
    const std::wstring content = ControlText(window, 编辑框_密保卡内容);
    if (card_name.empty() || serial_number.empty() || content.empty()) {
        MessageBoxW(window, L"每项都必须填写！不能为空", L"错误", MB_OK | MB_ICONERROR);
        return;
    }
    const std::optional<FilePath> card_file = edit_mode ? std::optional<FilePath>(opened_card_file)
                                                        : CardFilePath(card_name);
    const std::optional<std::string> stored_serial_number = GbkFromWide(serial_number);
    const std::optional<std::string> stored_content = GbkFromWide(content);
    const bool saved = card_file && stored_serial_number && stored_content &&
                       SaveCard(*card_file, *stored_serial_number, *stored_content);
    const std::wstring verb = edit_mode ? L"保存" : L"创建";
    const std::wstring title = ControlText(window, 按钮_finish);
    if (saved)
        MessageBoxW(window, (verb + L"密保卡成功！").c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
    else
        MessageBoxW(window, (verb + L"密保卡失败！").c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

BOOL OnCreate(HWND window, LPCREATESTRUCT create) {
    if (!CreateEditorControls(window)) return FALSE;
    // Ending here ends the program before the window is ever shown.
    if (RunStartUp(window) == StartUp::kEndProgram) return EndStartUp(create, 0);
    return TRUE;
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
    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
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
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

const ProgramWindow kEditorWindow = {kWindowClass,  EditorProc, IDI_CREATE, L"", kProgramWindowStyle,
                                     {kWindowLeft, kWindowTop}, {kWindowWidth, kWindowHeight}, ICC_STANDARD_CLASSES};

}  // namespace morvane::create
