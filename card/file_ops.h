#pragma once
// The few file-system operations the card store needs, for Windows (ANSI
// paths in code page 936) and natively.
#include <cstddef>
#include <cstdint>
#include <string>

namespace morvane::files {

bool IsRegularFile(const std::string& path);
bool IsDirectory(const std::string& path);
bool IsReadOnly(const std::string& path);

// Whole-file read and write. A missing file reads as failure, so callers
// that treat it as empty ask IsRegularFile first.
bool ReadAll(const std::string& path, std::string& bytes);
bool WriteAll(const std::string& path, const std::string& bytes);

// Puts `from` in place of `to` in one step, replacing an existing `to`.
bool Replace(const std::string& from, const std::string& to);
void Remove(const std::string& path);

// A name no other save of this or another process uses at the same time:
// always kUniqueSuffixBytes long, so that a scratch name has one length.
inline constexpr std::size_t kUniqueSuffixBytes = 26;
std::string UniqueSuffix();

}  // namespace morvane::files
