#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "card_store.h"
#include "lookup.h"
#include "test_files.h"

namespace morvane {
namespace {

using testing::ProfileImplementation;

TEST(ParseCoordinate, FirstByteIsTheRowLastByteTheCell) {
    EXPECT_EQ(ParseCoordinate("B3"), (Coordinate{'B', 3}));
    EXPECT_EQ(ParseCoordinate(""), (Coordinate{0, 0}));
    EXPECT_EQ(ParseCoordinate("A"), (Coordinate{'A', 0}));
    EXPECT_EQ(ParseCoordinate("A0"), (Coordinate{'A', 0}));
    EXPECT_EQ(ParseCoordinate("9"), (Coordinate{'9', 9}));
    EXPECT_EQ(ParseCoordinate("序"), (Coordinate{0xD0, 0}));
    EXPECT_EQ(ParseCoordinate("\xFF\x39"), (Coordinate{0xFF, 9}));
}

TEST(ParseCoordinate, OrderIsByRowCodeAsUnsignedByteThenCell) {
    EXPECT_LT(ParseCoordinate(""), ParseCoordinate("1"));
    EXPECT_LT(ParseCoordinate("9"), ParseCoordinate("A"));
    EXPECT_LT(ParseCoordinate("Z9"), ParseCoordinate("a1"));
    EXPECT_LT(ParseCoordinate("z"), ParseCoordinate("序"));
    EXPECT_LT(ParseCoordinate("B1"), ParseCoordinate("B2"));
}

class LookupTest : public ::testing::TestWithParam<ProfileImplementation> {
protected:
    void SetUp() override {
        testing::WriteBytes(card, "[Info]\r\n序列号=SN 42\r\n[Card]\r\nA=a1,a2,a3\r\nB=b1,b2,b3\r\nC=c1,c2,c3\r\n");
    }
    std::string Ask(std::string_view first, std::string_view second, std::string_view third) {
        return AnswerQuery(GetParam().get(), card, first, second, third);
    }

