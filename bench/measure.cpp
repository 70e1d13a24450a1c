// Runs one program and prints what it cost:
//
//   measure OUT PROG [ARG...]
//
// PROG runs with standard input from /dev/null and standard output to the
// file OUT; on standard output this prints one line: exit status, wall
// seconds, user + system CPU seconds, peak resident memory in KiB.
//
// A small program of its own, since a child's peak memory also counts what
// its parent held when it forked: a Python runner would add its own tens of
// MiB to every figure.
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: measure OUT PROG [ARG...]\n");
        return 2;
    }
    int out = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out < 0 || in < 0) {
        std::perror("measure");
        return 2;
    }
    double start = now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        execv(argv[2], argv + 2);
        std::perror("measure: exec");
        _exit(127);
    }
    if (pid < 0) {
        std::perror("measure: fork");
        return 2;
    }
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) < 0) {
        std::perror("measure: wait");
        return 2;
    }
    double wall = now() - start;
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%d %.6f %.6f %ld\n", code, wall, seconds(ru.ru_utime) + seconds(ru.ru_stime),
                ru.ru_maxrss);
    return 0;
}
