// The project's own private-profile reader and writer. It reads a file as the
// Windows functions do (lines end at CR LF, CR or LF; names match without
// regard to ASCII case; blanks around names and values and one pair of
// enclosing quotes are not part of the value; only the first section of a
// name is looked in) and changes only the line it writes, as Windows does.
#include <cstring>
#include <optional>
#include <vector>

#include "file_ops.h"
#include "profile.h"
#include "profile_text.h"

#ifdef _WIN32
#include "text.h"
#endif

namespace morvane {

namespace {

// A file's text as GBK. A card file is GBK; one that a text editor saved as
// "Unicode" (UTF-16 LE with its byte-order mark) is read as the platform's
// INI functions read it, and stays UTF-16 when written. It is edited as GBK
// in between, so a write refuses it while it holds a character GBK cannot
// hold, which would be lost; a read gives '?' for that character, as the
// platform's ANSI functions do.
struct FileText {
    std::string gbk;
    bool utf16 = false;
};

enum class Use { kRead, kEdit };

constexpr std::string_view kUtf16Mark = "\xFF\xFE";

std::optional<FileText> LoadText(const FilePath& file, Use use) {
    std::string bytes;
    if (!files::ReadAll(file, bytes)) return std::nullopt;
#ifdef _WIN32
    if (bytes.starts_with(kUtf16Mark)) {
        std::wstring wide((bytes.size() - kUtf16Mark.size()) / sizeof(wchar_t), L'\0');
        std::memcpy(wide.data(), bytes.data() + kUtf16Mark.size(), wide.size() * sizeof(wchar_t));
        if (use == Use::kRead) return FileText{GbkFromWideReplacing(wide), true};
        std::optional<std::string> gbk = GbkFromWide(wide);
        if (!gbk) return std::nullopt;
        return FileText{std::move(*gbk), true};
    }
#endif
    static_cast<void>(use);
    return FileText{std::move(bytes), false};
}

bool StoreText(const FilePath& file, const FileText& text) {
#ifdef _WIN32
    if (text.utf16) {
        const std::wstring wide = WideFromGbk(text.gbk);
        std::string bytes(kUtf16Mark);
        bytes.append(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
        return files::WriteAll(file, bytes);
    }
#endif
    return files::WriteAll(file, text.gbk);
}

struct Line {
    std::string text;
    std::string ending;  // "\r\n", "\n", "\r", or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back({bytes.substr(start), ""});
            break;
        }
        std::size_t ending_length = (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
        lines.push_back({bytes.substr(start, end - start), bytes.substr(end, ending_length)});
        start = end + ending_length;
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::string bytes;
    for (const Line& line : lines) {
        bytes += line.text;
        bytes += line.ending;
    }
    return bytes;
}

// Where a section and a key of it stand among the lines of a file.
struct Position {
    std::optional<std::size_t> section;        // the section's header line
    std::optional<std::size_t> key;            // the key's line
    std::size_t last_entry_of_section = 0;     // the line after which a new key goes
};

Position Locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Position position;
    bool in_section = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ProfileLine parsed = ParseProfileLine(lines[i].text);
        if (parsed.kind == ProfileLine::Kind::kSection) {
            if (in_section) break;  // only the first section of the name counts
            if (EqualsIgnoringAsciiCase(parsed.name, section)) {
                in_section = true;
                position.section = i;
                position.last_entry_of_section = i;
            }
            continue;
        }
        if (!in_section || parsed.kind == ProfileLine::Kind::kBlank) continue;
        position.last_entry_of_section = i;
        if (parsed.kind == ProfileLine::Kind::kEntry && !position.key && EqualsIgnoringAsciiCase(parsed.name, key))
            position.key = i;
    }
    return position;
}

// A write, as Windows makes it: an existing key's value replaced in place, a
// new key after the last entry of its section, a new section at the end.
void SetValue(std::vector<Line>& lines, std::string_view section, std::string_view key, std::string_view value) {
    Position position = Locate(lines, section, key);
    if (position.key) {
        Line& line = lines[*position.key];
        line.text = std::string(ParseProfileLine(line.text).name) + "=" + std::string(value);
        return;
    }
    std::size_t insert_at = lines.size();
    if (position.section) {
        insert_at = position.last_entry_of_section + 1;
    } else {
        if (!lines.empty() && lines.back().ending.empty()) lines.back().ending = "\r\n";
        lines.push_back({"[" + std::string(section) + "]", "\r\n"});
        insert_at = lines.size();
    }
    if (insert_at > 0 && lines[insert_at - 1].ending.empty()) lines[insert_at - 1].ending = "\r\n";
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at),
                 Line{std::string(key) + "=" + std::string(value), "\r\n"});
}

