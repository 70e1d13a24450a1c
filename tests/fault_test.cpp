// The built program when the world goes wrong around it: a full disk under the
// listing, an interrupt in the middle of a scan, a console that nobody reads any
// more. Each case checks standard output, standard error, the exit status or
// ending signal, and what the listing holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/test_support.h"
#include "tests/plain_run.h"
#include "tools/records.h"

// The run's fixed texts and the comparisons.
using namespace e2e;
using namespace plain_run;
using testing_support::ScratchDir;

// The listing's buffer is written when it fills and at exit: a small run fails
// when the exit closes the listing, a longer one at the write that fills it.
TEST(Fault, FullDiskUnderTheListing) {
    // Bytes of the head, then 24 per listing line, into a 1024-byte buffer:
    // the first line that does not fit is the record whose write fails.
    int fails_at = 1;
    while (static_cast<int>(head.size()) + 24 * fails_at <= 1024) ++fails_at;
    ASSERT_EQ(fails_at, 40);

    struct Case {
        int records;
        const char* report;
        std::string out;
    };
    const Case cases[] = {
        {3, "F6422: CLOSE(preflist)", progress_to(3) + " \r\n-- eof at irec=    4 --\r\n\r\n" + stop_text + crlf},
        {60, "F6422: WRITE(preflist)", progress_to(fails_at - 1) + crlf},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        ScratchDir dir;
        dir.write("x.dat", records_from(1, c.records));
        ASSERT_EQ(symlink("/dev/full", dir.file("preflist").c_str()), 0);
        e2e::Result r = e2e::run(dir.path(), {"x.dat"});
        EXPECT_EQ(r.status, 1);
        expect_report(r.err, c.report);
        expect_bytes(r.out, c.out, "stdout");
        // The listing is still the link it was; nothing else was created.
        char target[64] = {};
        EXPECT_EQ(readlink(dir.file("preflist").c_str(), target, sizeof target - 1), 9);
        EXPECT_STREQ(target, "/dev/full");
    }
}

// A run that fails (a BCD digit above 9 in record 2) and then cannot write
// the listing at exit reports both failures, in that order.
TEST(Fault, FailureThenFullDiskReportsBoth) {
    ScratchDir dir;
    records::Record bad = records::bcd_header(2, records::Stamp{});
    records::set(bad, 5, 0x1A);
    dir.write("x.dat", record(1) + std::string(reinterpret_cast<const char*>(bad.data()), bad.size()));
    ASSERT_EQ(symlink("/dev/full", dir.file("preflist").c_str()), 0);
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 1);
    const std::size_t second = r.err.find("\r\nrun-time error ", 2);
    ASSERT_NE(second, std::string::npos) << visible(r.err);
    expect_report(r.err.substr(0, second), "F6101: READ(internal)");
    expect_report(r.err.substr(second), "F6422: CLOSE(preflist)");
    expect_bytes(r.out, progress_to(1) + crlf, "stdout");
}

namespace {

struct Interrupt {
    int sig;
    int records;       // fed whole before the signal
    int batch;         // records fed between pauses
    bool half_record;  // and half of one more
};

std::string name_of(int sig) {
    switch (sig) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return std::to_string(sig);
}

} // namespace

// A data file that arrives slowly through a FIFO, and an interrupt while the
// scan waits for more: the process ends by that signal, and the listing holds
// every line of the records read so far, each whole. With 50 records the
// listing's buffer has been written part-way through a line before the signal.
TEST(Fault, InterruptKeepsTheWholeListingLines) {
    if (e2e::windows_build()) GTEST_SKIP() << "the data file is a FIFO";
    std::vector<Interrupt> cases;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        cases.push_back({sig, 3, 1, false});
        cases.push_back({sig, 3, 1, true});
        cases.push_back({sig, 50, 10, false});
    }
    for (const Interrupt& c : cases) {
        SCOPED_TRACE(name_of(c.sig) + " after " + std::to_string(c.records) + (c.half_record ? " and a half" : ""));
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("x.dat").c_str(), 0600), 0);
        e2e::Session run(dir.path(), {"x.dat"});
        ASSERT_TRUE(run.open_feed(dir.file("x.dat")));
        for (int n = 1; n <= c.records; n += c.batch) {
            const int last = std::min(n + c.batch - 1, c.records);
            ASSERT_TRUE(run.feed(records_from(n, last)));
            // Paced: each batch is taken in before the next arrives.
            ASSERT_TRUE(run.wait_for_output(progress_to(last))) << n;
        }
        if (c.half_record) {
            ASSERT_TRUE(run.feed(record(c.records + 1).substr(0, 2048)));
        }
        run.send(c.sig);
        e2e::Result r = run.finish();
        EXPECT_EQ(r.signal, c.sig);
        EXPECT_EQ(r.status, -1);
        EXPECT_EQ(r.err, "");
        expect_bytes(r.out, progress_to(c.records), "stdout");
        expect_bytes(dir.read("preflist"), head + listing_lines(c.records), "preflist");
    }
}

