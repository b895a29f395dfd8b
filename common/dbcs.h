#pragma once
// Scanning GBK (code page 936) byte strings. A lead byte 0x81-0xFE starts a
// two-byte character whose trail byte may be any of 0x40-0xFE, including
// '\\' (0x5C) and '|' (0x7C): a byte-wise search finds "separators" inside
// Chinese characters such as 誠 (D5 5C). These helpers step whole characters.
#include <cstddef>
#include <string_view>

namespace morvane {

constexpr bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

constexpr bool IsGbkTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// Length in bytes of the character that starts at `offset`: 2 for a lead byte
// followed by a trail byte, otherwise 1. A lead byte before anything else
// (the end, a control byte, ':' ...) is a character of its own, so that the
// byte after it is still seen.
constexpr std::size_t CharLengthAt(std::string_view text, std::size_t offset) {
    return IsGbkLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size() &&
                   IsGbkTrailByte(static_cast<unsigned char>(text[offset + 1]))
               ? 2
               : 1;
}

// Position of the first single-byte character equal to one of `bytes`,
// or npos; trail bytes never match.
std::size_t FindFirstCharOf(std::string_view text, std::string_view bytes);

// Position of the last single-byte character equal to one of `bytes`, or npos.
std::size_t FindLastCharOf(std::string_view text, std::string_view bytes);

}  // namespace morvane
