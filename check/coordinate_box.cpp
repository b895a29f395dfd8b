#include "coordinate_box.h"

#include <windowsx.h>

#include <memory>
#include <string>

#include "clipboard.h"
#include "text.h"
#include "window_scaffold.h"

namespace morvane::check {

namespace {

struct BoxState {
    WNDPROC original = nullptr;
    std::size_t limit = 0;
};

BoxState& StateOf(HWND box) { return *reinterpret_cast<BoxState*>(GetWindowLongPtrW(box, GWLP_USERDATA)); }

LRESULT CallOriginal(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcW(StateOf(box).original, box, message, wparam, lparam);
}

// GBK bytes the box may still take in place of its selection. Text GBK
// cannot hold (set from outside) leaves no room.
std::size_t RoomFor(HWND box) {
    std::wstring text = WindowText(box);
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start <= end && end <= text.size()) text.erase(start, end - start);
    const std::size_t limit = StateOf(box).limit;
    const std::size_t kept = GbkLength(text).value_or(limit);
    return kept < limit ? limit - kept : 0;
}

// Whether the typed character `typed` may enter the box. Half a surrogate
// pair is no character GBK holds.
bool Fits(HWND box, wchar_t typed) {
    const std::optional<std::size_t> length = GbkLength(std::wstring_view(&typed, 1));
    return length && RoomFor(box) >= *length;
}

// Not through the WM_CHAR cracker: without UNICODE it narrows the character
// to a char.
LRESULT OnChar(HWND box, WPARAM code, LPARAM lparam) {
    const auto typed = static_cast<wchar_t>(code);
    if (typed == L'\r') {
        SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), kCoordinateBoxEnter),
                     reinterpret_cast<LPARAM>(box));
        return 0;
    }
    if (typed < 0x20 || typed == 0x7F) return CallOriginal(box, WM_CHAR, code, lparam);  // Backspace, Ctrl+V ...
    // One at a time: a held key's repeat count must not take it past the room.
    if (Fits(box, typed)) CallOriginal(box, WM_CHAR, code, MAKELPARAM(1, HIWORD(lparam)));
    return 0;
}

UINT OnGetDlgCode(HWND box, LPMSG message) {
    UINT code = FORWARD_WM_GETDLGCODE(box, message, CallOriginal);
    // Enter must reach the box, not the dialog manager's default button.
    if (message && (message->message == WM_KEYDOWN || message->message == WM_CHAR) && message->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    return code;
}

void OnPaste(HWND box) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboardPatiently(box)) return;
    std::wstring pasted;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            pasted = text;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    std::wstring fitting(FittingStart(pasted, RoomFor(box)));
    if (fitting.empty()) return;
    CharUpperBuffW(fitting.data(), static_cast<DWORD>(fitting.size()));
    SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(fitting.c_str()));
}

// An input method's result: in a Unicode window, one UTF-16 character.
LRESULT OnImeChar(HWND box, WPARAM code, LPARAM lparam) {
    if (Fits(box, static_cast<wchar_t>(code))) return CallOriginal(box, WM_IME_CHAR, code, lparam);
    return 0;
}

void OnNcDestroy(HWND box) {
    std::unique_ptr<BoxState> state(&StateOf(box));
    SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->original));
    SetWindowLongPtrW(box, GWLP_USERDATA, 0);
    CallWindowProcW(state->original, box, WM_NCDESTROY, 0, 0);
}

LRESULT CALLBACK CoordinateBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(box, WM_GETDLGCODE, OnGetDlgCode);
        HANDLE_MSG(box, WM_PASTE, OnPaste);
        HANDLE_MSG(box, WM_NCDESTROY, OnNcDestroy);
        case WM_CHAR: return OnChar(box, wParam, lParam);
        case WM_IME_CHAR: return OnImeChar(box, wParam, lParam);
    }
    return CallOriginal(box, message, wParam, lParam);
}

}  // namespace

std::wstring_view FittingStart(std::wstring_view text, std::size_t room) {
    std::size_t end = 0, bytes = 0;
    for (; end < text.size() && text[end] != L'\r' && text[end] != L'\n'; ++end) {
        const std::optional<std::size_t> length = GbkLength(text.substr(end, 1));
        if (!length || bytes + *length > room) break;
        bytes += *length;
    }
    return text.substr(0, end);
}

void MakeCoordinateBox(HWND edit, int limit) {
    SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    auto state = std::make_unique<BoxState>();
    state->limit = static_cast<std::size_t>(limit);
    state->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(edit, GWLP_WNDPROC));
    SetWindowLongPtrW(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CoordinateBoxProc));
}

}  // namespace morvane::check
