// How fast the window programs are for their user, measured from outside as
// a user meets them, each figure as a median of repeated runs and each ratio
// taken within the same run:
//   - Morvane with 10,000 cards: start to the list filled, against a program
//     that only enumerates the same directory with FindFirstFileW and shows
//     the count, bare and with the themed common controls that Morvane's
//     manifest asks for (and the enumeration alone, in this process);
//   - check: start to ready for input, against minimal_window.exe, bare and
//     with the themed common controls;
//   - check: from the Enter key to the answer in the result box;
//   - check: from Ctrl+Enter to the last character of a 9-character answer
//     typed into another program's field (login_page.exe of the tests).
//
// Usage: window_bench [runs] [queries]      (defaults 11 and 200)
// The programs are taken from beside this one; their scratch copies go to
// <build>\bench-scratch. Needs a display (the Enter key is real input).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "card_store.h"
#include "check_controls.h"
#include "lookup.h"
#include "manager_controls.h"
#include "login_page.h"
#include "paths.h"
#include "typing_target.h"
#include "window_harness.h"

namespace {

using morvane::test::Gbk;
using morvane::test::RunningProgram;
using morvane::test::Wide;
using Clock = std::chrono::steady_clock;

constexpr int kCardCount = 10000;
constexpr wchar_t kMinimalWindowClass[] = L"MorvaneMinimalWindow";
constexpr auto kDeadline = std::chrono::seconds(20);

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

double Median(const std::vector<double>& values) { return Percentile(values, 0.5); }

// Polls about every millisecond, the finest a sleep goes; false after the
// deadline. Each step that waits for the program (a message sent to it)
// returns as soon as the program answers, so the figures are finer than
// the polling wherever that is what ends the wait.
bool PollUntil(const std::function<bool()>& condition) {
    const auto end = Clock::now() + kDeadline;
    while (!condition()) {
        if (Clock::now() >= end) return false;
        Sleep(1);
    }
    return true;
}

HWND WindowOfClass(const RunningProgram& program, const wchar_t* class_name) {
    for (HWND window : program.TopLevelWindows(false))
        if (morvane::test::ClassOf(window) == Gbk(class_name)) return window;
    return nullptr;
}

// Paths here are GBK, as the harness takes them.
std::string Join(const std::string& directory, const std::string& name) { return directory + "\\" + name; }

std::string CardStoreOf(const std::string& directory) { return Join(directory, "cards"); }

bool CopyPrograms(const std::string& directory, std::initializer_list<const char*> programs) {
    CreateDirectoryW(Wide(directory).c_str(), nullptr);
    CreateDirectoryW(Wide(CardStoreOf(directory)).c_str(), nullptr);
    const std::string from = Gbk(morvane::ProgramDirectory());
    for (const char* program : programs) {
        if (!CopyFileW(Wide(Join(from, program)).c_str(), Wide(Join(directory, program)).c_str(), FALSE)) {
            std::fprintf(stderr, "cannot copy %s to %s\n", program, directory.c_str());
            return false;
        }
    }
    return true;
}

int CountMatchingFiles(const std::string& pattern) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}

std::string CardText(int number) {
    std::string text = "[Info]\r\n序列号=" + std::to_string(100000 + number) + "\r\n[Card]\r\n";
    for (char row = 'A'; row <= 'J'; ++row) text += std::string(1, row) + "=11,22,33,44,55,66,77,88\r\n";
    return text;
}

// Card names of the kind users give: Chinese, with a number.
bool FillCardStore(const std::string& directory, int count) {
    const std::string store = CardStoreOf(directory);
    if (CountMatchingFiles(Join(store, "*.ini")) == count) return true;
    for (int number = 0; number < count; ++number) {
        const std::string path = Join(store, "网银卡" + std::to_string(number) + ".ini");
        HANDLE file =
            CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const std::string text = CardText(number);
        DWORD written = 0;
        const bool complete = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                              written == text.size();
        CloseHandle(file);
        if (!complete) return false;
    }
    return CountMatchingFiles(Join(store, "*.ini")) == count;
}

struct Run {
    std::optional<RunningProgram> program;
    double milliseconds = -1;
};

