// Faults found by fuzzing, and windows of the interrupt handling that a test of the
// built program cannot time.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <unistd.h>

#include "fmtio/format.h"
#include "fmtio/platform.h"
#include "fmtio/statements.h"
#include "fmtio/units.h"
#include "tests/test_support.h"

using testing_support::ScratchDir;

namespace {

bool interrupt_armed = false;

// Writes the bytes, then lets an interrupt arrive as the call returns: the
// moment a signal that came during a write is delivered. Only the first
// write to a file is interrupted, not the console's.
fmtio::platform::Failure write_then_interrupt(fmtio::platform::Handle h, const void* buf, std::size_t n,
                                              std::size_t* put) {
    fmtio::platform::Failure f = fmtio::platform::native_calls().write(h, buf, n, put);
    if (interrupt_armed && h != STDOUT_FILENO && h != STDERR_FILENO) {
        interrupt_armed = false;
        raise(SIGINT);
    }
    return f;
}

// Runs in a child process: two records to the listing, then the exit's
// write of the buffer is interrupted.
void listing_interrupted_at_exit(const std::string& path) {
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
    interrupt_armed = true;
    fmtio::platform::calls().write = write_then_interrupt;
    fmtio::close_units();
    _exit(0);
}

} // namespace

// An interrupt that arrives while the listing's buffer is being written must
// not make the interrupt's own save write the same records a second time.
TEST(InterruptRegression, BufferWrittenOnceWhenTheWriteIsInterrupted) {
    ScratchDir dir;
    const std::string path = dir.file("preflist");
    EXPECT_EXIT(listing_interrupted_at_exit(path), ::testing::KilledBySignal(SIGINT), "");
    EXPECT_EQ(dir.read("preflist"), "one\r\ntwo\r\n");
}
