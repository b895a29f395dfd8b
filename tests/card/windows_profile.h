#pragma once
#include "profile.h"

namespace morvane {

// GetPrivateProfileStringA / WritePrivateProfileStringA.
Profile& WindowsProfile();

}  // namespace morvane
