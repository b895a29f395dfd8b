// The project's own INI layer on arbitrary file bytes and operations: no
// crash or stray read (the sanitizers watch), a written value reads back as
// written, no line but the one an operation owns changes, Apply makes the
// same bytes as its edits one at a time (for the operations, and for a
// save's 27 edits made of them), and ReadValues reads what ReadValue reads.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "file_ops.h"
#include "fuzz_scratch.h"
#include "profile.h"
#include "profile_text.h"

namespace {

const char* const kSections[] = {"Info", "Card", "card", "Other", "x"};
const char* const kKeys[] = {"A", "B", "a", "序列号", "Z", "k"};

std::vector<std::string> LineTexts(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

// The lines before and after differ in one stretch only, where at most
// `may_lose` old lines gave way to at most `may_lose + may_add` new ones.
bool KeepsOtherLines(const std::vector<std::string>& before, const std::vector<std::string>& after, int may_lose,
                     int may_add) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const std::size_t lost = before.size() - prefix - suffix, added = after.size() - prefix - suffix;
    return lost <= static_cast<std::size_t>(may_lose) && added <= static_cast<std::size_t>(may_lose + may_add);
}

std::string Escaped(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void Check(bool condition, const char* what, const std::string& before = {}, const std::string& after = {}) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\nbefore: %s\nafter:  %s\n", what, Escaped(before).c_str(),
                     Escaped(after).c_str());
        std::abort();
    }
}

using Profile = morvane::Profile;

// Apply against the same edits one at a time, both from `original`: done
// alike, and then the same bytes; refused, and then the file untouched.
void CheckApply(Profile& profile, const std::string& file, const std::string& original,
                const std::vector<Profile::Edit>& edits) {
    morvane::files::WriteAll(file, original);
    bool all_done = true;
    for (const Profile::Edit& edit : edits) {
        const bool done = edit.value ? profile.WriteValue(file, edit.section, edit.key, *edit.value)
                                     : profile.RemoveKey(file, edit.section, edit.key);
        all_done = all_done && done;
    }
    std::string one_at_a_time;
    morvane::files::ReadAll(file, one_at_a_time);

    morvane::files::WriteAll(file, original);
    const bool applied = profile.Apply(file, edits);
    std::string after;
    morvane::files::ReadAll(file, after);
    Check(applied == all_done, "Apply and the edits one at a time disagree on success", original, after);
    if (applied)
        Check(after == one_at_a_time, "Apply made other bytes than the edits one at a time", one_at_a_time, after);
    else
        Check(after == original, "a refused Apply changed the file", original, after);
}

void CheckReadValues(Profile& profile, const std::string& file, const std::vector<Profile::Key>& keys) {
    const std::vector<std::string> values = profile.ReadValues(file, keys);
    Check(values.size() == keys.size(), "ReadValues gave another number of values");
    for (std::size_t i = 0; i < keys.size(); ++i)
        Check(values[i] == profile.ReadValue(file, keys[i].section, keys[i].key), "ReadValues differs from ReadValue",
              std::string(keys[i].section) + "|" + std::string(keys[i].key), values[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string file = morvane::fuzzing::ScratchFile("ini");
    const int operations = input.ConsumeIntegralInRange<int>(0, 4);
    struct Operation {
        int kind;
        std::string section, key, value;
    };
    std::vector<Operation> plan;
    for (int i = 0; i < operations; ++i) {
        Operation operation;
        operation.kind = input.ConsumeIntegralInRange<int>(0, 2);
        operation.section = input.ConsumeBool() ? input.ConsumeRandomLengthString(8) : kSections[input.ConsumeIntegralInRange<int>(0, 4)];
        operation.key = input.ConsumeBool() ? input.ConsumeRandomLengthString(8) : kKeys[input.ConsumeIntegralInRange<int>(0, 5)];
        operation.value = input.ConsumeRandomLengthString(64);
        plan.push_back(operation);
    }
    const std::string original = input.ConsumeRemainingBytesAsString();
    morvane::files::WriteAll(file, original);

    morvane::Profile& profile = morvane::OwnProfile();
    std::vector<Profile::Key> keys;
    for (const char* section : kSections)
        for (const char* key : kKeys) keys.push_back({section, key});
    for (const Operation& operation : plan) keys.push_back({operation.section, operation.key});
    CheckReadValues(profile, file, keys);

    for (const Operation& operation : plan) {
        std::string before;
        morvane::files::ReadAll(file, before);
        if (operation.kind == 0) {
            profile.ReadValue(file, operation.section, operation.key);
            continue;
        }
        if (operation.kind == 1) {
            const bool stored = profile.WriteValue(file, operation.section, operation.key, operation.value);
            std::string after;
            morvane::files::ReadAll(file, after);
            if (!stored) {
                Check(after == before, "a refused write changed the file");
                continue;
            }
            // Names the reader cannot find again by themselves ("[", "=" or
            // ";" inside, a leading "[") are written but not looked for.
            const std::string_view section = morvane::TrimProfileBlanks(operation.section);
            const std::string_view key = morvane::TrimProfileBlanks(operation.key);
            const bool findable = section.find_first_of("[]") == std::string_view::npos &&
                                  key.find_first_of("=;[") == std::string_view::npos && key.front() != '[';
            if (findable)
                Check(profile.ReadValue(file, operation.section, operation.key) ==
                          morvane::ValueAsRead(operation.value),
                      "a written value does not read back", before, operation.section + "|" + operation.key + "|" + operation.value);
            Check(KeepsOtherLines(LineTexts(before), LineTexts(after), 1, 2), "a write changed another line", before, after);
        } else {
            const bool removed = profile.RemoveKey(file, operation.section, operation.key);
            std::string after;
            morvane::files::ReadAll(file, after);
            Check(removed, "removing a key of a readable file failed");
            Check(KeepsOtherLines(LineTexts(before), LineTexts(after), 1, 0), "a removal changed another line", before, after);
        }
    }
    CheckReadValues(profile, file, keys);

    std::vector<Profile::Edit> edits;
    for (const Operation& operation : plan) {
        if (operation.kind == 1) edits.push_back({operation.section, operation.key, operation.value});
        if (operation.kind == 2) edits.push_back({operation.section, operation.key, std::nullopt});
    }
    CheckApply(profile, file, original, edits);

    // A save's edits: the serial number, then rows A.. from the operations'
    // values, and every row after them removed.
    static const std::string kRowLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::vector<Profile::Edit> save{{"Info", "序列号", plan.empty() ? std::string_view() : plan.front().value}};
    for (std::size_t row = 0; row < kRowLetters.size(); ++row) {
        const std::string_view letter(&kRowLetters[row], 1);
        save.push_back({"Card", letter,
                        row < plan.size() ? std::optional<std::string_view>(plan[row].value) : std::nullopt});
    }
    CheckApply(profile, file, original, save);
    return 0;
}
