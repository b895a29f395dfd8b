#pragma once
// Card files in the card store: one INI file per card, the serial number in
// [Info] under 序列号 and the rows in [Card] under A..Z.
#include <string>
#include <string_view>
#include <vector>

#include "profile.h"

namespace morvane {

inline constexpr std::string_view kInfoSection = "Info";
inline constexpr std::string_view kSerialNumberKey = "序列号";
inline constexpr std::string_view kCardSection = "Card";
inline constexpr int kMaxCardRows = 26;

// The row letter of the 1-based row number: "A" for 1 ... "Z" for 26.
std::string RowLetter(int row_number);

bool CardFileExists(const std::string& card_file);

// The card rows A, B, C ... up to the first empty or missing one, at most
// 26, joined with CR LF; never ends in a line break.
std::string ReadCardContent(Profile& profile, const std::string& card_file);
std::string ReadCardContent(const std::string& card_file);

// Splits card content into rows at CR LF, lone CR and lone LF. Line breaks at
// the end add no row. Nothing when the content has an empty row between two
// rows (it would end the card there and hide the rows below) or more than 26.
struct CardRows {
    bool ok = false;
    std::vector<std::string> rows;
};
CardRows SplitCardContent(std::string_view content);

// Stores the serial number and exactly the rows of `content`; rows the file
// held beyond the new last row are removed, every other line stays. The new
// file is built beside the old one and put in its place in one rename, so a
// failed save leaves the old file as it was and a reader never sees half a
// card. Fails when the card store is missing, the file is read-only, the
// content does not split into rows (see SplitCardContent) or a write fails.
bool SaveCard(Profile& profile, const std::string& card_file, std::string_view serial_number,
              std::string_view content);
bool SaveCard(const std::string& card_file, std::string_view serial_number, std::string_view content);

}  // namespace morvane
