// The whole run in-process, on the fake platform: a small record limit, and
// planned faults of the data file, the listing and the console.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/scan_loop.h"
#include "driver/setup.h"
#include "fmtio/platform/platform.h"
#include "preface/scan_state.h"
#include "tests/fake_process.h"
#include "tests/plain_run.h"

using fmtio::platform::Failure;
using fmtio::platform::Kind;
using testing_support::Exited;
using testing_support::FakeProcess;
using testing_support::Fault;

namespace {

using namespace plain_run;

const std::string stop_text = "Stop - Program terminated.\r\n";

std::string line5(const char* text, int irec) {
    char b[64];
    std::snprintf(b, sizeof b, text, irec);
    return b;
}

struct Outcome {
    int status = -1;
    int signal = 0;             // the signal the process ended by
    bool waits_for_ever = false;
    std::string out, err, listing;
};

// Runs setup and the loop over x.dat, held in memory with the listing (a
// FIFO when listing is a pipe).
Outcome scan(const std::string& data, std::vector<Fault> faults = {}, std::int32_t limit = 0,
             Kind listing = Kind::disk) {
    static char prog[] = "preflister", name[] = "x.dat";
    static char* argv[] = {prog, name, nullptr};
    FakeProcess p;
    p.memory_only = true;
    p.let_failures_terminate();
    p.add_file("x.dat", data);
    if (listing != Kind::disk) p.add_file("preflist", "", listing);
    p.faults = std::move(faults);
    fmtio::platform::set_command_line(2, argv);
    driver::run = {};
    preface::scan = {};
    Outcome o;
    try {
        driver::run_setup();
        driver::run.maxrec = limit;
        driver::scan_records();
    } catch (const Exited& e) {
        o.status = e.status;
    } catch (const testing_support::Signalled& e) {
        o.signal = e.sig;
    } catch (const testing_support::WaitsForEver&) {
        o.waits_for_ever = true;
    }
    for (const Fault& f : p.faults) EXPECT_TRUE(f.hit) << f.file << " call " << f.nth;
    o.out = p.out;
    o.err = p.err;
    o.listing = p.file("preflist");
    return o;
}

std::string report(const std::string& head_text, const std::string& text) {
    return "\r\nrun-time error " + head_text + "\r\n- " + text + "\r\n";
}

} // namespace

TEST(RecordLimit, EndsAfterTheLastPassWithoutAListingLine) {
    Outcome o = scan(records_from(1, 3), {}, 2);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, progress_to(2) + "   \r\n exited \"do 100\" loop.\r\n  \r\n" + stop_text + "\r\n");
    EXPECT_EQ(o.listing, head + listing_lines(2));
}

