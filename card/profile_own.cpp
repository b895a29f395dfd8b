// The project's own private-profile reader and writer. It reads a file as the
// Windows functions do (lines end at CR LF, CR or LF; names match without
// regard to ASCII case; blanks around names and values and one pair of
// enclosing quotes are not part of the value; only the first section of a
// name is looked in) and changes only the line it writes, as Windows does.
#include <optional>
#include <vector>

#include "file_ops.h"
#include "profile.h"
#include "profile_text.h"

namespace morvane {

namespace {

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

class OwnProfileImpl final : public Profile {
public:
    std::string ReadValue(const std::string& file, std::string_view section, std::string_view key) override {
        section = TrimProfileBlanks(section);
        key = TrimProfileBlanks(key);
        std::string bytes;
        if (key.empty() || !files::ReadAll(file, bytes)) return {};
        // One pass over the lines in place: a query reads three rows of a
        // small file, and this runs for each.
        bool in_section = false;
        std::string_view rest = bytes;
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

    bool WriteValue(const std::string& file, std::string_view section, std::string_view key,
                    std::string_view value) override {
        section = TrimProfileBlanks(section);
        key = TrimProfileBlanks(key);
        if (section.empty() || key.empty() || !IsWritableProfileText(section) || !IsWritableProfileText(key) ||
            !IsWritableProfileText(value) || value.size() > kMaxProfileValueBytes)
            return false;
        std::string bytes;
        if (files::IsRegularFile(file) && !files::ReadAll(file, bytes)) return false;
        std::vector<Line> lines = SplitLines(bytes);
        Position position = Locate(lines, section, key);
        if (position.key) {
            Line& line = lines[*position.key];
            line.text = std::string(ParseProfileLine(line.text).name) + "=" + std::string(value);
        } else {
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
        return files::WriteAll(file, JoinLines(lines));
    }

    bool RemoveKey(const std::string& file, std::string_view section, std::string_view key) override {
        if (!files::IsRegularFile(file)) return true;
        std::string bytes;
        if (!files::ReadAll(file, bytes)) return false;
        std::vector<Line> lines = SplitLines(bytes);
        Position position = Locate(lines, TrimProfileBlanks(section), TrimProfileBlanks(key));
        if (!position.key) return true;
        const std::size_t removed = *position.key;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(removed));
        // A lone CR before the removed line and an empty line ending in LF
        // after it would join into one CR LF: keep them two lines.
        if (removed > 0 && removed < lines.size() && lines[removed - 1].ending == "\r" &&
            lines[removed].text.empty() && !lines[removed].ending.empty() && lines[removed].ending.front() == '\n')
            lines[removed - 1].ending = "\r\n";
        return files::WriteAll(file, JoinLines(lines));
    }
};

}  // namespace

Profile& OwnProfile() {
    static OwnProfileImpl profile;
    return profile;
}

bool IsWritableProfileText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

#ifndef _WIN32
Profile& PlatformProfile() { return OwnProfile(); }
#endif

}  // namespace morvane
