#pragma once
#include <windows.h>

namespace morvane::check {

bool RegisterQueryClass(HINSTANCE instance);

// The query window with its start-up run: the card named by the first
// command-line argument is opened. Nothing when the card could not be
// opened; the user has then been told and the window is gone.
HWND CreateQueryWindow(HINSTANCE instance);

}  // namespace morvane::check