// Faults of the data file: every chunk read of a record (4 of 1024 bytes) is
// part of it, so a read failing or finding the end mid-record ends the scan
// at that record, which gets no listing line.
TEST(PlannedFaults, DataFileReads) {
    struct Row {
        const char* what;
        Fault fault;
        int status;
        int listed;
        const char* ending;  // the listing's last line, with the record number
    };
    const Row rows[] = {
        {"read fails in record 1", {"x.dat", Fault::Call::read, 1}, 2, 0, " -- parity error at irec=%5d --"},
        {"read fails in record 3", {"x.dat", Fault::Call::read, 11}, 2, 2, " -- parity error at irec=%5d --"},
        {"read fails at the last record's end", {"x.dat", Fault::Call::read, 20}, 2, 4,
         " -- parity error at irec=%5d --"},
        {"read fails where the end would be", {"x.dat", Fault::Call::read, 21}, 2, 5,
         " -- parity error at irec=%5d --"},
        {"no bytes mid-record 2", {"x.dat", Fault::Call::read, 6, Fault::Action::zero}, 0, 1,
         " -- eof at irec=%5d --"},
        {"short read", {"x.dat", Fault::Call::read, 3, Fault::Action::short_count}, 0, 5, " -- eof at irec=%5d --"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Outcome o = scan(records_from(1, 5), {r.fault});
        EXPECT_EQ(o.status, r.status);
        EXPECT_EQ(o.err, "");
        const std::string ending = line5(r.ending, r.listed + 1);
        EXPECT_EQ(o.listing, head + listing_lines(r.listed) + ending + "\r\n");
        // The message's empty first record is written whole over an open
        // progress line, or ends the echo's line.
        const std::string console = (r.listed > 0 ? " " : "\r\n") + std::string("\r\n") + ending.substr(1) +
                                    (r.status == 0 ? "\r\n\r\n" : "\r\n");
        EXPECT_EQ(o.out, progress_to(r.listed) + console + stop_text + "\r\n");
    }
}

// The listing goes out in 1024-byte writes: the head and 39 lines fill the
// first, so 60 records make one full write, and the exit writes the rest.
TEST(PlannedFaults, ListingWrites) {
    const int records = 60;
    const std::string whole = head + listing_lines(records) + " -- eof at irec=   61 --\r\n";
    const std::string done = progress_to(records) + " \r\n-- eof at irec=   61 --\r\n\r\n" + stop_text + "\r\n";
    struct Row {
        const char* what;
        Fault fault;
        std::string report;      // empty: the run ends well
        std::string listing;
        std::string out;
    };
    // The record whose copy fills the buffer is the one whose write fails;
    // its progress record is never written.
    const std::string failed_at_40 = progress_to(39) + "\r\n";
    const Row rows[] = {
        {"disk full", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::disk_full},
         report("F6422: WRITE(preflist)", "disk full"), "", failed_at_40},
        {"access denied", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::access_denied},
         report("F6421: WRITE(preflist)", "write access denied"), "", failed_at_40},
        {"an I/O error", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::io_error},
         report("F6423: WRITE(preflist)", "input/output error"), "", failed_at_40},
        {"the file-size limit", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::file_too_large},
         report("F6422: WRITE(preflist)", "file size limit reached"), "", failed_at_40},
        {"any other failure", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::other},
         report("F6423: WRITE(preflist)", "write failed"), "", failed_at_40},
        {"disk full at exit", {"preflist", Fault::Call::write, 2, Fault::Action::fail, Failure::disk_full},
         report("F6422: CLOSE(preflist)", "disk full"), whole.substr(0, 1024), done},
        {"a write of nothing", {"preflist", Fault::Call::write, 1, Fault::Action::zero},
         report("F6423: WRITE(preflist)", "the system took none of the bytes and gave no reason"), "",
         failed_at_40},
        {"a short write", {"preflist", Fault::Call::write, 1, Fault::Action::short_count}, "", whole, done},
        {"interrupted", {"preflist", Fault::Call::write, 1, Fault::Action::fail, Failure::interrupted}, "", whole,
         done},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Outcome o = scan(records_from(1, records), {r.fault});
        EXPECT_EQ(o.status, r.report.empty() ? 0 : 1);
        EXPECT_EQ(o.err, r.report);
        EXPECT_EQ(o.listing, r.listing);
        EXPECT_EQ(o.out, r.out);
    }
}

