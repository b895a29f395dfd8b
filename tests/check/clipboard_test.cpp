// What is copied from the result box: the answer as Unicode text, marked for
// clipboard history and the cloud clipboard to leave alone, and taken off the
// clipboard after a while unless something else was copied since. Each case
// waits that while; ctest runs them on desktops of their own, side by side.
#include "query_window_test.h"

namespace morvane::test {
namespace {

using check::编辑框_结果;

// The window's time and some room for a loaded machine.
constexpr std::chrono::milliseconds kCopiedAnswerDeadline{check::kCopiedAnswerMilliseconds + 3000};

class CopiedAnswer : public QueryWindowTest {
protected:
    // The answer to B3 E7 H2, selected in the focused result box.
    void QueryAndSelectTheAnswer() {
        OpenCard();
        TypeKeys("B3E7H2\r");
        ASSERT_TRUE(WaitForText(编辑框_结果, answer));
        PressTab();
        ASSERT_TRUE(WaitForFocus(编辑框_结果));
        PressCtrl('A');
        ASSERT_TRUE(WaitForWholeSelection(编辑框_结果));
    }

    bool WaitForTheAnswerOnTheClipboard() {
        return WaitUntil([&] { return ClipboardText() == std::optional<std::string>(answer); });
    }

    const std::string answer = CodeAt(2, 3) + CodeAt(5, 7) + CodeAt(8, 2);
};

TEST_F(CopiedAnswer, CarriesTheMarksWhicheverWayItIsCopiedAndLeavesTheClipboardWithinTheDelay) {
    ASSERT_NO_FATAL_FAILURE(QueryAndSelectTheAnswer());
    const struct {
        const char* way;
        void (*copy)();
    } copies[] = {
        // Wine's edit control copies for Ctrl+Insert without a WM_COPY.
        {"Ctrl+Insert", [] { PressCtrlKey(VK_INSERT); }},
        {"the context menu's Copy", [] {
             PressKey(VK_F10, true);
             TypeKeys("c");
         }},
        // Last: this copy is the one that must leave.
        {"Ctrl+C", [] { PressCtrl('C'); }},
    };
    for (const auto& copy : copies) {
        SCOPED_TRACE(copy.way);
        ASSERT_TRUE(SetClipboardText("before the copy"));
        copy.copy();
        ASSERT_TRUE(WaitForTheAnswerOnTheClipboard());
        EXPECT_EQ(MissingClipboardMarks(), "");
    }
    EXPECT_TRUE(WaitUntil([] { return !IsClipboardFormatAvailable(CF_UNICODETEXT); }, kCopiedAnswerDeadline))
        << "the answer stayed on the clipboard";
    EXPECT_EQ(Text(编辑框_结果), answer);
}

TEST_F(CopiedAnswer, WhatIsCopiedAfterItStays) {
    ASSERT_NO_FATAL_FAILURE(QueryAndSelectTheAnswer());
    PressCtrl('C');
    ASSERT_TRUE(WaitForTheAnswerOnTheClipboard());
    ASSERT_TRUE(SetClipboardText("copied afterwards"));
    const DWORD afterwards = GetClipboardSequenceNumber();
    // Nothing happens to wait for: the clipboard is watched for the window's
    // time.
    EXPECT_FALSE(WaitUntil([&] { return GetClipboardSequenceNumber() != afterwards; }, kCopiedAnswerDeadline))
        << "the clipboard changed";
    EXPECT_EQ(ClipboardText(), std::optional<std::string>("copied afterwards"));
}

}  // namespace
}  // namespace morvane::test
