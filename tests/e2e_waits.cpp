// Where a run waits: the system call it sleeps in, as /proc shows it, and
// an output pipe that is full before the run starts.
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "tests/e2e_child.h"
#include "tests/e2e_support.h"

namespace e2e {

using namespace child;

namespace {

// The state letter of /proc/PID/stat: after the name in parentheses, which
// may itself hold blanks and parentheses.
char process_state(pid_t pid) {
    int fd = ::open(("/proc/" + std::to_string(pid) + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return '?';
    std::string stat = child::read_all(fd);
    ::close(fd);
    std::size_t close_paren = stat.rfind(')');
    return close_paren != std::string::npos && close_paren + 2 < stat.size() ? stat[close_paren + 2] : '?';
}

} // namespace

std::size_t child::fill_pipe(int write_end) {
    fcntl(write_end, F_SETPIPE_SZ, 4096);
    const int flags = fcntl(write_end, F_GETFL);
    fcntl(write_end, F_SETFL, flags | O_NONBLOCK);
    std::size_t n = 0;
    const std::string filler(4096, '#');
    for (;;) {
        ssize_t w = ::write(write_end, filler.data(), filler.size());
        if (w <= 0) {
            // A page that takes less than a whole write still has room for some.
            w = ::write(write_end, filler.data(), 1);
            if (w <= 0) break;
        }
        n += static_cast<std::size_t>(w);
    }
    fcntl(write_end, F_SETFL, flags);
    return n;
}

Session::Blocked Session::wait_until_blocked(long nr, long fd) {
    const std::string path = "/proc/" + std::to_string(pid_) + "/syscall";
    for (int i = 0; i < patience_steps; ++i) {
        if (ended()) return Blocked::ended;
        // "running", or the call's number and its arguments in hexadecimal.
        int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return Blocked::unknown;
        const std::string call = read_all(in);
        ::close(in);
        if (call.empty()) return Blocked::unknown;
        char* rest = nullptr;
        const long now = std::strtol(call.c_str(), &rest, 10);
        if (rest != call.c_str() && now == nr && (fd < 0 || std::strtol(rest, nullptr, 16) == fd) &&
            process_state(pid_) == 'S')
            return Blocked::yes;
        pause_briefly();
    }
    return Blocked::ended;
}

} // namespace e2e
