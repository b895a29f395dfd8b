#include "query_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "card_store.h"
#include "check_controls.h"
#include "check_resources.h"
#include "coordinate_box.h"
#include "lookup.h"
#include "paths.h"

namespace morvane::check {

namespace {

constexpr DWORD kLabelOptions = SS_LEFT;
constexpr DWORD kCoordinateBoxOptions = WS_TABSTOP | ES_CENTER | ES_UPPERCASE | ES_AUTOHSCROLL;
// Flat single-line border: WS_BORDER without the sunken client edge.
constexpr DWORD kResultBoxOptions = WS_TABSTOP | WS_BORDER | ES_LEFT | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kButtonOptions = WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER;

enum class Kind { kLabel, kEditBox, kButton };

const char* WindowClassOf(Kind kind) {
    switch (kind) {
        case Kind::kLabel: return WC_STATICA;
        case Kind::kEditBox: return WC_EDITA;
        case Kind::kButton: return WC_BUTTONA;
    }
    return WC_STATICA;
}

struct ControlLayout {
    int id;
    Kind kind;
    int left, top, width, height;
    const char* caption;
    DWORD style;
    DWORD extended_style;
};

// Creation order is the Tab order: box 1, 2, 3, result, button.
constexpr ControlLayout kLayout[] = {
    // name         kind            left top width height caption             options                extended
    {标签1,         Kind::kLabel,     8,   8,  97,   17,  "请输入查询坐标：", kLabelOptions,         0},
    {编辑框_坐标1,  Kind::kEditBox,   8,  32,  37,   20,  "",                 kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {编辑框_坐标2,  Kind::kEditBox,  56,  32,  37,   20,  "",                 kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {编辑框_坐标3,  Kind::kEditBox, 104,  32,  37,   20,  "",                 kCoordinateBoxOptions, WS_EX_CLIENTEDGE},
    {编辑框_结果,   Kind::kEditBox,   8,  64, 133,   20,  "",                 kResultBoxOptions,     0},
    {按钮_查询,     Kind::kButton,   41,  96,  68,   27,  "查询(&C)",         kButtonOptions,        0},
};

constexpr int kCoordinateBoxes[] = {编辑框_坐标1, 编辑框_坐标2, 编辑框_坐标3};

constexpr int kWindowLeft = 50, kWindowTop = 50, kWindowWidth = 157, kWindowHeight = 160;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr char kLoadFailureText[] = "读入密保卡失败！\r\n点击确定按钮退出程序！";
constexpr char kLoadFailureTitle[] = "密保卡查询";

// Set once by the start-up.
std::string card_file;
// The control that had the focus when the window was last deactivated.
HWND remembered_focus = nullptr;

std::string ControlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsCoordinateBox(int id) {
    for (int box : kCoordinateBoxes)
        if (box == id) return true;
    return false;
}

bool CreateControls(HWND window) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    // The stock GUI font is the system's dialog font for its code page
    // (SimSun 9 pt on Chinese systems), the size the layout was drawn for.
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (const ControlLayout& control : kLayout) {
        HWND created = CreateWindowExA(control.extended_style, WindowClassOf(control.kind), control.caption,
                                       WS_CHILD | WS_VISIBLE | control.style, control.left, control.top,
                                       control.width, control.height, window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (!created) return false;
        SendMessageA(created, WM_SETFONT, font, FALSE);
        if (IsCoordinateBox(control.id)) MakeCoordinateBox(created, kCoordinateBytes);
    }
    return true;
}

// The card file of the first argument, when there is one and its file exists.
std::optional<std::string> CardFileOfArguments(std::string& card_name) {
    if (__argc < 2) return std::nullopt;
    card_name = __argv[1];
    std::optional<std::string> path = CardFilePath(card_name);
    if (!path || !CardFileExists(*path)) return std::nullopt;
    return path;
}

bool StartUp(HWND window) {
    std::string card_name;
    std::optional<std::string> path = CardFileOfArguments(card_name);
    if (!path) {
        MessageBoxA(window, kLoadFailureText, kLoadFailureTitle, MB_ICONERROR | MB_OK);
        return false;
    }
    card_file = *path;
    SetWindowTextA(window, card_name.c_str());
    return true;
}

void RunQuery(HWND window) {
    const std::string answer = AnswerQuery(card_file, ControlText(window, 编辑框_坐标1),
                                           ControlText(window, 编辑框_坐标2), ControlText(window, 编辑框_坐标3));
    SetDlgItemTextA(window, 编辑框_结果, answer.c_str());
}

// Moves the focus on once the source box holds as many bytes as its limit.
void AdvanceFocus(HWND window, int source, int next) {
    const auto threshold = static_cast<std::size_t>(SendDlgItemMessageA(window, source, EM_GETLIMITTEXT, 0, 0));
    if (ControlText(window, source).size() >= threshold) SetFocus(GetDlgItem(window, next));
}

BOOL OnCreate(HWND window, LPCREATESTRUCT) {
    if (!CreateControls(window)) return FALSE;
    // A failed start-up fails the creation, which destroys the window.
    return StartUp(window);
}

void OnCommand(HWND window, int id, HWND, UINT code) {
    if (id == 按钮_查询 && code == BN_CLICKED) RunQuery(window);
    if (IsCoordinateBox(id) && code == kCoordinateBoxEnter) RunQuery(window);
    if (IsCoordinateBox(id) && code == EN_SETFOCUS) SendDlgItemMessageA(window, id, EM_SETSEL, 0, -1);
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
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) remembered_focus = focus;
    } else if (!minimized) {
        SetFocus(remembered_focus ? remembered_focus : GetDlgItem(window, 编辑框_坐标1));
    }
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK QueryWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_COMMAND, OnCommand);
        HANDLE_MSG(window, WM_CTLCOLORSTATIC, OnCtlColorStatic);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
        case WM_ACTIVATE:
            HANDLE_WM_ACTIVATE(window, wParam, lParam, OnActivate);
            return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool RegisterQueryClass(HINSTANCE instance) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = QueryWindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CHECK), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    window_class.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_CHECK), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), 0));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    return RegisterClassExA(&window_class) != 0;
}

HWND CreateQueryWindow(HINSTANCE instance) {
    return CreateWindowExA(0, kWindowClass, "", kWindowStyle, kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight,
                           nullptr, nullptr, instance, nullptr);
}

}  // namespace morvane::check
