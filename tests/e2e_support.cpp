// Runs the built program in a folder with arguments and input, and compares what it wrote.
#include "tests/e2e_support.h"

#include "tests/e2e_child.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace e2e {

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
