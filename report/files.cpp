// File identity and output files through a temporary file beside them, for POSIX and for Windows.
#include "report/files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace report {
namespace {
// The folder a path's file lies in, with its separator, or "" for the current one.
std::string folder_of(const std::string& path);
} // namespace
} // namespace report

#ifdef _WIN32
#include <io.h>
#include <windows.h>

namespace report {
namespace {

constexpr const char* separators = "/\\:";

// From Windows 8 on a file's identity is 128 bits; Wine answers that query
// for a standard handle a POSIX shell opened, though with no volume.
FileId handle_id(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK) return FileId{};
    FILE_ID_INFO id;
    FILE_BASIC_INFO basic;
    if (GetFileInformationByHandleEx(h, FileIdInfo, &id, sizeof id) &&
        GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic)) {
        if (basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) return FileId{};
        FileId f{2, id.VolumeSerialNumber, 0, 0};
        std::memcpy(&f.index, id.FileId.Identifier, 8);
        std::memcpy(&f.index_high, id.FileId.Identifier + 8, 8);
        return f;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return FileId{};
    return FileId{1, info.dwVolumeSerialNumber,
                  static_cast<unsigned long long>(info.nFileIndexHigh) << 32 | info.nFileIndexLow, 0};
}

HANDLE open_existing(const std::string& path, DWORD access) {
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The system's failure in the words the C library uses for it.
std::string failure(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return std::strerror(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return std::strerror(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::strerror(ENOSPC);
    case ERROR_INVALID_NAME: return std::strerror(EINVAL);
    default: return "Windows error " + std::to_string(code);
    }
}

bool write_handle(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD n = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
        DWORD done = 0;
        if (!WriteFile(h, bytes.data(), n, &done, nullptr) || done == 0) return false;
        bytes.remove_prefix(done);
    }
    return true;
}

} // namespace

FileId file_id(const std::string& path) {
    HANDLE h = open_existing(path, 0);
    const FileId id = handle_id(h);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return id;
}

FileId stream_id(int fd) { return handle_id(reinterpret_cast<HANDLE>(_get_osfhandle(fd))); }

bool replace_file(const std::string& path, std::string_view bytes, std::string* error) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *error = std::strerror(EISDIR);
        return false;
    }
    HANDLE h = open_existing(path, GENERIC_WRITE);
    if (h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_DISK) {
        const bool ok = write_handle(h, bytes);
        if (!ok) *error = failure(GetLastError());
        CloseHandle(h);
        return ok;
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    std::string folder = folder_of(path);
    char temp[MAX_PATH + 1];
    if (!GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "prr", 0, temp)) {
        *error = failure(GetLastError());
        return false;
    }
    h = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE && write_handle(h, bytes) && FlushFileBuffers(h);
    DWORD code = ok ? 0 : GetLastError();
    if (h != INVALID_HANDLE_VALUE && !CloseHandle(h) && ok) {
        ok = false;
        code = GetLastError();
    }
    if (ok && !MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        code = GetLastError();
    }
    if (!ok) {
        DeleteFileA(temp);
        *error = failure(code);
    }
    return ok;
}

namespace {

// Ctrl-C and Ctrl-Break end the run at once with the status Windows gives a
// program that Ctrl-C ended, as a signal ends it elsewhere: a read of
// standard input cut short by the interrupt must not pass for the end of the
// listing and a report of success.
BOOL WINAPI on_control(DWORD) {
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

} // namespace

void binary_streams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleCtrlHandler(on_control, TRUE);
}

} // namespace report

#else
#include <sys/stat.h>
#include <unistd.h>

namespace report {
namespace {

constexpr const char* separators = "/";

FileId stat_id(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) return FileId{};
    return FileId{1, static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino), 0};
}

bool write_fd(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

FileId file_id(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return FileId{};
    return stat_id(st);
}

FileId stream_id(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return FileId{};
    return stat_id(st);
}

bool replace_file(const std::string& path, std::string_view bytes, std::string* error) {
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        *error = std::strerror(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO cannot be replaced; renaming over it would
        // replace the special file itself.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        bool ok = fd >= 0 && write_fd(fd, bytes);
        if (!ok) *error = std::strerror(errno);
        if (fd >= 0 && ::close(fd) != 0 && ok) {
            ok = false;
            *error = std::strerror(errno);
        }
        return ok;
    }
    // Hidden beside the output, on the same file system, so the rename
    // cannot fail for a different disk.
    const std::string folder = folder_of(path);
    std::string temp = folder + "." + path.substr(folder.size()) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    // A replaced file keeps its permissions; a new one gets those the umask leaves.
    mode_t mode = exists ? st.st_mode & 07777 : 0;
    if (!exists) {
        mode = ::umask(0);
        ::umask(mode);
        mode = 0666 & ~mode;
    }
    bool ok = ::fchmod(fd, mode) == 0 && write_fd(fd, bytes) && ::fsync(fd) == 0;
    int code = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        *error = std::strerror(code);
    }
    return ok;
}

void binary_streams() {}

} // namespace report

#endif

namespace report {
namespace {

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.find_last_of(separators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace
} // namespace report
