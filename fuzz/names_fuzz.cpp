// The card-name check and the program-directory cut on arbitrary bytes,
// DBCS trail bytes 0x5C and 0x7C among them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dbcs.h"
#include "paths.h"

namespace {
void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Whether `offset` starts a character when the text is walked from its start.
bool IsCharBoundary(std::string_view text, std::size_t offset) {
    std::size_t i = 0;
    while (i < offset) i += morvane::CharLengthAt(text, i);
    return i == offset;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (morvane::IsPlainCardName(text)) {
        Check(!text.empty() && text != "." && text != "..", "an empty or dot name passed");
        for (std::size_t i = 0; i < text.size(); i += morvane::CharLengthAt(text, i)) {
            if (morvane::CharLengthAt(text, i) == 2) continue;
            const unsigned char byte = static_cast<unsigned char>(text[i]);
            Check(byte >= 0x20 && std::string_view("\\/:*?\"<>|").find(text[i]) == std::string_view::npos,
                  "a name with a forbidden character passed");
        }
        // "D:\cards\" before the name and ".ini" after it.
        const bool fits = text.size() + 13 <= morvane::kMaxFilePathBytes;
        Check(morvane::CardFilePath("D:", text).has_value() == fits,
              fits ? "a plain name has no card file path" : "a name past the path limit has a card file path");
    } else {
        Check(!morvane::CardFilePath("D:", text).has_value(), "a refused name has a card file path");
    }

    for (std::string_view separators : {std::string_view("\\"), std::string_view("|")}) {
        const std::size_t last = morvane::FindLastCharOf(text, separators);
        if (last == std::string_view::npos) continue;
        Check(text[last] == separators[0], "the cut is not at a separator");
        Check(IsCharBoundary(text, last), "the cut is inside a character");
        Check(morvane::FindFirstCharOf(text.substr(last + 1), separators) == std::string_view::npos ||
                  !IsCharBoundary(text, last + 1),
              "a later separator was missed");
    }
    const std::string directory = morvane::DirectoryOfProgramFile(text);
    Check(text.substr(0, directory.size()) == directory, "the directory is not a prefix of the path");
    return 0;
}
