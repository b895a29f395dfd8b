// Typing a query: two GBK bytes per box, upper case, the focus moving on by
// itself, each box's text selected when it gets the focus.
#include "query_window_test.h"

namespace morvane::test {
namespace {

using check::编辑框_坐标1;
using check::编辑框_坐标2;
using check::编辑框_坐标3;
using check::编辑框_结果;

class Typing : public QueryWindowTest {
protected:
    // By a click: a Shift+Tab right after the window took the focus may
    // arrive as a plain Tab, wine setting the Shift key back to what the X
    // server holds once the focus change reaches it.
    bool FocusTheThirdBox() {
        ClickControl(Control(编辑框_坐标3));
        return WaitForFocus(编辑框_坐标3);
    }
};

TEST_F(Typing, SixKeysAndEnterGiveTheThreeCodes) {
    OpenCard();
    TypeKeys("B3E7H2\r");
    EXPECT_TRUE(WaitForText(编辑框_结果, CodeAt(2, 3) + CodeAt(5, 7) + CodeAt(8, 2)));
    EXPECT_EQ(Text(编辑框_坐标1), "B3");
    EXPECT_EQ(Text(编辑框_坐标2), "E7");
    EXPECT_EQ(Text(编辑框_坐标3), "H2");
    EXPECT_EQ(FocusedWindow(window), Control(编辑框_坐标3)) << "the third box keeps the focus";
}

TEST_F(Typing, FocusMovesOnAfterTwoBytesWithTheNextBoxSelected) {
    OpenCard();
    // Earlier coordinates stand in boxes 2 and 3.
    SetTextOf(Control(编辑框_坐标2), "A1");
    SetTextOf(Control(编辑框_坐标3), "A2");
    // Filling box 2 moved the focus on, as any change of its content does.
    ClickControl(Control(编辑框_坐标1));
    ASSERT_TRUE(WaitForFocus(编辑框_坐标1));
    TypeKeys("B");
    ASSERT_TRUE(WaitForText(编辑框_坐标1, "B"));
    EXPECT_EQ(FocusedWindow(window), Control(编辑框_坐标1)) << "one byte does not move the focus";
    TypeKeys("3");
    ASSERT_TRUE(WaitForFocus(编辑框_坐标2));
    EXPECT_TRUE(WaitForWholeSelection(编辑框_坐标2));
    TypeKeys("E7");
    ASSERT_TRUE(WaitForFocus(编辑框_坐标3));
    EXPECT_EQ(Text(编辑框_坐标2), "E7") << "the typed key replaced the selected coordinate";
    EXPECT_TRUE(WaitForWholeSelection(编辑框_坐标3));
    TypeKeys("H2");
    EXPECT_TRUE(WaitForText(编辑框_坐标3, "H2"));
}

TEST_F(Typing, LettersBecomeUpperCaseAndAThirdCharacterIsRefused) {
    OpenCard();
    ASSERT_TRUE(FocusTheThirdBox());
    TypeKeys("b34x");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "B3"));
    TypeKeys("\r");  // a marker: everything before it has been handled
    ASSERT_TRUE(WaitForText(编辑框_结果, "请输入查询坐标！"));
    EXPECT_EQ(Text(编辑框_坐标3), "B3");
}

TEST_F(Typing, BackspaceMakesRoomAgain) {
    OpenCard();
    ASSERT_TRUE(FocusTheThirdBox());
    TypeKeys("C4");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "C4"));
    PressKey(VK_END);
    PressBackspace();
    TypeKeys("5");
    EXPECT_TRUE(WaitForText(编辑框_坐标3, "C5"));
}

TEST_F(Typing, ANewQueryIsTypedOverTheOldOne) {
    OpenCard();
    TypeKeys("B3E7H2\r");
    ASSERT_TRUE(WaitForText(编辑框_结果, CodeAt(2, 3) + CodeAt(5, 7) + CodeAt(8, 2)));
    PressTab();
    PressTab();
    PressTab();  // result box, button, box 1
    ASSERT_TRUE(WaitForFocus(编辑框_坐标1));
    EXPECT_TRUE(WaitForWholeSelection(编辑框_坐标1));
    TypeKeys("A1C2D3\r");
    EXPECT_TRUE(WaitForText(编辑框_结果, CodeAt(1, 1) + CodeAt(3, 2) + CodeAt(4, 3)));
}

