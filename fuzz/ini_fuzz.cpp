// The project's own INI layer on arbitrary file bytes and operations: no
// crash or stray read (the sanitizers watch), a written value reads back as
// written, and no line but the one an operation owns changes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
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
    return 0;
}
