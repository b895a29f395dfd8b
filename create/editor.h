#pragma once
#include <windows.h>

namespace morvane::create {

bool RegisterEditorClass(HINSTANCE instance);

// The editor window, with its start-up already run. Nothing when the
// start-up ended the program (`ended_by_start_up` true) or the window could
// not be made.
HWND CreateEditorWindow(HINSTANCE instance, bool& ended_by_start_up);

}  // namespace morvane::create
