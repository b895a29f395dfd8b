#include "window_scaffold.h"

#include <commctrl.h>

namespace morvane {

const char* WindowClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kLabel: return WC_STATICA;
        case ControlKind::kEditBox: return WC_EDITA;
        case ControlKind::kButton: return WC_BUTTONA;
        case ControlKind::kListBox: return WC_LISTBOXA;
        case ControlKind::kStatusBar: return STATUSCLASSNAMEA;
    }
    return WC_STATICA;
}

bool CreateControls(HWND parent, std::span<const ControlLayout> layout) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    // The stock GUI font is the system's dialog font for its code page
    // (SimSun 9 pt on Chinese systems), the size the layouts were drawn for.
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (const ControlLayout& control : layout) {
        HWND created = CreateWindowExA(control.extended_style, WindowClassOf(control.kind), control.caption,
                                       WS_CHILD | WS_VISIBLE | control.style, control.left, control.top,
                                       control.width, control.height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (!created) return false;
        SendMessageA(created, WM_SETFONT, font, FALSE);
    }
    return true;
}

// As a dialog does: a deactivation while the focus is elsewhere (or nowhere)
// keeps what was remembered before.
void FocusKeeper::OnActivate(HWND window, UINT state, BOOL minimized, HWND first_control) {
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) remembered_ = focus;
    } else if (!minimized) {
        SetFocus(remembered_ && IsChild(window, remembered_) ? remembered_ : first_control);
    }
}

namespace {

HICON LoadProgramIcon(HINSTANCE instance, int icon_id, int width_metric, int height_metric) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(icon_id), IMAGE_ICON,
                                         GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), 0));
}

}  // namespace

bool RegisterProgramClass(HINSTANCE instance, const char* class_name, WNDPROC procedure, int icon_id) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadProgramIcon(instance, icon_id, SM_CXICON, SM_CYICON);
    window_class.hIconSm = LoadProgramIcon(instance, icon_id, SM_CXSMICON, SM_CYSMICON);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = class_name;
    return RegisterClassExA(&window_class) != 0;
}

bool LoadCommonControls(DWORD classes) {
    INITCOMMONCONTROLSEX request{sizeof request, classes};
    return InitCommonControlsEx(&request) != FALSE;
}

int RunDialogLikeMessageLoop(HWND window, int show_command) {
    ShowWindow(window, show_command);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // No window of ours gives Esc a meaning: the dialog manager would
        // turn it into IDCANCEL, which none handles, and a multi-line edit
        // box into WM_CLOSE to its parent, losing what was typed. Message
        // boxes run their own loop and still close on Esc.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE &&
            (message.hwnd == window || IsChild(window, message.hwnd)))
            continue;
        if (IsDialogMessageA(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

std::string ControlText(HWND parent, int id) {
    HWND control = GetDlgItem(parent, id);
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace morvane
