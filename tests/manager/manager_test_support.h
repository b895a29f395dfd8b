#pragma once
// What the manager's tests need beyond the window harness: the programs the
// manager starts (it does not hand their processes to the test), a stand-in
// that records how it was started, a desktop directory of the test's own,
// and double clicks.
#include <windows.h>
#include <unknwn.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "window_harness.h"

namespace morvane::test {

// Visible top-level windows of the processes whose program file is
// `program_path` (compared without regard to case).
std::vector<HWND> WindowsOfProgram(const std::string& program_path);

// The processes whose program file lies in `directory`, this one aside.
std::vector<DWORD> ProcessesOfProgramsIn(const std::string& directory);
// Ends every process whose program file lies in `directory`.
void EndProgramsIn(const std::string& directory);

// Copies the command recorder over `program_file` in the scratch directory.
bool ReplaceWithRecorder(const ScratchDirectory& directory, std::string_view program_file);

struct RecordedStart {
    std::string command_line;
    std::string current_directory;
    std::string program_path;
};
// The starts the recorder has written down in `directory`, in no order.
std::vector<RecordedStart> RecordedStarts(const ScratchDirectory& directory);

// Points the current user's desktop directory (User Shell Folders\Desktop)
// at `path` while it lives; the old value comes back afterwards. Under wine
// the real desktop is the user's home directory.
class DesktopRedirection {
public:
    explicit DesktopRedirection(const std::string& path);
    ~DesktopRedirection();
    DesktopRedirection(const DesktopRedirection&) = delete;
    DesktopRedirection& operator=(const DesktopRedirection&) = delete;

private:
    bool had_value_ = false;
    DWORD type_ = REG_EXPAND_SZ;
    std::vector<BYTE> old_value_;
};

// A COM object released when the pointer goes.
struct ComReleaser {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, ComReleaser>;

// What the shell reads from a shortcut file (.lnk); nothing when it cannot
// read one. COM must be initialized on the thread.
struct Shortcut {
    std::string target, arguments, description, icon;
};
std::optional<Shortcut> ReadShortcut(const std::string& file);

// The Recycle Bin as Explorer lists it, through the shell's own folder of
// it: each item's name and the folder it was deleted from (its "Original
// Location" column), both GBK. Under wine the bin is the XDG trash of
// XDG_DATA_HOME, which the tests' prefixes have of their own.
struct RecycledFile {
    std::string name;
    std::string original_folder;
    bool operator==(const RecycledFile&) const = default;
};
void PrintTo(const RecycledFile& file, std::ostream* out);
std::vector<RecycledFile> RecycleBinFiles();
// Empties the bin without a question, so that a test sees only what it put
// there.
bool EmptyRecycleBin();
// Every item of the bin put back where it was deleted from, by the first
// command of its context menu, Restore, as a user restores it.
bool RestoreRecycleBin();

// A list entry's text, as GBK.
std::string ListEntryText(HWND list, int index);
// Panel 0 of a status bar.
std::string StatusBarText(HWND status_bar);

// Two left clicks at the screen point, close enough for a double click.
void DoubleClickAt(POINT point);

}  // namespace morvane::test
