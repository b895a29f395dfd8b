// Running the query: Enter in any box, Alt+C and a click give the same
// answer, read from the card file as it is on disk at that moment.
#include "query_window_test.h"

namespace morvane::test {
namespace {

using Query = QueryWindowTest;
using check::编辑框_坐标1;
using check::编辑框_坐标2;
using check::编辑框_坐标3;
using check::编辑框_结果;
using check::按钮_查询;

constexpr char kPrompt[] = "请输入查询坐标！";

// Fills the boxes by message, where only their content matters.
void FillBoxes(HWND window, const char* first, const char* second, const char* third) {
    SetTextOf(ControlOf(window, 编辑框_坐标1), first);
    SetTextOf(ControlOf(window, 编辑框_坐标2), second);
    SetTextOf(ControlOf(window, 编辑框_坐标3), third);
}



TEST_F(Query, EnterInEachBoxGivesWhatAClickGives) {
    OpenCard();
    FillBoxes(window, "H2", "B3", "E7");
    const std::string answer = CodeAt(2, 3) + CodeAt(5, 7) + CodeAt(8, 2);
    ASSERT_TRUE(QueryByButton(answer)) << "codes come in row order";
    for (int box : {编辑框_坐标1, 编辑框_坐标2, 编辑框_坐标3}) {
        SetTextOf(Control(编辑框_结果), "-");
        ClickControl(Control(box));
        ASSERT_TRUE(WaitForFocus(box));
        PressEnter();
        EXPECT_TRUE(WaitForText(编辑框_结果, answer)) << "Enter in box " << box;
        EXPECT_EQ(FocusedWindow(window), Control(box)) << "the focus stays";
    }
    EXPECT_EQ(Text(编辑框_坐标1), "H2") << "the boxes are not cleared";
}

TEST_F(Query, EnterRunsTheQueryOnce) {
    OpenCard();
    FillBoxes(window, "A1", "A2", "A3");
    ClickControl(Control(编辑框_坐标1));
    ASSERT_TRUE(WaitForFocus(编辑框_坐标1));
    PressEnter();
    ASSERT_TRUE(WaitForText(编辑框_结果, CodeAt(1, 1) + CodeAt(1, 2) + CodeAt(1, 3)));
    // Nothing queued behind the Enter runs the query again: a default-button
    // press would overwrite this text before the Tab behind it is handled.
    SetTextOf(Control(编辑框_结果), "kept");
    TypeKeys("\t");
    ASSERT_TRUE(WaitForFocus(编辑框_坐标2));
    EXPECT_EQ(Text(编辑框_结果), "kept");
}

TEST_F(Query, EmptyBoxesGiveThePromptByEveryWay) {
    OpenCard();
    ASSERT_TRUE(QueryByButton(kPrompt));
    SetTextOf(Control(编辑框_结果), "-");
    ClickControl(Control(编辑框_坐标2));
    ASSERT_TRUE(WaitForFocus(编辑框_坐标2));
    PressEnter();
    ASSERT_TRUE(WaitForText(编辑框_结果, kPrompt));
    SetTextOf(Control(编辑框_结果), "-");
    PressAlt('C');
    EXPECT_TRUE(WaitForText(编辑框_结果, kPrompt));
}

TEST_F(Query, AltCRunsTheQueryAsAClickDoes) {
    OpenCard();
    TypeKeys("C1D2");
    ASSERT_TRUE(WaitForFocus(编辑框_坐标3));
    TypeKeys("I9");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "I9"));
    PressAlt('C');
    EXPECT_TRUE(WaitForText(编辑框_结果, CodeAt(3, 1) + CodeAt(4, 2) + CodeAt(9, 9)));
}

TEST_F(Query, TooLittleTypedGivesThePrompt) {
    OpenCard();
    FillBoxes(window, "A1", "", "");
    EXPECT_TRUE(QueryByButton(kPrompt)) << "two bytes in all";
    FillBoxes(window, "A1", "B", "");
    EXPECT_TRUE(QueryByButton("")) << "three bytes pass; the empty coordinate comes first and stops the lookup";
}

TEST_F(Query, AnEditedCardAnswersFromItsNewContent) {
    OpenCard();
    FillBoxes(window, "A1", "B2", "C3");
    ASSERT_TRUE(QueryByButton(CodeAt(1, 1) + CodeAt(2, 2) + CodeAt(3, 3)));
    ASSERT_TRUE(directory.WriteCardFile("bank", "[Card]\r\nA=x1\r\nB=y1,y2\r\nC=z1,z2,z3\r\n"));
    EXPECT_TRUE(QueryByButton("x1y2z3"));
}

TEST_F(Query, ADeletedCardAnswersNothing) {
    OpenCard();
    FillBoxes(window, "A1", "B2", "C3");
    ASSERT_TRUE(QueryByButton(CodeAt(1, 1) + CodeAt(2, 2) + CodeAt(3, 3)));
    ASSERT_TRUE(directory.DeleteCardFile("bank"));
    EXPECT_TRUE(QueryByButton(""));
    ASSERT_TRUE(program->IsRunning());
}

TEST_F(Query, SerialNumberOfACardWithoutOne) {
    OpenCard("bank", "[Card]\r\nA=1,2\r\n");
    FillBoxes(window, "序", "列", "号");
    EXPECT_TRUE(QueryByButton(""));
}

TEST_F(Query, CellsKeepTheirBlanks) {
    // Blanks inside the row; the INI reading itself drops a value's trailing ones.
    OpenCard("bank", "[Card]\r\nA=1, 2, 3\r\nB=x\r\n");
    FillBoxes(window, "A2", "A3", "B1");
    EXPECT_TRUE(QueryByButton(" 2 3x"));
}

}  // namespace
}  // namespace morvane::test
