// Runs built programs in a scratch folder for the report's end-to-end tests.
#pragma once
#include <string>
#include <vector>

namespace report_test {

struct Result {
    std::string out, err;
    int status = -1;  // exit status, or -1 when ended by a signal
};

// Runs program with args in dir; standard input is input (or /dev/null when
// null), standard output goes to out_path when given (else is captured).
Result run(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
           const std::string* input = nullptr, const char* out_path = nullptr);

// The preflist-report under test: PREFLIST_REPORT_BIN from the environment,
// else this build's.
std::string report_program();

} // namespace report_test
