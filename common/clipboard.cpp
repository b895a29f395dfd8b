#include "clipboard.h"

#include <commctrl.h>

#include <cstring>
#include <string>

#include "window_scaffold.h"

namespace morvane {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// Apart from the edit control's own timers.
constexpr UINT_PTR kClearTimer = 0x4D43;
// Another program may hold the clipboard open at that moment.
constexpr UINT kClearRetryMs = 100;

// Clipboard history and the cloud clipboard pass over content that carries
// the first of these, or the other two holding a DWORD 0.
constexpr const wchar_t* kPrivacyFormats[] = {L"ExcludeClipboardContentFromMonitorProcessing",
                                             L"CanIncludeInClipboardHistory", L"CanUploadToCloudClipboard"};

// The clipboard's sequence number right after the copy that is to be taken
// off again; 0 for none.
DWORD copied_sequence = 0;

bool SetClipboardBytes(UINT format, const void* bytes, SIZE_T size) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (target) {
        std::memcpy(target, bytes, size);
        GlobalUnlock(memory);
        if (SetClipboardData(format, memory)) return true;
    }
    if (memory) GlobalFree(memory);
    return false;
}

// The clipboard's sequence number after the copy, 0 when nothing was copied.
// The formats are registered here, at a copy, not at start-up.
DWORD PutMarkedText(HWND owner, const std::wstring& text) {
    if (!OpenClipboardPatiently(owner)) return 0;
    EmptyClipboard();
    bool copied = SetClipboardBytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    constexpr DWORD kNo = 0;
    for (const wchar_t* format : kPrivacyFormats)
        copied = copied && SetClipboardBytes(RegisterClipboardFormatW(format), &kNo, sizeof kNo);
    if (!copied) EmptyClipboard();  // never the text without its marks
    CloseClipboard();
    // Read once closed: closing adds the formats the system derives from the
    // text (CF_LOCALE ...), which wine counts as changes.
    return copied ? GetClipboardSequenceNumber() : 0;
}

bool IsReadOnly(HWND box) { return (GetWindowLongPtrW(box, GWL_STYLE) & ES_READONLY) != 0; }

std::wstring SelectionOf(HWND box) {
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const std::wstring text = WindowText(box);
    if (end > text.size()) end = static_cast<DWORD>(text.size());
    return start < end ? text.substr(start, end - start) : std::wstring();
}

// As the edit control does, an empty selection leaves the clipboard alone.
void CopySelection(HWND box, UINT clear_after_ms) {
    const std::wstring selection = SelectionOf(box);
    if (selection.empty()) return;
    const DWORD sequence = PutMarkedText(box, selection);
    if (!clear_after_ms) return;
    copied_sequence = sequence;
    if (sequence) SetTimer(box, kClearTimer, clear_after_ms, nullptr);
}

void DeleteSelection(HWND box) {
    if (!IsReadOnly(box)) SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

// The sequence number is compared while the clipboard is open, so that no
// copy can come between it and the emptying.
void ClearIfUnchanged(HWND box) {
    if (!OpenClipboard(box)) {
        SetTimer(box, kClearTimer, kClearRetryMs, nullptr);
        return;
    }
    KillTimer(box, kClearTimer);
    if (copied_sequence && GetClipboardSequenceNumber() == copied_sequence) EmptyClipboard();
    copied_sequence = 0;
    CloseClipboard();
}

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

LRESULT CALLBACK PrivateCopyProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR clear_after_ms) {
    switch (message) {
        case WM_COPY: CopySelection(box, static_cast<UINT>(clear_after_ms)); return 0;
        case WM_CUT:
            CopySelection(box, static_cast<UINT>(clear_after_ms));
            DeleteSelection(box);
            return 0;
        // Windows' edit control copies on WM_CLEAR too while Shift is held.
        case WM_CLEAR: DeleteSelection(box); return 0;
        // For these two the edit control copies by itself, without WM_COPY or
        // WM_CUT (wine's does). A read-only box cuts nothing.
        case WM_KEYDOWN:
            if (wParam == VK_INSERT && IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_SHIFT))
                return SendMessageW(box, WM_COPY, 0, 0);
            if (wParam == VK_DELETE && IsKeyDown(VK_SHIFT) && !IsKeyDown(VK_CONTROL) && !SelectionOf(box).empty()) {
                if (!IsReadOnly(box)) SendMessageW(box, WM_CUT, 0, 0);
                return 0;
            }
            break;
        case WM_TIMER:
            if (wParam != kClearTimer) break;
            ClearIfUnchanged(box);
            return 0;
        case WM_NCDESTROY: RemoveWindowSubclass(box, PrivateCopyProc, kSubclassId); break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

bool OpenClipboardPatiently(HWND owner) {
    // Others hold it for a few milliseconds; a tenth of a second at most
    // keeps the window responsive when one holds it longer.
    constexpr int kAttempts = 10;
    constexpr DWORD kPauseMs = 10;
    for (int attempt = 1;; ++attempt) {
        if (OpenClipboard(owner)) return true;
        if (attempt == kAttempts) return false;
        Sleep(kPauseMs);
    }
}

void KeepCopiesPrivate(HWND box, UINT clear_after_ms) {
    SetWindowSubclass(box, PrivateCopyProc, kSubclassId, clear_after_ms);
}

}  // namespace morvane
