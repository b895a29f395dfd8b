#pragma once
// The query window started as a user starts it, on a card of 9 rows of 9
// cells whose codes name their place: row B (2), cell 3 holds "203".
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "check_controls.h"
#include "window_harness.h"

namespace morvane::test {

inline std::string CodeAt(int row, int cell) { return std::to_string(row * 100 + cell); }

// A card file as the editor writes it.
inline std::string NineByNineCard(std::string_view serial_number = "SN-0042") {
    std::string card = "[Info]\r\n序列号=" + std::string(serial_number) + "\r\n[Card]\r\n";
    for (int row = 1; row <= 9; ++row) {
        card += static_cast<char>('A' + row - 1);
        card += '=';
        for (int cell = 1; cell <= 9; ++cell) card += (cell > 1 ? "," : "") + CodeAt(row, cell);
        card += "\r\n";
    }
    return card;
}

class QueryWindowTest : public ::testing::Test {
protected:
    // Starts check.exe with these arguments and waits until its window has
    // the keyboard.
    void Open(std::string_view arguments) {
        program = RunningProgram::StartIn(directory, "check.exe", arguments);
        ASSERT_TRUE(program) << "check.exe did not start";
        window = program->WaitForMainWindow();
        ASSERT_NE(window, nullptr) << "no query window";
        ASSERT_TRUE(BringToForeground(window));
        ASSERT_TRUE(WaitForFocus(check::编辑框_坐标1));
    }

    void OpenCard(std::string_view card_name = "bank", std::string_view content = NineByNineCard()) {
        ASSERT_TRUE(directory.WriteCardFile(card_name, content));
        Open(card_name);
    }

    HWND Control(int id) const { return ControlOf(window, id); }
    std::string Text(int id) const { return TextOf(Control(id)); }

    ::testing::AssertionResult WaitForText(int id, const std::string& expected) const {
        std::string shown;
        if (WaitUntil([&] { return (shown = Text(id)) == expected; })) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "control " << id << " shows \"" << shown << "\", not \"" << expected
                                             << "\"";
    }
    bool WaitForFocus(int id) const {
        return WaitUntil([&] { return FocusedWindow(window) == Control(id); });
    }
    // The whole text of the box is selected.
    bool WaitForWholeSelection(int id) const {
        return WaitUntil([&] {
            const auto [start, end] = EditSelection(Control(id));
            const LRESULT length = Send(Control(id), WM_GETTEXTLENGTH);
            return start == 0 && static_cast<LRESULT>(end) == length;
        });
    }

    // Clicks the button on an otherwise empty result box, so the wait sees
    // this query's answer and not a left-over one.
    ::testing::AssertionResult QueryByButton(const std::string& expected) {
        SetTextOf(Control(check::编辑框_结果), "-");
        ClickControl(Control(check::按钮_查询));
        return WaitForText(check::编辑框_结果, expected);
    }

    ScratchDirectory directory;
    std::optional<RunningProgram> program;  // ended before the directory goes
    HWND window = nullptr;
};

}  // namespace morvane::test
