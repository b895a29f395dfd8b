#include "dbcs.h"

namespace morvane {

std::size_t FindFirstCharOf(std::string_view text, std::string_view bytes) {
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (CharLengthAt(text, i) == 1 && bytes.find(text[i]) != std::string_view::npos) return i;
    }
    return std::string_view::npos;
}

std::size_t FindLastCharOf(std::string_view text, std::string_view bytes) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
        if (CharLengthAt(text, i) == 1 && bytes.find(text[i]) != std::string_view::npos) found = i;
    }
    return found;
}

}  // namespace morvane
