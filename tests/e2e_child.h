// Starting the program under test in a child process, for the end-to-end helpers.
#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/e2e_support.h"

namespace e2e::child {

// Everything the descriptor holds, read to its end.
std::string read_all(int fd);
// Writes all the bytes; false when the descriptor takes no more.
bool write_all(int fd, const std::string& bytes);
// In a forked child: the given standard streams (one of -1 closed), the
// signals and limit of how, the folder, then the program. It starts as a
// shell would start it: no signal blocked, none ignored but how's.
[[noreturn]] void exec(int in, int out, int err, const std::string& dir, std::vector<char*>& argv,
                       const Launch& how = {});
// The program's path and the arguments as an argv; keep holds the strings.
std::vector<char*> argv_for(const std::vector<std::string>& args, std::vector<std::string>& keep);
// How long a run may take before the test gives up on it: far beyond any
// run here, even under Wine or the sanitizers, short of a hung CI job.
constexpr int patience_seconds = 180;
// Waits for the child and puts its exit status or signal into r. A child
// still running after patience_seconds is killed and the test fails, so a
// hung run cannot hang the suite.
void wait(pid_t pid, Result& r);
// The same for a caller that keeps the raw wait status, with the patience
// given; true when the child ended by itself.
bool wait_status(pid_t pid, int& ws, int seconds = patience_seconds);
// A new empty file under the temporary folder.
std::string scratch_file(const char* tag);
// One step of a wait that looks again and again; patience_steps of them make
// a minute: far beyond any run here, short of a hung test.
void pause_briefly();
constexpr int patience_steps = 6000;
// Shrinks the pipe to one page, as small as it goes, and fills it; the
// number of bytes it took.
std::size_t fill_pipe(int write_end);

} // namespace e2e::child
