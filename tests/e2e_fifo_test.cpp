// The listing as a FIFO that feeds another program (mkfifo preflist;
// consumer < preflist & preflister x.dat): the run opens it as the shell opens
// one for >>, waits for its reader, and a reader that goes away is a failing
// write. Each case checks standard output, standard error, the exit status or
// ending signal, and what the reader received.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/e2e_fifo.h"
#include "tests/e2e_support.h"
#include "tests/plain_run.h"
#include "tests/test_support.h"

using namespace e2e;
using namespace plain_run;
using testing_support::ScratchDir;

namespace {

const std::string broken_pipe = "broken pipe: the reader of the output has gone";

} // namespace

// A reader that reads all receives exactly the bytes that a regular listing
// holds, whether it was there first or the run waited for it.
TEST(FifoListing, ReaderReceivesTheWholeListing) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    const int records = 100;  // the listing goes out in several writes
    for (bool reader_first : {true, false}) {
        SCOPED_TRACE(reader_first ? "the reader there first" : "the run waiting for its reader");
        ScratchDir dir;
        dir.write("x.dat", records_from(1, records));
        ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        std::unique_ptr<fifo::Consumer> reader;
        if (reader_first) reader = std::make_unique<fifo::Consumer>(dir.file("preflist"));
        Session run(dir.path(), {"x.dat"});
        if (!reader_first) {
            const Session::Blocked b = run.wait_until_blocked(SYS_openat);
            if (b == Session::Blocked::unknown) GTEST_SKIP() << "/proc does not show the program's system call";
            EXPECT_EQ(b, Session::Blocked::yes) << "the run did not wait for a reader";
            reader = std::make_unique<fifo::Consumer>(dir.file("preflist"));
        }
        Result r = run.finish();
        EXPECT_EQ(r.status, 0) << "\n" << visible(r.err);
        EXPECT_EQ(r.err, "");
        expect_bytes(r.out, progress_to(records) + eof_end(records + 1), "stdout");
        expect_bytes(reader->finish(), head + listing_lines(records) + eof_line(records + 1), "what the reader got");
    }
}

// No reader: the run waits for one, and an interrupt ends the wait with
// nothing written anywhere.
TEST(FifoListing, InterruptWhileItWaitsForAReader) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        ScratchDir dir;
        dir.write("x.dat", records_from(1, 3));
        ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        Session run(dir.path(), {"x.dat"});
        const Session::Blocked b = run.wait_until_blocked(SYS_openat);
        if (b == Session::Blocked::unknown) GTEST_SKIP() << "/proc does not show the program's system call";
        EXPECT_EQ(b, Session::Blocked::yes) << "the run did not wait for a reader";
        run.send(sig);
        Result r = run.finish_within(quick_end_seconds);
        EXPECT_EQ(r.signal, sig);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        fifo::Holder after(dir.file("preflist"));
        EXPECT_EQ(after.drain(), "");
        struct stat st;
        ASSERT_EQ(stat(dir.file("preflist").c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}

// The reader goes away while the run goes on: the next write of the listing
// is a broken pipe, reported, with exit status 1. Record 40's line fills the
// listing's buffer for the first time; without it, the exit writes it out.
TEST(FifoListing, ReaderGoneIsABrokenPipe) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    struct Row {
        const char* what;
        int fed;  // records fed after the reader went away
        std::string report, out;
    };
    const Row rows[] = {
        {"during the scan", 37, report("F6423: WRITE(preflist)", broken_pipe), progress_to(39) + crlf},
        {"at the end", 0, report("F6423: CLOSE(preflist)", broken_pipe), progress_to(3) + eof_end(4)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("x.dat").c_str(), 0600), 0);
        ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        fifo::Holder reader(dir.file("preflist"));
        ASSERT_TRUE(reader.ok());
        Session run(dir.path(), {"x.dat"});
        ASSERT_TRUE(run.open_feed(dir.file("x.dat")));
        ASSERT_TRUE(run.feed(records_from(1, 3)));
        ASSERT_TRUE(run.wait_for_output(progress_to(3)));
        reader.close();
        // The run may end before it has taken the last bytes.
        run.feed(records_from(4, 3 + row.fed));
        run.close_feed();
        Result r = run.finish();
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.signal, 0);
        expect_bytes(r.err, row.report, "stderr");
        expect_bytes(r.out, row.out, "stdout");
    }
}

// Nothing holds a FIFO listing: a run goes on while another process holds
// a lock on it, as a second run would.
TEST(FifoListing, IsNotHeld) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    ScratchDir dir;
    dir.write("x.dat", records_from(1, 3));
    ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
    fifo::Consumer reader(dir.file("preflist"));
    int held = ::open(dir.file("preflist").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    Session run(dir.path(), {"x.dat"});
    Result r = run.finish_within(quick_end_seconds);
    ::close(held);
    EXPECT_EQ(r.status, 0) << "\n" << visible(r.err);
    EXPECT_EQ(r.err, "");
    expect_bytes(r.out, progress_to(3) + eof_end(4), "stdout");
    expect_bytes(reader.finish(), head + listing_lines(3) + eof_line(4), "what the reader got");
}

// A data file that is the FIFO listing itself, by its name or through a
// link: the listing's open finds it connected already.
TEST(FifoListing, DataFileThatIsTheListing) {
    if (windows_build()) GTEST_SKIP() << "a FIFO";
    for (const char* name : {"preflist", "x.dat"}) {
        SCOPED_TRACE(name);
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("preflist").c_str(), 0600), 0);
        ASSERT_EQ(symlink("preflist", dir.file("x.dat").c_str()), 0);
        Session run(dir.path(), {name});
        // The data file's open waits for its writer.
        ASSERT_TRUE(run.open_feed(dir.file("preflist")));
        Result r = run.finish();
        run.close_feed();
        EXPECT_EQ(r.status, 1);
        expect_bytes(r.err, report(std::string("F6413: OPEN(preflist)"), "file already connected to another unit"),
                     "stderr");
        EXPECT_EQ(r.out, "");
    }
}
