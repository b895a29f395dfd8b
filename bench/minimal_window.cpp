// The yardstick for the programs' start-up: the least a window program of
// this build does before it takes input. One window of the query window's
// size and style with one edit box holding the focus, the stock GUI font,
// and the dialog-like message loop. No card, no icon, no common controls;
// built a second time as minimal_window_themed.exe with the programs'
// manifest and common controls, the part of their start-up that is the
// system's loading of themed controls.
//
//   minimal_window.exe            ready as soon as the window shows
//   minimal_window.exe <pattern>  first counts the files that FindFirstFileW
//                                 and FindNextFileW return for the pattern
//                                 and shows the count as the window's title
#include <windows.h>
#include <windowsx.h>
#ifdef MINIMAL_WINDOW_THEMED
#include <commctrl.h>
#endif

#include <string>

namespace {

constexpr wchar_t kClassName[] = L"MorvaneMinimalWindow";
constexpr int kEditId = 100;

int CountMatchingFiles(const wchar_t* pattern) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

BOOL OnCreate(HWND window, LPCREATESTRUCT create) {
    HWND edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 8,
                                32, 37, 20, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                                create->hInstance, nullptr);
    if (!edit) return FALSE;
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return TRUE;
}

void OnActivate(HWND window, UINT state, HWND, BOOL minimized) {
    if (state != WA_INACTIVE && !minimized) SetFocus(GetDlgItem(window, kEditId));
}

void OnDestroy(HWND) { PostQuitMessage(0); }

LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_DESTROY, OnDestroy);
        case WM_ACTIVATE:
            HANDLE_WM_ACTIVATE(window, wParam, lParam, OnActivate);
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
#ifdef MINIMAL_WINDOW_THEMED
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
#endif
    std::wstring title;
    if (__argc >= 2) title = std::to_wstring(CountMatchingFiles(__wargv[1]));

    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = MinimalWindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    if (!RegisterClassExW(&window_class)) return 1;
    HWND window = CreateWindowExW(0, kClassName, title.c_str(), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  50, 50, 157, 160, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
