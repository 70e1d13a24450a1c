// The built program's progress line on the console: one line per range start, on a file and on a real terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e_scan.h"
#include "tests/e2e_support.h"
#include "tests/test_support.h"
#include "tools/records.h"

using namespace e2e;
using namespace e2e_scan;
using testing_support::ScratchDir;

namespace {

// A progress record after its leading blank, as a first record shows it.
std::string progress(int irec, int type, const char* date, const char* time, bool zero = false) {
    char b[128];
    std::snprintf(b, sizeof b, " Decoding preface:       rec #%8d type%3d  %s %s%s\r", irec, type, date, time,
                  zero ? " Range Start ZERO!" : "");
    return b;
}

// Written whole, as every later record and every record after a key change is.
std::string whole(int irec, int type, const char* date, const char* time, bool zero = false) {
    return " " + progress(irec, type, date, time, zero);
}

const std::string new_key = " \r\n";  // the empty record over column 1, then the return character's line end

records::Record keyed(int type, int hi, int lo, const records::Stamp& s) {
    records::Record r = records::bcd_header(type, s);
    records::set_range(r, records::range_byte(type), hi, lo);
    return r;
}

} // namespace

TEST(Progress, OneLinePerRangeStart) {
    ScratchDir dir;
    auto s = stamp(99, 123, 10, 20, 30, 0);
    dir.write("x.dat", file_bytes({keyed(2, 1, 2, s), keyed(2, 1, 2, s), records::nibble(8, s), keyed(3, 1, 2, s),
                             keyed(15, 0, 102, s), keyed(2, 3, 4, s)}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    // The first key change follows the pending echo: its empty record ends the echo's line.
    const std::string want = "x.dat\r\n\r\n" + whole(1, 2, "99123", "102030") + whole(2, 2, "99123", "102030") +
                             whole(3, 8, "99123", "102030") + whole(4, 3, "99123", "102030") +
                             whole(5, 15, "99123", "102030") + new_key + whole(6, 2, "99123", "102030") +
                             " \r\n-- eof at irec=    7 --\r\n\r\n" + stop_text + crlf;
    expect_bytes(r.out, want, "stdout");
    const std::vector<std::string> shown = e2e::screen(r.out);
    const std::vector<std::string> expected = {
        "x.dat",
        "",
        "  Decoding preface:       rec #       5 type 15  99123 102030",
        "  Decoding preface:       rec #       6 type  2  99123 102030",
        "-- eof at irec=    7 --",
        "",
        "Stop - Program terminated.",
        "",
        "",
    };
    EXPECT_EQ(shown, expected);
}

TEST(Progress, FirstRecordWithoutKeyLosesItsBlank) {
    ScratchDir dir;
    auto s = stamp(1, 2, 3, 4, 5, 0);
    dir.write("x.dat", file_bytes({records::plain(0), keyed(2, 0, 7, s)}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    expect_bytes(r.out,
                 "x.dat\r\n" + progress(1, 0, "00000", "000000") + new_key + whole(2, 2, "01002", "030405") +
                     " \r\n-- eof at irec=    3 --\r\n\r\n" + stop_text + crlf,
                 "stdout");
}

TEST(Progress, ZeroRangeStartIsFlagged) {
    ScratchDir dir;
    auto s = stamp(1, 2, 3, 4, 5, 0);
    auto rejected = keyed(2, 0, 0, s);
    records::spoil(rejected, 2);
    dir.write("x.dat", file_bytes({rejected, keyed(3, 0, 0, s), records::nibble(8, s), keyed(15, 0, 0, s)}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    // A rejected record has no key: no change, the plain format.
    const std::string want = "x.dat\r\n" + progress(1, -98, "00000", "000000") + new_key +
                             whole(2, 3, "01002", "030405", true) + whole(3, 8, "01002", "030405") +
                             whole(4, 15, "01002", "030405", true) + " \r\n-- eof at irec=    5 --\r\n\r\n" +
                             stop_text + crlf;
    expect_bytes(r.out, want, "stdout");
    // A plain record after a zero one leaves the flag's tail on screen.
    auto shown = e2e::screen(r.out.substr(0, r.out.find(whole(4, 15, "01002", "030405", true))));
    EXPECT_EQ(shown.back(), "  Decoding preface:       rec #       3 type  8  01002 030405 Range Start ZERO!");
}

TEST(Progress, AfterATypedAnswer) {
    ScratchDir dir;
    auto s = stamp(1, 2, 3, 4, 5, 0);
    dir.write("x.dat", file_bytes({keyed(2, 0, 7, s)}));
    e2e::Result r = e2e::run(dir.path(), {}, "x.dat\nx.dat\n");
    // The answer left a fresh line: the key change leaves it empty.
    expect_bytes(r.out,
                 prompt + " enter the input filename:\r\n\r\n" + whole(1, 2, "01002", "030405") +
                     " \r\n-- eof at irec=    2 --\r\n\r\n" + stop_text + crlf,
                 "stdout");
}

TEST(Progress, RealTerminalHoldsOneLinePerRangeStart) {
    ScratchDir dir;
    auto s = stamp(99, 123, 10, 20, 30, 0);
    std::vector<records::Record> recs;
    for (int i = 0; i < 50; ++i) recs.push_back(keyed(2, 1, 1, s));
    for (int i = 0; i < 50; ++i) recs.push_back(keyed(2, 1, 2, s));
    dir.write("x.dat", file_bytes(recs));

    e2e::Result r = e2e::run_on_terminal(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    std::vector<std::string> shown = e2e::screen(r.out);
    const std::vector<std::string> expected = {
        "x.dat",
        "",
        "  Decoding preface:       rec #      50 type  2  99123 102030",
        "  Decoding preface:       rec #     100 type  2  99123 102030",
        "-- eof at irec=  101 --",
        "",
        "Stop - Program terminated.",
        "",
        "",
    };
    EXPECT_EQ(shown, expected) << visible(r.out.substr(0, 400));

    // Typed answers on an interactive console: the same screen below the questions.
    r = e2e::run_on_terminal(dir.path(), {}, "x.dat\ntyped.dat\n");
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    shown = e2e::screen(r.out);
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], "File name missing or blank - please enter file name");
    EXPECT_EQ(shown[1], "UNIT 1?  enter the input filename:");
    EXPECT_EQ(shown[2], "");
    EXPECT_EQ(std::vector<std::string>(shown.begin() + 3, shown.end()),
              std::vector<std::string>(expected.begin() + 2, expected.end()));
}
