#include "lookup.h"

#include <algorithm>
#include <array>
#include <vector>

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

// Rows are stored under A..Z only. Any other byte names no row; asking the
// platform for keys such as ";" or "=" would find comment lines or nameless
// entries of a hand-edited file instead.
bool NamesARow(Coordinate coordinate) { return IsAsciiLetter(coordinate.row_code); }

std::optional<std::string> CellOf(std::string_view row, std::uint8_t cell_number) {
    if (row.empty() || cell_number == 0) return std::nullopt;
    // A comma is never a GBK trail byte, so a byte-wise split is safe.
    std::size_t start = 0;
    for (int cell = 1;; ++cell) {
        const std::size_t comma = row.find(',', start);
        if (cell == cell_number)
            return std::string(row.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) return std::nullopt;
        start = comma + 1;
    }
}

}  // namespace

std::optional<std::string> LookUpCoordinate(Profile& profile, const FilePath& card_file, Coordinate coordinate) {
    if (!NamesARow(coordinate)) return std::nullopt;
    const std::string key(1, static_cast<char>(coordinate.row_code));
    return CellOf(profile.ReadValue(card_file, kCardSection, key), coordinate.cell_number);
}

namespace {

// `read_values` reads the card file's values of the keys it is given, once.
template <typename ReadValues>
std::string Answer(const ReadValues& read_values, std::string_view first, std::string_view second,
                   std::string_view third) {
    if (first.size() + second.size() + third.size() < 3) return std::string(kQueryPrompt);

    std::string joined;
    joined.append(first).append(second).append(third);
    if (joined == kSerialNumberQuery) {
        const Profile::Key serial_number{kInfoSection, kSerialNumberKey};
        return std::move(read_values(std::span(&serial_number, 1)).front());
    }

    std::array<Coordinate, 3> coordinates = {ParseCoordinate(first), ParseCoordinate(second), ParseCoordinate(third)};
    std::sort(coordinates.begin(), coordinates.end());
    // The rows up to the first coordinate that names none, in one read of
    // the file; a row past a refusal is read but not looked at.
    std::array<char, 3> letters{};
    std::vector<Profile::Key> rows;
    for (const Coordinate& coordinate : coordinates) {
        if (!NamesARow(coordinate)) break;
        const std::size_t index = rows.size();
        letters[index] = static_cast<char>(coordinate.row_code);
        rows.push_back({kCardSection, std::string_view(&letters[index], 1)});
    }
    if (rows.empty()) return {};
    const std::vector<std::string> values = read_values(std::span<const Profile::Key>(rows));
    std::string result;
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::optional<std::string> cell = CellOf(values[i], coordinates[i].cell_number);
        if (!cell) break;
        result += *cell;
    }
    return result;
}

}  // namespace

std::string AnswerQuery(Profile& profile, const FilePath& card_file, std::string_view first,
                        std::string_view second, std::string_view third) {
    return Answer([&](std::span<const Profile::Key> keys) { return profile.ReadValues(card_file, keys); }, first,
                  second, third);
}

std::string AnswerQuery(const FilePath& card_file, std::string_view first, std::string_view second,
                        std::string_view third) {
    return Answer([&](std::span<const Profile::Key> keys) { return ReadOwnProfile(card_file, keys); }, first,
                  second, third);
}

}  // namespace morvane
