// Starting the program under test in a child process and waiting for it, for the end-to-end helpers.
#include "tests/e2e_child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

std::string child::read_all(int fd) {
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

[[noreturn]] void child::exec(int in, int out, int err, const std::string& dir, std::vector<char*>& argv,
                              const Launch& how) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ}) signal(sig, SIG_DFL);
    for (int sig : how.ignored) signal(sig, SIG_IGN);
    if (how.file_limit >= 0) {
        struct rlimit limit = {static_cast<rlim_t>(how.file_limit), static_cast<rlim_t>(how.file_limit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    const int from[] = {in, out, err};
    for (int fd = 0; fd < 3; ++fd) {
        if (from[fd] < 0)
            ::close(fd);
        else
            dup2(from[fd], fd);
    }
    if (chdir(dir.c_str()) != 0) _exit(126);
    execv(argv[0], argv.data());
    _exit(127);
}

bool child::write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (fd >= 0 && done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return done == bytes.size();
}

std::vector<char*> child::argv_for(const std::vector<std::string>& args, std::vector<std::string>& keep) {
    keep.clear();
    keep.push_back(program());
    keep.insert(keep.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : keep) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

bool child::wait_status(pid_t pid, int& ws, int seconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(seconds);
    // Short steps first: most runs end within milliseconds.
    useconds_t step = 100;
    for (;;) {
        pid_t r = waitpid(pid, &ws, WNOHANG);
        if (r == pid) return true;
        if (r < 0 && errno != EINTR) return false;
        if (clock::now() >= deadline) break;
        usleep(step);
        step = std::min<useconds_t>(step * 2, 20000);
    }
    kill(pid, SIGKILL);
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    ADD_FAILURE() << "the program had not ended after " << seconds << " s and was killed";
    return false;
}

void child::wait(pid_t pid, Result& r) {
    int ws = 0;
    wait_status(pid, ws);
    if (WIFEXITED(ws)) r.status = WEXITSTATUS(ws);
    if (WIFSIGNALED(ws)) r.signal = WTERMSIG(ws);
}

std::string child::scratch_file(const char* tag) {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/preflister-" + tag + "-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd >= 0) ::close(fd);
    return path;
}

void child::pause_briefly() { usleep(10000); }

} // namespace e2e
