#include "window_scaffold.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace morvane {

const wchar_t* WindowClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::kLabel:
        case ControlKind::kInvisibleLabel: return WC_STATICW;
        case ControlKind::kEditBox: return WC_EDITW;
        case ControlKind::kButton: return WC_BUTTONW;
        case ControlKind::kListBox: return WC_LISTBOXW;
        case ControlKind::kStatusBar: return STATUSCLASSNAMEW;
    }
    return WC_STATICW;
}

namespace {

// Functions of Windows 10 1607 and later, looked up at run time so that the
// programs still start on Windows 7.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using GetDpiForSystemFunction = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

template <typename Function>
Function User32Function(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

struct ScreenContext {
    HDC dc = GetDC(nullptr);
    ~ScreenContext() {
        if (dc) ReleaseDC(nullptr, dc);
    }
    ScreenContext() = default;
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;
};

SIZE SizeOf(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

// The frame and title bar around a client area, as widths and heights.
SIZE FrameSize(DWORD style, DWORD extended_style, UINT dpi) {
    static const auto adjust_for_dpi = User32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{};
    if (adjust_for_dpi) {
        adjust_for_dpi(&frame, style, FALSE, extended_style, dpi);
        return SizeOf(frame);
    }
    // Without it (before Windows 10 1607) every frame is drawn with the
    // system DPI's metrics; the frame at another DPI is estimated from them.
    AdjustWindowRectEx(&frame, style, FALSE, extended_style);
    const SIZE system_frame = SizeOf(frame);
    const UINT system_dpi = SystemDpi();
    return {MulDiv(system_frame.cx, static_cast<int>(dpi), static_cast<int>(system_dpi)),
            MulDiv(system_frame.cy, static_cast<int>(dpi), static_cast<int>(system_dpi))};
}

HFONT StockGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

}  // namespace

int ScaleToDpi(int layout_pixels, UINT dpi) {
    return MulDiv(layout_pixels, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

UINT SystemDpi() {
    static const auto get_dpi_for_system = User32Function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (get_dpi_for_system) return get_dpi_for_system();
    const ScreenContext screen;
    const int dpi = screen.dc ? GetDeviceCaps(screen.dc, LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

UINT DpiOfWindow(HWND window) {
    static const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    const UINT dpi = get_dpi_for_window ? get_dpi_for_window(window) : 0;
    return dpi ? dpi : SystemDpi();
}

SIZE OuterSizeForDpi(SIZE layout_size, DWORD style, DWORD extended_style, UINT dpi) {
    if (dpi == kLayoutDpi) return layout_size;
    const SIZE layout_frame = FrameSize(style, extended_style, kLayoutDpi);
    const SIZE frame = FrameSize(style, extended_style, dpi);
    const auto scaled = [dpi](LONG layout_length, LONG layout_frame_length, LONG frame_length) {
        return std::max<LONG>(ScaleToDpi(layout_length, dpi),
                              ScaleToDpi(layout_length - layout_frame_length, dpi) + frame_length);
    };
    return {scaled(layout_size.cx, layout_frame.cx, frame.cx), scaled(layout_size.cy, layout_frame.cy, frame.cy)};
}

GuiFont::GuiFont(UINT dpi) {
    const UINT system_dpi = SystemDpi();
    LOGFONTW font{};
    if (dpi == system_dpi || !GetObjectW(StockGuiFont(), sizeof font, &font)) return;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi));
    font.lfWidth = MulDiv(font.lfWidth, static_cast<int>(dpi), static_cast<int>(system_dpi));
    made_.reset(CreateFontIndirectW(&font));
}

HFONT GuiFont::Handle() const { return made_ ? made_.get() : StockGuiFont(); }

bool CreateControls(HWND parent, std::span<const ControlLayout> layout, UINT dpi, HFONT font) {
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    for (const ControlLayout& control : layout) {
        const bool shown = control.kind != ControlKind::kInvisibleLabel;
        const DWORD style = WS_CHILD | (shown ? WS_VISIBLE : 0) | control.style;
        HWND created = CreateWindowExW(control.extended_style, WindowClassOf(control.kind), control.caption,
                                       style, ScaleToDpi(control.left, dpi),
                                       ScaleToDpi(control.top, dpi), ScaleToDpi(control.width, dpi),
                                       ScaleToDpi(control.height, dpi), parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (!created) return false;
        if (shown) SendMessageW(created, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return true;
}

void PlaceControls(HWND parent, std::span<const ControlLayout> layout, UINT dpi, HFONT font) {
    for (const ControlLayout& control : layout) {
        if (control.kind == ControlKind::kInvisibleLabel) continue;
        HWND placed = GetDlgItem(parent, control.id);
        if (!placed) continue;
        SendMessageW(placed, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (control.kind == ControlKind::kStatusBar) {
            // Its height follows its font; its place, the parent's client area.
            SendMessageW(placed, WM_SIZE, 0, 0);
        } else {
            SetWindowPos(placed, nullptr, ScaleToDpi(control.left, dpi), ScaleToDpi(control.top, dpi),
                         ScaleToDpi(control.width, dpi), ScaleToDpi(control.height, dpi),
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

bool ScaledLayout::Create(HWND window) {
    const UINT dpi = DpiOfWindow(window);
    // The window was made at its size for 96 DPI.
    if (dpi != kLayoutDpi) {
        const SIZE outer = OuterSizeForDpi(outer_size_, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)),
                                           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)), dpi);
        SetWindowPos(window, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    font_ = GuiFont(dpi);
    return CreateControls(window, controls_, dpi, font_.Handle());
}

void ScaledLayout::OnDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
    const SIZE size = SizeOf(suggested);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    GuiFont font(dpi);
    PlaceControls(window, controls_, dpi, font.Handle());
    // The previous font goes only now that no control draws with it.
    font_ = std::move(font);
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
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(icon_id), IMAGE_ICON,
                                         GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), 0));
}

}  // namespace

bool RegisterProgramClass(HINSTANCE instance, const ProgramWindow& program) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = program.procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadProgramIcon(instance, program.icon_id, SM_CXICON, SM_CYICON);
    window_class.hIconSm = LoadProgramIcon(instance, program.icon_id, SM_CXSMICON, SM_CYSMICON);
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = program.class_name;
    return RegisterClassExW(&window_class) != 0;
}

namespace {

bool IsKeyDown(SHORT state) { return state < 0; }

// The command of the key chord that the WM_KEYDOWN `message` presses, or 0.
// Alt with Ctrl is AltGr, which types characters.
int KeyCommandOf(const MSG& message, std::span<const KeyCommand> key_commands) {
    if (IsKeyDown(GetKeyState(VK_MENU))) return 0;
    const bool control = IsKeyDown(GetKeyState(VK_CONTROL));
    const bool shift = IsKeyDown(GetKeyState(VK_SHIFT));
    for (const KeyCommand& key : key_commands)
        if (key.virtual_key == message.wParam && key.control == control && key.shift == shift) return key.command;
    return 0;
}

bool IsAutoRepeat(const MSG& message) { return (message.lParam & (1 << 30)) != 0; }

}  // namespace

int RunDialogLikeMessageLoop(HWND window, int show_command, std::span<const KeyCommand> key_commands) {
    ShowWindow(window, show_command);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_KEYDOWN && (message.hwnd == window || IsChild(window, message.hwnd))) {
            // No window of ours gives Esc a meaning: the dialog manager would
            // turn it into IDCANCEL, which none handles, and a multi-line edit
            // box into WM_CLOSE to its parent, losing what was typed. Message
            // boxes run their own loop and still close on Esc.
            if (message.wParam == VK_ESCAPE) continue;
            if (const int command = KeyCommandOf(message, key_commands)) {
                if (!IsAutoRepeat(message)) SendMessageW(window, WM_COMMAND, MAKEWPARAM(command, 1), 0);
                continue;
            }
        }
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunProgram(HINSTANCE instance, const ProgramWindow& program, int show_command) {
    INITCOMMONCONTROLSEX controls{sizeof controls, program.common_controls};
    InitCommonControlsEx(&controls);
    int start_up_exit_code = 1;
    if (!RegisterProgramClass(instance, program)) return start_up_exit_code;
    HWND window = CreateWindowExW(0, program.class_name, program.title, program.style, program.position.x,
                                  program.position.y, program.size.cx, program.size.cy, nullptr, nullptr, instance,
                                  &start_up_exit_code);
    if (!window) return start_up_exit_code;
    return RunDialogLikeMessageLoop(window, show_command, program.key_commands);
}

BOOL EndStartUp(const CREATESTRUCTA* create, int exit_code) {
    *static_cast<int*>(create->lpCreateParams) = exit_code;
    return FALSE;
}

// The C runtime has cut the command line before wWinMain, by the rules of
// CommandLineToArgvW, which would load shell32 into every program for it.
std::vector<std::wstring> CommandLineArguments() {
    std::vector<std::wstring> arguments;
    for (int i = 1; __wargv && i < __argc; ++i) arguments.emplace_back(__wargv[i]);
    return arguments;
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ControlText(HWND parent, int id) { return WindowText(GetDlgItem(parent, id)); }

}  // namespace morvane
