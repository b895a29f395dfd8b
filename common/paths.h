#pragma once
// Where the programs and their card store lie.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The directory part of a program file's full path, without a trailing
// separator; the cut is made at the last separator that is not the trail
// byte of a Chinese character. A path without a separator gives "".
std::string DirectoryOfProgramFile(std::string_view program_file);

// The directory of the running program, without a trailing separator.
std::string ProgramDirectory();

// True when `name` can be a card file's name in the card store: not empty,
// none of \ / : * ? " < > | nor a control byte, not "." or "..", and not a
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9 in any case, with or
// without an extension). Anything else could write outside the card store,
// into an alternate stream or to a device.
bool IsPlainCardName(std::string_view name);

// The longest path the programs can open: the ANSI file functions take
// MAX_PATH (260) bytes, the terminating NUL among them. A card file past it
// could still be saved, through a short scratch name and a rename, and then
// listed, but never opened, edited or deleted again.
inline constexpr std::size_t kMaxFilePathBytes = 259;

// A save writes the new card first into a scratch file beside the card file;
// its name ("~", a unique part, ".tmp") has exactly this many bytes.
inline constexpr std::size_t kScratchFileNameBytes = 31;

// True when the programs can open `card_file` and the scratch file a save of
// it writes first: both paths within kMaxFilePathBytes.
bool IsOpenableCardFile(std::string_view card_file);

// program directory + "\cards\" + card name + ".ini"; nothing for a name
// that is not a plain card name, or when that path is not openable.
std::optional<std::string> CardFilePath(std::string_view program_directory, std::string_view card_name);
std::optional<std::string> CardFilePath(std::string_view card_name);

// program directory + "\cards"
std::string CardStoreDirectory(std::string_view program_directory);

}  // namespace morvane
