#pragma once
// The few file-system operations the card store needs, for Windows (wide
// paths) and natively.
#include <cstddef>
#include <cstdint>
#include <string>

#include "paths.h"

namespace morvane::files {

bool IsRegularFile(const FilePath& path);
bool IsDirectory(const FilePath& path);
bool IsReadOnly(const FilePath& path);

// Whole-file read and write. A missing file reads as failure, so callers
// that treat it as empty ask IsRegularFile first.
bool ReadAll(const FilePath& path, std::string& bytes);
bool WriteAll(const FilePath& path, const std::string& bytes);

// Returns once the file's data is on the disk, not only in the system's
// cache (FlushFileBuffers; natively fsync), whoever wrote it.
bool FlushToDisk(const FilePath& path);

// Puts `from` in place of `to` in one step, replacing an existing `to`, and
// returns once the rename itself is on the disk (MOVEFILE_WRITE_THROUGH;
// natively an fsync of the directory). It does not flush `from`'s data: a
// crash may leave `to` naming a file whose data never reached the disk,
// unless FlushToDisk(from) came first. False when the rename failed, or
// when it was done but could not be made durable.
bool Replace(const FilePath& from, const FilePath& to);
void Remove(const FilePath& path);

// Marks the file for Windows Search to leave out of its index
// (FILE_ATTRIBUTE_NOT_CONTENT_INDEXED); natively there is no such mark. Where
// the file system keeps no such attribute (FAT; wine, which keeps only the
// hidden and system ones) it is dropped, so no save depends on it.
void KeepOutOfSearchIndex(const FilePath& path);

// A name no other save of this or another process uses at the same time:
// always kUniqueSuffixBytes long, so that a scratch name has one length.
inline constexpr std::size_t kUniqueSuffixBytes = 26;
std::string UniqueSuffix();

// What the operations above act on. Its own functions are the machine's; a
// test puts a derived one in place to watch the steps of a save, or to make
// one of them fail, and calls these to have them done.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool IsRegularFile(const FilePath& path);
    virtual bool IsDirectory(const FilePath& path);
    virtual bool IsReadOnly(const FilePath& path);
    virtual bool ReadAll(const FilePath& path, std::string& bytes);
    virtual bool WriteAll(const FilePath& path, const std::string& bytes);
    virtual bool FlushToDisk(const FilePath& path);
    virtual bool Replace(const FilePath& from, const FilePath& to);
    virtual void Remove(const FilePath& path);
    virtual void KeepOutOfSearchIndex(const FilePath& path);
};

// Makes `file_system` the one the operations act on, until destroyed.
class FileSystemOverride {
public:
    explicit FileSystemOverride(FileSystem& file_system);
    ~FileSystemOverride();
    FileSystemOverride(const FileSystemOverride&) = delete;
    FileSystemOverride& operator=(const FileSystemOverride&) = delete;

private:
    FileSystem* previous_;
};

}  // namespace morvane::files
