#include "tests/e2e_support.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace e2e {
namespace {

std::string read_all(int fd) {
    std::string s;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            s.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        break;
    }
    return s;
}

std::vector<char*> argv_for(const std::vector<std::string>& args, std::vector<std::string>& keep) {
    keep.clear();
    keep.push_back(program());
    keep.insert(keep.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : keep) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

void finish(pid_t pid, Result& r) {
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(ws)) r.status = WEXITSTATUS(ws);
    if (WIFSIGNALED(ws)) r.signal = WTERMSIG(ws);
}

std::string scratch_file(const char* tag) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/preflister-" + tag + "-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd >= 0) ::close(fd);
    return path;
}

Result run_with(const std::string& dir, const std::vector<std::string>& args, const std::string* input) {
    std::vector<std::string> keep;
    std::vector<char*> argv = argv_for(args, keep);
    // Output goes to files, as a redirected run's would; pipes would need a reader.
    std::string out_path = scratch_file("out"), err_path = scratch_file("err"), in_path;
    if (input) {
        in_path = scratch_file("in");
        int fd = ::open(in_path.c_str(), O_WRONLY | O_TRUNC);
        if (fd >= 0) {
            if (::write(fd, input->data(), input->size()) < 0) {
            }
            ::close(fd);
        }
    }
    pid_t pid = fork();
    if (pid == 0) {
        int in = ::open(input ? in_path.c_str() : "/dev/null", O_RDONLY);
        int out = ::open(out_path.c_str(), O_WRONLY | O_TRUNC);
        int err = ::open(err_path.c_str(), O_WRONLY | O_TRUNC);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Result r;
    finish(pid, r);
    for (auto* p : {&out_path, &err_path}) {
        int fd = ::open(p->c_str(), O_RDONLY);
        (p == &out_path ? r.out : r.err) = read_all(fd);
        ::close(fd);
        ::unlink(p->c_str());
    }
    if (input) ::unlink(in_path.c_str());
    return r;
}

} // namespace

std::string program() {
    const char* env = std::getenv("PREFLISTER_BIN");
    return env && *env ? env : PREFLISTER_BIN;
}

Result run(const std::string& dir, const std::vector<std::string>& args) {
    return run_with(dir, args, nullptr);
}

Result run(const std::string& dir, const std::vector<std::string>& args, const std::string& input) {
    return run_with(dir, args, &input);
}

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
        if (::write(master, typed.data(), typed.size()) < 0) {
        }
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
    finish(pid, r);
    ::close(master);
    int fd = ::open(err_path.c_str(), O_RDONLY);
    r.err = read_all(fd);
    ::close(fd);
    ::unlink(err_path.c_str());
    return r;
}

std::vector<std::string> screen(const std::string& bytes) {
    std::vector<std::string> lines(1);
    std::size_t row = 0, col = 0;
    for (char ch : bytes) {
        if (ch == '\r') {
            col = 0;
        } else if (ch == '\n') {
            ++row;
            if (row == lines.size()) lines.emplace_back();
        } else {
            std::string& line = lines[row];
            if (line.size() <= col) line.resize(col + 1, ' ');
            line[col++] = ch;
        }
    }
    return lines;
}

std::string visible(const std::string& bytes) {
    std::string s;
    for (unsigned char ch : bytes) {
        if (ch == '\r') s += "\\r";
        else if (ch == '\n') s += "\\n\n";
        else if (ch < 32 || ch > 126) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02x", ch);
            s += b;
        } else s += static_cast<char>(ch);
    }
    return s;
}

} // namespace e2e
