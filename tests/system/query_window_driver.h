#pragma once
// check.exe for the system tests, driven by content only.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "check_controls.h"
#include "window_harness.h"

namespace morvane::test {

// The query window driven by content only: texts set, the button clicked
// by message, the fresh answer read back.
class QueryWindow {
public:
    QueryWindow(const ScratchDirectory& directory, std::string_view arguments) {
        program_ = RunningProgram::StartIn(directory, "check.exe", arguments);
        if (program_) window_ = program_->WaitForMainWindow();
    }
    ::testing::AssertionResult Opened() const { return RunningProgram::WindowOpened(program_, window_); }
    RunningProgram& Program() { return *program_; }
    HWND Window() const { return window_; }

    std::optional<std::string> Ask(std::string_view first, std::string_view second, std::string_view third) {
        HWND result = ControlOf(window_, check::编辑框_结果);
        SetTextOf(ControlOf(window_, check::编辑框_坐标1), first);
        SetTextOf(ControlOf(window_, check::编辑框_坐标2), second);
        SetTextOf(ControlOf(window_, check::编辑框_坐标3), third);
        SetTextOf(result, "\x01");
        PostMessageW(ControlOf(window_, check::按钮_查询), BM_CLICK, 0, 0);
        if (!WaitUntil([&] { return TextOf(result) != "\x01"; })) return std::nullopt;
        // Read once more: a read that raced the answer's arrival may have
        // sized its buffer for the marker.
        return TextOf(result);
    }

private:
    std::optional<RunningProgram> program_;
    HWND window_ = nullptr;
};

}  // namespace morvane::test
