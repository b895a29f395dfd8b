#pragma once
// Drives the system's programs under test as a user would: a scratch program
// directory per test, the program started in it, its windows found, real
// keyboard and mouse input, control texts and message boxes read back.
//
// Every wait polls with a short sleep until a deadline; nothing sleeps for a
// fixed time. A window test has its desktop to itself, a display and a
// keyboard focus that no other test running at the same time shares
// (RESOURCE_GROUPS desktop:1, tests/CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::test {

using namespace std::chrono_literals;

// Long enough for a program started under a cold wine, short enough that a
// hang fails the test instead of stalling the run.
inline constexpr std::chrono::milliseconds kDefaultDeadline = 10s;

// Polls `condition` every few milliseconds until it holds (true) or the
// deadline passes (false). Window messages of the calling thread are pumped
// between polls, so the test's own clipboard or windows stay responsive.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = kDefaultDeadline);

// ---------------------------------------------------------------------------
// Text. The programs' windows speak UTF-16; the tests write their texts as
// narrow literals, which are GBK like a card file's bytes. The harness turns
// one into the other here (GBK code page 936, whatever the system's own), so
// that a test reads the same under every code page.

std::wstring Wide(std::string_view gbk);
// Text GBK cannot hold comes back as a marker that no test expects.
std::string Gbk(std::wstring_view wide);
// GBK text as UTF-8, so that failure messages show the Chinese.
std::string Utf8Of(std::string_view gbk);

// ---------------------------------------------------------------------------
// Files (paths in GBK)

std::optional<std::string> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

// The directory of the running test program, e.g. <build>\bin.
std::string TestProgramDirectory();

// A fresh program directory for one test, %TEMP%\morvane-tests\<suite>.<test>:
// the system's built programs (those of check.exe, create.exe, Morvane.exe
// that lie beside the test program) copied in, and a `cards` directory unless
// asked for none. Removed again when the test passed; kept for a look after a
// failure. Made anew (old content removed) on construction.
class ScratchDirectory {
public:
    enum class CardStore { kPresent, kAbsent };
    explicit ScratchDirectory(CardStore card_store = CardStore::kPresent);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }                  // no trailing backslash
    std::string ProgramPath(std::string_view program_file) const;      // Path() + "\" + file
    bool HasProgram(std::string_view program_file) const;
    std::string CardStorePath() const;                                 // Path() + "\cards"
    std::string CardFilePath(std::string_view card_name) const;        // ...\cards\<name>.ini
    bool CreateCardStore() const;

    // Card files as raw bytes (GBK text, CR LF as written).
    bool WriteCardFile(std::string_view card_name, std::string_view bytes) const;
    std::optional<std::string> ReadCardFile(std::string_view card_name) const;
    bool CardFileExists(std::string_view card_name) const;
    bool DeleteCardFile(std::string_view card_name) const;
    // File names (with .ini) in the card store, sorted byte-wise.
    std::vector<std::string> CardFileNames() const;

private:
    std::string path_;
};

// ---------------------------------------------------------------------------
// Processes and their windows

// One started program. Ended (TerminateProcess) in the destructor if it still
// runs.
class RunningProgram {
public:
    // Starts `program_path` (full path, the application name given to
    // CreateProcessW) with exactly `command_line` as its command line, both
    // GBK here and UTF-16 there.
    // `current_directory` empty: the test program's directory, so a program
    // that looked into its current directory instead of its own would fail.
    static std::optional<RunningProgram> Start(const std::string& program_path, const std::string& command_line,
                                               const std::string& current_directory = {});
    // Starts <directory>\<program_file> with the command line
    // "<program_file> <arguments>" (just "<program_file>" when arguments is
    // empty), as the manager and a shortcut start the programs.
    static std::optional<RunningProgram> StartIn(const ScratchDirectory& directory, std::string_view program_file,
                                                 std::string_view arguments = {});

    RunningProgram(RunningProgram&& other) noexcept;
    RunningProgram& operator=(RunningProgram&& other) noexcept;
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram();

    DWORD ProcessId() const { return process_id_; }
    HANDLE ProcessHandle() const { return process_; }

    // Top-level windows of this process (EnumWindows + GetWindowThreadProcessId).
    std::vector<HWND> TopLevelWindows(bool visible_only = true) const;
    // The first visible top-level window of this process that is not owned
    // and not of the dialog class #32770 (so not a message box); null until
    // there is one or the deadline passes.
    HWND WaitForMainWindow(std::chrono::milliseconds deadline = kDefaultDeadline) const;
    // A visible #32770 window (message box or dialog) of this process.
    HWND FindDialog() const;
    HWND WaitForDialog(std::chrono::milliseconds deadline = kDefaultDeadline) const;

    bool IsRunning() const;
    bool WaitForExit(std::chrono::milliseconds deadline = kDefaultDeadline) const;
    // The exit code once the process has ended; nothing while it runs.
    std::optional<DWORD> ExitCode() const;
    void Terminate();

    // Success when `window` (found by WaitForMainWindow) is there; else why
    // not, for the test's message: the program did not start, ended (with
    // its exit code), or runs without one.
    static ::testing::AssertionResult WindowOpened(const std::optional<RunningProgram>& program, HWND window);

private:
    RunningProgram(HANDLE process, DWORD process_id) : process_(process), process_id_(process_id) {}
    HANDLE process_ = nullptr;
    DWORD process_id_ = 0;
};

// ---------------------------------------------------------------------------
// Reading windows and controls of another process

