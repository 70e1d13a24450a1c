// An interrupt while a write waits for a reader that does not read: the
// listing a FIFO whose reader stopped, standard output a pipe that nobody
// reads. The run ends by the signal, the whole records already written stay
// as they are, and a reader that reads still gets every whole record.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>

#include "tests/e2e_fifo.h"
#include "tests/e2e_support.h"
#include "tests/plain_run.h"
#include "tests/test_support.h"

using namespace e2e;
using namespace plain_run;
using testing_support::ScratchDir;

// The listing's reader holds the FIFO and reads nothing: the FIFO takes the
// listing's writes of 1024 bytes until it is full, and the next one waits.
// That write is due when its buffer is full and one more byte is to go in:
// during the record whose line holds the byte 1024 after the last that fit.
// The interrupt ends the run there; the FIFO keeps what it took.
TEST(BlockedWrite, ListingReaderStopped) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        fifo::Holder reader(dir.file("preflist"), true);
        const std::size_t held = reader.capacity();
        ASSERT_GE(held, 1024u);
        ASSERT_EQ(held % 1024, 0u);
        const int waits_at = static_cast<int>((held + 1024 - head.size()) / 24) + 1;
        const int records = waits_at + 50;
        dir.write("x.dat", records_from(1, records));
        Session run(dir.path(), {"x.dat"});
        ASSERT_TRUE(run.wait_for_output(progress_to(waits_at - 1)));
        const Session::Blocked b = run.wait_until_blocked(SYS_write);
        if (b == Session::Blocked::unknown) GTEST_SKIP() << "/proc does not show the program's system call";
        EXPECT_EQ(b, Session::Blocked::yes);
        run.send(sig);
        Result r = run.finish_within(quick_end_seconds);
        EXPECT_EQ(r.signal, sig);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.err, "");
        expect_bytes(r.out, progress_to(waits_at - 1), "stdout");
        expect_bytes(reader.drain(), (head + listing_lines(records)).substr(0, held), "what the FIFO took");
    }
}

// Standard output a pipe that is full and that nobody reads: the echo, the
// first console write, waits, with the banner whole in the listing's buffer.
// The interrupt ends the run; the banner reaches a listing that takes it,
// and a FIFO whose reader stopped holds the end no longer than a moment.
TEST(BlockedWrite, ConsoleNobodyReads) {
    if (windows_build()) GTEST_SKIP() << "POSIX pipes and FIFOs";
    enum class Listing { file, fifo_read, fifo_full };
    struct Row {
        const char* what;
        Listing listing;
    };
    const Row rows[] = {
        {"a listing file", Listing::file},
        {"a FIFO that its reader reads", Listing::fifo_read},
        {"a full FIFO whose reader stopped", Listing::fifo_full},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScratchDir dir;
        dir.write("x.dat", records_from(1, 3));
        std::unique_ptr<fifo::Consumer> consumer;
        std::unique_ptr<fifo::Holder> holder;
        if (row.listing != Listing::file) {
            ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        }
        if (row.listing == Listing::fifo_read) consumer = std::make_unique<fifo::Consumer>(dir.file("preflist"));
        if (row.listing == Listing::fifo_full) holder = std::make_unique<fifo::Holder>(dir.file("preflist"), true, true);
        Session run(dir.path(), {"x.dat"}, Session::Output::full_pipe);
        const Session::Blocked b = run.wait_until_blocked(SYS_write, 1);
        if (b == Session::Blocked::unknown) GTEST_SKIP() << "/proc does not show the program's system call";
        EXPECT_EQ(b, Session::Blocked::yes);
        run.send(SIGINT);
        Result r = run.finish_within(quick_end_seconds);
        EXPECT_EQ(r.signal, SIGINT);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, "");
        switch (row.listing) {
        case Listing::file: expect_bytes(dir.read("preflist"), banner, "preflist"); break;
        case Listing::fifo_read: expect_bytes(consumer->finish(), banner, "what the reader got"); break;
        case Listing::fifo_full: expect_bytes(holder->drain(), "", "what the FIFO took"); break;
        }
    }
}
