// The card-name check and the program-directory cut on arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "paths.h"

namespace {
void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (morvane::IsPlainCardName(text)) {
        Check(!text.empty() && text != "." && text != "..", "an empty or dot name passed");
        for (const char c : text) {
            Check(static_cast<unsigned char>(c) >= 0x20 &&
                      std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos,
                  "a name with a forbidden character passed");
        }
        // "D:/cards/" before the name and ".ini" after it.
        const bool fits = text.size() + 13 <= morvane::kMaxFilePathLength;
        Check(morvane::CardFilePath("D:", text).has_value() == fits,
              fits ? "a plain name has no card file path" : "a name past the path limit has a card file path");
    } else {
        Check(!morvane::CardFilePath("D:", text).has_value(), "a refused name has a card file path");
    }

    const std::string directory = morvane::DirectoryOfProgramFile(text);
    Check(text.substr(0, directory.size()) == directory, "the directory is not a prefix of the path");
    const std::size_t last_separator = text.rfind(morvane::kPathSeparator);
    Check(directory.size() == (last_separator == std::string_view::npos ? 0 : last_separator),
          "the cut is not at the last separator");
    return 0;
}
