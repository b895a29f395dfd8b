// A stand-in for a log-in page in a browser, for the tests of typing the
// answer into another program: login_page.exe <fields> [--interrupt]
//   <fields>      1: one field for the whole answer; 3: one for each code,
//                 Tab moving from one to the next
//   --interrupt   the first character to arrive brings a pop-up window to
//                 the foreground, as a page's dialog would
// Like a browser it gives the focus back to its field when it is activated.
// Its status line counts the keys a page must never get from a typed
// answer: characters that came with Ctrl or Alt held (Ctrl+B is a
// shortcut), and Enter, which sends the form.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "login_page.h"

namespace {

using namespace morvane::test::login_page;

HWND page = nullptr;
HWND popup = nullptr;
HWND last_focus = nullptr;
bool interrupt_at_first_character = false;
int forbidden_keys = 0;

HWND MakeEdit(HWND parent, int id, int top) {
    return CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10, top,
                           260, 22, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE) {
                SetFocus(last_focus && IsChild(window, last_focus) ? last_focus : GetDlgItem(window, kFirstField));
            } else if (HWND focus = GetFocus(); focus && IsChild(window, focus)) {
                last_focus = focus;
            }
            return 0;
        case WM_DESTROY:
            if (window == page) PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

bool IsField(HWND window) {
    const int id = GetDlgCtrlID(window);
    return GetParent(window) == page && id >= kFirstField && id < kFirstField + 3;
}

void CountForbiddenKey() {
    ++forbidden_keys;
    SetDlgItemInt(page, kStatus, static_cast<UINT>(forbidden_keys), FALSE);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const int fields = __argc > 1 ? std::wcstol(__wargv[1], nullptr, 10) : 1;
    interrupt_at_first_character = __argc > 2 && std::wcscmp(__wargv[2], L"--interrupt") == 0;

    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = PageProc;
    window_class.hInstance = instance;
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kPageClass;
    if (!RegisterClassExW(&window_class)) return 1;
    window_class.lpszClassName = kPopupClass;
    if (!RegisterClassExW(&window_class)) return 1;

    page = CreateWindowExW(0, kPageClass, kPageTitle, WS_OVERLAPPEDWINDOW, 300, 60, 300, 200, nullptr, nullptr,
                           instance, nullptr);
    if (!page) return 1;
    for (int field = 0; field < fields && field < 3; ++field) MakeEdit(page, kFirstField + field, 10 + 30 * field);
    CreateWindowExW(0, L"STATIC", L"0", WS_CHILD | WS_VISIBLE, 10, 110, 260, 20, page,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatus)), nullptr, nullptr);
    popup = CreateWindowExW(0, kPopupClass, kPopupTitle, WS_OVERLAPPED | WS_CAPTION, 340, 300, 240, 100, page, nullptr,
                            instance, nullptr);
    MakeEdit(popup, kFirstField, 10);
    ShowWindow(page, show);

    bool first_character = true;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const bool to_field = IsField(message.hwnd);
        if (to_field && message.message == WM_KEYDOWN && message.wParam == VK_RETURN) CountForbiddenKey();
        if (to_field && message.message == WM_CHAR &&
            (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0))
            CountForbiddenKey();
        HWND dialog = GetAncestor(message.hwnd, GA_ROOT);
        if (!dialog || !IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (to_field && message.message == WM_CHAR && first_character) {
            first_character = false;
            if (interrupt_at_first_character) {
                ShowWindow(popup, SW_SHOW);
                SetForegroundWindow(popup);
            }
        }
    }
    return 0;
}
