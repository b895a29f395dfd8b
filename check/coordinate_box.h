#pragma once
#include <windows.h>

#include <cstddef>
#include <string_view>

namespace morvane::check {

// WM_COMMAND notification a coordinate box sends its parent when Enter
// (character 13) is typed into it. Edit notifications lie below 0x1000.
inline constexpr WORD kCoordinateBoxEnter = 0x7F00;

// Makes an edit control a coordinate box: it holds at most `limit` bytes of
// GBK, a Chinese character 2, counted as the text would stand after typed
// characters, WM_IME_CHAR and pastes replaced the selection (the edit
// control's own limit counts UTF-16 units, so one Chinese character would
// pass as one); a character GBK cannot hold never enters, since no card row
// could be asked for with it. Enter is told to the parent instead of
// beeping. The edit control's limit is set to `limit` too, for whoever reads
// it back.
void MakeCoordinateBox(HWND edit, int limit);

// The longest start of `text` that is whole characters GBK can hold, no line
// break and at most `room` GBK bytes: what a paste into a box with that room
// inserts.
std::wstring_view FittingStart(std::wstring_view text, std::size_t room);

}  // namespace morvane::check
