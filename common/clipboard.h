#pragma once
// Copies of a card's codes that go nowhere else: marked for Windows'
// clipboard history (Win+V) and cloud clipboard to leave alone, and, where
// asked, taken off the clipboard again.
#include <windows.h>

namespace morvane {

// Every copy and cut of the edit box `box` puts its selection on the
// clipboard as the same Unicode text, marked with the registered formats that
// clipboard history and the cloud clipboard respect: Ctrl+C, Ctrl+Insert,
// Ctrl+X, Shift+Delete, the context menu and WM_COPY or WM_CUT from anywhere.
// With `clear_after_ms`, the text is taken off the clipboard that long after
// the copy, unless the clipboard has changed since (another copy, of this
// program or another); a later copy starts the time anew. One box of a
// program may ask for that.
void KeepCopiesPrivate(HWND box, UINT clear_after_ms = 0);

// OpenClipboard, tried again for a moment while another program holds the
// clipboard: clipboard history and clipboard managers open it right after
// every change, and a copy or paste must not be lost to that.
bool OpenClipboardPatiently(HWND owner);

}  // namespace morvane
