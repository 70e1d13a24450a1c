// Faults found by fuzzing, and windows of the interrupt handling that a test of the
// built program cannot time.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/platform/platform.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/test_support.h"

using testing_support::ScratchDir;

namespace {

// The signals the next write to a file lets arrive, in order, as the call
// returns: the moment a signal that came during a write is delivered. The
// console's writes are left alone.
std::vector<int> arriving;

fmtio::platform::Failure write_then_interrupt(fmtio::platform::Handle h, const void* buf, std::size_t n,
                                              std::size_t* put) {
    fmtio::platform::Failure f = fmtio::platform::native_calls().write(h, buf, n, put);
    if (h != STDOUT_FILENO && h != STDERR_FILENO) {
        std::vector<int> now;
        now.swap(arriving);
        for (int sig : now) raise(sig);
    }
    return f;
}

// Runs in a child process: two records to the listing; then the signals
// arrive, first (when `first` is not 0) from outside any write, the others
// during the write that the first one's save or the exit makes.
void listing_interrupted(const std::string& path, int first, std::vector<int> during_write) {
    // Started from a background job or by nohup, the suite inherits some of
    // these ignored, and the program keeps an inherited ignore: the rows are
    // about signals that stop it.
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, SIG_DFL);
    static char prog[] = "preflister";
    static char* argv[] = {prog, nullptr};
    fmtio::start_run(1, argv);
    fmtio::OpenSpec spec;
    spec.file = path.c_str();
    spec.access = "append";
    fmtio::open_unit(20, spec);
    const fmtio::Format line("(a)");
    fmtio::write_formatted(20, line, {fmtio::item("one")});
    fmtio::write_formatted(20, line, {fmtio::item("two")});
    arriving = std::move(during_write);
    fmtio::platform::calls().write = write_then_interrupt;
    if (first) raise(first);
    fmtio::close_units();
    _exit(0);
}

} // namespace

// Signals that arrive while the listing's buffer is being written, by the
// exit or by an earlier signal's save, wait for it: the records are written
// once, and the process ends by the first signal.
TEST(InterruptRegression, BufferWrittenOnceWhateverSignalsArrive) {
    struct Row {
        const char* what;
        int first;
        std::vector<int> during_write;
        int ends_by;
    };
    const Row rows[] = {
        {"one signal during the exit's write", 0, {SIGINT}, SIGINT},
        {"two signals during the exit's write", 0, {SIGINT, SIGTERM}, SIGINT},
        {"the same signal twice during the exit's write", 0, {SIGTERM, SIGTERM}, SIGTERM},
        {"a second signal during the first one's save", SIGINT, {SIGTERM}, SIGINT},
        {"the same signal again during its save", SIGHUP, {SIGHUP, SIGINT}, SIGHUP},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ScratchDir dir;
        const std::string path = dir.file("preflist");
        EXPECT_EXIT(listing_interrupted(path, r.first, r.during_write), ::testing::KilledBySignal(r.ends_by), "");
        EXPECT_EQ(dir.read("preflist"), "one\r\ntwo\r\n");
    }
}