TEST_F(Typing, TabVisitsTheBoxesResultAndButtonAndWraps) {
    OpenCard();
    const int order[] = {编辑框_坐标2, 编辑框_坐标3, 编辑框_结果, check::按钮_查询, 编辑框_坐标1};
    for (int id : order) {
        PressTab();
        EXPECT_TRUE(WaitForFocus(id)) << "Tab to control " << id;
    }
    const int backwards[] = {check::按钮_查询, 编辑框_结果, 编辑框_坐标3, 编辑框_坐标2, 编辑框_坐标1};
    for (int id : backwards) {
        PressShiftTab();
        EXPECT_TRUE(WaitForFocus(id)) << "Shift+Tab to control " << id;
    }
}

TEST_F(Typing, AChineseCharacterDoesNotFitBesideALetter) {
    OpenCard();
    ASSERT_TRUE(FocusTheThirdBox());
    TypeKeys("A");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "A"));
    PostImeChars(Control(编辑框_坐标3), "序");
    TypeKeys("1");
    EXPECT_TRUE(WaitForText(编辑框_坐标3, "A1")) << "the refused character left no stray byte";
}

// Chinese typing goes the way of a Chinese input method's result: WM_IME_CHAR,
// one message per character (what the system sends a window that leaves
// composition to it).
TEST_F(Typing, ImeCharactersAreCountedInBytes) {
    OpenCard();
    PostImeChars(Control(编辑框_坐标1), "序");
    ASSERT_TRUE(WaitForText(编辑框_坐标1, "序"));
    EXPECT_TRUE(WaitForFocus(编辑框_坐标2));
    PostImeChars(Control(编辑框_坐标2), "列号");
    PostImeChars(Control(编辑框_坐标2), "x");
    ASSERT_TRUE(WaitForFocus(编辑框_坐标3));
    PostImeChars(Control(编辑框_坐标3), "号");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "号"));
    EXPECT_EQ(Text(编辑框_坐标2), "列");
    PressEnter();
    EXPECT_TRUE(WaitForText(编辑框_结果, "SN-0042"));
}

// No card row can be asked for with them, and a GBK length they have none.
TEST_F(Typing, CharactersGbkCannotHoldAreRefusedTypedPostedOrPasted) {
    OpenCard();
    TypeUnicode(L"😀한");
    PostImeChars(Control(编辑框_坐标1), L"😀");
    ASSERT_TRUE(SetClipboardText(L"😀B3"));
    PressCtrl('V');
    TypeKeys("A1");
    ASSERT_TRUE(WaitForText(编辑框_坐标1, "A1"));
    TypeUnicode(L"序");
    ASSERT_TRUE(WaitForText(编辑框_坐标2, "序")) << "a typed Chinese character fills a box";
}

TEST_F(Typing, APasteIsCutToTheBoxesTwoBytes) {
    OpenCard();
    ASSERT_TRUE(SetClipboardText("b3x"));
    PressCtrl('V');
    ASSERT_TRUE(WaitForText(编辑框_坐标1, "B3"));
    ASSERT_TRUE(WaitForFocus(编辑框_坐标2));
    ASSERT_TRUE(SetClipboardText("序列号"));
    PressCtrl('V');
    ASSERT_TRUE(WaitForText(编辑框_坐标2, "序"));
    ASSERT_TRUE(WaitForFocus(编辑框_坐标3));
    // One byte of room cannot take half a character.
    TypeKeys("Z");
    ASSERT_TRUE(WaitForText(编辑框_坐标3, "Z"));
    PressKey(VK_END);
    PressCtrl('V');
    ASSERT_TRUE(SetClipboardText("9\r\n8"));
    PressCtrl('V');
    EXPECT_TRUE(WaitForText(编辑框_坐标3, "Z9"));
}

TEST_F(Typing, TheResultCanBeSelectedAndCopiedButNotChanged) {
    OpenCard();
    TypeKeys("B3E7H2\r");
    const std::string answer = CodeAt(2, 3) + CodeAt(5, 7) + CodeAt(8, 2);
    ASSERT_TRUE(WaitForText(编辑框_结果, answer));
    PressTab();
    ASSERT_TRUE(WaitForFocus(编辑框_结果));
    TypeKeys("99");
    PressBackspace();
    PressDelete();
    ASSERT_TRUE(SetClipboardText("pasted"));
    PressCtrl('V');
    PressCtrl('A');
    PressCtrl('C');
    ASSERT_TRUE(WaitUntil([&] { return ClipboardText() == std::optional<std::string>(answer); }));
    EXPECT_EQ(Text(编辑框_结果), answer);
}

}  // namespace
}  // namespace morvane::test
