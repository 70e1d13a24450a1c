#include "tests/report/run_support.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace report_test {
namespace {

std::string read_fd(int fd) {
    std::string s;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) s.append(buf, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR) continue;
        else break;
    }
    return s;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

} // namespace

Scratch::Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string t = std::string(tmp && *tmp ? tmp : "/tmp") + "/preflist-report-test-XXXXXX";
    if (!mkdtemp(t.data())) throw std::runtime_error("mkdtemp failed");
    path_ = t;
}

Scratch::~Scratch() { nftw(path_.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }

void Scratch::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(file(name), std::ios::binary);
    f << bytes;
}

std::string Scratch::read(const std::string& name) const {
    std::ifstream f(file(name), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

Result run(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
           const std::string* input, const char* out_path) {
    Scratch io;
    if (input) io.write("in", *input);
    std::vector<std::string> keep{program};
    keep.insert(keep.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : keep) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out = out_path ? out_path : io.file("out"), err = io.file("err");
    const std::string in = input ? io.file("in") : "/dev/null";
    pid_t pid = fork();
    if (pid == 0) {
        dup2(::open(in.c_str(), O_RDONLY), 0);
        dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        if (chdir(dir.c_str()) != 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Result r;
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(ws)) r.status = WEXITSTATUS(ws);
    if (!out_path) {
        int fd = ::open(out.c_str(), O_RDONLY);
        r.out = read_fd(fd);
        ::close(fd);
    }
    int fd = ::open(err.c_str(), O_RDONLY);
    r.err = read_fd(fd);
    ::close(fd);
    return r;
}

std::string visible(const std::string& s) {
    std::string v;
    for (unsigned char c : s) {
        if (c == '\r') v += "\\r";
        else if (c == '\n') v += "\\n\n";
        else if (c < 32 || c > 126) {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02x", c);
            v += b;
        } else v += static_cast<char>(c);
    }
    return v;
}

} // namespace report_test
