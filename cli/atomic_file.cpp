#include "cli/atomic_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavrilo::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kAttempts = 100;

// A name for the temporary file, hidden beside `target` and unlike another's:
// the program's process and a count within it. The target's own name is cut
// short, so that the temporary name stays within the system's limit too.
fs::path TemporaryBeside(const fs::path& target, unsigned long process) {
    static std::atomic<unsigned> count{0};
    fs::path::string_type name = target.filename().native();
    name.resize(std::min<std::size_t>(name.size(), 100));
    std::string suffix = ".";
    suffix += std::to_string(process);
    suffix += '-';
    suffix += std::to_string(count++);
    suffix += ".tmp";
    fs::path hidden(".");
    hidden += name;
    hidden += suffix;
    return target.parent_path() / hidden;
}

#ifdef _WIN32

// Whether `target` exists and is a device (NUL, CON) or a pipe, not a file on a disk.
bool IsDevice(const fs::path& target) {
    const HANDLE file = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool device = GetFileType(file) != FILE_TYPE_DISK;
    CloseHandle(file);
    return device;
}

std::optional<SystemError> WriteDirectly(const fs::path& target, std::string_view content) {
    const HANDLE file =
        CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return LastWindowsError();
    const std::optional<SystemError> fault = WriteAllToHandle(file, content);
    CloseHandle(file);
    return fault;
}

std::optional<SystemError> Replace(const fs::path& target, std::string_view content) {
    if (IsDevice(target))
        return WriteDirectly(target, content);
    // A read-only file is not replaced, as the system refuses to write it.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return SystemError{SystemError::Source::Windows, ERROR_ACCESS_DENIED};
    fs::path temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = TemporaryBeside(target, GetCurrentProcessId());
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE &&
            (GetLastError() != ERROR_FILE_EXISTS || attempt + 1 == kAttempts))
            return LastWindowsError();
    }
    std::optional<SystemError> fault = WriteAllToHandle(file, content);
    if (!fault && !FlushFileBuffers(file))
        fault = LastWindowsError();
    if (!CloseHandle(file) && !fault)
        fault = LastWindowsError();
    if (!fault && !MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fault = LastWindowsError();
    if (fault)
        DeleteFileW(temporary.c_str());
    return fault;
}

#else

std::optional<SystemError> WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = write(fd, content.data(), content.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return LastErrno();
        }
        if (written == 0)
            return SystemError{SystemError::Source::Errno, EIO};
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
}

std::optional<SystemError> WriteDirectly(const fs::path& target, std::string_view content) {
    const int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return LastErrno();
    std::optional<SystemError> fault = WriteAll(fd, content);
    if (close(fd) != 0 && !fault)
        fault = LastErrno();
    return fault;
}

// Once the new name is in place, the folder's entry is made durable too;
// a system that cannot sync a folder loses nothing by it.
void SyncFolder(const fs::path& folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

std::optional<SystemError> Replace(const fs::path& given, std::string_view content) {
    // A symbolic link keeps pointing where it did: the file it names is replaced.
    fs::path target = given;
    std::error_code ignored;
    if (fs::is_symlink(given, ignored)) {
        const fs::path resolved = fs::canonical(given, ignored);
        if (!ignored)
            target = resolved;
    }
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return WriteDirectly(target, content);
    // A file the user may not write is not replaced either (renaming over it
    // needs only the folder's permission).
    if (exists && access(target.c_str(), W_OK) != 0)
        return LastErrno();

    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        temporary = TemporaryBeside(target, static_cast<unsigned long>(getpid()));
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            break;
        if (errno == EACCES && exists && access(target.c_str(), W_OK) == 0)
            // A file the user may write in a folder they may not: only in place.
            return WriteDirectly(target, content);
        if (errno != EEXIST || attempt + 1 == kAttempts)
            return LastErrno();
    }
    // The replacement keeps the old file's permissions.
    if (exists)
        fchmod(fd, old.st_mode & 07777);
    std::optional<SystemError> fault = WriteAll(fd, content);
    if (!fault && fsync(fd) != 0)
        fault = LastErrno();
    if (close(fd) != 0 && !fault)
        fault = LastErrno();
    if (!fault && rename(temporary.c_str(), target.c_str()) != 0)
        fault = LastErrno();
    if (fault) {
        unlink(temporary.c_str());
        return fault;
    }
    SyncFolder(target.parent_path());
    return std::nullopt;
}

#endif

} // namespace

std::optional<SystemError> WriteFileAtomically(const fs::path& path, std::string_view content) {
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return SystemError{SystemError::Source::Errno, EISDIR};
    return Replace(path, content);
}

} // namespace tavrilo::cli
