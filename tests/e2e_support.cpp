#include "tests/e2e_support.h"

#include "tests/e2e_child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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

namespace {

using namespace child;

std::string read_and_remove(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::string s = read_all(fd);
    ::close(fd);
    ::unlink(path.c_str());
    return s;
}

} // namespace

std::string program() {
    const char* env = std::getenv("PREFLISTER_BIN");
    return env && *env ? env : PREFLISTER_BIN;
}

bool windows_build() {
    const char* s = std::getenv("PREFLISTER_BIN_SYSTEM");
    return s && std::strcmp(s, "windows") == 0;
}

Result run(const std::string& dir, const std::vector<std::string>& args) { return run(dir, args, nullptr, {}); }

Result run(const std::string& dir, const std::vector<std::string>& args, const std::string& input) {
    return run(dir, args, &input, {});
}

Result run(const std::string& dir, const std::vector<std::string>& args, const std::string* input,
           const Launch& how) {
    std::vector<std::string> keep;
    std::vector<char*> argv = argv_for(args, keep);
    // Output goes to files, as a redirected run's would; pipes would need a reader.
    std::string out_path = scratch_file("out"), err_path = scratch_file("err"), in_path;
    if (input) {
        in_path = scratch_file("in");
        int fd = ::open(in_path.c_str(), O_WRONLY | O_TRUNC);
        if (fd >= 0) {
            write_all(fd, *input);
            ::close(fd);
        }
    }
    pid_t pid = fork();
    if (pid == 0) {
        auto stream = [](bool closed, const std::string& append, const std::string& capture) {
            if (closed) return -1;
            if (!append.empty()) return ::open(append.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
            return ::open(capture.c_str(), O_WRONLY | O_TRUNC);
        };
        int in = how.close_in ? -1 : ::open(input ? in_path.c_str() : "/dev/null", O_RDONLY);
        exec(in, stream(how.close_out, how.out_append, out_path), stream(how.close_err, how.err_append, err_path),
             dir, argv, how);
    }
    Result r;
    wait(pid, r);
    r.out = read_and_remove(out_path);
    r.err = read_and_remove(err_path);
    if (input) ::unlink(in_path.c_str());
    return r;
}

void child::pause_briefly() { usleep(10000); }

Session::Session(const std::string& dir, const std::vector<std::string>& args, Output output, Input input,
                 const Launch& how)
    : output_pipe_(output != Output::file) {
    // Writing to a FIFO or pipe whose reader has gone must fail, not end the test.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> keep;
    std::vector<char*> argv = argv_for(args, keep);
    err_path_ = scratch_file("err");
    int pipe_fds[2] = {-1, -1};
    if (output_pipe_) {
        if (pipe2(pipe_fds, O_CLOEXEC) != 0) return;
        out_fd_ = pipe_fds[0];
        if (output == Output::closed_pipe) close_output();
        if (output == Output::full_pipe) ahead_ = child::fill_pipe(pipe_fds[1]);
    } else {
        out_path_ = scratch_file("out");
    }
    int in_fds[2] = {-1, -1};
    if (input == Input::pipe) {
        if (pipe2(in_fds, O_CLOEXEC) != 0) return;
        in_fd_ = in_fds[1];
    }
    pid_ = fork();
    if (pid_ == 0) {
        int in = input == Input::pipe ? in_fds[0] : ::open("/dev/null", O_RDONLY);
        int out = output_pipe_ ? pipe_fds[1] : ::open(out_path_.c_str(), O_WRONLY | O_TRUNC);
        exec(in, out, ::open(err_path_.c_str(), O_WRONLY | O_TRUNC), dir, argv, how);
    }
    if (output_pipe_) ::close(pipe_fds[1]);
    if (input == Input::pipe) ::close(in_fds[0]);
}

bool Session::type(const std::string& text) { return write_all(in_fd_, text); }

Session::~Session() {
    if (pid_ > 0 && !ended()) {
        kill(pid_, SIGKILL);
        finish();
    }
    close_feed();
    close_output();
    if (in_fd_ >= 0) ::close(in_fd_);
    if (!out_path_.empty()) ::unlink(out_path_.c_str());
    ::unlink(err_path_.c_str());
}

bool Session::ended() {
    if (reaped_) return true;
    if (pid_ <= 0) return true;
    pid_t r = waitpid(pid_, &wait_status_, WNOHANG);
    if (r == pid_) reaped_ = true;
    return reaped_;
}

bool Session::open_feed(const std::string& fifo) {
    // Non-blocking, so a program that never opens the FIFO cannot hang the test.
    for (int i = 0; i < patience_steps; ++i) {
        int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            feed_fd_ = fd;
            return true;
        }
        if (errno != ENXIO || ended()) return false;
        pause_briefly();
    }
    return false;
}