// A data file that arrives through a FIFO in pieces that do not match the
// reads: most reads come back short, one ends inside a piece, and the last
// record stops part-way. Every record must be put together from the right
// bytes in the right order, and the part at the end left out.
TEST(Fault, DataInOddPiecesIsReadAsWhole) {
    if (e2e::windows_build()) GTEST_SKIP() << "the data file is a FIFO";
    const int records = 3;
    const std::string data = records_from(1, records) + record(records + 1).substr(0, 1500);
    for (std::size_t piece : {7u, 1000u, 1023u, 1025u, 3000u, 4097u}) {
        SCOPED_TRACE("pieces of " + std::to_string(piece));
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("x.dat").c_str(), 0600), 0);
        e2e::Session run(dir.path(), {"x.dat"});
        ASSERT_TRUE(run.open_feed(dir.file("x.dat")));
        for (std::size_t at = 0; at < data.size(); at += piece) {
            ASSERT_TRUE(run.feed(data.substr(at, piece)));
            // A pause lets the program take in what is there before more comes.
            usleep(100);
        }
        run.close_feed();
        e2e::Result r = run.finish();
        EXPECT_EQ(r.status, 0) << "\n" << visible(r.err);
        expect_bytes(r.out, progress_to(records) + " \r\n-- eof at irec=    4 --\r\n\r\n" + stop_text + crlf,
                     "stdout");
        expect_bytes(dir.read("preflist"), head + listing_lines(records) + " -- eof at irec=    4 --\r\n",
                     "preflist");
    }
}

// Standard output a pipe whose reader has gone (preflister x.dat | head -c 1):
// the failing console write ends the run with an error report, and the exit
// still writes out the listing.
TEST(Fault, ConsoleWithoutReader) {
    ScratchDir dir;
    dir.write("x.dat", records_from(1, 3));
    e2e::Session run(dir.path(), {"x.dat"}, e2e::Session::Output::closed_pipe);
    e2e::Result r = run.finish();
    EXPECT_EQ(r.status, 1);
    expect_bytes(r.err, report("F6423: WRITE(CON)", "broken pipe: the reader of the output has gone"), "stderr");
    EXPECT_EQ(r.out, "");
    // The echo was the first console write; the banner was written before it.
    expect_bytes(dir.read("preflist"), banner, "preflist");
}

TEST(Fault, ConsoleReaderGoneDuringTheScan) {
    if (e2e::windows_build()) GTEST_SKIP() << "the data file is a FIFO";
    ScratchDir dir;
    ASSERT_EQ(mkfifo(dir.file("x.dat").c_str(), 0600), 0);
    e2e::Session run(dir.path(), {"x.dat"}, e2e::Session::Output::pipe);
    ASSERT_TRUE(run.open_feed(dir.file("x.dat")));
    ASSERT_TRUE(run.feed(records_from(1, 2)));
    ASSERT_TRUE(run.wait_for_output(progress_to(2)));
    run.close_output();
    // Record 3 is listed; its progress record is the write that fails.
    ASSERT_TRUE(run.feed(record(3)));
    e2e::Result r = run.finish();
    EXPECT_EQ(r.status, 1);
    expect_bytes(r.err, report("F6423: WRITE(CON)", "broken pipe: the reader of the output has gone"), "stderr");
    expect_bytes(r.out, progress_to(2), "stdout");
    expect_bytes(dir.read("preflist"), head + listing_lines(3), "preflist");
}
