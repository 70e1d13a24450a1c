#include "tests/report/run_support.h"

#include "tests/e2e_child.h"
#include "tests/test_support.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace report_test {
using e2e::child::read_all;

Result run(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
           const std::string* input, const char* out_path) {
    testing_support::ScratchDir io;
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
    e2e::child::wait_status(pid, ws);
    if (WIFEXITED(ws)) r.status = WEXITSTATUS(ws);
    if (!out_path) {
        int fd = ::open(out.c_str(), O_RDONLY);
        r.out = read_all(fd);
        ::close(fd);
    }
    int fd = ::open(err.c_str(), O_RDONLY);
    r.err = read_all(fd);
    ::close(fd);
    return r;
}

std::string report_program() {
    const char* env = std::getenv("PREFLIST_REPORT_BIN");
    return env && *env ? env : REPORT_BIN;
}

} // namespace report_test
