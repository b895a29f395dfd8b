#pragma once
// Control identifiers of the editor window, shared with its tests.
// None is IDOK (1) or IDCANCEL (2): IsDialogMessage sends those for Enter
// and Esc, and they must not press the button.

namespace morvane::create {

inline constexpr int 标签1 = 101;
inline constexpr int 编辑框_密保卡名 = 102;
inline constexpr int 标签2 = 103;
inline constexpr int 编辑框_序列号 = 104;
inline constexpr int 标签3 = 105;
inline constexpr int 编辑框_密保卡内容 = 106;
inline constexpr int 按钮_finish = 107;

inline constexpr wchar_t kWindowClass[] = L"MorvaneCreateEditor";

}  // namespace morvane::create
