#include "profile_text.h"

namespace morvane {

namespace {
constexpr bool IsProfileBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a'; }
}  // namespace

std::string_view TrimProfileBlanks(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string ValueAsRead(std::string_view raw) {
    std::string_view value = TrimProfileBlanks(raw);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return std::string(value);
}

ProfileLine ParseProfileLine(std::string_view text) {
    ProfileLine line;
    std::string_view trimmed = TrimProfileBlanks(text);
    if (trimmed.empty()) return line;
    if (trimmed.front() == '[') {
        std::size_t close = trimmed.rfind(']');
        if (close != std::string_view::npos) {
            line.kind = ProfileLine::Kind::kSection;
            line.name = TrimProfileBlanks(trimmed.substr(1, close - 1));
            return line;
        }
    }
    if (trimmed.front() == ';') {
        line.kind = ProfileLine::Kind::kOther;
        return line;
    }
    std::size_t equals = trimmed.find('=');
    line.kind = ProfileLine::Kind::kEntry;
    line.name = TrimProfileBlanks(trimmed.substr(0, equals));
    if (equals != std::string_view::npos) line.value = ValueAsRead(trimmed.substr(equals + 1));
    return line;
}

}  // namespace morvane