// Starts the program and measures until `done` holds for it.
Run TimeStart(const std::string& directory, const std::string& program_file, const std::string& arguments,
              const std::function<bool(const RunningProgram&)>& done) {
    Run run;
    const std::string command_line = arguments.empty() ? program_file : program_file + " " + arguments;
    const auto start = Clock::now();
    run.program = RunningProgram::Start(Join(directory, program_file), command_line, directory);
    if (run.program && PollUntil([&] { return done(*run.program); })) run.milliseconds = MillisecondsSince(start);
    return run;
}

bool ListFilled(const RunningProgram& program) {
    HWND window = WindowOfClass(program, morvane::manager::kWindowClass);
    HWND list = window ? GetDlgItem(window, morvane::manager::列表框1) : nullptr;
    // Answered only once the manager is back in its message loop.
    return list && morvane::test::Send(list, LB_GETCOUNT) == kCardCount;
}

bool CountShown(const RunningProgram& program) {
    HWND window = WindowOfClass(program, kMinimalWindowClass);
    return window && morvane::test::TextOf(window) == std::to_string(kCardCount);
}

// Shown, the focus in one of its controls, and taking messages.
bool ReadyForInput(const RunningProgram& program, const wchar_t* class_name) {
    HWND window = WindowOfClass(program, class_name);
    if (!window || !IsWindowVisible(window)) return false;
    HWND focus = morvane::test::FocusedWindow(window);
    if (!focus || !IsChild(window, focus)) return false;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
}

void PrintFigure(const char* what, const std::vector<double>& milliseconds) {
    std::printf("%-58s median %8.1f ms  (min %.1f, max %.1f, %zu runs)\n", what, Median(milliseconds),
                *std::min_element(milliseconds.begin(), milliseconds.end()),
                *std::max_element(milliseconds.begin(), milliseconds.end()), milliseconds.size());
}

bool BenchManager(const std::string& scratch, int runs) {
    const std::string directory = Join(scratch, "manager");
    if (!CopyPrograms(directory, {"Morvane.exe", "minimal_window.exe", "minimal_window_themed.exe"}) ||
        !FillCardStore(directory, kCardCount)) {
        std::fprintf(stderr, "cannot lay out %d cards in %s\n", kCardCount, directory.c_str());
        return false;
    }
    const std::string pattern = Join(CardStoreOf(directory), "*.ini");
    std::vector<double> manager, enumerator, themed_enumerator, in_process, ratios, themed_ratios;
    // The first run of each only warms the file cache.
    for (int run = 0; run <= runs; ++run) {
        Run listed = TimeStart(directory, "Morvane.exe", "", ListFilled);
        listed.program.reset();
        Run counted = TimeStart(directory, "minimal_window.exe", "cards\\*.ini", CountShown);
        counted.program.reset();
        Run styled = TimeStart(directory, "minimal_window_themed.exe", "cards\\*.ini", CountShown);
        styled.program.reset();
        const auto start = Clock::now();
        const bool complete = CountMatchingFiles(pattern) == kCardCount;
        const double enumeration = MillisecondsSince(start);
        if (listed.milliseconds < 0 || counted.milliseconds < 0 || styled.milliseconds < 0 || !complete) {
            std::fprintf(stderr, "manager run %d did not finish\n", run);
            return false;
        }
        if (run == 0) continue;
        manager.push_back(listed.milliseconds);
        enumerator.push_back(counted.milliseconds);
        themed_enumerator.push_back(styled.milliseconds);
        in_process.push_back(enumeration);
        ratios.push_back(listed.milliseconds / counted.milliseconds);
        themed_ratios.push_back(listed.milliseconds / styled.milliseconds);
    }
    std::printf("Morvane, %d cards\n", kCardCount);
    PrintFigure("  start to list filled", manager);
    PrintFigure("  enumerating program: start to count shown", enumerator);
    PrintFigure("  the same with the themed common controls", themed_enumerator);
    PrintFigure("  FindFirstFileW/FindNextFileW alone, in this process", in_process);
    std::printf("%-58s median %8.2f\n", "  ratio Morvane / enumerating program (per run)", Median(ratios));
    std::printf("%-58s median %8.2f\n", "  ratio Morvane / themed enumerating program (per run)", Median(themed_ratios));
    return true;
}

