// The built program, run in a scratch folder: standard output, standard error,
// exit status and the listing file, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/test_support.h"
#include "tools/records.h"

// The run's fixed texts and the comparisons.
using namespace e2e;
using testing_support::ScratchDir;

namespace {


std::string head(const std::string& name) { return banner + " " + name + crlf + header; }

std::string eof_line(int irec) {
    char b[64];
    std::snprintf(b, sizeof b, " -- eof at irec=%5d --\r\n", irec);
    return b;
}

// Console bytes of the end-of-file ending after a pending line.
std::string eof_console(int irec) {
    char b[64];
    std::snprintf(b, sizeof b, "\r\n\r\n-- eof at irec=%5d --\r\n", irec);
    return b + crlf + stop_text + crlf;
}

std::string file_bytes(const std::vector<records::Record>& recs, std::size_t tail = 0) {
    std::string s;
    for (const auto& r : recs) s.append(reinterpret_cast<const char*>(r.data()), r.size());
    s.append(tail, '\x07');
    return s;
}



records::Stamp stamp(int year, int day, int hour, int minute, int second, int station) {
    records::Stamp s;
    s.year = year;
    s.day = day;
    s.hour = hour;
    s.minute = minute;
    s.second = second;
    s.station = station;
    return s;
}

} // namespace

TEST(RunSetup, NameOnTheCommandLine) {
    ScratchDir dir;
    dir.write("x.dat", "");
    e2e::Result r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
    expect_bytes(r.out, "x.dat" + eof_console(1), "stdout");
    EXPECT_EQ(r.err, "");
    expect_bytes(dir.read("preflist"), head("x.dat") + eof_line(1), "preflist");
}

TEST(RunSetup, MissingDataFileLeavesNoListing) {
    ScratchDir dir;
    e2e::Result r = e2e::run(dir.path(), {"missing.dat"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    expect_report(r.err, "F6416: OPEN(missing.dat)");
    EXPECT_FALSE(dir.exists("preflist"));
}

TEST(RunSetup, PromptsWhenNoNameIsGiven) {
    struct Row {
        const char* what;
        std::vector<std::string> args;
        std::string input;
        std::string out;
        std::string name_line;
    };
    const std::vector<Row> rows = {
        {"one answer each", {}, "x.dat\nlisted\n", prompt + " enter the input filename:", " listed"},
        {"blank answers repeat the prompt", {}, "\n   \n  x.dat  \n  listed  \n",
         prompt + prompt + prompt + " enter the input filename:", "   listed"},
        {"a blank word is used up", {"   "}, "x.dat\n\n", prompt, " "},
        {"blank listing answer", {}, "x.dat\n      \n", prompt + " enter the input filename:", " "},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        dir.write("x.dat", "");
        e2e::Result r = e2e::run(dir.path(), row.args, row.input);
        EXPECT_EQ(r.status, 0) << row.what << "\n" << e2e::visible(r.err);
        EXPECT_EQ(r.err, "") << row.what;
        // Even an echo that shows nothing leaves a line to end.
        expect_bytes(r.out, row.out + eof_console(1), row.what);
        expect_bytes(dir.read("preflist"), banner + row.name_line + crlf + header + eof_line(1), row.what);
    }
}

TEST(RunSetup, InputEndsDuringPrompts) {
    struct Row {
        std::string input;
        std::string report;
        std::string out;
        bool listed;  // the banner is already in the listing
    };
    const std::vector<Row> rows = {
        {"", "F6501: OPEN()", prompt, false},
        {"   \n", "F6501: OPEN()", prompt + prompt, false},
        {"x.dat\n", "F6501: READ(CON)", prompt + " enter the input filename:\r\n", true},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        dir.write("x.dat", "");
        e2e::Result r = e2e::run(dir.path(), {}, row.input);
        EXPECT_EQ(r.status, 1);
        expect_report(r.err, row.report);
        expect_bytes(r.out, row.out, "stdout");
        if (row.listed)
            EXPECT_EQ(dir.read("preflist"), banner);
        else
            EXPECT_FALSE(dir.exists("preflist"));
    }
}

TEST(RunSetup, ListingIsOnlyAppendedTo) {
    ScratchDir dir;
    dir.write("x.dat", "");
    dir.write("preflist", "earlier run\r\nno line end");
    ASSERT_EQ(e2e::run(dir.path(), {"x.dat"}).status, 0);
    ASSERT_EQ(e2e::run(dir.path(), {"x.dat"}).status, 0);
    std::string run = head("x.dat") + eof_line(1);
    expect_bytes(dir.read("preflist"), "earlier run\r\nno line end" + run + run, "preflist");
}

TEST(RunSetup, ListingGivenAsTheDataFileIsRefused) {
    ScratchDir dir;
    dir.write("preflist", "kept\r\n");
    for (const char* name : {"preflist", "./preflist"}) {
        e2e::Result r = e2e::run(dir.path(), {name});
        EXPECT_EQ(r.status, 1);
        expect_report(r.err, "F6413: OPEN(preflist)");
        EXPECT_EQ(dir.read("preflist"), "kept\r\n");
    }
}

TEST(RunSetup, FoldersAreRefused) {
    ScratchDir dir;
    dir.write("x.dat", "");
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    e2e::Result r = e2e::run(dir.path(), {"sub"});
    EXPECT_EQ(r.status, 1);
    expect_report(r.err, "F6414: OPEN(sub)");
    EXPECT_FALSE(dir.exists("preflist"));

    ASSERT_EQ(mkdir(dir.file("preflist").c_str(), 0755), 0);
    r = e2e::run(dir.path(), {"x.dat"});
    EXPECT_EQ(r.status, 1);
    expect_report(r.err, "F6414: OPEN(preflist)");
    EXPECT_EQ(r.out, "");
}

TEST(RunSetup, LongNamesAreEchoedOverTwoRecords) {
    struct Row {
        std::size_t length;
        std::string console;  // the echo's bytes
        std::string listed;   // the name lines
    };
    auto name = [](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
        return s;
    };
    const std::vector<Row> rows = {
        {78, name(78), " " + name(78) + crlf},
        {79, name(79) + "\r\n", " " + name(79) + crlf + " " + crlf},
        {80, name(79) + "\r\n" + name(80).substr(79), " " + name(79) + crlf + " " + name(80).substr(79) + crlf},
        {100, name(79) + "\r\n" + name(80).substr(79), " " + name(79) + crlf + " " + name(80).substr(79) + crlf},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        std::string n = name(row.length);
        dir.write(n, "");
        e2e::Result r = e2e::run(dir.path(), {n});
        EXPECT_EQ(r.status, 0) << row.length << "\n" << e2e::visible(r.err);
        expect_bytes(r.out, row.console + eof_console(1), "stdout");
        expect_bytes(dir.read("preflist"), banner + row.listed + header + eof_line(1), "preflist");
    }
}

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
