// A run that the test steers while it goes: a FIFO it feeds, output it reads or closes, signals.
#include "tests/e2e_child.h"
#include "tests/e2e_support.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

using namespace child;

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

} // namespace e2e
