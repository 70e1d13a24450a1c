// Runs the built program as a user would: in a folder, with arguments and input.
#pragma once
#include <string>
#include <vector>

namespace e2e {

struct Result {
    std::string out;   // standard output (or the terminal's bytes under a pseudo-terminal)
    std::string err;   // standard error
    int status = -1;   // exit status, or -1 when ended by a signal
    int signal = 0;    // the signal that ended it
};

// The program under test: PREFLISTER_BIN from the environment, else this build's.
std::string program();

// Runs the program in dir. Standard input is the given text, or /dev/null
// when none is given; standard output and error are captured separately.
Result run(const std::string& dir, const std::vector<std::string>& args);
Result run(const std::string& dir, const std::vector<std::string>& args, const std::string& input);

// Runs it on a pseudo-terminal: standard input and output are a real terminal.
// Typed text is written to the terminal; out holds what the terminal received.
Result run_on_terminal(const std::string& dir, const std::vector<std::string>& args,
                       const std::string& typed = "");

// What a terminal of the given width would show after these bytes: carriage
// return to column 1, line feed down one line, other bytes overwrite in place.
std::vector<std::string> screen(const std::string& bytes);

// Shows control characters, so a failing comparison can be read.
std::string visible(const std::string& bytes);

} // namespace e2e