// Standard output: the echo is write 1, record n's progress record write n + 1.
TEST(PlannedFaults, ConsoleWrites) {
    const std::string whole_out = progress_to(3) + " \r\n-- eof at irec=    4 --\r\n\r\n" + stop_text + "\r\n";
    const std::string whole_listing = head + listing_lines(3) + " -- eof at irec=    4 --\r\n";
    struct Row {
        const char* what;
        Fault fault;
        std::string report;
        std::string out;
        std::string listing;
    };
    const Row rows[] = {
        {"the echo", {testing_support::stdout_name, Fault::Call::write, 1, Fault::Action::fail, Failure::broken_pipe},
         report("F6423: WRITE(CON)", "broken pipe: the reader of the output has gone"), "",
         " new run ---------------------------------\r\n"},
        {"record 2's progress", {testing_support::stdout_name, Fault::Call::write, 3, Fault::Action::fail,
                                 Failure::io_error},
         report("F6423: WRITE(CON)", "input/output error"), progress_to(1) + "\r\n", head + listing_lines(2)},
        {"a closed standard output", {testing_support::stdout_name, Fault::Call::write, 1, Fault::Action::fail,
                                      Failure::closed_stream},
         report("F6423: WRITE(CON)", "standard output is closed"), "",
         " new run ---------------------------------\r\n"},
        {"a short write", {testing_support::stdout_name, Fault::Call::write, 2, Fault::Action::short_count}, "",
         whole_out, whole_listing},
        // Record 2's progress continues the line: one write, which must go on
        // with what a cut-short or interrupted call left, and fail on one
        // that takes nothing.
        {"record 2's progress cut short", {testing_support::stdout_name, Fault::Call::write, 3,
                                           Fault::Action::short_count},
         "", whole_out, whole_listing},
        {"record 2's progress interrupted", {testing_support::stdout_name, Fault::Call::write, 3,
                                             Fault::Action::fail, Failure::interrupted},
         "", whole_out, whole_listing},
        {"record 2's progress taking nothing", {testing_support::stdout_name, Fault::Call::write, 3,
                                                Fault::Action::zero},
         report("F6423: WRITE(CON)", "the system took none of the bytes and gave no reason"),
         progress_to(1) + "\r\n", head + listing_lines(2)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Outcome o = scan(records_from(1, 3), {r.fault});
        EXPECT_EQ(o.status, r.report.empty() ? 0 : 1);
        EXPECT_EQ(o.err, r.report);
        EXPECT_EQ(o.out, r.out);
        EXPECT_EQ(o.listing, r.listing);
    }
}

// An interrupt while a write waits for a reader that does not read (the
// listing a FIFO, standard output a pipe): the run ends by it at once. The
// write is not made again, the unsent buffer of that file is dropped, the
// other files keep their whole records. A write that the interrupt cut short
// is not made again either where the file is a disk's.
TEST(PlannedFaults, InterruptedWrites) {
    const int records = 60;
    const std::string whole = head + listing_lines(records) + " -- eof at irec=   61 --\r\n";
    const std::string stopped = progress_to(records) + " \r\n-- eof at irec=   61 --\r\n\r\n" + stop_text;
    using Action = Fault::Action;
    struct Row {
        const char* what;
        Kind listing;
        Fault fault;
        std::string listed;  // what the listing received
        std::string out;
    };
    const Row rows[] = {
        {"the first write to a FIFO waits, and the interrupt comes", Kind::pipe,
         {"preflist", Fault::Call::write, 1, Action::interrupt}, "", progress_to(39)},
        {"the interrupt comes just before the first write to a FIFO starts", Kind::pipe,
         {"preflist", Fault::Call::write, 1, Action::interrupt_first}, "", progress_to(39)},
        {"the write to a FIFO at the end waits", Kind::pipe, {"preflist", Fault::Call::write, 2, Action::interrupt},
         whole.substr(0, 1024), stopped},
        {"the interrupt comes just before the write to a FIFO at the end", Kind::pipe,
         {"preflist", Fault::Call::write, 2, Action::interrupt_first}, whole.substr(0, 1024), stopped},
        {"a disk file's first write, cut short", Kind::disk, {"preflist", Fault::Call::write, 1, Action::interrupt},
         "", progress_to(39)},
        {"standard output waits for record 41's progress", Kind::pipe,
         {testing_support::stdout_name, Fault::Call::write, 42, Action::interrupt},
         head + listing_lines(41), progress_to(40)},
        {"the interrupt comes just before record 41's progress", Kind::pipe,
         {testing_support::stdout_name, Fault::Call::write, 42, Action::interrupt_first},
         head + listing_lines(41), progress_to(40)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
            Fault fault = r.fault;
            fault.sig = sig;
            Outcome o = scan(records_from(1, records), {fault}, 0, r.listing);
            EXPECT_FALSE(o.waits_for_ever) << sig;
            EXPECT_EQ(o.signal, sig);
            EXPECT_EQ(o.status, -1);
            EXPECT_EQ(o.err, "");
            EXPECT_EQ(o.listing, r.listed);
            EXPECT_EQ(o.out, r.out);
        }
    }
}
