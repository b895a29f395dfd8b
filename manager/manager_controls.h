#pragma once
// Control identifiers of the manager window, shared with its tests.
// None is IDOK (1) or IDCANCEL (2): IsDialogMessage sends those for Enter
// and Esc, and they must not press a button.

namespace morvane::manager {

inline constexpr int 列表框1 = 101;
inline constexpr int 按钮1 = 111;
inline constexpr int 按钮2 = 112;
inline constexpr int 按钮3 = 113;
inline constexpr int 按钮4 = 114;
inline constexpr int 按钮5 = 115;
inline constexpr int 状态条1 = 121;

inline constexpr wchar_t kWindowClass[] = L"MorvaneManager";
inline constexpr wchar_t kWindowTitle[] = L"Morvane 1.0";

}  // namespace morvane::manager
