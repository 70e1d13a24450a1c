// Starting the built programs for the report's tests, and the data files and listings they read.
#include "tests/report/run_support.h"

#include <gtest/gtest.h>

#include "tests/e2e_child.h"
#include "tests/e2e_support.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
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

Result report(const Scratch& dir, const std::vector<std::string>& args, const std::string* input) {
    return run(dir.path(), report_program(), args, input);
}

Result preflister(const Scratch& dir, const std::vector<std::string>& args, const std::string* input) {
    return run(dir.path(), PREFLISTER_BIN, args, input);
}

void list(const Scratch& dir, const std::string& data) {
    Result r = preflister(dir, {data});
    ASSERT_EQ(r.status, 0) << r.err;
}

int gendata(const Scratch& dir, const std::vector<std::string>& args) {
    return run(dir.path(), GENDATA_BIN, args).status;
}

records::Stamp at(int hour, int minute, int second, int station, int xmtr) {
    records::Stamp s;
    s.year = 99;
    s.day = 123;
    s.hour = hour;
    s.minute = minute;
    s.second = second;
    s.station = station;
    s.xmtr = xmtr;
    return s;
}

std::string bytes(const std::vector<records::Record>& recs) {
    std::string s;
    for (const auto& r : recs) s.append(reinterpret_cast<const char*>(r.data()), r.size());
    return s;
}

records::Record bcd2(const records::Stamp& s, bool zero) {
    records::Record r = records::bcd_header(2, s);
    records::set_range(r, 36, zero ? 0 : 1, zero ? 0 : 2);
    return r;
}

std::string planted() {
    records::Record rejected = bcd2(at(10, 1, 25, 0x0A7));
    records::spoil(rejected, 3);
    return bytes({
        bcd2(at(10, 0, 0, 0x0A7)),
        bcd2(at(10, 0, 10, 0x0A7)),
        records::nibble(8, at(10, 0, 20, 0x0A7)),
        bcd2(at(10, 1, 20, 0x0A7)),
        rejected,
        bcd2(at(10, 1, 30, 0x0A7)),
        bcd2(at(10, 1, 40, 0x0A7)),
        bcd2(at(10, 1, 35, 0x0A7)),
        bcd2(at(10, 1, 46, 0x0A7)),
        bcd2(at(10, 1, 55, 0x123, 0x124)),
        bcd2(at(10, 2, 5, 0x123), true),
        records::plain(0),
    });
}

void list_planted(const Scratch& dir) {
    dir.write("x.dat", planted());
    list(dir, "x.dat");
}

void expect_text(const std::string& got, const std::string& want, const char* what) {
    EXPECT_EQ(got, want) << what << "\n got: " << e2e::visible(got) << "\nwant: " << e2e::visible(want);
}

std::vector<std::string> split_lines(const std::string& s) {
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

} // namespace report_test
