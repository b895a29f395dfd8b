#include "coordinate_box.h"

#include <windowsx.h>

#include <memory>
#include <string>

#include "dbcs.h"

namespace morvane::check {

namespace {

struct BoxState {
    WNDPROC original = nullptr;
    std::size_t limit = 0;
    // A lead byte waits for its trail byte: the pair is taken or refused whole.
    bool lead_pending = false;
    bool lead_accepted = false;
    char lead = 0;
};

BoxState& StateOf(HWND box) { return *reinterpret_cast<BoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA)); }

LRESULT CALLBACK CallOriginal(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(StateOf(box).original, box, message, wparam, lparam);
}

std::string TextOf(HWND box) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(box)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(box, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Byte offset of the character at `index`, at most the text's end.
std::size_t ByteOffsetOfCharacter(std::string_view text, DWORD index) {
    std::size_t offset = 0;
    for (DWORD i = 0; i < index && offset < text.size(); ++i) offset += CharLengthAt(text, offset);
    return offset;
}

// Bytes the box may still take in place of its selection.
std::size_t RoomFor(HWND box) {
    const std::string text = TextOf(box);
    DWORD start = 0, end = 0;
    SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::size_t selected = ByteOffsetOfCharacter(text, end) - ByteOffsetOfCharacter(text, start);
    const std::size_t kept = text.size() - selected;
    const std::size_t limit = StateOf(box).limit;
    return kept < limit ? limit - kept : 0;
}

// FORWARD_WM_CHAR would widen a signed char: a lead byte 0xD0 would leave
// as 0xFFFFFFD0 and read as a two-byte pair.
void ForwardChar(HWND box, unsigned char byte, int repeat) {
    CallOriginal(box, WM_CHAR, byte, MAKELPARAM(repeat, 0));
}

// A whole double-byte character goes in as text: handed on as two WM_CHAR
// bytes, a Unicode edit control (wine's) would turn each half into "?".
void InsertCharacter(HWND box, char lead, char trail) {
    const char character[] = {lead, trail, '\0'};
    SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(character));
}

void OnChar(HWND box, TCHAR typed, int repeat) {
    BoxState& state = StateOf(box);
    const auto byte = static_cast<unsigned char>(typed);
    if (state.lead_pending) {
        state.lead_pending = false;
        if (state.lead_accepted) InsertCharacter(box, state.lead, typed);
        return;
    }
    if (byte == '\r') {
        SendMessageA(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), kCoordinateBoxEnter),
                     reinterpret_cast<LPARAM>(box));
        return;
    }
    if (byte < 0x20 || byte == 0x7F) {  // Backspace, Ctrl+V, Ctrl+C ...
        ForwardChar(box, byte, repeat);
        return;
    }
    if (IsDBCSLeadByteEx(936, byte)) {
        state.lead_pending = true;
        state.lead_accepted = RoomFor(box) >= 2;
        state.lead = typed;
        return;
    }
    if (RoomFor(box) >= 1) ForwardChar(box, byte, 1);
}

UINT OnGetDlgCode(HWND box, LPMSG message) {
    UINT code = FORWARD_WM_GETDLGCODE(box, message, CallOriginal);
    // Enter must reach the box, not the dialog manager's default button.
    if (message && (message->message == WM_KEYDOWN || message->message == WM_CHAR) && message->wParam == VK_RETURN)
        code |= DLGC_WANTALLKEYS;
    return code;
}

void OnPaste(HWND box) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(box)) return;
    std::string pasted;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            pasted = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    std::string fitting(FittingStart(pasted, RoomFor(box)));
    if (fitting.empty()) return;
    CharUpperBuffA(fitting.data(), static_cast<DWORD>(fitting.size()));
    SendMessageA(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(fitting.c_str()));
}

void OnImeChar(HWND box, WPARAM code, LPARAM lparam) {
    // An ANSI window gets the character's code page 936 bytes, lead byte high.
    const bool double_byte = (code & 0xFF00) != 0;
    if (RoomFor(box) < (double_byte ? 2u : 1u)) return;
    if (double_byte)
        InsertCharacter(box, static_cast<char>((code >> 8) & 0xFF), static_cast<char>(code & 0xFF));
    else
        CallOriginal(box, WM_IME_CHAR, code, lparam);
}

void OnNcDestroy(HWND box) {
    std::unique_ptr<BoxState> state(&StateOf(box));
    SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->original));
    SetWindowLongPtrA(box, GWLP_USERDATA, 0);
    CallWindowProcA(state->original, box, WM_NCDESTROY, 0, 0);
}

LRESULT CALLBACK CoordinateBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(box, WM_CHAR, OnChar);
        HANDLE_MSG(box, WM_GETDLGCODE, OnGetDlgCode);
        HANDLE_MSG(box, WM_PASTE, OnPaste);
        HANDLE_MSG(box, WM_NCDESTROY, OnNcDestroy);
        case WM_IME_CHAR:
            OnImeChar(box, wParam, lParam);
            return 0;
    }
    return CallOriginal(box, message, wParam, lParam);
}

}  // namespace

std::string_view FittingStart(std::string_view text, std::size_t room) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
        const std::size_t length = CharLengthAt(text, end);
        if (end + length > room) break;
        end += length;
    }
    return text.substr(0, end);
}

void MakeCoordinateBox(HWND edit, int limit) {
    SendMessageA(edit, EM_LIMITTEXT, static_cast<WPARAM>(limit), 0);
    auto state = std::make_unique<BoxState>();
    state->limit = static_cast<std::size_t>(limit);
    state->original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_WNDPROC));
    SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CoordinateBoxProc));
}

}  // namespace morvane::check