// SendMessageTimeout so that a hung program fails the test instead of hanging it.
LRESULT Send(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0);
// WM_GETTEXTLENGTH + WM_GETTEXT in Unicode, and as GBK. GetWindowText
// cannot read another process's controls.
std::wstring WideTextOf(HWND window);
std::string TextOf(HWND window);
// WM_SETTEXT: for setting content where only content matters.
void SetTextOf(HWND window, std::wstring_view text);
void SetTextOf(HWND window, std::string_view gbk);
std::string ClassOf(HWND window);
LONG_PTR StyleOf(HWND window);
LONG_PTR ExStyleOf(HWND window);
HWND ControlOf(HWND window, int control_id);
// Rectangles in the parent's client coordinates and the window's outer size.
RECT ControlRect(HWND control);
SIZE OuterSize(HWND window);
SIZE ClientSize(HWND window);
// The focused window of the thread that owns `window` (GetGUIThreadInfo).
HWND FocusedWindow(HWND window);
HWND ForegroundWindow();
// EM_GETSEL: [start, end) in characters.
std::pair<DWORD, DWORD> EditSelection(HWND edit);
// WM_GETFONT: the font handle the control draws with; null for the legacy
// System font (a control that never got WM_SETFONT). A font handle of another
// process cannot be read with GetObject; compare it with a stock object.
HFONT FontOf(HWND control);

// What the screen shows in a rectangle of screen coordinates, row by row from
// the top, as COLORREF values (0x00BBGGRR). Read by BitBlt:
// GetPixel on the screen does not answer under wine.
std::vector<COLORREF> ScreenPixels(RECT area);

// How many pixels of the control as the screen shows it, less `inset`
// pixels on each side (a button's frame), differ in being ink (dark) or not
// from its caption drawn in `font` with DrawText `format`, placed as well as
// a pixel's shift each way places it. Tells which font a control of another
// process draws with, which WM_GETFONT cannot tell across processes under
// wine.
std::size_t PixelsDifferingFromCaption(HWND control, const std::string& caption, HGDIOBJ font, UINT format,
                                       int inset = 0);

// ---------------------------------------------------------------------------
// Input as a user gives it (SendInput)

// Brings the window to the foreground and waits until it is there.
bool BringToForeground(HWND window, std::chrono::milliseconds deadline = kDefaultDeadline);
// Key down and up of a virtual key; with shift, Shift is held around it.
void PressKey(WORD virtual_key, bool shift = false);
// Types ASCII letters, digits and the characters of the US layout, each as
// its key (Shift for upper-case letters and shifted characters); '\r' or
// '\n' is Enter, '\t' Tab.
void TypeKeys(std::string_view ascii);
void PressEnter();
void PressTab();
void PressShiftTab();
void PressBackspace();
void PressDelete();
// Alt held around a letter key: an access key.
void PressAlt(char letter);
// Alt held around any key: Alt+F4, Alt+Space.
void PressAltKey(WORD virtual_key);
// Ctrl held around a letter key: Ctrl+C, Ctrl+V, Ctrl+A ...
void PressCtrl(char letter);
// Ctrl held around any key: Ctrl+Insert.
void PressCtrlKey(WORD virtual_key);
// Ctrl and Shift held around any key: Ctrl+Shift+Enter.
void PressCtrlShiftKey(WORD virtual_key);
// A key pressed and left down, and let go; several let go at once.
void HoldKey(WORD virtual_key);
void ReleaseKey(WORD virtual_key);
void ReleaseKeys(std::initializer_list<WORD> virtual_keys);
// Moves the pointer to the centre of the control (screen coordinates).
void MoveMouseTo(HWND control);
void MoveMouseToScreen(POINT point);
void ClickControl(HWND control);
// A left click at a point of the screen.
void ClickAt(POINT point);

// Types the text one KEYEVENTF_UNICODE key per UTF-16 unit: what reaches a
// Unicode window whatever the keyboard layout.
void TypeUnicode(std::wstring_view text);
void TypeUnicode(std::string_view gbk);
// Posts the text to the control as WM_IME_CHAR messages, one UTF-16
// character each: the form in which an input method's result string reaches
// a Unicode window that leaves composition to the system.
void PostImeChars(HWND control, std::wstring_view text);
void PostImeChars(HWND control, std::string_view gbk);

// The clipboard's CF_UNICODETEXT, for paste and copy tests.
bool SetClipboardText(std::wstring_view text);
bool SetClipboardText(std::string_view gbk);
std::optional<std::string> ClipboardText();
// The marks that keep the clipboard's content out of clipboard history and
// the cloud clipboard which it lacks, named: ExcludeClipboardContentFrom-
// MonitorProcessing, and CanIncludeInClipboardHistory and
// CanUploadToCloudClipboard each holding a DWORD 0. Empty when it has all.
std::string MissingClipboardMarks();

// ---------------------------------------------------------------------------
// Message boxes

enum class MessageBoxIcon { kNone, kError, kWarning, kInformation, kQuestion, kUnknown };
const char* NameOf(MessageBoxIcon icon);

struct MessageBoxContent {
    HWND window = nullptr;
    std::string title;                 // as GBK
    std::string text;                  // as GBK, line breaks as the box holds them
    MessageBoxIcon icon = MessageBoxIcon::kNone;
    std::vector<std::string> buttons;  // captions, in z-order
};

// Reads a message box of another process. The icon kind is told by the
// pixels of the box's icon static, compared with the system icons drawn the
// same way (an icon handle of another process cannot be read back).
MessageBoxContent ReadMessageBox(HWND message_box);
// Waits for a message box of the program and reads it.
std::optional<MessageBoxContent> WaitForMessageBox(const RunningProgram& program,
                                                   std::chrono::milliseconds deadline = kDefaultDeadline);
// Presses Enter in the box (its default button) and waits until it is gone.
bool DismissMessageBox(HWND message_box, std::chrono::milliseconds deadline = kDefaultDeadline);

}  // namespace morvane::test
