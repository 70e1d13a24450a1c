// The built program scanning data files: the listing's lines, a partial record, a bad digit, a read error.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e_scan.h"
#include "tests/e2e_support.h"
#include "tests/test_support.h"
#include "tools/records.h"

using namespace e2e;
using namespace e2e_scan;
using testing_support::ScratchDir;

TEST(Scan, ThreeRecordExample) {
    ScratchDir dir;
    auto s1 = stamp(99, 123, 10, 20, 30, 0x0A7);
    auto s2 = stamp(99, 123, 10, 20, 45, 0x0A7);
    dir.write("x.dat", file_bytes({records::nibble(8, s1), records::nibble(8, s2), records::plain(0)}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    EXPECT_EQ(r.err, "");
    expect_bytes(dir.read("preflist"),
                 head("x.dat") + std::string(23, ' ') + "Station ID: 0A7\r\n" +
                     "     1  8 99123 102030\r\n"
                     "     2  8 99123 102045\r\n"
                     "     3  0 00000 000000\r\n" +
                     eof_line(4),
                 "preflist");
    const std::string line = " Decoding preface:       rec #";
    expect_bytes(r.out,
                 "x.dat\r\n" + line + "       1 type  8  99123 102030\r" +  //
                     " " + line + "       2 type  8  99123 102045\r" +   //
                     " " + line + "       3 type  0  00000 000000\r" +   //
                     " \r\n-- eof at irec=    4 --\r\n\r\n" + stop_text + crlf,
                 "stdout");
    auto shown = e2e::screen(r.out);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[1], "  Decoding preface:       rec #       3 type  0  00000 000000");
}

TEST(Scan, PartialRecordIsNotListed) {
    ScratchDir dir;
    dir.write("x.dat", file_bytes({records::plain(0), records::plain(1), records::plain(4)}, 100));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    expect_bytes(dir.read("preflist"),
                 head("x.dat") +
                     "     1  0 00000 000000\r\n"
                     "     2  1 00000 000000\r\n"
                     "     3  4 00000 000000\r\n" +
                     eof_line(4),
                 "preflist");
    EXPECT_NE(r.out.find("-- eof at irec=    4 --"), std::string::npos);
}

TEST(Scan, StationsZeroFormsAndDecoderLines) {
    ScratchDir dir;
    auto a = stamp(5, 123, 12, 34, 56, 0x123);
    auto b = stamp(5, 124, 1, 2, 3, 0x456);
    auto mismatch = a;
    mismatch.xmtr = 0x124;
    auto zero2 = records::bcd_header(2, a);
    auto zero15 = records::bcd_header(15, b);  // range bytes 43/44 left 0
    auto keyed2 = records::bcd_header(2, a);
    records::set_range(keyed2, 36, 0, 1);
    auto rejected = records::bcd_header(2, a);
    records::spoil(rejected, 3);
    auto nib0 = records::nibble(8, stamp(1, 2, 3, 4, 5, 0));
    dir.write("x.dat", file_bytes({nib0, zero2, keyed2, records::bcd_header(3, mismatch), zero15, rejected,
                             records::plain(56)}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    const std::string station = std::string(23, ' ') + "Station ID: ";
    expect_bytes(dir.read("preflist"),
                 head("x.dat") +
                     "     1  8 01002 030405\r\n" +
                     station + "123\r\n" +
                     "     2  2 05123 123456    Range Start ZERO!\r\n"
                     "     3  2 05123 123456\r\n"
                     " ivstat,xmtr_id: 291 292\r\n"
                     "     4  3 05123 123456    Range Start ZERO!\r\n" +
                     station + "456\r\n" +
                     "     5 15 05124 010203    Range Start ZERO!\r\n"
                     "    6:  23CFE\r\n"
                     "     6-98 00000 000000\r\n"
                     "     7-92 00000 000000\r\n" +
                     eof_line(8),
                 "preflist");
}

TEST(Scan, InvalidBcdDigitEndsTheRunKeepingEarlierLines) {
    ScratchDir dir;
    auto good = records::nibble(9, stamp(99, 1, 2, 3, 4, 0x00F));
    auto bad = records::bcd_header(2, stamp(99, 1, 2, 3, 4, 0x00F));
    records::set(bad, 5, 0x1A);
    dir.write("x.dat", file_bytes({good, bad, good}));
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 1);
    expect_report(r.err, "F6101: READ(internal)");
    expect_bytes(dir.read("preflist"),
                 head("x.dat") + std::string(23, ' ') + "Station ID: 00F\r\n" + "     1  9 99001 020304\r\n",
                 "preflist");
    // The pending progress line is ended by the exit.
    EXPECT_EQ(r.out.substr(r.out.size() - 3), "\r\r\n");
}

TEST(Scan, ReadErrorIsReportedAndFailsTheRun) {
    ScratchDir dir;
    e2e::Result r = e2e::run(dir.path(), {"/proc/self/mem"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "");
    expect_bytes(r.out, "/proc/self/mem\r\n\r\n-- parity error at irec=    1 --\r\n" + stop_text + crlf, "stdout");
    expect_bytes(dir.read("preflist"),
                 head("/proc/self/mem") + " -- parity error at irec=    1 --\r\n", "preflist");
}
