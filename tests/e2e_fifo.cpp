#include "tests/e2e_fifo.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/e2e_child.h"

namespace e2e::fifo {

Holder::Holder(const std::string& path, bool shrink, bool fill) {
    // Not blocking: a FIFO opens for reading at once, writer or none.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    if (shrink || fill) fcntl(fd_, F_SETPIPE_SZ, 4096);
    if (!fill) return;
    int w = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (w < 0) return;
    const std::string filler(capacity(), '#');
    for (;;) {
        ssize_t n = ::write(w, filler.data(), 1);
        if (n <= 0) break;
        ++ahead_;
    }
    ::close(w);
}

Holder::~Holder() { close(); }

std::size_t Holder::capacity() const {
    int size = fd_ >= 0 ? fcntl(fd_, F_GETPIPE_SZ) : -1;
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

std::string Holder::drain() {
    std::string s;
    char buf[4096];
    for (;;) {
        ssize_t n = fd_ >= 0 ? ::read(fd_, buf, sizeof buf) : -1;
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        s.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t skip = ahead_ < s.size() ? ahead_ : s.size();
    ahead_ -= skip;
    return s.substr(skip);
}

void Holder::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

Consumer::Consumer(const std::string& path) : path_(path), copy_(child::scratch_file("consumer")) {
    pid_ = fork();
    if (pid_ != 0) return;
    // The child: no allocation, nothing but the calls.
    int in = ::open(path.c_str(), O_RDONLY);
    int out = ::open(copy_.c_str(), O_WRONLY | O_TRUNC);
    if (in < 0 || out < 0) _exit(1);
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(n == 0 ? 0 : 1);
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf + done, static_cast<std::size_t>(n - done));
            if (w <= 0) _exit(1);
            done += w;
        }
    }
}

Consumer::~Consumer() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int ws = 0;
        waitpid(pid_, &ws, 0);
    }
    ::unlink(copy_.c_str());
}

std::string Consumer::finish() {
    // A writer that comes and goes: the end of the FIFO for a consumer that
    // still waits to open it, or has yet to start waiting; nothing at all for
    // one that reads what the run left. The patience is the child's.
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(child::patience_seconds);
    while (pid_ > 0) {
        int ws = 0;
        if (waitpid(pid_, &ws, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        if (clock::now() >= deadline) {
            ADD_FAILURE() << "the consumer had not ended after " << child::patience_seconds << " s";
            break;
        }
        int w = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (w >= 0) ::close(w);
        usleep(10000);
    }
    int fd = ::open(copy_.c_str(), O_RDONLY | O_CLOEXEC);
    std::string s = child::read_all(fd);
    if (fd >= 0) ::close(fd);
    return s;
}

} // namespace e2e::fifo
