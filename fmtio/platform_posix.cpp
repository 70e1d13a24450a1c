// POSIX implementation of the platform calls.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fmtio/platform.h"

namespace fmtio::platform {
namespace {

Failure from_errno(int e) {
    switch (e) {
    case ENOENT:
    case ENOTDIR:
        return Failure::not_found;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY:
    case EAGAIN:
        return Failure::access_denied;
    case EEXIST:
        return Failure::exists;
    case EMFILE:
    case ENFILE:
        return Failure::too_many_files;
    case ENAMETOOLONG:
    case EILSEQ:
    case ELOOP:
        return Failure::invalid_name;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Failure::disk_full;
    case EPIPE:
        return Failure::broken_pipe;
    case EINTR:
        return Failure::interrupted;
    case EIO:
        return Failure::io_error;
    default:
        return Failure::other;
    }
}

Handle std_handle(Std which) {
    switch (which) {
    case Std::input: return STDIN_FILENO;
    case Std::output: return STDOUT_FILENO;
    case Std::error: return STDERR_FILENO;
    }
    return no_handle;
}

bool is_char_device(Handle h) {
    struct stat st;
    return fstat(static_cast<int>(h), &st) == 0 && S_ISCHR(st.st_mode);
}

bool exists(const char* name) {
    struct stat st;
    return stat(name, &st) == 0;
}

Failure open_file(const char* name, Access access, bool create_exclusive, Handle* out) {
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::read: flags |= O_RDONLY; break;
    case Access::read_write: flags |= O_RDWR; break;
    case Access::write: flags |= O_WRONLY; break;
    }
    if (create_exclusive) flags |= O_CREAT | O_EXCL;
    int fd;
    do {
        fd = ::open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return from_errno(errno);
    // A directory opens for reading here; it is no data file.
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return Failure::access_denied;
    }
    *out = fd;
    return Failure::none;
}

bool identity(Handle h, FileId* id) {
    struct stat st;
    if (fstat(static_cast<int>(h), &st) != 0) return false;
    id->volume = static_cast<std::uint64_t>(st.st_dev);
    id->index = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

Failure seek_end(Handle h) {
    // Pipes and character devices have no end to seek to; writing simply goes on.
    if (lseek(static_cast<int>(h), 0, SEEK_END) < 0 && errno != ESPIPE) return from_errno(errno);
    return Failure::none;
}

Failure read_once(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    ssize_t n = ::read(static_cast<int>(h), buf, cap);
    if (n < 0) {
        *got = 0;
        return from_errno(errno);
    }
    *got = static_cast<std::size_t>(n);
    return Failure::none;
}

Failure write_once(Handle h, const void* buf, std::size_t n, std::size_t* put) {
    ssize_t w = ::write(static_cast<int>(h), buf, n);
    if (w < 0) {
        *put = 0;
        return from_errno(errno);
    }
    *put = static_cast<std::size_t>(w);
    return Failure::none;
}

void close_handle(Handle h) { ::close(static_cast<int>(h)); }

void exit_process(int status) { std::_Exit(status); }

const Calls native = {std_handle, is_char_device, exists, open_file, identity, seek_end,
                      read_once,  write_once,     close_handle, exit_process};
Calls active = native;

int word_total = 0;
char** words = nullptr;

} // namespace

Calls& calls() { return active; }
const Calls& native_calls() { return native; }

void on_interrupt(void (*handler)(int sig)) {
    struct sigaction sa;
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = handler;
    // Back to the default on entry, and not blocked, so that raising the same
    // signal from the handler ends the process at once.
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

void end_by_signal(int sig) {
    signal(sig, SIG_DFL);
    raise(sig);
    _exit(128 + sig);
}

void set_command_line(int argc, char** argv) {
    word_total = argc;
    words = argv;
}

int word_count() { return word_total; }

const char* word(int n, std::size_t* len) {
    if (n < 0 || n >= word_total || words == nullptr) return nullptr;
    const char* w = words[n];
    std::size_t k = 0;
    while (w[k] != '\0') ++k;
    *len = k;
    return w;
}

} // namespace fmtio::platform
