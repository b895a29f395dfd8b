#pragma once
// What the manager's buttons do outside its window: start the other
// programs, delete card files, put a shortcut on the desktop.
#include <string>
#include <string_view>

namespace morvane::manager {

// A card name as one command-line argument. check and create group quoted
// words, so a name holding a blank is quoted; any other name goes as it is.
std::string CardArgument(std::string_view card_name);

// The command lines of the three starts.
std::string QueryCommandLine(std::string_view card_name);  // check.exe NAME
std::string EditCommandLine(std::string_view card_name);   // create.exe -e NAME
std::string CreateCommandLine();                           // create.exe -c

// Starts `program` (a file name such as "check.exe") from the program
// directory, whatever the current directory is, with `command_line`; does
// not wait and sets no current directory. False when it cannot start.
bool StartProgram(std::string_view program_directory, std::string_view program, std::string command_line);

// Deletes the card file of `card_name`; false when it is not there, cannot
// be deleted, or the name cannot be a card file's name.
bool DeleteCardFile(std::string_view program_directory, std::string_view card_name);

// Desktop directory + "\" + card name + ".lnk": a shortcut to check.exe in
// the program directory with the card name as its arguments, replacing an
// older one. Needs COM initialised on the calling thread. False on failure.
bool MakeDesktopShortcut(std::string_view program_directory, std::string_view card_name);

// The shortcut file that MakeDesktopShortcut writes for `card_name`, or ""
// when the desktop directory cannot be had.
std::string DesktopShortcutPath(std::string_view card_name);

}  // namespace morvane::manager
