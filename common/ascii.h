#pragma once
// ASCII letters compared without regard to case, as the INI functions match
// names and the file system matches device names and extensions. Other
// characters, and the bytes of GBK characters, compare exactly; unlike
// std::tolower this does not follow the C locale.
#include <string_view>

namespace morvane {

template <typename Char>
constexpr Char AsciiLower(Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

// `text`, bytes or UTF-16, against `ascii`, which holds ASCII only when
// `text` is UTF-16.
template <typename Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AsciiLower(text[i]) != static_cast<Char>(AsciiLower(ascii[i]))) return false;
    }
    return true;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase<char>(a, b);
}

}  // namespace morvane
