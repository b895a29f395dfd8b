#include "window_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <thread>
#include <utility>

#include "text.h"

namespace morvane::test {

namespace {

constexpr UINT kSendTimeoutMs = 5000;
constexpr auto kPollInterval = 10ms;

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

void PumpOwnMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::string ScratchNameOfCurrentTest() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "outside-test";
    for (char& c : name)
        if (!(isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_')) c = '_';
    return name;
}

void SendInputs(std::vector<INPUT> inputs) {
    if (!inputs.empty()) SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

INPUT KeyInput(WORD virtual_key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtual_key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

void PressChord(WORD modifier, WORD virtual_key) {
    SendInputs({KeyInput(modifier, false), KeyInput(virtual_key, false), KeyInput(virtual_key, true),
                KeyInput(modifier, true)});
}

WORD LetterKey(char letter) {
    return static_cast<WORD>(toupper(static_cast<unsigned char>(letter)));
}

// 32-bit top-down pixels of a w x h area.
using Pixels = std::vector<COLORREF>;

Pixels CaptureScreen(RECT area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    Pixels pixels(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
COLORREF ColourOfDibPixel(COLORREF pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

// What `draw` paints on a `background` of width x height.
Pixels DrawnOn(int width, int height, COLORREF background, const std::function<void(HDC, RECT)>& draw) {
    Pixels pixels(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all{0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    draw(memory, all);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

Pixels DrawIconOn(HICON icon, int width, int height, COLORREF background) {
    return DrawnOn(width, height, background,
                   [&](HDC dc, RECT) { DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL); });
}

bool CloseColours(COLORREF a, COLORREF b) {
    auto channel = [](COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
    for (int shift : {0, 8, 16})
        if (std::abs(channel(a, shift) - channel(b, shift)) > 24) return false;
    return true;
}

MessageBoxIcon IconKindOnScreen(HWND icon_static) {
    RECT area;
    GetWindowRect(icon_static, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return MessageBoxIcon::kUnknown;
    const Pixels shown = CaptureScreen(area);
    // The icon's corners are transparent: the corner shows the box's face.
    const COLORREF background = ColourOfDibPixel(shown.front());
    const std::array<std::pair<WORD, MessageBoxIcon>, 4> candidates = {{
        {32513, MessageBoxIcon::kError},        // IDI_HAND
        {32515, MessageBoxIcon::kWarning},      // IDI_EXCLAMATION
        {32516, MessageBoxIcon::kInformation},  // IDI_ASTERISK
        {32514, MessageBoxIcon::kQuestion},     // IDI_QUESTION
    }};
    MessageBoxIcon best = MessageBoxIcon::kUnknown;
    std::size_t fewest_differences = shown.size();
    for (const auto& [resource, kind] : candidates) {
        const Pixels drawn = DrawIconOn(LoadIconW(nullptr, MAKEINTRESOURCEW(resource)), width, height, background);
        std::size_t differences = 0;
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (!CloseColours(shown[i] & 0xFFFFFF, drawn[i] & 0xFFFFFF)) ++differences;
        if (differences < fewest_differences) {
            fewest_differences = differences;
            best = kind;
        }
    }
    // A near match only: another picture must not pass for a system icon.
    return fewest_differences * 20 <= shown.size() ? best : MessageBoxIcon::kUnknown;
}

// The box paints itself asynchronously: look again until a system icon shows.
MessageBoxIcon IconKindOf(HWND icon_static) {
    MessageBoxIcon kind = MessageBoxIcon::kUnknown;
    // The handle's value tells whether there is an icon at all.
    if (Send(icon_static, STM_GETICON) == 0) return MessageBoxIcon::kNone;
    WaitUntil([&] { return (kind = IconKindOnScreen(icon_static)) != MessageBoxIcon::kUnknown; }, 3s);
    return kind;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        PumpOwnMessages();
        std::this_thread::sleep_for(kPollInterval);
    }
}

// ---------------------------------------------------------------------------
// Files

std::wstring Wide(std::string_view gbk) { return WideFromGbk(gbk); }

std::string Gbk(std::wstring_view wide) { return GbkFromWide(wide).value_or("<text GBK cannot hold>"); }

std::string Utf8Of(std::string_view gbk) {
    const std::wstring wide = Wide(gbk);
    if (wide.empty()) return {};
    const int units = static_cast<int>(wide.size());
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr,
                                                                  nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return utf8;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    HandleCloser file{CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.handle, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    HandleCloser file{CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TestProgramDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Gbk(path.substr(0, path.find_last_of(L'\\')));
}

// Under the system's directory for temporary files, not the build tree: the
// paths the programs meet in a test are then the same wherever the
// repository lies (under wine, C:\users\<user>\Temp of the test prefix).
ScratchDirectory::ScratchDirectory(CardStore card_store) {
    const std::string bin = TestProgramDirectory();
    std::wstring scratch_root(MAX_PATH + 1, L'\0');
    scratch_root.resize(GetTempPathW(static_cast<DWORD>(scratch_root.size()), scratch_root.data()));
    scratch_root += L"morvane-tests";
    CreateDirectoryW(scratch_root.c_str(), nullptr);
    path_ = Gbk(scratch_root) + "\\" + ScratchNameOfCurrentTest();
    RemoveTree(Wide(path_));
    CreateDirectoryW(Wide(path_).c_str(), nullptr);
    for (const char* program : {"check.exe", "create.exe", "Morvane.exe"}) {
        const std::string built = bin + "\\" + program;
        if (FileExists(built)) CopyFileW(Wide(built).c_str(), Wide(ProgramPath(program)).c_str(), FALSE);
    }
    if (card_store == CardStore::kPresent) CreateCardStore();
}

ScratchDirectory::~ScratchDirectory() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info && !info->result()->Failed()) RemoveTree(Wide(path_));
}

std::string ScratchDirectory::ProgramPath(std::string_view program_file) const {
    return path_ + "\\" + std::string(program_file);
}

bool ScratchDirectory::HasProgram(std::string_view program_file) const {
    return FileExists(ProgramPath(program_file));
}

std::string ScratchDirectory::CardStorePath() const { return path_ + "\\cards"; }

std::string ScratchDirectory::CardFilePath(std::string_view card_name) const {
    return CardStorePath() + "\\" + std::string(card_name) + ".ini";
}

bool ScratchDirectory::CreateCardStore() const {
    return CreateDirectoryW(Wide(CardStorePath()).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ScratchDirectory::WriteCardFile(std::string_view card_name, std::string_view bytes) const {
    return WriteFileBytes(CardFilePath(card_name), bytes);
}

std::optional<std::string> ScratchDirectory::ReadCardFile(std::string_view card_name) const {
    return ReadFileBytes(CardFilePath(card_name));
}

bool ScratchDirectory::CardFileExists(std::string_view card_name) const {
    return FileExists(CardFilePath(card_name));
}

bool ScratchDirectory::DeleteCardFile(std::string_view card_name) const {
    return DeleteFileW(Wide(CardFilePath(card_name)).c_str()) != 0;
}

std::vector<std::string> ScratchDirectory::CardFileNames() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(CardStorePath() + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Gbk(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------------------
// Processes

std::optional<RunningProgram> RunningProgram::Start(const std::string& program_path, const std::string& command_line,
                                                    const std::string& current_directory) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring mutable_command_line = Wide(command_line);
    const std::string directory = current_directory.empty() ? TestProgramDirectory() : current_directory;
    if (!CreateProcessW(Wide(program_path).c_str(), mutable_command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        Wide(directory).c_str(), &startup, &started))
        return std::nullopt;
    CloseHandle(started.hThread);
    return RunningProgram(started.hProcess, started.dwProcessId);
}

std::optional<RunningProgram> RunningProgram::StartIn(const ScratchDirectory& directory,
                                                      std::string_view program_file, std::string_view arguments) {
    std::string command_line(program_file);
    if (!arguments.empty()) command_line.append(" ").append(arguments);
    return Start(directory.ProgramPath(program_file), command_line);
}

RunningProgram::RunningProgram(RunningProgram&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), process_id_(std::exchange(other.process_id_, 0)) {}

RunningProgram& RunningProgram::operator=(RunningProgram&& other) noexcept {
    if (this != &other) {
        Terminate();
        if (process_) CloseHandle(process_);
        process_ = std::exchange(other.process_, nullptr);
        process_id_ = std::exchange(other.process_id_, 0);
    }
    return *this;
}

RunningProgram::~RunningProgram() {
    Terminate();
    if (process_) CloseHandle(process_);
}

void RunningProgram::Terminate() {
    if (process_ && IsRunning()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, kSendTimeoutMs);
    }
}

namespace {

struct WindowSearch {
    DWORD process_id;
    bool visible_only;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if (owner_process == search.process_id && (!search.visible_only || IsWindowVisible(window)))
        search.windows.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> RunningProgram::TopLevelWindows(bool visible_only) const {
    WindowSearch search{process_id_, visible_only, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

HWND RunningProgram::WaitForMainWindow(std::chrono::milliseconds deadline) const {
    HWND main_window = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows()) {
                if (GetWindow(window, GW_OWNER) == nullptr && ClassOf(window) != "#32770") {
                    main_window = window;
                    return true;
                }
            }
            return !IsRunning();
        },
        deadline);
    return main_window;
}

HWND RunningProgram::FindDialog() const {
    for (HWND window : TopLevelWindows())
        if (ClassOf(window) == "#32770") return window;
    return nullptr;
}

HWND RunningProgram::WaitForDialog(std::chrono::milliseconds deadline) const {
    HWND dialog = nullptr;
    WaitUntil([&] { return (dialog = FindDialog()) != nullptr || !IsRunning(); }, deadline);
    return dialog;
}

bool RunningProgram::IsRunning() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool RunningProgram::WaitForExit(std::chrono::milliseconds deadline) const {
    return WaitUntil([&] { return !IsRunning(); }, deadline);
}

std::optional<DWORD> RunningProgram::ExitCode() const {
    if (!process_ || IsRunning()) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

::testing::AssertionResult RunningProgram::WindowOpened(const std::optional<RunningProgram>& program,
                                                       HWND window) {
    if (window) return ::testing::AssertionSuccess();
    if (!program) return ::testing::AssertionFailure() << "the program did not start";
    if (const auto code = program->ExitCode())
        return ::testing::AssertionFailure() << "the program ended before it showed its window, exit code 0x"
                                             << std::hex << *code;
    return ::testing::AssertionFailure() << "the program runs without a window";
}

// ---------------------------------------------------------------------------
// Reading windows

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

std::wstring WideTextOf(HWND window) {
    // The text can grow between the two messages (a program answering right
    // then): a copy that fills the buffer is asked for again, larger.
    std::size_t size = static_cast<std::size_t>(std::max<LRESULT>(Send(window, WM_GETTEXTLENGTH), 0)) + 2;
    for (;;) {
        std::wstring text(size, L'\0');
        const LRESULT copied =
            Send(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
        const std::size_t length = static_cast<std::size_t>(std::max<LRESULT>(copied, 0));
        if (length + 2 < size || size > (64u << 20)) {
            text.resize(length);
            return text;
        }
        size *= 4;
    }
}

std::string TextOf(HWND window) { return Gbk(WideTextOf(window)); }

void SetTextOf(HWND window, std::wstring_view text) {
    const std::wstring terminated(text);
    Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str()));
}

void SetTextOf(HWND window, std::string_view gbk) { SetTextOf(window, std::wstring_view(Wide(gbk))); }

std::string ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return Gbk(std::wstring_view(name, static_cast<std::size_t>(std::max(length, 0))));
}

LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
LONG_PTR ExStyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_EXSTYLE); }
HWND ControlOf(HWND window, int control_id) { return GetDlgItem(window, control_id); }

RECT ControlRect(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE OuterSize(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

SIZE ClientSize(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

HWND FocusedWindow(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

HWND ForegroundWindow() { return GetForegroundWindow(); }

std::pair<DWORD, DWORD> EditSelection(HWND edit) {
    const LRESULT selection = Send(edit, EM_GETSEL);
    return {LOWORD(selection), HIWORD(selection)};
}

HFONT FontOf(HWND control) { return reinterpret_cast<HFONT>(Send(control, WM_GETFONT)); }

std::size_t PixelsDifferingFromCaption(HWND control, const std::string& caption, HGDIOBJ font, UINT format,
                                       int inset) {
    RECT area{};
    GetWindowRect(control, &area);
    InflateRect(&area, -inset, -inset);
    const Pixels shown = CaptureScreen(area);
    if (shown.empty()) return 0;
    const Pixels drawn =
        DrawnOn(area.right - area.left, area.bottom - area.top, ColourOfDibPixel(shown.back()), [&](HDC dc, RECT all) {
            HGDIOBJ old_font = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            const std::wstring text = Wide(caption);
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &all, format);
            SelectObject(dc, old_font);
        });
    // Compared as ink or not, so that a button's shaded face does not count.
    const auto ink = [](COLORREF pixel) {
        return (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel)) < 3 * 110;
    };
    // The caption drawn here moved by up to a pixel each way, and the least
    // count taken: a control centres its caption with roundings of its own
    // (the button of the common controls before version 6 a pixel higher
    // than DrawText at some sizes), and where it stands tells no font.
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::size_t least = shown.size();
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            std::size_t differing = 0;
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const int from_x = x - dx, from_y = y - dy;
                    const bool drawn_ink = from_x >= 0 && from_x < width && from_y >= 0 && from_y < height &&
                                           ink(drawn[static_cast<std::size_t>(from_y) * width + from_x]);
                    differing += ink(shown[static_cast<std::size_t>(y) * width + x]) != drawn_ink;
                }
            }
            least = std::min(least, differing);
        }
    }
    return least;
}

std::vector<COLORREF> ScreenPixels(RECT area) {
    std::vector<COLORREF> pixels = CaptureScreen(area);
    for (COLORREF& pixel : pixels) pixel = ColourOfDibPixel(pixel);
    return pixels;
}

// ---------------------------------------------------------------------------
// Input

bool BringToForeground(HWND window, std::chrono::milliseconds deadline) {
    const bool in_front = WaitUntil(
        [&] {
            if (GetForegroundWindow() == window) return true;
            SetForegroundWindow(window);
            return GetForegroundWindow() == window;
        },
        deadline);
    if (!in_front) return false;
    // The foreground is the server's at once, while the window's thread takes
    // its activation later. Under wine that activation gives the X focus, and
    // when the X server's answer comes in, the Shift, Ctrl and Alt keys are
    // set back to what the X server holds (none): a key chord typed in
    // between loses its modifier. So wait until the thread has handled its
    // activation (a sent message comes after it) and waits for input again.
    Send(window, WM_NULL, 0, 0);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    const HandleCloser process{OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process_id)};
    if (process.handle) WaitForInputIdle(process.handle, static_cast<DWORD>(deadline.count()));
    return true;
}

void PressKey(WORD virtual_key, bool shift) {
    if (shift)
        PressChord(VK_SHIFT, virtual_key);
    else
        SendInputs({KeyInput(virtual_key, false), KeyInput(virtual_key, true)});
}

void TypeKeys(std::string_view ascii) {
    for (char c : ascii) {
        if (c == '\r' || c == '\n') {
            PressEnter();
        } else if (c == '\t') {
            PressTab();
        } else {
            const SHORT key = VkKeyScanW(static_cast<wchar_t>(static_cast<unsigned char>(c)));
            if (key == -1) continue;
            PressKey(LOBYTE(key), (HIBYTE(key) & 1) != 0);
        }
    }
}

void PressEnter() { PressKey(VK_RETURN); }
void PressTab() { PressKey(VK_TAB); }
void PressShiftTab() { PressKey(VK_TAB, true); }
void PressBackspace() { PressKey(VK_BACK); }
void PressDelete() { PressKey(VK_DELETE); }
void PressAlt(char letter) { PressChord(VK_MENU, LetterKey(letter)); }
void PressAltKey(WORD virtual_key) { PressChord(VK_MENU, virtual_key); }
void PressCtrl(char letter) { PressChord(VK_CONTROL, LetterKey(letter)); }
void PressCtrlKey(WORD virtual_key) { PressChord(VK_CONTROL, virtual_key); }
void PressCtrlShiftKey(WORD virtual_key) {
    SendInputs({KeyInput(VK_CONTROL, false), KeyInput(VK_SHIFT, false), KeyInput(virtual_key, false),
                KeyInput(virtual_key, true), KeyInput(VK_SHIFT, true), KeyInput(VK_CONTROL, true)});
}
void HoldKey(WORD virtual_key) { SendInputs({KeyInput(virtual_key, false)}); }
void ReleaseKey(WORD virtual_key) { ReleaseKeys({virtual_key}); }
void ReleaseKeys(std::initializer_list<WORD> virtual_keys) {
    std::vector<INPUT> inputs;
    for (WORD key : virtual_keys) inputs.push_back(KeyInput(key, true));
    SendInputs(std::move(inputs));
}

void MoveMouseToScreen(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT input{};
    input.type = INPUT_MOUSE;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((point.x * 65535LL + width / 2) / std::max(width - 1, 1));
    input.mi.dy = static_cast<LONG>((point.y * 65535LL + height / 2) / std::max(height - 1, 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInputs({input});
}

void MoveMouseTo(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MoveMouseToScreen({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

namespace {

void LeftClick() {
    INPUT down{};
    down.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    INPUT up = down;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInputs({down, up});
}

}  // namespace

void ClickControl(HWND control) {
    MoveMouseTo(control);
    LeftClick();
}

void ClickAt(POINT point) {
    MoveMouseToScreen(point);
    LeftClick();
}

void TypeUnicode(std::wstring_view text) {
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wScan = static_cast<WORD>(unit);
        input.ki.dwFlags = KEYEVENTF_UNICODE;
        inputs.push_back(input);
        input.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInputs(std::move(inputs));
}

void TypeUnicode(std::string_view gbk) { TypeUnicode(std::wstring_view(Wide(gbk))); }

void PostImeChars(HWND control, std::wstring_view text) {
    for (wchar_t unit : text) PostMessageW(control, WM_IME_CHAR, unit, 1);
}

void PostImeChars(HWND control, std::string_view gbk) { PostImeChars(control, std::wstring_view(Wide(gbk))); }

bool SetClipboardText(std::wstring_view text) {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != 0; }, 2s)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool stored = false;
    if (memory) {
        auto* units = static_cast<wchar_t*>(GlobalLock(memory));
        std::copy(text.begin(), text.end(), units);
        units[text.size()] = L'\0';
        GlobalUnlock(memory);
        stored = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!stored) GlobalFree(memory);
    }
    CloseClipboard();
    return stored;
}

bool SetClipboardText(std::string_view gbk) { return SetClipboardText(std::wstring_view(Wide(gbk))); }

std::optional<std::string> ClipboardText() {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != 0; }, 2s)) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = Gbk(units);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

std::string MissingClipboardMarks() {
    if (!WaitUntil([] { return OpenClipboard(nullptr) != 0; }, 2s)) return "(the clipboard could not be opened)";
    std::string missing;
    const struct {
        const wchar_t* format;
        bool holds_no;  // a DWORD 0
    } marks[] = {
        {L"ExcludeClipboardContentFromMonitorProcessing", false},
        {L"CanIncludeInClipboardHistory", true},
        {L"CanUploadToCloudClipboard", true},
    };
    for (const auto& mark : marks) {
        HANDLE data = GetClipboardData(RegisterClipboardFormatW(mark.format));
        bool present = data != nullptr;
        if (present && mark.holds_no) {
            const auto* value = static_cast<const DWORD*>(GlobalLock(data));
            present = value && GlobalSize(data) >= sizeof(DWORD) && *value == 0;
            GlobalUnlock(data);
        }
        if (!present) missing += (missing.empty() ? "" : ", ") + Gbk(mark.format) + (mark.holds_no ? " = 0" : "");
    }
    CloseClipboard();
    return missing;
}

// ---------------------------------------------------------------------------
// Message boxes

const char* NameOf(MessageBoxIcon icon) {
    switch (icon) {
        case MessageBoxIcon::kNone: return "none";
        case MessageBoxIcon::kError: return "error";
        case MessageBoxIcon::kWarning: return "warning";
        case MessageBoxIcon::kInformation: return "information";
        case MessageBoxIcon::kQuestion: return "question";
        case MessageBoxIcon::kUnknown: return "unknown";
    }
    return "?";
}

MessageBoxContent ReadMessageBox(HWND message_box) {
    MessageBoxContent content;
    content.window = message_box;
    content.title = TextOf(message_box);
    for (HWND child = GetWindow(message_box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string kind = ClassOf(child);
        if (_stricmp(kind.c_str(), "Button") == 0) {
            content.buttons.push_back(TextOf(child));
        } else if (_stricmp(kind.c_str(), "Static") == 0) {
            if ((StyleOf(child) & SS_TYPEMASK) == SS_ICON) {
                if (IsWindowVisible(child)) content.icon = IconKindOf(child);
            } else {
                const std::string text = TextOf(child);
                if (!text.empty()) content.text += text;
            }
        }
    }
    return content;
}

std::optional<MessageBoxContent> WaitForMessageBox(const RunningProgram& program,
                                                   std::chrono::milliseconds deadline) {
    HWND box = program.WaitForDialog(deadline);
    if (!box) return std::nullopt;
    // The box is laid out and painted before it takes input; read it then.
    WaitUntil([&] { return IsWindowVisible(box) && GetWindow(box, GW_CHILD) != nullptr; }, deadline);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    BringToForeground(box, deadline);
    return ReadMessageBox(box);
}

bool DismissMessageBox(HWND message_box, std::chrono::milliseconds deadline) {
    if (!IsWindow(message_box)) return true;
    BringToForeground(message_box, deadline);
    PressEnter();
    return WaitUntil([&] { return !IsWindow(message_box) || !IsWindowVisible(message_box); }, deadline);
}

}  // namespace morvane::test
