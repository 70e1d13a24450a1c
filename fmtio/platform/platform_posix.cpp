// POSIX implementation of the platform calls.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include "fmtio/platform/platform.h"

namespace fmtio::platform {
namespace {

// Standard streams the process was started without: their numbers are held by
// placeholders (guard_standard_streams).
bool started_closed[3] = {false, false, false};

bool closed_standard(Handle h) { return h >= 0 && h <= 2 && started_closed[h]; }

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
        return Failure::invalid_name;
    case ELOOP:
        return Failure::link_loop;
    case ENOSPC:
    case EDQUOT:
        return Failure::disk_full;
    case EFBIG:
        return Failure::file_too_large;
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

Kind kind_of(mode_t mode) {
    if (S_ISCHR(mode)) return Kind::device;
    if (S_ISFIFO(mode) || S_ISSOCK(mode)) return Kind::pipe;
    return Kind::disk;
}

Kind kind(Handle h) {
    struct stat st;
    if (closed_standard(h) || fstat(static_cast<int>(h), &st) != 0) return Kind::none;
    return kind_of(st.st_mode);
}

Kind look_up(const char* name) {
    struct stat st;
    if (stat(name, &st) != 0) return Kind::none;
    return kind_of(st.st_mode);
}

// An exclusive create that finds the name taken by a symbolic link to
// nothing: the name exists, but no file does.
bool dangling(const char* name) {
    struct stat st;
    return lstat(name, &st) == 0 && S_ISLNK(st.st_mode) && stat(name, &st) != 0 && errno == ENOENT;
}

Failure open_file(const char* name, Access access, bool create_exclusive, bool append, Handle* out) {
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::read: flags |= O_RDONLY; break;
    case Access::read_write: flags |= O_RDWR; break;
    case Access::write: flags |= O_WRONLY; break;
    }
    if (create_exclusive) flags |= O_CREAT | O_EXCL;
    // Appending at the system level: also an append-only file opens, and no
    // byte lands anywhere but the end, whoever else writes to the file.
    if (append && access != Access::read) flags |= O_APPEND;
    int fd;
    do {
        fd = ::open(name, flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int e = errno;
        if (e == EEXIST && dangling(name)) return Failure::dangling_link;
        return from_errno(e);
    }
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
    *got = 0;
    ssize_t n = ::read(static_cast<int>(h), buf, cap);
    if (n < 0) return from_errno(errno);
    *got = static_cast<std::size_t>(n);
    return Failure::none;
}

// The record's reads, each straight to the system: nothing between one
// call and the next but the count of what came. Inlined where the table's
// call is known to reach it: the fortified read's checks, before they fold
// away, would make it look too large to inline, and the record would pay a
// call and a return for it.
[[gnu::always_inline]] inline Failure read_chunks(Handle h, void* buf, std::size_t chunk, std::size_t n,
                                                  std::size_t* done, bool* ended) {
    char* const p = static_cast<char*>(buf);
    char* q = p;
    char* const last = p + (n - chunk);  // the last place a whole chunk still goes
    const int fd = static_cast<int>(h);
    Failure f = Failure::none;
    *ended = false;
    // Whether to read again. Written out four times below: each read of a
    // four-chunk record then has a test of its own that goes the same way
    // every record. One test for all four, reached straight from the
    // system's code, was guessed wrong at every record's last read.
    const auto again = [&] {
        const ssize_t r = ::read(fd, q, chunk);
        if (r > 0) {
            q += r;
            return q <= last;
        }
        if (r == 0) {
            *ended = true;
            return false;
        }
        if (errno == EINTR) return true;
        f = from_errno(errno);
        return false;
    };
    while (again() && again() && again() && again()) {
    }
    *done = static_cast<std::size_t>(q - p);
    return f;
}

Failure write_once(Handle h, const void* buf, std::size_t n, std::size_t* put) {
    *put = 0;
    if (closed_standard(h)) return Failure::closed_stream;
    ssize_t w = ::write(static_cast<int>(h), buf, n);
    if (w < 0) return from_errno(errno);
    *put = static_cast<std::size_t>(w);
    return Failure::none;
}

Failure lock_file(Handle h, bool wait) {
    if (flock(static_cast<int>(h), LOCK_EX | (wait ? 0 : LOCK_NB)) == 0) return Failure::none;
    switch (errno) {
    case EWOULDBLOCK: return Failure::busy;
    case EINTR: return Failure::interrupted;
    case ENOLCK:
    case EOPNOTSUPP:
    case EINVAL: return Failure::unsupported;
    default: return from_errno(errno);
    }
}

void close_handle(Handle h) { ::close(static_cast<int>(h)); }

// Linked in only by a build that records a profile, which an exit handler
// writes and _Exit would skip. Tested as the program runs, not compiled in
// or out, so that the recording build and the build that reads its profile
// compile this function alike.
extern "C" [[gnu::weak]] void __gcov_dump(void);

void exit_process(int status) {
    if (__gcov_dump) __gcov_dump();
    std::_Exit(status);
}

[[noreturn]] void end_by_signal(int sig) {
    signal(sig, SIG_DFL);
    raise(sig);
    // Inside the handler the signal is held back: let it through now; the
    // other interrupts stay held, so the process ends by this one.
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    _exit(128 + sig);
}

void (*interrupt_handler)(int sig) = nullptr;
volatile std::sig_atomic_t first_interrupt = 0;

// How long an interrupted run may still take to write out its whole records.
constexpr unsigned patience_seconds = 1;

void give_up(int) { end_by_signal(first_interrupt); }

void on_signal(int sig, siginfo_t*, void* context) {
    if (!first_interrupt) {
        first_interrupt = sig;
        // A reader that does not read holds the run no longer than this: the
        // alarm ends it by the same signal. It must get through also once
        // the handler has returned (to an interrupt that waits for a record
        // to be whole), whatever the process was started with blocked.
        struct sigaction sa;
        sa.sa_handler = give_up;
        sa.sa_flags = 0;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGALRM, &sa, nullptr);
        sigset_t alarm_only;
        sigemptyset(&alarm_only);
        sigaddset(&alarm_only, SIGALRM);
        sigprocmask(SIG_UNBLOCK, &alarm_only, nullptr);
        sigdelset(&static_cast<ucontext_t*>(context)->uc_sigmask, SIGALRM);
        alarm(patience_seconds);
    }
    interrupt_handler(sig);
}

void on_interrupt(void (*handler)(int sig)) {
    interrupt_handler = handler;
    struct sigaction sa;
    sa.sa_sigaction = on_signal;
    // No SA_RESTART: a call that an interrupt cut short comes back, and a
    // write that waits for a reader is not simply made again.
    sa.sa_flags = SA_SIGINFO;
    // While one interrupt is handled the others wait, so the handler never
    // runs twice at once.
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&sa.sa_mask, sig);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before;
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(sig, &sa, nullptr);
    }
    // A closed pipe and the file-size limit are failing writes, reported.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

const Calls native = {std_handle, kind,       look_up,     open_file, identity,     seek_end,
                      read_once,  write_once, read_chunks, lock_file, close_handle, exit_process,
                      on_interrupt, end_by_signal};
Calls active = native;

int word_total = 0;
char** words = nullptr;

} // namespace

Calls& calls() { return active; }
const Calls& native_calls() { return native; }

void guard_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // The lowest free number is this one: the streams below it are open.
        // Read only, so that a write to it fails and a read ends the input.
        int held = ::open("/dev/null", O_RDONLY);
        if (held == fd) {
            started_closed[fd] = true;
        } else if (held >= 0) {
            ::close(held);
        }
    }
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
