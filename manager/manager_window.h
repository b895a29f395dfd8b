#pragma once
#include "window_scaffold.h"

namespace morvane::manager {

// The manager window, its card list filled from the card store at start-up.
extern const ProgramWindow kManagerWindow;

}  // namespace morvane::manager
