#include "file_ops.h"

#include <algorithm>
#include <atomic>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

namespace morvane::files {

namespace {

std::atomic<std::uint32_t> save_counter{0};

// Three numbers as fixed-width hexadecimal, dash-separated.
std::string FixedWidthSuffix(std::uint32_t process, std::uint32_t time, std::uint32_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string suffix;
    suffix.reserve(kUniqueSuffixBytes);
    for (std::uint32_t number : {process, time, count}) {
        if (!suffix.empty()) suffix += '-';
        for (int shift = 28; shift >= 0; shift -= 4) suffix += kDigits[(number >> shift) & 0xF];
    }
    return suffix;
}

}  // namespace

#ifdef _WIN32

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

DWORD Attributes(const FilePath& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace

bool FileSystem::IsRegularFile(const FilePath& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSystem::IsDirectory(const FilePath& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSystem::IsReadOnly(const FilePath& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool FileSystem::ReadAll(const FilePath& path, std::string& bytes) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return false;
        if (read == 0) return true;
        bytes.append(buffer, read);
    }
}

bool FileSystem::WriteAll(const FilePath& path, const std::string& bytes) {
    FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// The cache belongs to the file, not to a handle: a handle of our own
// flushes what the platform's INI writer wrote through its.
bool FileSystem::FlushToDisk(const FilePath& path) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && FlushFileBuffers(file.get());
}

bool FileSystem::Replace(const FilePath& from, const FilePath& to) {
    // A reader (the query window's profile read) holds the card file open for
    // a moment without sharing deletion; a replace then fails with a sharing
    // error. Wait a little for it to let go before giving up.
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == 20) return false;
        Sleep(5);
    }
}

void FileSystem::Remove(const FilePath& path) { DeleteFileW(path.c_str()); }

void FileSystem::KeepOutOfSearchIndex(const FilePath& path) {
    const DWORD attributes = Attributes(path);
    // FILE_ATTRIBUTE_NORMAL stands only alone.
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path.c_str(), (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
}

std::string UniqueSuffix() { return FixedWidthSuffix(GetCurrentProcessId(), GetTickCount(), ++save_counter); }

#else

bool FileSystem::IsRegularFile(const FilePath& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool FileSystem::IsDirectory(const FilePath& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The owner's write bit plays the part of the Windows read-only attribute
// (asking access() would say "writable" to root).
bool FileSystem::IsReadOnly(const FilePath& path) {
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && !(status.st_mode & S_IWUSR);
}

bool FileSystem::ReadAll(const FilePath& path, std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes.clear();
    char buffer[64 * 1024];
    std::size_t read;
    while ((read = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, read);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool FileSystem::WriteAll(const FilePath& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = (std::fflush(file) == 0) && ok;
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

namespace {

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (valid()) close(descriptor_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    bool valid() const { return descriptor_ >= 0; }
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

bool Sync(const FilePath& path, int flags) {
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | flags));
    return file.valid() && fsync(file.get()) == 0;
}

}  // namespace

bool FileSystem::FlushToDisk(const FilePath& path) { return Sync(path, 0); }

// A rename is on the disk once its directory is.
bool FileSystem::Replace(const FilePath& from, const FilePath& to) {
    if (std::rename(from.c_str(), to.c_str()) != 0) return false;
    const std::size_t cut = to.rfind('/');
    return Sync(cut == std::string::npos ? "." : cut == 0 ? "/" : to.substr(0, cut), O_DIRECTORY);
}

void FileSystem::Remove(const FilePath& path) { std::remove(path.c_str()); }

void FileSystem::KeepOutOfSearchIndex(const FilePath&) {}

std::string UniqueSuffix() {
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return FixedWidthSuffix(static_cast<std::uint32_t>(getpid()), static_cast<std::uint32_t>(now.tv_nsec),
                            ++save_counter);
}

#endif

namespace {
FileSystem machine;
FileSystem* current = &machine;
}  // namespace

FileSystemOverride::FileSystemOverride(FileSystem& file_system) : previous_(current) { current = &file_system; }
FileSystemOverride::~FileSystemOverride() { current = previous_; }

bool IsRegularFile(const FilePath& path) { return current->IsRegularFile(path); }
bool IsDirectory(const FilePath& path) { return current->IsDirectory(path); }
bool IsReadOnly(const FilePath& path) { return current->IsReadOnly(path); }
bool ReadAll(const FilePath& path, std::string& bytes) { return current->ReadAll(path, bytes); }
bool WriteAll(const FilePath& path, const std::string& bytes) { return current->WriteAll(path, bytes); }
bool FlushToDisk(const FilePath& path) { return current->FlushToDisk(path); }
bool Replace(const FilePath& from, const FilePath& to) { return current->Replace(from, to); }
void Remove(const FilePath& path) { current->Remove(path); }
void KeepOutOfSearchIndex(const FilePath& path) { current->KeepOutOfSearchIndex(path); }

}  // namespace morvane::files
