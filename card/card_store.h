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

bool CardFileExists(const FilePath& card_file);

// The serial number; "" when the file or the key is missing.
std::string ReadSerialNumber(const FilePath& card_file);

// The card rows A, B, C ... up to the first empty or missing one, at most
// 26, joined with CR LF; never ends in a line break.
std::string ReadCardContent(Profile& profile, const FilePath& card_file);
std::string ReadCardContent(const FilePath& card_file);

// Splits card content into rows at CR LF, lone CR and lone LF. Empty lines
// (and lines that would read back empty: blanks only, "") carry no row and
// are dropped wherever they stand, since a stored empty row would end the
// card there and hide the rows below; breaks at the end add no row. Not ok
// when more than 26 rows remain.
struct CardRows {
    bool ok = false;
    std::vector<std::string> rows;
};
CardRows SplitCardContent(std::string_view content);

// A save writes exactly the serial number and the rows it is given: rows the
// file held beyond the new last row go, and every other line stays. It
// builds the new file beside the old one, flushes it to the disk, and
// renames it into place with a rename that is on the disk before the save
// returns. So a reader never sees half a card, and a failed save leaves the
// old file as it was (unless only making the finished rename durable
// failed: then the file already holds the new card). After a crash or a
// power cut at any moment of a save, the card file is the whole old card
// (for a new card: no file) or the whole new one, byte for byte, never
// empty or mixed; once the save has reported success it is the new one.
// Fails when the card store is missing, the file is read-only, the content
// does not split into rows (see SplitCardContent), or a write or the flush
// fails.
bool SaveCard(Profile& profile, const FilePath& card_file, std::string_view serial_number,
              std::string_view content);
bool SaveCard(const FilePath& card_file, std::string_view serial_number, std::string_view content);

}  // namespace morvane
