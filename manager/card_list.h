#pragma once
// The cards the manager lists: the card files found in the card store.
#include <string>
#include <string_view>
#include <vector>

#include "paths.h"

namespace morvane::manager {

// True for a directory-search result that is a card file: a regular file
// whose long name ends in ".ini" in any case. The search pattern "*.ini"
// also matches names whose 8.3 short name ends in .INI (b.inix), and
// directories; neither is a card.
bool IsCardFileName(std::wstring_view long_name, bool is_directory);

// The card name of a card file's name: the text before its last ".".
std::wstring CardNameOf(std::wstring_view file_name);

// The card names in the card store of `program_directory`, in the order
// Explorer shows file names (StrCmpLogicalW: card2 before card10, letters
// without regard to case); empty when there is no card store.
std::vector<std::wstring> ListCardNames(FilePathView program_directory);

}  // namespace morvane::manager
