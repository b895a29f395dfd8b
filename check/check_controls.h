#pragma once
// Control identifiers of the query window, shared with its tests.
// None is IDOK (1) or IDCANCEL (2): IsDialogMessage sends those for Enter
// and Esc where no control takes them.

namespace morvane::check {

inline constexpr int 标签1 = 101;
inline constexpr int 编辑框_坐标1 = 102;
inline constexpr int 编辑框_坐标2 = 103;
inline constexpr int 编辑框_坐标3 = 104;
inline constexpr int 编辑框_结果 = 105;
inline constexpr int 按钮_查询 = 106;

inline constexpr wchar_t kWindowClass[] = L"MorvaneCheckQuery";

// Commands that type the answer into the window the user came from: Ctrl+Enter
// as the result box shows it, Ctrl+Shift+Enter its codes in box order with a
// Tab after each but the last. Also items of the window's system menu, so
// below 0xF000 with the low four bits clear.
inline constexpr int kTypeAnswerCommand = 0x0100;
inline constexpr int kTypeAnswerInFieldsCommand = 0x0110;

// GBK bytes that one coordinate box holds.
inline constexpr int kCoordinateBytes = 2;

// How long an answer copied from the result box stays on the clipboard,
// unless something else is copied first.
inline constexpr unsigned kCopiedAnswerMilliseconds = 12'000;

// The process's exit code after a load failure; 0 after the user closed the
// window.
inline constexpr int kExitLoadFailure = 1;

}  // namespace morvane::check
