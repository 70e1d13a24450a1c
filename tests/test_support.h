// Shared test helpers: scratch folders, a catchable error termination, and an
// in-memory console for the units layer.
#pragma once
#include <string>

#include "fmtio/errors.h"

namespace testing_support {

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;

private:
    std::string path_;
};

// What error termination was asked for, thrown instead of ending the process.
struct Fatal {
    fmtio::Error error;
    fmtio::Stmt stmt;
    std::string name;
};

// Thrown in place of the process exit.
struct Exited {
    int status;
};

// While alive: failures throw Fatal, the process exit throws Exited, standard
// output and error go to strings, standard input comes from a string, and the
// units start afresh.
class FakeProcess {
public:
    explicit FakeProcess(std::string input = "", bool interactive = false);
    ~FakeProcess();
    FakeProcess(const FakeProcess&) = delete;
    // From here on a failure writes its report and exits (throwing Exited).
    void let_failures_terminate();
    FakeProcess& operator=(const FakeProcess&) = delete;

    std::string out;
    std::string err;
    std::string in;
    std::size_t in_pos = 0;
    bool interactive;
    int out_failure = 0;  // when non-zero, standard output writes fail with this platform failure
};

} // namespace testing_support
