// Runs built programs in a scratch folder for the report's end-to-end tests.
#pragma once
#include <string>
#include <vector>

namespace report_test {

struct Result {
    std::string out, err;
    int status = -1;  // exit status, or -1 when ended by a signal
};

// A fresh folder, removed with what it holds at the end of the test.
class Scratch {
public:
    Scratch();
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::string path_;
};

// Runs program with args in dir; standard input is input (or /dev/null when
// null), standard output goes to out_path when given (else is captured).
Result run(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
           const std::string* input = nullptr, const char* out_path = nullptr);

// Shows control characters, so a failing comparison can be read.
std::string visible(const std::string& s);

} // namespace report_test
