#include "lookup.h"

#include <algorithm>
#include <array>

#include "card_store.h"

namespace morvane {

Coordinate ParseCoordinate(std::string_view text) {
    Coordinate coordinate;
    if (text.empty()) return coordinate;
    coordinate.row_code = static_cast<std::uint8_t>(text.front());
    const char last = text.back();
    if (last >= '1' && last <= '9') coordinate.cell_number = static_cast<std::uint8_t>(last - '0');
    return coordinate;
}

namespace {
constexpr bool IsAsciiLetter(std::uint8_t code) { return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z'); }
}  // namespace

std::optional<std::string> LookUpCoordinate(Profile& profile, const FilePath& card_file, Coordinate coordinate) {
    // Rows are stored under A..Z only. Any other byte names no row; asking
    // the platform for keys such as ";" or "=" would find comment lines or
    // nameless entries of a hand-edited file instead.
    if (!IsAsciiLetter(coordinate.row_code)) return std::nullopt;
    const std::string key(1, static_cast<char>(coordinate.row_code));
    const std::string row = profile.ReadValue(card_file, kCardSection, key);
    if (row.empty() || coordinate.cell_number == 0) return std::nullopt;
    // A comma is never a GBK trail byte, so a byte-wise split is safe.
    std::size_t start = 0;
    for (int cell = 1;; ++cell) {
        const std::size_t comma = row.find(',', start);
        if (cell == coordinate.cell_number)
            return row.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (comma == std::string::npos) return std::nullopt;
        start = comma + 1;
    }
}

std::string AnswerQuery(Profile& profile, const FilePath& card_file, std::string_view first,
                        std::string_view second, std::string_view third) {
    if (first.size() + second.size() + third.size() < 3) return std::string(kQueryPrompt);

    std::string joined;
    joined.append(first).append(second).append(third);
    if (joined == kSerialNumberQuery) return profile.ReadValue(card_file, kInfoSection, kSerialNumberKey);

    std::array<Coordinate, 3> coordinates = {ParseCoordinate(first), ParseCoordinate(second), ParseCoordinate(third)};
    std::sort(coordinates.begin(), coordinates.end());
    std::string result;
    for (const Coordinate& coordinate : coordinates) {
        std::optional<std::string> cell = LookUpCoordinate(profile, card_file, coordinate);
        if (!cell) break;
        result += *cell;
    }
    return result;
}

std::string AnswerQuery(const FilePath& card_file, std::string_view first, std::string_view second,
                        std::string_view third) {
    return AnswerQuery(OwnProfile(), card_file, first, second, third);
}

}  // namespace morvane
