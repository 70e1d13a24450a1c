// The built program as people really run it: several scans in one folder at
// once, under nohup or as a background job, with standard streams closed or
// redirected into its own files, under a file-size limit, on an append-only
// listing, and through misleading names. Each case checks standard output,
// standard error, the exit status and the listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/plain_run.h"
#include "tests/test_support.h"
#include "tools/records.h"

using namespace e2e;
using namespace plain_run;
using testing_support::ScratchDir;

namespace {

const std::string waiting = "preflist is in use by another run: waiting until that run ends\r\n";

// Whether text is exactly the parts, each once and whole, in some order.
bool parts_in_some_order(const std::string& text, std::vector<std::string> parts) {
    std::sort(parts.begin(), parts.end());
    do {
        std::string joined;
        for (const auto& p : parts) joined += p;
        if (joined == text) return true;
    } while (std::next_permutation(parts.begin(), parts.end()));
    return false;
}

} // namespace

// Four scans started together in one folder, on different data files: the
// listing holds each run's part whole, one after another, each byte for byte
// what the run writes alone; a run that had to wait says so, once.
TEST(Sharing, ConcurrentRunsKeepEachPartWhole) {
    const std::vector<std::string> names = {"a.dat", "b.dat", "c.dat", "d.dat"};
    std::vector<std::string> data, alone_out, alone_part;
    for (std::size_t k = 0; k < names.size(); ++k) {
        data.push_back(records_from(1, 500 + 40 * static_cast<int>(k)));
        ScratchDir solo;
        solo.write(names[k], data[k]);
        Result r = run(solo.path(), {names[k]});
        ASSERT_EQ(r.status, 0);
        alone_out.push_back(r.out);
        alone_part.push_back(solo.read("preflist"));
    }
    for (const std::string before : {"", "earlier run\r\n"}) {
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE((before.empty() ? "fresh folder, round " : "existing listing, round ") +
                         std::to_string(round));
            ScratchDir dir;
            for (std::size_t k = 0; k < names.size(); ++k) dir.write(names[k], data[k]);
            if (!before.empty()) dir.write("preflist", before);
            std::vector<Result> results(names.size());
            std::vector<std::thread> runs;
            for (std::size_t k = 0; k < names.size(); ++k)
                runs.emplace_back([&, k] { results[k] = run(dir.path(), {names[k]}); });
            for (auto& t : runs) t.join();
            for (std::size_t k = 0; k < names.size(); ++k) {
                EXPECT_EQ(results[k].status, 0) << names[k];
                expect_bytes(results[k].out, alone_out[k], names[k].c_str());
                EXPECT_TRUE(results[k].err.empty() || results[k].err == waiting) << visible(results[k].err);
            }
            const std::string listing = dir.read("preflist");
            ASSERT_EQ(listing.compare(0, before.size(), before), 0);
            EXPECT_TRUE(parts_in_some_order(listing.substr(before.size()), alone_part)) << visible(listing);
        }
    }
}

