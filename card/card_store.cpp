#include "card_store.h"

#include "file_ops.h"
#include "paths.h"
#include "profile_text.h"

namespace morvane {

namespace {

constexpr std::string_view kRowLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
static_assert(kRowLetters.size() == kMaxCardRows);

std::string_view RowKey(int row_number) { return kRowLetters.substr(static_cast<std::size_t>(row_number - 1), 1); }

}  // namespace

std::string RowLetter(int row_number) { return std::string(RowKey(row_number)); }

bool CardFileExists(const FilePath& card_file) { return files::IsRegularFile(card_file); }

std::string ReadSerialNumber(const FilePath& card_file) {
    const Profile::Key serial_number{kInfoSection, kSerialNumberKey};
    return std::move(ReadOwnProfile(card_file, std::span(&serial_number, 1)).front());
}

std::string ReadCardContent(Profile& profile, const FilePath& card_file) {
    std::vector<Profile::Key> rows;
    for (int row = 1; row <= kMaxCardRows; ++row) rows.push_back({kCardSection, RowKey(row)});
    std::string content;
    for (const std::string& value : profile.ReadValues(card_file, rows)) {
        if (value.empty()) break;
        if (!content.empty()) content += "\r\n";
        content += value;
    }
    return content;
}

std::string ReadCardContent(const FilePath& card_file) { return ReadCardContent(OwnProfile(), card_file); }

CardRows SplitCardContent(std::string_view content) {
    CardRows result;
    std::size_t start = 0;
    while (start <= content.size()) {
        std::size_t end = content.find_first_of("\r\n", start);
        std::string_view line = content.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        // A line that would read back empty (nothing, blanks, "") would end
        // the card at that row for every reader: it carries no row at all.
        if (!ValueAsRead(line).empty()) {
            if (static_cast<int>(result.rows.size()) == kMaxCardRows) return CardRows{};
            result.rows.emplace_back(line);
        }
        if (end == std::string_view::npos) break;
        start = end + ((content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') ? 2 : 1);
    }
    result.ok = true;
    return result;
}

namespace {

// The serial number and the rows, and no row beyond the last: one edit of
// the file.
bool WriteCard(Profile& profile, const FilePath& file, std::string_view serial_number,
               const std::vector<std::string>& rows) {
    std::vector<Profile::Edit> edits{{kInfoSection, kSerialNumberKey, serial_number}};
    for (int row = 1; row <= kMaxCardRows; ++row) {
        const auto index = static_cast<std::size_t>(row - 1);
        edits.push_back({kCardSection, RowKey(row),
                         index < rows.size() ? std::optional<std::string_view>(rows[index]) : std::nullopt});
    }
    return profile.Apply(file, edits);
}

}  // namespace

bool SaveCard(Profile& profile, const FilePath& card_file, std::string_view serial_number,
              std::string_view content) {
    CardRows split = SplitCardContent(content);
    if (!split.ok) return false;
    if (!IsOpenableCardFile(card_file)) return false;
    const std::size_t cut = card_file.rfind(kPathSeparator);
    if (cut == FilePath::npos || !files::IsDirectory(card_file.substr(0, cut))) return false;
    if (files::IsDirectory(card_file) || files::IsReadOnly(card_file)) return false;

    // Build the new card beside the old one, from a copy of it so that lines
    // the save does not own stay, then swap it in with one rename.
    // The scratch name has one length whatever the card name's, so that
    // IsOpenableCardFile can vouch for it; it never ends in ".ini", so the
    // manager does not list it.
    const FilePath scratch = card_file.substr(0, cut + 1) + PathFromAscii("~" + files::UniqueSuffix() + ".tmp");
    static_assert(1 + files::kUniqueSuffixBytes + 4 == kScratchFileNameLength);
    bool ok = true;
    if (files::IsRegularFile(card_file)) {
        std::string old_bytes;
        ok = files::ReadAll(card_file, old_bytes) && files::WriteAll(scratch, old_bytes);
    }
    ok = ok && WriteCard(profile, scratch, serial_number, split.rows);
    // Out of the search index before it is the card, so that a card file is
    // never there to be indexed; after the last write, which may make the
    // file anew without its attributes.
    if (ok) files::KeepOutOfSearchIndex(scratch);
    // The data must be on the disk before the rename that makes it the card,
    // which a file system may otherwise write first.
    ok = ok && files::FlushToDisk(scratch) && files::Replace(scratch, card_file);
    if (!ok) files::Remove(scratch);
    return ok;
}

bool SaveCard(const FilePath& card_file, std::string_view serial_number, std::string_view content) {
    return SaveCard(OwnProfile(), card_file, serial_number, content);
}

}  // namespace morvane
