// One fake platform for the in-process tests and the fuzzers: standard streams
// and files in memory (other files are the real ones unless told otherwise),
// the process exit and the run's termination turned into exceptions, and a
// plan of faults on chosen calls.
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "fmtio/format/errors.h"
#include "fmtio/platform/platform.h"

namespace testing_support {

// What error termination was asked for, thrown instead of ending the process.
struct Fatal {
    fmtio::Error error;
    fmtio::Stmt stmt;
    std::string name;
    std::string why;  // the description that says what happened, when there is one
};

// Thrown in place of the process exit.
struct Exited {
    int status;
};

// Thrown in place of the end by a signal.
struct Signalled {
    int sig;
};

// Thrown where a call would wait for ever for a reader that never reads.
struct WaitsForEver {};

// The nth read or write of one file (counted from 1, that file's calls of
// that kind only) fails with a chosen failure, moves fewer bytes than asked
// (half, at least one), or moves none: a read then sees the end of the file.
// Or the call waits for a reader that never reads, and a signal comes: while
// it waits (interrupt), when the process's interrupt handler returns the
// call comes back interrupted, having moved nothing; just before it starts
// (interrupt_first), when the handler returns the call waits for ever
// (WaitsForEver is thrown).
struct Fault {
    enum class Call { read, write };
    enum class Action { fail, short_count, zero, interrupt, interrupt_first };
    std::string file;  // the name as opened, or stdin_name, stdout_name, stderr_name
    Call call;
    int nth;
    Action action = Action::fail;
    fmtio::platform::Failure failure = fmtio::platform::Failure::io_error;
    int sig = 2;       // the interrupt's signal (SIGINT)
    bool hit = false;  // set once the fault has happened
};

inline const std::string stdin_name = "<stdin>", stdout_name = "<stdout>", stderr_name = "<stderr>";

// While alive, the platform table is this process's; the units start afresh.
class FakeProcess {
public:
    explicit FakeProcess(std::string input = "", bool interactive = false);
    ~FakeProcess();
    FakeProcess(const FakeProcess&) = delete;
    FakeProcess& operator=(const FakeProcess&) = delete;

    // From here on a failure writes its report and exits (throwing Exited).
    void let_failures_terminate();

    // A signal now: the interrupt handler that the run installed runs as a
    // signal would run it here; ending the process throws Signalled.
    void interrupt(int sig);

    // A file in memory, found under this exact name; a pipe kind makes it a
    // FIFO, with writes that may wait for a reader.
    void add_file(const std::string& name, std::string bytes,
                  fmtio::platform::Kind kind = fmtio::platform::Kind::disk);
    // What a file in memory holds now ("" when there is none).
    std::string file(const std::string& name) const;
    bool has_file(const std::string& name) const;
    // How many calls of this kind the file has had.
    int calls_of(const std::string& name, Fault::Call call) const;

    std::string out;
    std::string err;
    std::string in;
    std::size_t in_pos = 0;
    bool interactive;
    // Names that are not in memory do not exist; creating one makes it in memory.
    bool memory_only = false;
    std::vector<Fault> faults;

    // Internal to the calls table.
    struct MemFile {
        std::string bytes;
        std::uint64_t index;
        fmtio::platform::Kind kind;
    };
    struct OpenFile {
        std::string name;
        MemFile* mem;  // nullptr: a real file
        bool append = false;
        std::size_t pos = 0;
    };
    std::map<std::string, MemFile> files;
    std::map<fmtio::platform::Handle, OpenFile> open;
    std::map<std::pair<std::string, int>, int> counts;
    void (*interrupt_handler)(int sig) = nullptr;
    fmtio::platform::Handle next_handle = 1 << 20;
};

} // namespace testing_support
