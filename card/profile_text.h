#pragma once
// How a private-profile line reads: shared by the project's own reader and by
// the card save, which must know what a row will read back as.
#include <string>
#include <string_view>

#include "ascii.h"

namespace morvane {

struct ProfileLine {
    enum class Kind { kBlank, kSection, kEntry, kOther };
    Kind kind = Kind::kBlank;
    std::string_view name;  // section or key name, blanks trimmed
    std::string value;      // an entry's value as a reader returns it
};

// Blanks as the platform reader counts them: space, tab, vertical tab, form
// feed and the old end-of-file mark 0x1A. None of them is a GBK trail byte.
std::string_view TrimProfileBlanks(std::string_view text);

// A raw value as a reader returns it: blanks trimmed, then one pair of
// matching enclosing quotes (" or ') removed.
std::string ValueAsRead(std::string_view raw);

ProfileLine ParseProfileLine(std::string_view text);

}  // namespace morvane
