// The program on a pseudo-terminal, so that standard input and output are a real terminal.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "tests/e2e_child.h"
#include "tests/e2e_support.h"

namespace e2e {

using namespace child;

Result run_on_terminal(const std::string& dir, const std::vector<std::string>& args,
                       const std::string& typed) {
    std::vector<std::string> keep;
    std::vector<char*> argv = argv_for(args, keep);
    std::string err_path = scratch_file("err");
    int master = -1;
    struct termios raw;
    std::memset(&raw, 0, sizeof raw);
    cfmakeraw(&raw);
    raw.c_lflag |= ICANON;  // lines are typed and sent with Enter
    pid_t pid = forkpty(&master, nullptr, &raw, nullptr);
    if (pid == 0) {
        int err = ::open(err_path.c_str(), O_WRONLY | O_TRUNC);
        dup2(err, 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Result r;
    if (!typed.empty()) {
        write_all(master, typed);
    }
    // Read until the child closes its side of the terminal.
    char buf[65536];
    for (;;) {
        struct pollfd pfd = {master, POLLIN, 0};
        if (poll(&pfd, 1, 20000) <= 0) break;
        ssize_t n = ::read(master, buf, sizeof buf);
        if (n > 0) {
            r.out.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;  // EIO once the child has gone
    }
    wait(pid, r);
    ::close(master);
    int fd = ::open(err_path.c_str(), O_RDONLY);
    r.err = read_all(fd);
    ::close(fd);
    ::unlink(err_path.c_str());
    return r;
}

} // namespace e2e
