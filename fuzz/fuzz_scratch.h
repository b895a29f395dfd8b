#pragma once
// A scratch file for one fuzz target, in memory-backed storage when there is.
#include <string>

#include <unistd.h>

namespace morvane::fuzzing {

inline std::string ScratchFile(const char* target) {
    const char* directory = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(directory) + "/morvane-fuzz-" + target + "-" + std::to_string(getpid()) + ".ini";
}

}  // namespace morvane::fuzzing