    testing::ScratchStore store;
    const FilePath card = store.Card("card");
};

TEST_P(LookupTest, CodesComeInRowOrderWhateverTheBoxOrder) {
    EXPECT_EQ(Ask("A1", "B2", "C3"), "a1b2c3");
    EXPECT_EQ(Ask("C3", "A1", "B2"), "a1b2c3");
    EXPECT_EQ(Ask("A3", "B1", "C2"), "a3b1c2");
    EXPECT_EQ(Ask("B2", "A3", "B1"), "a3b1b2");
    EXPECT_EQ(Ask("b2", "a3", "c1"), "a3b2c1");
}

TEST_P(LookupTest, FirstRefusalEndsTheAnswer) {
    EXPECT_EQ(Ask("A1", "D1", "B1"), "a1b1");
    EXPECT_EQ(Ask("A1", "A4", "B1"), "a1");
    EXPECT_EQ(Ask("A0", "B1", "C1"), "");
    EXPECT_EQ(Ask("A1", "B2", ""), "");
    EXPECT_EQ(Ask("A1", "B", ""), "");
    EXPECT_EQ(Ask("11", "A1", "B1"), "");
    EXPECT_EQ(Ask("十", "A", "1"), "");
}

TEST_P(LookupTest, FewerThanThreeBytesGiveThePrompt) {
    EXPECT_EQ(Ask("", "", ""), "请输入查询坐标！");
    EXPECT_EQ(Ask("A", "", ""), kQueryPrompt);
    EXPECT_EQ(Ask("A1", "", ""), kQueryPrompt);
    EXPECT_EQ(Ask("", "A", "1"), kQueryPrompt);
}

TEST_P(LookupTest, SerialNumberKeywordAnswersTheSerialNumber) {
    EXPECT_EQ(Ask("序", "列", "号"), "SN 42");
    EXPECT_EQ(Ask("序列", "号", ""), "SN 42");
    EXPECT_EQ(Ask("列", "序", "号"), "");
    testing::WriteBytes(card, "[Card]\r\nA=1\r\n");
    EXPECT_EQ(Ask("序", "列", "号"), "");
}

TEST_P(LookupTest, CellsKeepTheirBlanksAndATrailingCommaMakesAnEmptyCell) {
    testing::WriteBytes(card, "[Card]\r\nA=x, y,z\r\nB=p,q,\r\nC=only\r\nD=,,\r\n");
    EXPECT_EQ(Ask("A2", "A1", "A3"), "x yz");
    EXPECT_EQ(Ask("B3", "C1", "B1"), "ponly");
    EXPECT_EQ(Ask("B4", "", "C1"), "");
    EXPECT_EQ(Ask("C1", "C2", "C1"), "onlyonly");
    EXPECT_EQ(Ask("D1", "D3", "C1"), "only");
}

TEST_P(LookupTest, OnlyTheFirstNineCellsCanBeAskedFor) {
    testing::WriteBytes(card, "[Card]\r\nA=1,2,3,4,5,6,7,8,9,10\r\n");
    EXPECT_EQ(Ask("A9", "A1", "A5"), "159");
    EXPECT_EQ(LookUpCoordinate(GetParam().get(), card, Coordinate{'A', 10}), "10");
}

TEST_P(LookupTest, AnswersFollowTheFileOnDisk) {
    EXPECT_EQ(Ask("A1", "B1", "C1"), "a1b1c1");
    ASSERT_TRUE(SaveCard(GetParam().get(), card, "new", "n1,n2\r\nm1,m2"));
    EXPECT_EQ(Ask("A1", "B1", "C1"), "n1m1");
    EXPECT_EQ(Ask("序", "列", "号"), "new");
    files::Remove(card);
    EXPECT_EQ(Ask("A1", "B1", "C1"), "");
    EXPECT_EQ(Ask("序", "列", "号"), "");
    EXPECT_EQ(Ask("A", "", ""), kQueryPrompt);
}

TEST_P(LookupTest, RowCodesThatNameNoRowAreRefused) {
    testing::WriteBytes(card, "[Card]\r\nA=1\r\n=eq\r\n;=semi\r\n");
    Profile& profile = GetParam().get();
    for (unsigned code : {0u, 0x20u, 0x3Bu, 0x3Du, 0x5Bu, 0x81u, 0xD0u, 0xFFu}) {
        EXPECT_EQ(LookUpCoordinate(profile, card, Coordinate{static_cast<std::uint8_t>(code), 1}), std::nullopt)
            << code;
    }
    EXPECT_EQ(LookUpCoordinate(profile, card, Coordinate{'a', 1}), "1");
}

// What may be typed into a log-in page: only a whole answer, its codes in
// the order of the boxes (the page's order), never the prompt.
TEST_P(LookupTest, AWholeAnswerKeepsItsCodesInBoxOrder) {
    testing::WriteBytes(card, "[Info]\r\n序列号=SN 42\r\n[Card]\r\nA=a1,a2,,a4\r\nB=b1,b2\r\nC=c1\r\n");
    struct Case {
        const char* boxes[3];
        std::string text;
        std::vector<std::string> parts;  // empty: not whole
    };
    const Case cases[] = {
        {{"C1", "A2", "B1"}, "a2b1c1", {"c1", "a2", "b1"}},
        {{"B2", "A1", "B1"}, "a1b1b2", {"b2", "a1", "b1"}},
        {{"A1", "A1", "A1"}, "a1a1a1", {"a1", "a1", "a1"}},
        {{"A1", "B3", "C1"}, "a1", {}},  // no cell B3
        {{"A1", "D1", "C1"}, "a1c1", {}},  // no row D
        {{"A3", "B1", "C1"}, "b1c1", {}},  // an empty cell
        {{"A1", "B0", "C1"}, "a1", {}},
        {{"A1", "B1", ""}, "", {}},
        {{"序", "列", "号"}, "SN 42", {"SN 42"}},
    };
    for (const Case& c : cases) {
        const QueryAnswer answer = AnswerQueryInParts(GetParam().get(), card, c.boxes[0], c.boxes[1], c.boxes[2]);
        EXPECT_EQ(answer.text, c.text) << c.boxes[0] << c.boxes[1] << c.boxes[2];
        std::vector<std::string> parts;
        for (std::size_t i = 0; i < answer.PartCount(); ++i) parts.emplace_back(answer.Part(i));
        EXPECT_EQ(parts, c.parts) << c.boxes[0] << c.boxes[1] << c.boxes[2];
        EXPECT_FALSE(answer.prompt);
    }
    const QueryAnswer prompt = AnswerQueryInParts(GetParam().get(), card, "A1", "", "");
    EXPECT_TRUE(prompt.prompt);
    EXPECT_FALSE(prompt.IsWhole());
    testing::WriteBytes(card, "[Info]\r\n序列号=\r\n[Card]\r\nA=1\r\n");
    EXPECT_FALSE(AnswerQueryInParts(GetParam().get(), card, "序", "列", "号").IsWhole());
}

INSTANTIATE_TEST_SUITE_P(Implementations, LookupTest, ::testing::ValuesIn(testing::ProfileImplementations()),
                         testing::ImplementationName);

}  // namespace
}  // namespace morvane
