#pragma once
// Answers a query of three coordinate texts against a card file.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "profile.h"

namespace morvane {

inline constexpr std::string_view kQueryPrompt = "请输入查询坐标！";
inline constexpr std::string_view kSerialNumberQuery = "序列号";

struct Coordinate {
    std::uint8_t row_code = 0;     // first byte of the text, 0 for ""
    std::uint8_t cell_number = 0;  // last byte as a digit 1-9, else 0

    friend auto operator<=>(const Coordinate&, const Coordinate&) = default;
};

Coordinate ParseCoordinate(std::string_view text);

// The cell's text, or nothing for no row (row code not an ASCII letter, no
// key, empty row) and
// no cell (cell 0 or past the row's end). A row ending in "," has an empty
// last cell.
std::optional<std::string> LookUpCoordinate(Profile& profile, const FilePath& card_file, Coordinate coordinate);

// The query result: the prompt when fewer than 3 bytes are typed in all, the
// serial number for 序 列 号, or the codes found in row order up to the
// first refusal. Reads the card file once, anew at each query.
std::string AnswerQuery(Profile& profile, const FilePath& card_file, std::string_view first,
                        std::string_view second, std::string_view third);
std::string AnswerQuery(const FilePath& card_file, std::string_view first, std::string_view second,
                        std::string_view third);

// The query result with what it is made of, for typing it elsewhere.
class QueryAnswer {
public:
    std::string text;  // the query result, as the result box shows it
    bool prompt = false;

    // Whole: the three codes were found and none is empty, or the card has
    // a serial number.
    bool IsWhole() const { return part_count_ > 0; }
    // The parts of a whole answer: the three codes in box order, or the
    // serial number alone.
    std::size_t PartCount() const { return part_count_; }
    std::string_view Part(std::size_t index) const {
        return std::string_view(text).substr(parts_[index].offset, parts_[index].length);
    }
    void AddPart(std::size_t offset, std::size_t length) { parts_[part_count_++] = {offset, length}; }

private:
    struct Place {
        std::size_t offset, length;
    };
    std::array<Place, 3> parts_{};
    std::size_t part_count_ = 0;
};

QueryAnswer AnswerQueryInParts(Profile& profile, const FilePath& card_file, std::string_view first,
                               std::string_view second, std::string_view third);
QueryAnswer AnswerQueryInParts(const FilePath& card_file, std::string_view first, std::string_view second,
                               std::string_view third);

}  // namespace morvane
