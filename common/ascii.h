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

template <typename Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase<char>(a, b);
}

constexpr bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    return EqualsIgnoringAsciiCase<wchar_t>(a, b);
}

}  // namespace morvane