// False when the key was not there, so that nothing need be written.
bool RemoveValue(std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Position position = Locate(lines, section, key);
    if (!position.key) return false;
    const std::size_t removed = *position.key;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(removed));
    // A lone CR before the removed line and an empty line ending in LF
    // after it would join into one CR LF: keep them two lines.
    if (removed > 0 && removed < lines.size() && lines[removed - 1].ending == "\r" && lines[removed].text.empty() &&
        !lines[removed].ending.empty() && lines[removed].ending.front() == '\n')
        lines[removed - 1].ending = "\r\n";
    return true;
}

// The value of a key in a file's text, "" when the section or the key is
// missing. One pass over the lines in place: a query reads three rows of a
// small file, and this runs for each.
std::string FindValue(std::string_view file_text, std::string_view section, std::string_view key) {
    section = TrimProfileBlanks(section);
    key = TrimProfileBlanks(key);
    if (key.empty()) return {};
    bool in_section = false;
    std::string_view rest = file_text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view text = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ProfileLine line = ParseProfileLine(text);
        if (line.kind == ProfileLine::Kind::kSection) {
            if (in_section) return {};
            in_section = EqualsIgnoringAsciiCase(line.name, section);
        } else if (in_section && line.kind == ProfileLine::Kind::kEntry && EqualsIgnoringAsciiCase(line.name, key)) {
            return std::move(line.value);
        }
    }
    return {};
}

class OwnProfileImpl final : public Profile {
public:
    std::string ReadValue(const FilePath& file, std::string_view section, std::string_view key) override {
        const Key wanted{section, key};
        return std::move(ReadValues(file, std::span(&wanted, 1)).front());
    }

    std::vector<std::string> ReadValues(const FilePath& file, std::span<const Key> keys) override {
        return ReadOwnProfile(file, keys);
    }

    bool WriteValue(const FilePath& file, std::string_view section, std::string_view key,
                    std::string_view value) override {
        const Edit edit{section, key, value};
        return Apply(file, std::span(&edit, 1));
    }

    bool RemoveKey(const FilePath& file, std::string_view section, std::string_view key) override {
        const Edit edit{section, key, std::nullopt};
        return Apply(file, std::span(&edit, 1));
    }

    bool Apply(const FilePath& file, std::span<const Edit> edits) override {
        for (const Edit& edit : edits) {
            if (edit.value &&
                !IsWritableProfileEntry(TrimProfileBlanks(edit.section), TrimProfileBlanks(edit.key), *edit.value))
                return false;
        }
        FileText file_text;
        if (files::IsRegularFile(file)) {
            std::optional<FileText> loaded = LoadText(file, Use::kEdit);
            if (!loaded) return false;
            file_text = std::move(*loaded);
        }
        std::vector<Line> lines = SplitLines(file_text.gbk);
        bool changed = false;
        for (const Edit& edit : edits) {
            const std::string_view section = TrimProfileBlanks(edit.section), key = TrimProfileBlanks(edit.key);
            if (edit.value) {
                SetValue(lines, section, key, *edit.value);
                changed = true;
            } else {
                changed = RemoveValue(lines, section, key) || changed;
            }
        }
        // Removing from a file that is not there must not make it.
        if (!changed) return true;
        file_text.gbk = JoinLines(lines);
        return StoreText(file, file_text);
    }
};

}  // namespace

std::vector<std::string> Profile::ReadValues(const FilePath& file, std::span<const Key> keys) {
    std::vector<std::string> values;
    for (const Key& wanted : keys) values.push_back(ReadValue(file, wanted.section, wanted.key));
    return values;
}

bool Profile::Apply(const FilePath& file, std::span<const Edit> edits) {
    for (const Edit& edit : edits) {
        const bool done = edit.value ? WriteValue(file, edit.section, edit.key, *edit.value)
                                     : RemoveKey(file, edit.section, edit.key);
        if (!done) return false;
    }
    return true;
}

std::vector<std::string> ReadOwnProfile(const FilePath& file, std::span<const Profile::Key> keys) {
    std::vector<std::string> values(keys.size());
    const std::optional<FileText> file_text = LoadText(file, Use::kRead);
    if (!file_text) return values;
    for (std::size_t i = 0; i < keys.size(); ++i) values[i] = FindValue(file_text->gbk, keys[i].section, keys[i].key);
    return values;
}

Profile& OwnProfile() {
    static OwnProfileImpl profile;
    return profile;
}

bool IsWritableProfileText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool IsWritableProfileEntry(std::string_view section, std::string_view key, std::string_view value) {
    return !section.empty() && !key.empty() && IsWritableProfileText(section) && IsWritableProfileText(key) &&
           IsWritableProfileText(value) && value.size() <= kMaxProfileValueBytes;
}

}  // namespace morvane
