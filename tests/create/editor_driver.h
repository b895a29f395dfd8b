#pragma once
// The editor as its tests use it: started in a scratch program directory,
// its window and boxes found, a save clicked and its message box read.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "create_controls.h"
#include "window_harness.h"

namespace morvane::test {

namespace ids = morvane::create;

class Editor {
public:
    // Starts create.exe with the arguments and waits for its window; a test
    // whose editor did not open fails at once (Opened() false).
    Editor(const ScratchDirectory& directory, std::string_view arguments) {
        program_ = RunningProgram::StartIn(directory, "create.exe", arguments);
        if (program_) window_ = program_->WaitForMainWindow();
    }

    ::testing::AssertionResult Opened() const { return RunningProgram::WindowOpened(program_, window_); }
    RunningProgram& Program() { return *program_; }
    HWND Window() const { return window_; }
    HWND Control(int id) const { return ControlOf(window_, id); }

    std::string Title() const { return TextOf(window_); }
    std::string Name() const { return TextOf(Control(ids::编辑框_密保卡名)); }
    std::string Serial() const { return TextOf(Control(ids::编辑框_序列号)); }
    std::string Content() const { return TextOf(Control(ids::编辑框_密保卡内容)); }
    std::string ButtonCaption() const { return TextOf(Control(ids::按钮_finish)); }

    void SetName(std::string_view text) { SetTextOf(Control(ids::编辑框_密保卡名), text); }
    void SetSerial(std::string_view text) { SetTextOf(Control(ids::编辑框_序列号), text); }
    void SetContent(std::string_view text) { SetTextOf(Control(ids::编辑框_密保卡内容), text); }
    void Fill(std::string_view name, std::string_view serial, std::string_view content) {
        SetName(name);
        SetSerial(serial);
        SetContent(content);
    }

    // Clicks the button with the mouse, reads the message box the save
    // shows and dismisses it; nothing when no box came.
    std::optional<MessageBoxContent> Save() {
        if (!BringToForeground(window_)) return std::nullopt;
        ClickControl(Control(ids::按钮_finish));
        std::optional<MessageBoxContent> box = WaitForMessageBox(*program_);
        if (box) {
            EXPECT_TRUE(DismissMessageBox(box->window));
        }
        return box;
    }

    // Closes the window as the user does and waits for the exit code.
    std::optional<DWORD> Close() {
        PostMessageA(window_, WM_CLOSE, 0, 0);
        if (!program_->WaitForExit()) return std::nullopt;
        return program_->ExitCode();
    }

private:
    std::optional<RunningProgram> program_;
    HWND window_ = nullptr;
};

// The card file of a card saved with serial number and rows as a new file.
inline std::string CardBytes(std::string_view serial, const std::vector<std::string>& rows) {
    std::string bytes = "[Info]\r\n序列号=";
    bytes += serial;
    bytes += "\r\n[Card]\r\n";
    char letter = 'A';
    for (const std::string& row : rows) {
        bytes += letter++;
        bytes += '=';
        bytes += row;
        bytes += "\r\n";
    }
    return bytes;
}

// Every file below `directory`, as paths relative to it, sorted.
std::vector<std::string> FilesBelow(const std::string& directory);

}  // namespace morvane::test

// Message-box expectations with the box's bytes shown readably on failure;
// `box` is evaluated once.
#define EXPECT_MESSAGE_BOX(box, expected_text, expected_title, expected_icon)                           \
    do {                                                                                                 \
        const std::optional<::morvane::test::MessageBoxContent>& shown_box = (box);                      \
        ASSERT_TRUE(shown_box.has_value()) << "no message box";                                          \
        EXPECT_EQ(::morvane::test::Utf8Of(shown_box->text), ::morvane::test::Utf8Of(expected_text));  \
        EXPECT_EQ(::morvane::test::Utf8Of(shown_box->title), ::morvane::test::Utf8Of(expected_title)); \
        EXPECT_STREQ(::morvane::test::NameOf(shown_box->icon), ::morvane::test::NameOf(expected_icon));   \
    } while (0)