bool Session::feed(const std::string& bytes) { return write_all(feed_fd_, bytes); }

void Session::close_feed() {
    if (feed_fd_ >= 0) ::close(feed_fd_);
    feed_fd_ = -1;
}

void Session::read_output() {
    if (output_pipe_) {
        if (out_fd_ < 0) return;
        char buf[4096];
        for (;;) {
            struct pollfd pfd = {out_fd_, POLLIN, 0};
            if (poll(&pfd, 1, 0) <= 0) return;
            ssize_t n = ::read(out_fd_, buf, sizeof buf);
            if (n <= 0) return;
            out_.append(buf, static_cast<std::size_t>(n));
        }
    } else {
        int fd = ::open(out_path_.c_str(), O_RDONLY);
        out_ = read_all(fd);
        ::close(fd);
    }
}

bool Session::wait_for_output(const std::string& text) { return wait_until(text, false); }

bool Session::wait_for_error(const std::string& text) { return wait_until(text, true); }

bool Session::wait_until(const std::string& text, bool error) {
    for (int i = 0; i < patience_steps; ++i) {
        // Whether it had ended is asked first, so output written before the end is still seen.
        bool gone = ended();
        std::string err;
        if (error) {
            int fd = ::open(err_path_.c_str(), O_RDONLY);
            err = read_all(fd);
            ::close(fd);
        } else {
            read_output();
        }
        if ((error ? err : out_).find(text) != std::string::npos) return true;
        if (gone) return false;
        pause_briefly();
    }
    return false;
}

void Session::close_output() {
    if (out_fd_ >= 0) ::close(out_fd_);
    out_fd_ = -1;
}

void Session::send(int sig) {
    if (pid_ > 0 && !reaped_) kill(pid_, sig);
}

Result Session::finish() { return finish_within(patience_seconds); }

Result Session::finish_within(int seconds) {
    Result r;
    if (pid_ <= 0) return r;
    if (!reaped_) {
        wait_status(pid_, wait_status_, seconds);
        reaped_ = true;
    }
    if (WIFEXITED(wait_status_)) r.status = WEXITSTATUS(wait_status_);
    if (WIFSIGNALED(wait_status_)) r.signal = WTERMSIG(wait_status_);
    if (output_pipe_) {
        // What the program wrote before the test closed its end, and after, while it was open.
        // A process the program left behind may hold the pipe open: a quiet
        // pipe ends the reading rather than the end of file alone.
        if (out_fd_ >= 0) {
            char buf[4096];
            for (;;) {
                struct pollfd pfd = {out_fd_, POLLIN, 0};
                if (poll(&pfd, 1, 5000) <= 0) break;
                ssize_t n = ::read(out_fd_, buf, sizeof buf);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) break;
                out_.append(buf, static_cast<std::size_t>(n));
            }
        }
    } else {
        read_output();
    }
    r.out = out_.substr(ahead_ < out_.size() ? ahead_ : out_.size());
    int fd = ::open(err_path_.c_str(), O_RDONLY);
    r.err = read_all(fd);
    ::close(fd);
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

void expect_bytes(const std::string& got, const std::string& want, const char* what) {
    EXPECT_EQ(got, want) << what << "\n got: " << visible(got) << "\nwant: " << visible(want);
}

void expect_report(const std::string& err, const std::string& head_text) {
    const std::string h = "\r\nrun-time error " + head_text + "\r\n- ";
    ASSERT_GE(err.size(), h.size() + 3) << visible(err);
    EXPECT_EQ(err.substr(0, h.size()), h) << visible(err);
    EXPECT_EQ(err.substr(err.size() - 2), crlf);
    EXPECT_EQ(err.find('\n', h.size()), err.size() - 1) << visible(err);
}

} // namespace e2e
