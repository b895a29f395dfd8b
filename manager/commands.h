#pragma once
// What the manager's buttons do outside its window: start the other
// programs, send card files to the Recycle Bin, put a shortcut on the
// desktop.
#include <windows.h>

#include <string>
#include <string_view>

#include "paths.h"

namespace morvane::manager {

// A card name as one command-line argument. check and create group quoted
// words, so a name holding a blank is quoted; any other name goes as it is.
std::wstring CardArgument(std::wstring_view card_name);

// The command lines of the three starts.
std::wstring QueryCommandLine(std::wstring_view card_name);  // check.exe NAME
std::wstring EditCommandLine(std::wstring_view card_name);   // create.exe -e NAME
std::wstring CreateCommandLine();                            // create.exe -c

// Starts `program` (a file name such as "check.exe") from the program
// directory, whatever the current directory is, with `command_line`; does
// not wait and sets no current directory. False when it cannot start.
bool StartProgram(FilePathView program_directory, std::wstring_view program, std::wstring command_line);

// What became of a card file that the delete command sent away.
enum class CardDeletion {
    kDeleted,  // in the Recycle Bin; or, where the bin could not take it, deleted after the user said Yes
    kKept,     // the bin could not take it and the user said No: the file stays
    kFailed,   // not there, read-only, a directory, in use, access denied, or not a card file's name
};

// Sends the card file of `card_name` to the Recycle Bin, quietly: no
// progress, no question, no error box of the shell's own, but for the
// shell's question, owned by `owner`, before a card is deleted for good
// where the bin cannot take it (a drive without one, the bin turned off or
// too small). A read-only card file fails, as it would for DeleteFileW.
CardDeletion DeleteCardFile(HWND owner, FilePathView program_directory, std::wstring_view card_name);

// Desktop directory + "\" + card name + ".lnk": a shortcut to check.exe in
// the program directory with the card name as its arguments, replacing an
// older one. Needs COM initialised on the calling thread. False on failure.
bool MakeDesktopShortcut(FilePathView program_directory, std::wstring_view card_name);

// The shortcut file that MakeDesktopShortcut writes for `card_name`, or ""
// when the desktop directory cannot be had.
FilePath DesktopShortcutPath(std::wstring_view card_name);

}  // namespace morvane::manager
