#pragma once
// Where the programs and their card store lie.
//
// Paths are the system's own kind of text: UTF-16 on Windows, whose wide file
// functions take any file name whatever the system's code page, and bytes
// elsewhere. A card name is a path piece too: it names its card file.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace morvane {

#ifdef _WIN32
using PathChar = wchar_t;
inline constexpr PathChar kPathSeparator = L'\\';
#else
using PathChar = char;
inline constexpr PathChar kPathSeparator = '/';
#endif
using FilePath = std::basic_string<PathChar>;
using FilePathView = std::basic_string_view<PathChar>;

// An ASCII text ("cards", ".ini", "check.exe") as a path piece.
FilePath PathFromAscii(std::string_view ascii);

// The directory part of a program file's full path, without a trailing
// separator. A path without a separator gives "".
FilePath DirectoryOfProgramFile(FilePathView program_file);

// The directory of the running program, without a trailing separator.
FilePath ProgramDirectory();

// True when `name` can be a card file's name in the card store: not empty,
// none of \ / : * ? " < > | nor a control character, not "." or "..", and
// not a device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9 in any case, with or
// without an extension). Anything else could write outside the card store,
// into an alternate stream or to a device.
bool IsPlainCardName(FilePathView name);

// The longest path the programs can open, in the path's own units (UTF-16 on
// Windows): the file functions take MAX_PATH (260), the terminating NUL among
// them. A card file past it could still be saved, through a short scratch
// name and a rename, and then listed, but never opened, edited or deleted
// again.
inline constexpr std::size_t kMaxFilePathLength = 259;

// A save writes the new card first into a scratch file beside the card file;
// its name ("~", a unique part, ".tmp") has exactly this length.
inline constexpr std::size_t kScratchFileNameLength = 31;

// True when the programs can open `card_file` and the scratch file a save of
// it writes first: both paths within kMaxFilePathLength.
bool IsOpenableCardFile(FilePathView card_file);

// program directory + "\cards\" + card name + ".ini"; nothing for a name
// that is not a plain card name, or when that path is not openable.
std::optional<FilePath> CardFilePath(FilePathView program_directory, FilePathView card_name);
std::optional<FilePath> CardFilePath(FilePathView card_name);

// program directory + "\cards"
FilePath CardStoreDirectory(FilePathView program_directory);

}  // namespace morvane
