// Answer a query: random coordinate texts (GBK and high bytes included)
// against random card files. No crash, the prompt exactly when fewer than
// three bytes are typed, every answer made of the card's own cells and the
// same as looking the coordinates up one at a time.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "card_store.h"
#include "file_ops.h"
#include "fuzz_scratch.h"
#include "lookup.h"

namespace {
void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::string texts[3];
    for (std::string& text : texts) text = input.ConsumeRandomLengthString(3);
    const bool card_like = input.ConsumeBool();
    std::string bytes = input.ConsumeRemainingBytesAsString();
    if (card_like) bytes = "[Info]\r\n序列号=S\r\n[Card]\r\nA=" + bytes;

    const std::string file = morvane::fuzzing::ScratchFile("query");
    morvane::files::WriteAll(file, bytes);
    morvane::Profile& profile = morvane::OwnProfile();
    const std::string answer = morvane::AnswerQuery(profile, file, texts[0], texts[1], texts[2]);

    const std::size_t typed = texts[0].size() + texts[1].size() + texts[2].size();
    if (typed < 3) {
        Check(answer == morvane::kQueryPrompt, "too little typed but no prompt");
    } else if (texts[0] + texts[1] + texts[2] == morvane::kSerialNumberQuery) {
        Check(answer == profile.ReadValue(file, morvane::kInfoSection, morvane::kSerialNumberKey),
              "the serial number query answered something else");
    } else {
        // Each cell is a piece of a row, and a row is a piece of the file.
        Check(answer.size() <= 3 * bytes.size(), "the answer is longer than three rows");
        for (char c : answer) Check(c != ',' && c != '\r' && c != '\n', "a cell holds a comma or a line break");
        std::array<morvane::Coordinate, 3> coordinates;
        for (int i = 0; i < 3; ++i) coordinates[i] = morvane::ParseCoordinate(texts[i]);
        std::sort(coordinates.begin(), coordinates.end());
        std::string one_at_a_time;
        for (const morvane::Coordinate& coordinate : coordinates) {
            const std::optional<std::string> cell = morvane::LookUpCoordinate(profile, file, coordinate);
            if (!cell) break;
            one_at_a_time += *cell;
        }
        Check(answer == one_at_a_time, "the answer differs from the coordinates looked up one at a time");
    }
    return 0;
}
