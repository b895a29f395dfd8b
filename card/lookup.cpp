#include "lookup.h"

#include <algorithm>
#include <array>
#include <utility>
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
QueryAnswer Answer(const ReadValues& read_values, std::string_view first, std::string_view second,
                   std::string_view third) {
    QueryAnswer answer;
    if (first.size() + second.size() + third.size() < 3) {
        answer.text = kQueryPrompt;
        answer.prompt = true;
        return answer;
    }

    std::string joined;
    joined.append(first).append(second).append(third);
    if (joined == kSerialNumberQuery) {
        const Profile::Key serial_number{kInfoSection, kSerialNumberKey};
        answer.text = std::move(read_values(std::span(&serial_number, 1)).front());
        if (!answer.text.empty()) answer.AddPart(0, answer.text.size());
        return answer;
    }

    struct Asked {
        Coordinate coordinate;
        std::size_t box;
    };
    std::array<Asked, 3> asked = {{{ParseCoordinate(first), 0}, {ParseCoordinate(second), 1}, {ParseCoordinate(third), 2}}};
    // Row order; three of them take no more than an insertion sort, which
    // keeps equal coordinates in box order.
    for (std::size_t i = 1; i < asked.size(); ++i)
        for (std::size_t j = i; j > 0 && asked[j].coordinate < asked[j - 1].coordinate; --j)
            std::swap(asked[j], asked[j - 1]);
    // The rows up to the first coordinate that names none, in one read of
    // the file; a row past a refusal is read but not looked at.
    std::array<char, 3> letters{};
    std::vector<Profile::Key> rows;
    for (const Asked& each : asked) {
        if (!NamesARow(each.coordinate)) break;
        const std::size_t index = rows.size();
        letters[index] = static_cast<char>(each.coordinate.row_code);
        rows.push_back({kCardSection, std::string_view(&letters[index], 1)});
    }
    if (rows.empty()) return answer;
    const std::vector<std::string> values = read_values(std::span<const Profile::Key>(rows));
    std::array<std::size_t, 3> offsets{}, lengths{};  // in box order
    std::size_t found = 0;
    for (; found < values.size(); ++found) {
        std::optional<std::string> cell = CellOf(values[found], asked[found].coordinate.cell_number);
        if (!cell) break;
        offsets[asked[found].box] = answer.text.size();
        lengths[asked[found].box] = cell->size();
        answer.text += *cell;
    }
    // An empty cell answers nothing a log-in page could take.
    if (found == asked.size() && std::find(lengths.begin(), lengths.end(), 0) == lengths.end())
        for (std::size_t box = 0; box < asked.size(); ++box) answer.AddPart(offsets[box], lengths[box]);
    return answer;
}

}  // namespace

QueryAnswer AnswerQueryInParts(Profile& profile, const FilePath& card_file, std::string_view first,
                               std::string_view second, std::string_view third) {
    return Answer([&](std::span<const Profile::Key> keys) { return profile.ReadValues(card_file, keys); }, first,
                  second, third);
}

QueryAnswer AnswerQueryInParts(const FilePath& card_file, std::string_view first, std::string_view second,
                               std::string_view third) {
    return Answer([&](std::span<const Profile::Key> keys) { return ReadOwnProfile(card_file, keys); }, first,
                  second, third);
}

std::string AnswerQuery(Profile& profile, const FilePath& card_file, std::string_view first,
                        std::string_view second, std::string_view third) {
    return AnswerQueryInParts(profile, card_file, first, second, third).text;
}

std::string AnswerQuery(const FilePath& card_file, std::string_view first, std::string_view second,
                        std::string_view third) {
    return AnswerQueryInParts(card_file, first, second, third).text;
}

}  // namespace morvane
