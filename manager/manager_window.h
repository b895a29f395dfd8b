#pragma once
#include <windows.h>

namespace morvane::manager {

bool RegisterManagerClass(HINSTANCE instance);

// The manager window, its card list filled from the card store.
HWND CreateManagerWindow(HINSTANCE instance);

}  // namespace morvane::manager
