#pragma once
#include "window_scaffold.h"

namespace morvane::create {

// The editor window. Its start-up takes the mode from the command line, and
// ends the program (exit code 0) when there is none to take or the card to
// edit is missing, after telling the user of the latter.
extern const ProgramWindow kEditorWindow;

}  // namespace morvane::create