// Ctrl+Enter typing B3 E7 H2's answer, 9 characters, into a log-in page of
// another program: from the Enter key going down, Ctrl already held and both
// let go at once, to the last character in the page's field.
bool BenchTypedAnswer(HWND window, const std::string& directory, const std::string& answer, int typings) {
    namespace page_ids = morvane::test::login_page;
    const std::string from = Gbk(morvane::ProgramDirectory());
    std::optional<RunningProgram> page = RunningProgram::Start(Join(from, "login_page.exe"), "login_page.exe 1", directory);
    HWND page_window = page ? page->WaitForMainWindow() : nullptr;
    if (!page_window) {
        std::fprintf(stderr, "the log-in page did not open\n");
        return false;
    }
    HWND field = GetDlgItem(page_window, page_ids::kFirstField);
    HWND boxes[] = {GetDlgItem(window, morvane::check::编辑框_坐标1), GetDlgItem(window, morvane::check::编辑框_坐标2),
                    GetDlgItem(window, morvane::check::编辑框_坐标3)};
    morvane::test::SetTextOf(boxes[0], "B3");
    morvane::test::SetTextOf(boxes[1], "E7");
    morvane::test::SetTextOf(boxes[2], "H2");
    std::vector<double> latencies;
    int lost = 0;
    for (int i = 0; i < typings; ++i) {
        morvane::test::SetTextOf(field, "");
        // From the query window to the page and back, as the user comes.
        if (!morvane::test::BringToForeground(page_window)) return false;
        morvane::test::Send(window, WM_TIMER, morvane::check::kForegroundTimer);
        if (!morvane::test::BringToForeground(window)) return false;
        morvane::test::HoldKey(VK_CONTROL);
        const auto start = Clock::now();
        morvane::test::HoldKey(VK_RETURN);
        morvane::test::ReleaseKeys({VK_RETURN, VK_CONTROL});
        std::string typed;
        if (!PollUntil([&] { return (typed = morvane::test::TextOf(field)).size() >= answer.size(); })) {
            std::fprintf(stderr, "typing %d did not arrive: \"%s\"\n", i, typed.c_str());
            return false;
        }
        latencies.push_back(MillisecondsSince(start));
        if (typed != answer) ++lost;
        // The query window is idle again before the next round.
        morvane::test::Send(window, WM_NULL);
    }
    std::printf("check, the answer typed into another program (%zu characters)\n", answer.size());
    PrintFigure("  Ctrl+Enter to the last character in the page's field", latencies);
    std::printf("%-58s %8.1f ms  (90th percentile)\n", "", Percentile(latencies, 0.9));
    std::printf("%-58s %8d of %d\n", "  typings that lost or changed a character", lost, typings);
    return true;
}

struct Query {
    const char* first;
    const char* second;
    const char* third;
    std::string answer;
};

