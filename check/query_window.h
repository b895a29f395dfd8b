#pragma once
#include "window_scaffold.h"

namespace morvane::check {

// The query window. Its start-up opens the card named by the first
// command-line argument; when it cannot, the user is told and the program
// ends with kExitLoadFailure.
extern const ProgramWindow kQueryWindow;

}  // namespace morvane::check
