// The one conversion between the windows' UTF-16 and the card files' GBK.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "text.h"

namespace morvane {
namespace {

struct Conversion {
    std::wstring text;
    std::optional<std::string> gbk;  // nothing: GBK cannot hold it
};

TEST(GbkText, HoldsWhatCodePage936HoldsAndRefusesTheRest) {
    const Conversion conversions[] = {
        {L"", ""},
        {L"B3", "B3"},
        {L"序列号", "\xD0\xF2\xC1\xD0\xBA\xC5"},
        {L"誠乗\u6650", "\xD5\x5C\x81\x5C\x95\x7C"},  // trail bytes of \ and |
        {L"（全角）€", "\xA3\xA8\xC8\xAB\xBD\xC7\xA3\xA9\x80"},
        {L"甲1,😀", std::nullopt},     // a pasted emoji
        {L"카드", std::nullopt},        // Hangul is not in GBK
        {L"a\xD83D", std::nullopt},   // half a surrogate pair
        {L"\u00AA", std::nullopt},    // ª: a best fit would give "a"
    };
    for (const Conversion& conversion : conversions) {
        SCOPED_TRACE(testing::PrintToString(conversion.text));
        EXPECT_EQ(GbkFromWide(conversion.text), conversion.gbk);
        EXPECT_EQ(GbkLength(conversion.text), conversion.gbk ? std::optional(conversion.gbk->size()) : std::nullopt);
        if (conversion.gbk) {
            EXPECT_EQ(WideFromGbk(*conversion.gbk), conversion.text);
        }
    }
}

}  // namespace
}  // namespace morvane