// Another run holds the listing: this one says that it waits, waits, and
// then appends its part; interrupted while it waits, it ends with nothing
// written.
TEST(Sharing, ARunWaitsForTheOneBeforeIt) {
    if (windows_build()) GTEST_SKIP() << "the holder's lock is a POSIX one";
    for (bool interrupted : {false, true}) {
        SCOPED_TRACE(interrupted ? "interrupted" : "released");
        ScratchDir dir;
        dir.write("x.dat", records_from(1, 3));
        dir.write("preflist", "held\r\n");
        // Not inherited: the program must not hold the lock itself.
        int held = ::open(dir.file("preflist").c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_EQ(flock(held, LOCK_EX), 0);
        Session run(dir.path(), {"x.dat"});
        ASSERT_TRUE(run.wait_for_error(waiting));
        if (interrupted) run.send(SIGINT);
        ::close(held);
        Result r = run.finish();
        expect_bytes(r.err, waiting, "stderr");
        if (interrupted) {
            EXPECT_EQ(r.signal, SIGINT);
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(dir.read("preflist"), "held\r\n");
        } else {
            EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
            expect_bytes(r.out, progress_to(3) + eof_end(4), "stdout");
            expect_bytes(dir.read("preflist"), "held\r\n" + head + listing_lines(3) + eof_line(4), "preflist");
        }
    }
}

// A listing that is a device, as preflist -> /dev/null, is one file for every
// process on the machine: a run beside another such run in another folder
// goes on at once instead of waiting for it.
TEST(Sharing, ADeviceListingIsNotHeld) {
    if (windows_build()) GTEST_SKIP() << "the listings are symbolic links";
    ScratchDir slow, quick;
    ASSERT_EQ(mkfifo(slow.file("x.dat").c_str(), 0600), 0);
    quick.write("x.dat", records_from(1, 3));
    for (ScratchDir* d : {&slow, &quick}) ASSERT_EQ(symlink("/dev/null", d->file("preflist").c_str()), 0);
    Session first(slow.path(), {"x.dat"}, Session::Output::pipe);
    ASSERT_TRUE(first.open_feed(slow.file("x.dat")));
    ASSERT_TRUE(first.feed(records_from(1, 1)));
    ASSERT_TRUE(first.wait_for_output(progress_to(1)));
    // The first run has its listing open and waits for more data.
    Session second(quick.path(), {"x.dat"}, Session::Output::pipe);
    EXPECT_TRUE(second.wait_for_output(progress_to(3) + eof_end(4)));
    first.close_feed();
    Result a = first.finish();
    Result b = second.finish();
    EXPECT_EQ(a.status, 0);
    EXPECT_EQ(b.status, 0);
    EXPECT_EQ(b.err, "") << visible(b.err);
}

// Started as nohup starts it (hang-up ignored) or as a script's background
// job (interrupt ignored): the signal mid-scan changes nothing.
TEST(Signals, InheritedIgnoreIsKept) {
    if (windows_build()) GTEST_SKIP() << "POSIX signals";
    for (int sig : {SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig == SIGHUP ? "SIGHUP" : "SIGINT");
        ScratchDir dir;
        ASSERT_EQ(mkfifo(dir.file("x.dat").c_str(), 0600), 0);
        Launch how;
        how.ignored = {sig};
        Session run(dir.path(), {"x.dat"}, Session::Output::file, Session::Input::none, how);
        ASSERT_TRUE(run.open_feed(dir.file("x.dat")));
        ASSERT_TRUE(run.feed(records_from(1, 3)));
        ASSERT_TRUE(run.wait_for_output(progress_to(3)));
        run.send(sig);
        ASSERT_TRUE(run.feed(records_from(4, 5)));
        run.close_feed();
        Result r = run.finish();
        EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
        EXPECT_EQ(r.signal, 0);
        EXPECT_EQ(r.err, "");
        expect_bytes(r.out, progress_to(5) + eof_end(6), "stdout");
        expect_bytes(dir.read("preflist"), head + listing_lines(5) + eof_line(6), "preflist");
    }
}

// Started with standard streams closed: no file takes a closed stream's
// number, so console bytes never reach the listing or the data file. A
// closed standard output fails at the first console write, a closed standard
// error drops the report, a closed standard input is the end of input.
TEST(Streams, ClosedStandardStreams) {
    if (windows_build()) GTEST_SKIP() << "POSIX descriptors";
    // Record 2 has a packed-decimal digit above 9: the run ends with a report.
    records::Record bad = records::bcd_header(2, records::Stamp{});
    records::set(bad, 5, 0x1A);
    const std::string data = record(1) + std::string(reinterpret_cast<const char*>(bad.data()), bad.size());
    const std::string bcd_report = report("F6101: READ(internal)", "invalid character in integer input");
    const std::string closed_out = report("F6423: WRITE(CON)", "standard output is closed");
    const std::string scanned = head + listing_lines(1);
    const std::string banner_only = banner;
    struct Row {
        const char* what;
        bool in, out, err;
        std::vector<std::string> args;
        std::string stdout_text, stderr_text, listing;
        bool listed;  // the listing exists
    };
    const Row rows[] = {
        {"input", true, false, false, {"x.dat"}, progress_to(1) + crlf, bcd_report, scanned, true},
        {"output", false, true, false, {"x.dat"}, "", closed_out, banner_only, true},
        {"error", false, false, true, {"x.dat"}, progress_to(1) + crlf, "", scanned, true},
        {"input and output", true, true, false, {"x.dat"}, "", closed_out, banner_only, true},
        {"input and error", true, false, true, {"x.dat"}, progress_to(1) + crlf, "", scanned, true},
        {"output and error", false, true, true, {"x.dat"}, "", "", banner_only, true},
        {"all three", true, true, true, {"x.dat"}, "", "", banner_only, true},
        {"input, at the prompt", true, false, false, {}, prompt, report("F6501: OPEN()", "end of file on input"),
         "", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("closed: ") + r.what);
        ScratchDir dir;
        dir.write("x.dat", data);
        Launch how;
        how.close_in = r.in;
        how.close_out = r.out;
        how.close_err = r.err;
        Result res = run(dir.path(), r.args, nullptr, how);
        EXPECT_EQ(res.status, 1);
        expect_bytes(res.out, r.stdout_text, "stdout");
        expect_bytes(res.err, r.stderr_text, "stderr");
        EXPECT_EQ(dir.exists("preflist"), r.listed);
        if (r.listed) expect_bytes(dir.read("preflist"), r.listing, "preflist");
        EXPECT_EQ(dir.read("x.dat"), data) << "the data file changed";
    }
}

// Standard output or error appended to the listing or to the data file: the
// open of that file is refused as for a data file that is the listing, and
// the file is unchanged. A refusal for standard error writes no report there.
TEST(Streams, OutputIntoTheRunsOwnFiles) {
    if (windows_build()) GTEST_SKIP() << "the files are shared through POSIX descriptors";
    struct Row {
        const char* what;
        std::string out_to, err_to;
        std::string stderr_text;
    };
    const Row rows[] = {
        {"output to the listing", "preflist", "",
         report("F6413: OPEN(preflist)", "the file is also the standard output")},
        {"output to the data file", "x.dat", "", report("F6413: OPEN(x.dat)", "the file is also the standard output")},
        {"error to the listing", "", "preflist", ""},
        {"error to the data file", "", "x.dat", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ScratchDir dir;
        const std::string data = records_from(1, 3);
        dir.write("x.dat", data);
        dir.write("preflist", "kept\r\n");
        Launch how;
        if (!r.out_to.empty()) how.out_append = dir.file(r.out_to);
        if (!r.err_to.empty()) how.err_append = dir.file(r.err_to);
        Result res = run(dir.path(), {"x.dat"}, nullptr, how);
        EXPECT_EQ(res.status, 1);
        EXPECT_EQ(res.out, "");
        expect_bytes(res.err, r.stderr_text, "stderr");
        expect_bytes(dir.read("preflist"), "kept\r\n", "preflist");
        EXPECT_EQ(dir.read("x.dat"), data) << "the data file changed";
    }
}

// Under a file-size limit (ulimit -f) the write that meets it is reported,
// the run ends with status 1, and the listing keeps what was written before.
TEST(Limits, FileSizeLimitIsReported) {
    if (windows_build()) GTEST_SKIP() << "POSIX limits";
    const int records = 200;
    const std::string whole = head + listing_lines(records) + eof_line(records + 1);
    struct Row {
        long long limit;
        int last_shown;  // the record whose progress record is the last one written
    };
    // The listing goes out 1024 bytes at a time: the head and 24 bytes a line.
    // At 2048 bytes the third write fails whole, during record 125; at 1500
    // the second is cut at the limit and its rest fails, during record 83.
    const Row rows[] = {{2048, 124}, {1500, 82}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.limit);
        ScratchDir dir;
        dir.write("x.dat", records_from(1, records));
        Launch how;
        how.file_limit = r.limit;
        // Standard output on a pipe, as on a terminal: the limit is the listing's alone.
        Session session(dir.path(), {"x.dat"}, Session::Output::pipe, Session::Input::none, how);
        Result res = session.finish();
        EXPECT_EQ(res.status, 1);
        EXPECT_EQ(res.signal, 0);
        expect_bytes(res.err, report("F6422: WRITE(preflist)", "file size limit reached"), "stderr");
        expect_bytes(res.out, progress_to(r.last_shown) + crlf, "stdout");
        expect_bytes(dir.read("preflist"), whole.substr(0, static_cast<std::size_t>(r.limit)), "preflist");
    }
}

// A listing that may only be appended to (chattr +a), as the shell's >> may:
// the run appends to it.
TEST(Files, AppendOnlyListing) {
    if (windows_build()) GTEST_SKIP() << "POSIX file attributes";
    ScratchDir dir;
    dir.write("x.dat", records_from(1, 2));
    dir.write("preflist", "earlier\r\n");
    const std::string listing = dir.file("preflist");
    if (std::system(("chattr +a '" + listing + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this file system or user cannot make a file append-only";
    Result r = run(dir.path(), {"x.dat"});
    // Left append-only, the scratch folder could not be removed.
    EXPECT_EQ(std::system(("chattr -a '" + listing + "'").c_str()), 0) << "chattr -a " << listing;
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    EXPECT_EQ(r.err, "");
    expect_bytes(r.out, progress_to(2) + eof_end(3), "stdout");
    expect_bytes(dir.read("preflist"), "earlier\r\n" + head + listing_lines(2) + eof_line(3), "preflist");
}

// Names whose failure a bare error text would misdescribe.
TEST(Files, FailuresSayWhatHappened) {
    if (windows_build()) GTEST_SKIP() << "POSIX symbolic links";
    {
        SCOPED_TRACE("a listing that is a link to nothing");
        ScratchDir dir;
        dir.write("x.dat", "");
        ASSERT_EQ(symlink("nowhere", dir.file("preflist").c_str()), 0);
        Result r = run(dir.path(), {"x.dat"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        expect_bytes(r.err,
                     report("F6415: OPEN(preflist)", "the name is a symbolic link to a file that does not exist"),
                     "stderr");
        EXPECT_FALSE(dir.exists("nowhere"));
    }
    {
        SCOPED_TRACE("a data file in a loop of links");
        ScratchDir dir;
        ASSERT_EQ(symlink("loop", dir.file("loop").c_str()), 0);
        Result r = run(dir.path(), {"loop"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        expect_bytes(r.err, report("F6412: OPEN(loop)", "too many levels of symbolic links"), "stderr");
        EXPECT_FALSE(dir.exists("preflist"));
    }
}