bool BenchCheck(const std::string& scratch, int runs, int queries) {
    const std::string directory = Join(scratch, "check");
    const std::string card_name = "网银卡";
    if (!CopyPrograms(directory, {"check.exe", "minimal_window.exe", "minimal_window_themed.exe"})) return false;
    // A whole card of 26 rows of 9 cells.
    std::string content;
    for (char row = 'A'; row <= 'Z'; ++row) {
        if (row != 'A') content += "\r\n";
        for (int cell = 1; cell <= 9; ++cell) content += (cell > 1 ? "," : "") + std::to_string((row * 7 + cell * 13) % 900 + 100);
    }
    const std::optional<morvane::FilePath> card_file = morvane::CardFilePath(Wide(directory), Wide(card_name));
    if (!card_file || !morvane::SaveCard(*card_file, "123456", content)) {
        std::fprintf(stderr, "cannot save the card in %s\n", directory.c_str());
        return false;
    }

    std::vector<double> check, minimal, themed, ratios, themed_ratios;
    const auto minimal_ready = [](const RunningProgram& program) {
        return ReadyForInput(program, kMinimalWindowClass);
    };
    for (int run = 0; run <= runs; ++run) {
        Run ready = TimeStart(directory, "check.exe", card_name,
                              [](const RunningProgram& program) { return ReadyForInput(program, morvane::check::kWindowClass); });
        ready.program.reset();
        Run bare = TimeStart(directory, "minimal_window.exe", "", minimal_ready);
        bare.program.reset();
        Run styled = TimeStart(directory, "minimal_window_themed.exe", "", minimal_ready);
        styled.program.reset();
        if (ready.milliseconds < 0 || bare.milliseconds < 0 || styled.milliseconds < 0) {
            std::fprintf(stderr, "check run %d did not finish\n", run);
            return false;
        }
        if (run == 0) continue;
        check.push_back(ready.milliseconds);
        minimal.push_back(bare.milliseconds);
        themed.push_back(styled.milliseconds);
        ratios.push_back(ready.milliseconds / bare.milliseconds);
        themed_ratios.push_back(ready.milliseconds / styled.milliseconds);
    }
    std::printf("check\n");
    PrintFigure("  start to ready for input", check);
    PrintFigure("  minimal window program: start to ready for input", minimal);
    PrintFigure("  the same with the themed common controls", themed);
    std::printf("%-58s median %8.2f\n", "  ratio check / minimal window program (per run)", Median(ratios));
    std::printf("%-58s median %8.2f\n", "  ratio check / themed minimal window program (per run)", Median(themed_ratios));

    // Two queries in turn, so that each answer replaces a different one.
    Query turns[] = {{"B3", "E7", "H2", {}}, {"A1", "C5", "Z9", {}}};
    for (Query& query : turns) query.answer = morvane::AnswerQuery(*card_file, query.first, query.second, query.third);
    Run started = TimeStart(directory, "check.exe", card_name,
                            [](const RunningProgram& program) { return ReadyForInput(program, morvane::check::kWindowClass); });
    HWND window = started.program ? WindowOfClass(*started.program, morvane::check::kWindowClass) : nullptr;
    if (!window || !morvane::test::BringToForeground(window)) {
        std::fprintf(stderr, "check did not come to the foreground\n");
        return false;
    }
    HWND boxes[] = {GetDlgItem(window, morvane::check::编辑框_坐标1), GetDlgItem(window, morvane::check::编辑框_坐标2),
                    GetDlgItem(window, morvane::check::编辑框_坐标3)};
    HWND result = GetDlgItem(window, morvane::check::编辑框_结果);
    std::vector<double> latencies, reads;
    for (int i = 0; i < queries; ++i) {
        const Query& query = turns[i % 2];
        // Filling a box moves the focus on, so the third box has it for Enter.
        morvane::test::SetTextOf(boxes[0], query.first);
        morvane::test::SetTextOf(boxes[1], query.second);
        morvane::test::SetTextOf(boxes[2], query.third);
        if (morvane::test::FocusedWindow(window) != boxes[2]) SetForegroundWindow(window);
        const auto start = Clock::now();
        morvane::test::PressEnter();
        const auto end = start + kDeadline;
        for (;;) {
            const auto read_start = Clock::now();
            const bool answered = morvane::test::TextOf(result) == query.answer;
            reads.push_back(MillisecondsSince(read_start));
            if (answered) break;
            if (Clock::now() >= end) {
                std::fprintf(stderr, "query %d was not answered\n", i);
                return false;
            }
            SwitchToThread();
        }
        latencies.push_back(MillisecondsSince(start));
    }
    PrintFigure("  Enter to the answer in the result box", latencies);
    std::printf("%-58s %8.1f ms  (90th percentile)\n", "", Percentile(latencies, 0.9));
    std::printf("%-58s median %8.3f ms\n", "  one read of the result box (the polling's step)", Median(reads));
    return BenchTypedAnswer(window, directory, morvane::AnswerQuery(*card_file, "B3", "E7", "H2"), queries / 10);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = std::max(1, argc > 1 ? std::atoi(argv[1]) : 11);
    const int queries = std::max(2, argc > 2 ? std::atoi(argv[2]) : 200);
    const std::string scratch = Join(Gbk(morvane::DirectoryOfProgramFile(morvane::ProgramDirectory())), "bench-scratch");
    CreateDirectoryW(Wide(scratch).c_str(), nullptr);
    const bool measured = BenchManager(scratch, runs) && BenchCheck(scratch, runs, queries);
    return measured ? 0 : 1;
}
