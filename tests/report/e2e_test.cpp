// The built preflist-report on listings that the built preflister writes
// from data files made here or by gendata: standard output, standard error
// and exit status, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"
#include "tests/test_support.h"
#include "tools/records.h"

using report_test::Result;
using Scratch = testing_support::ScratchDir;
using e2e::visible;

const char* const record_columns = "run,file,record,type,date,time,timestamp,station,zero_range_start,note";

namespace {

const std::string report_bin = report_test::report_program();

Result report(const Scratch& dir, const std::vector<std::string>& args, const std::string* input = nullptr) {
    return report_test::run(dir.path(), report_bin, args, input);
}

// Lists the data file with the built preflister, appending to the folder's listing.
void list(const Scratch& dir, const std::string& data) {
    Result r = report_test::run(dir.path(), PREFLISTER_BIN, {data});
    ASSERT_EQ(r.status, 0) << r.err;
}

records::Stamp at(int hour, int minute, int second, int station, int xmtr = -1) {
    records::Stamp s;
    s.year = 99;
    s.day = 123;
    s.hour = hour;
    s.minute = minute;
    s.second = second;
    s.station = station;
    s.xmtr = xmtr;
    return s;
}

std::string bytes(const std::vector<records::Record>& recs) {
    std::string s;
    for (const auto& r : recs) s.append(reinterpret_cast<const char*>(r.data()), r.size());
    return s;
}

records::Record bcd2(const records::Stamp& s, bool zero = false) {
    records::Record r = records::bcd_header(2, s);
    records::set_range(r, 36, zero ? 0 : 1, zero ? 0 : 2);
    return r;
}

// Station 0A7 every 10 s with a gap of 50 s after record 3, a rejected
// record, a step back after record 7 and a step of 11 s after record 8;
// then station 123, with a transmitter that differs and a zero range start.
std::string planted() {
    records::Record rejected = bcd2(at(10, 1, 25, 0x0A7));
    records::spoil(rejected, 3);
    return bytes({
        bcd2(at(10, 0, 0, 0x0A7)),
        bcd2(at(10, 0, 10, 0x0A7)),
        records::nibble(8, at(10, 0, 20, 0x0A7)),
        bcd2(at(10, 1, 20, 0x0A7)),
        rejected,
        bcd2(at(10, 1, 30, 0x0A7)),
        bcd2(at(10, 1, 40, 0x0A7)),
        bcd2(at(10, 1, 35, 0x0A7)),
        bcd2(at(10, 1, 46, 0x0A7)),
        bcd2(at(10, 1, 55, 0x123, 0x124)),
        bcd2(at(10, 2, 5, 0x123), true),
        records::plain(0),
    });
}

void expect_text(const std::string& got, const std::string& want, const char* what) {
    EXPECT_EQ(got, want) << what << "\n got: " << visible(got) << "\nwant: " << visible(want);
}

std::vector<std::string> split_lines(const std::string& s) {
    std::vector<std::string> v;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) v.push_back(l);
    return v;
}

} // namespace

TEST(EndToEnd, CsvRowsHoldWhatTheDataFileHolds) {
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    Result r = report(dir, {"--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    expect_text(r.out,
                "run,file,record,type,date,time,timestamp,station,zero_range_start,note\n"
                "1,x.dat,1,2,99123,100000,1999-05-03T10:00:00Z,0A7,0,\n"
                "1,x.dat,2,2,99123,100010,1999-05-03T10:00:10Z,0A7,0,\n"
                "1,x.dat,3,8,99123,100020,1999-05-03T10:00:20Z,0A7,0,\n"
                "1,x.dat,4,2,99123,100120,1999-05-03T10:01:20Z,0A7,0,\n"
                "1,x.dat,5,-98,00000,000000,,0A7,0,5:  23CFE\n"
                "1,x.dat,6,2,99123,100130,1999-05-03T10:01:30Z,0A7,0,\n"
                "1,x.dat,7,2,99123,100140,1999-05-03T10:01:40Z,0A7,0,\n"
                "1,x.dat,8,2,99123,100135,1999-05-03T10:01:35Z,0A7,0,\n"
                "1,x.dat,9,2,99123,100146,1999-05-03T10:01:46Z,0A7,0,\n"
                "1,x.dat,10,2,99123,100155,1999-05-03T10:01:55Z,123,0,\"ivstat,xmtr_id: 291 292\"\n"
                "1,x.dat,11,2,99123,100205,1999-05-03T10:02:05Z,123,1,\n"
                "1,x.dat,12,0,00000,000000,,123,0,\n",
                "--csv");
}

TEST(EndToEnd, GapsOnPlantedGapsOverlapsAndSteps) {
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    const std::string head = "run,file,station,after_record,from,to,seconds,kind\n";
    const std::string gap = "1,x.dat,0A7,3,1999-05-03T10:00:20Z,1999-05-03T10:01:20Z,50,gap\n";
    const std::string back = "1,x.dat,0A7,7,1999-05-03T10:01:40Z,1999-05-03T10:01:35Z,-15,overlap\n";
    const std::string eleven = "1,x.dat,0A7,8,1999-05-03T10:01:35Z,1999-05-03T10:01:46Z,1,gap\n";
    struct Row {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<Row> rows = {
        {{"--gaps"}, head + gap + back},
        {{"--gaps", "--tolerance", "0"}, head + gap + back + eleven},
        {{"--tolerance=0", "--gaps"}, head + gap + back + eleven},
        {{"--gaps", "--tolerance", "14"}, head + gap + back},
        {{"--gaps", "--tolerance", "15"}, head + gap},
        {{"--gaps", "--tolerance", "50"}, head},
    };
    for (const Row& row : rows) {
        Result r = report(dir, row.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        expect_text(r.out, row.out, row.args.back().c_str());
    }
}

TEST(EndToEnd, GendataRowsHoldWhatItsDataFileHolds) {
    Scratch dir;
    ASSERT_EQ(report_test::run(dir.path(), GENDATA_BIN, {"mix.dat", "3000", "5"}).status, 0);
    list(dir, "mix.dat");
    Result r = report(dir, {"--csv"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string data = dir.read("mix.dat");
    const std::vector<std::string> rows = split_lines(r.out);
    ASSERT_EQ(rows.size(), 3001u);
    auto byte = [&](std::size_t rec, int k) { return static_cast<unsigned char>(data[(rec - 1) * 4096 + k - 1]); };
    int checked = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        char file[16], date[8], time[8], ts[32] = "", station[8];
        int run = 0, type = 0, zero = 0;
        long rec = 0;
        // No row of this file has a note with a comma, so fields split on commas.
        const std::string& row = rows[i];
        int n = std::sscanf(row.c_str(), "%d,%15[^,],%ld,%d,%7[^,],%7[^,],", &run, file, &rec, &type, date, time);
        ASSERT_EQ(n, 6) << row;
        std::size_t at = 0;
        for (int c = 0; c < 6; ++c) at = row.find(',', at) + 1;
        std::sscanf(row.c_str() + at, "%31[^,]", ts);
        at = row.find(',', at) + 1;
        ASSERT_EQ(std::sscanf(row.c_str() + at, "%7[^,],%d", station, &zero), 2) << row;
        EXPECT_EQ(run, 1);
        EXPECT_STREQ(file, "mix.dat");
        EXPECT_EQ(rec, static_cast<long>(i));
        const int code = byte(i, 1) & 15;
        EXPECT_TRUE(type == code || type == code - 100) << row;
        if (type == 2 || type == 3) {
            // The BCD header: date bytes 4..6, time bytes 9..11, station bytes 12..14.
            char want[40];
            std::snprintf(want, sizeof want, "%02X%X%02X", byte(i, 4), byte(i, 5) & 15, byte(i, 6));
            EXPECT_STREQ(date, want) << row;
            std::snprintf(want, sizeof want, "%02X%02X%02X", byte(i, 9), byte(i, 10), byte(i, 11));
            EXPECT_STREQ(time, want) << row;
            std::snprintf(want, sizeof want, "%X%X%X", byte(i, 12) & 15, byte(i, 13) & 15, byte(i, 14) & 15);
            EXPECT_STREQ(station, want) << row;
            std::snprintf(want, sizeof want, "%s%02X-", byte(i, 4) >= 0x70 ? "19" : "20", byte(i, 4));
            EXPECT_EQ(std::string(ts).substr(0, 5), want) << row;
            std::snprintf(want, sizeof want, "T%02X:%02X:%02XZ", byte(i, 9), byte(i, 10), byte(i, 11));
            EXPECT_EQ(std::string(ts).substr(10), want) << row;
            EXPECT_EQ(zero, byte(i, 36) == 0 && byte(i, 37) == 0) << row;
            ++checked;
        }
        if (type < 0) {
            EXPECT_STREQ(date, "00000") << row;
        }
    }
    EXPECT_GT(checked, 1000);

    // The summary counts the same records.
    r = report(dir, {"--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"file\":\"mix.dat\",\"records\":3000,\"ending\":\"eof\",\"ending_record\":3001,"),
              std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_EQ(split_lines(r.out).size(), 1u);
}

TEST(EndToEnd, RunsCutShortAndContinuedByTheNextRun) {
    // Each case leaves run 1 of a.dat cut short in its own way, then lists b.dat.
    const std::string a_rows = "1,a.dat,1,8,99123,100000,1999-05-03T10:00:00Z,0A7,0,\n";
    const std::string a_rec2 = "1,a.dat,2,8,99123,100010,1999-05-03T10:00:10Z,0A7,0,\n";
    const std::string b_rows = "2,b.dat,1,8,99123,110000,1999-05-03T11:00:00Z,0A7,0,\n";
    auto cut_after = [](const std::string& mark, std::size_t extra) {
        return [=](const Scratch& dir) {
            list(dir, "a.dat");
            const std::string whole = dir.read("preflist");
            dir.write("preflist", whole.substr(0, whole.find(mark) + mark.size() + extra));
        };
    };
    struct Case {
        const char* what;
        std::function<void(const Scratch&)> cut;
        std::string rows, err, first_run;  // first_run: the start of run 1's JSON object, from its file
    };
    const std::vector<Case> cases = {
        {"part-way through a listing line", cut_after("     2  8 99", 0), a_rows + b_rows,
         "preflist:7: torn line before a banner: '     2  8 99'\n", "\"file\":\"a.dat\",\"records\":1,"},
        {"between the CR and the LF of a listing line", cut_after("     2  8 99123 100010\r", 0),
         a_rows + a_rec2 + b_rows, "", "\"file\":\"a.dat\",\"records\":2,"},
        {"between the CR and the LF of its name line", cut_after(" a.dat\r", 0), b_rows, "",
         "\"file\":\"a.dat\",\"records\":0,\"ending\":\"none\""},
        {"part-way through its name line", cut_after(" a.d", 0), b_rows,
         "preflist:2: torn line before a banner: ' a.d'\n", "\"file\":\"\",\"records\":0,\"ending\":\"none\""},
        {"at its second prompt: input ended before the name line",
         [](const Scratch& dir) {
             const std::string typed = "a.dat\n";
             ASSERT_EQ(report_test::run(dir.path(), PREFLISTER_BIN, {}, &typed).status, 1);
         },
         b_rows, "", "\"file\":\"\",\"records\":0,\"ending\":\"none\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch dir;
        dir.write("a.dat", bytes({records::nibble(8, at(10, 0, 0, 0x0A7)), records::nibble(8, at(10, 0, 10, 0x0A7))}));
        dir.write("b.dat", bytes({records::nibble(8, at(11, 0, 0, 0x0A7))}));
        c.cut(dir);
        list(dir, "b.dat");
        Result r = report(dir, {"--csv"});
        EXPECT_EQ(r.status, 0);
        expect_text(r.err, c.err, "stderr");
        expect_text(r.out, std::string(record_columns) + "\n" + c.rows, "stdout");
        r = report(dir, {"--json"});
        const auto objects = split_lines(r.out);
        ASSERT_EQ(objects.size(), 2u) << r.out;
        EXPECT_NE(objects[0].find(",\"line\":1," + c.first_run), std::string::npos) << objects[0];
        EXPECT_NE(objects[1].find("\"file\":\"b.dat\",\"records\":1,\"ending\":\"eof\""), std::string::npos)
            << objects[1];
    }
}

TEST(EndToEnd, LongNamesAreRejoined) {
    Scratch dir;
    for (std::size_t n : {78, 79, 80}) {
        const std::string name = std::string(n - 4, 'n') + ".dat";
        dir.write(name, bytes({records::plain(0)}));
        list(dir, name);
    }
    Result r = report(dir, {"--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const auto objects = split_lines(r.out);
    ASSERT_EQ(objects.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string name = std::string(74 + i, 'n') + ".dat";
        EXPECT_NE(objects[i].find("\"file\":\"" + name + "\",\"records\":1,"), std::string::npos) << objects[i];
    }
}

TEST(EndToEnd, FileNamesInCsvAreUtf8) {
    // Bytes that are not UTF-8 become U+FFFD, as in JSON and the picture;
    // pandas and Python's csv module read the rows as UTF-8.
    struct Name {
        std::string name, field;
    };
    const std::vector<Name> names = {
        {"bad\xFF.dat", "bad\xEF\xBF\xBD.dat"},
        {"caf\xC3\xA9.dat", "caf\xC3\xA9.dat"},
        {"cut\xC3.dat", "cut\xEF\xBF\xBD.dat"},
        {"a,b\xFE.dat", "\"a,b\xEF\xBF\xBD.dat\""},
    };
    for (const Name& n : names) {
        SCOPED_TRACE(visible(n.name));
        Scratch dir;
        dir.write(n.name, bytes({records::nibble(8, at(10, 0, 0, 0x0A7)), records::nibble(8, at(10, 0, 10, 0x0A7)),
                                 records::nibble(8, at(10, 0, 20, 0x0A7)), records::nibble(8, at(10, 2, 0, 0x0A7))}));
        list(dir, n.name);
        Result r = report(dir, {"--csv"});
        EXPECT_EQ(r.status, 0);
        const auto rows = split_lines(r.out);
        ASSERT_EQ(rows.size(), 5u);
        expect_text(rows[1], "1," + n.field + ",1,8,99123,100000,1999-05-03T10:00:00Z,0A7,0,", "--csv");
        r = report(dir, {"--gaps"});
        EXPECT_EQ(r.status, 0);
        expect_text(split_lines(r.out).back(),
                    "1," + n.field + ",0A7,3,1999-05-03T10:00:20Z,1999-05-03T10:02:00Z,90,gap", "--gaps");
    }
}

TEST(Options, BadOptionsGiveUsageAndStatus2) {
    const std::string usage =
        "usage: preflist-report [--csv | --gaps | --json] [--svg FILE] [--tolerance SECONDS] [LISTING...]\n"
        "Try 'preflist-report --help' for more.\n";
    struct Row {
        std::vector<std::string> args;
        std::string first_line;
    };
    const std::vector<Row> rows = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-x", "preflist"}, "unknown option '-x'"},
        {{"--csv=yes"}, "unknown option '--csv=yes'"},
        {{"--tolerance"}, "option '--tolerance' needs a value"},
        {{"--tolerance", "x"}, "--tolerance wants whole seconds from 0 to 999999999, not 'x'"},
        {{"--tolerance=-1"}, "--tolerance wants whole seconds from 0 to 999999999, not '-1'"},
        {{"--tolerance", "1.5"}, "--tolerance wants whole seconds from 0 to 999999999, not '1.5'"},
        {{"--tolerance", "1000000000"}, "--tolerance wants whole seconds from 0 to 999999999, not '1000000000'"},
        {{"--svg"}, "option '--svg' needs a value"},
        {{"--svg="}, "--svg wants a file name"},
        {{"--csv", "--json"}, "'--json' and another of --csv, --gaps, --json given"},
    };
    Scratch dir;
    for (const Row& row : rows) {
        Result r = report(dir, row.args);
        EXPECT_EQ(r.status, 2) << row.first_line;
        EXPECT_EQ(r.out, "") << row.first_line;
        expect_text(r.err, "preflist-report: " + row.first_line + "\n" + usage, row.first_line.c_str());
    }
}

TEST(Options, HelpAndVersion) {
    Scratch dir;
    Result r = report(dir, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "preflist-report " REPORT_VERSION "\n");
    for (const char* help : {"--help", "-h"}) {
        r = report(dir, {help, "--bogus"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.rfind("usage: preflist-report [--csv | --gaps | --json]", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("--tolerance SECONDS"), std::string::npos);
    }
}

TEST(Listings, MissingOrUnreadableListingsAreNamedAndTheOthersRead) {
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    const std::string rows = report(dir, {"--csv"}).out;
    ASSERT_GT(rows.size(), 100u);
    Result r = report(dir, {"--csv", "missing", "preflist", "."});
    EXPECT_EQ(r.status, 1);
    expect_text(r.err,
                "preflist-report: cannot open missing: No such file or directory\n"
                "preflist-report: cannot read .: Is a directory\n",
                "stderr");
    expect_text(r.out, rows, "stdout");

    // With none of them there: the header alone.
    r = report(dir, {"--gaps", "missing"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "run,file,station,after_record,from,to,seconds,kind\n");
}

TEST(Listings, FilesThatAreNotListings) {
    // A data file or a text given by mistake costs a dozen lines of standard
    // error, not its size, and fails the run; the other listings are read.
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    const std::string summary = report(dir, {}).out;
    std::string hellos, garbage;
    for (int i = 1; i <= 15; ++i) hellos += "hello " + std::to_string(i) + "\n";
    for (int i = 1; i <= 12; ++i) garbage += "garbage\xE9\x1B[2J\r\n";
    std::string listing_with_garbage = dir.read("preflist");
    listing_with_garbage.insert(listing_with_garbage.find("     2  2 99"), garbage);
    dir.write("notes.txt", hellos);
    dir.write("empty", "");
    dir.write("garbage.lst", listing_with_garbage);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    std::string ten;
    for (int i = 1; i <= 10; ++i)
        ten += "notes.txt:" + std::to_string(i) + ": no banner before this line: 'hello " + std::to_string(i) + "'\n";
    std::string garbage_err;
    for (int i = 7; i <= 16; ++i)
        garbage_err += "garbage.lst:" + std::to_string(i) + ": not a line of a listing: 'garbage\\xE9\\x1B[2J'\n";
    const std::vector<Case> cases = {
        {"a text file", {"notes.txt", "preflist"}, 1,
         ten + "notes.txt: 5 more unreadable lines not shown\n"
               "notes.txt: no run found (not a listing written by preflister?)\n"},
        {"an empty file", {"empty", "preflist"}, 1, "empty: no run found (not a listing written by preflister?)\n"},
        {"a listing with unreadable lines in a run", {"garbage.lst"}, 0,
         garbage_err + "garbage.lst: 2 more unreadable lines not shown\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Result r = report(dir, c.args);
        EXPECT_EQ(r.status, c.status);
        expect_text(r.err, c.err, "stderr");
        if (c.status == 1) {
            EXPECT_NE(r.out.find(summary.substr(0, summary.find("total:"))), std::string::npos);
        }
    }

    // A data file: a dozen short lines, printable bytes only.
    ASSERT_EQ(report_test::run(dir.path(), GENDATA_BIN, {"mix.dat", "200", "3"}).status, 0);
    Result r = report(dir, {"mix.dat"});
    EXPECT_EQ(r.status, 1);
    const auto lines = split_lines(r.err);
    ASSERT_EQ(lines.size(), 12u) << r.err;
    for (const std::string& l : lines) {
        EXPECT_LE(l.size(), 110u) << l;
        for (unsigned char c : l) {
            EXPECT_TRUE(c >= 32 && c < 127) << visible(l);
        }
    }
    EXPECT_EQ(lines[10].substr(0, 7), "mix.dat");
    EXPECT_NE(lines[10].find(" more unreadable lines not shown"), std::string::npos) << lines[10];
    EXPECT_EQ(lines[11], "mix.dat: no run found (not a listing written by preflister?)");
}

TEST(Listings, StandardInputAndTheDefaultListing) {
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    const std::string listing = dir.read("preflist");
    Result named = report(dir, {"--csv", "preflist"});
    Result by_default = report(dir, {"--csv"});
    Result piped = report(dir, {"--csv", "-"}, &listing);
    EXPECT_EQ(named.status, 0);
    EXPECT_EQ(by_default.out, named.out);
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, named.out);

    // Runs are numbered over all listings read, standard input among them.
    Result twice = report(dir, {"--json", "-", "preflist"}, &listing);
    const auto objects = split_lines(twice.out);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].rfind("{\"run\":1,\"listing\":\"(standard input)\",\"line\":1,", 0), 0u) << objects[0];
    EXPECT_EQ(objects[1].rfind("{\"run\":2,\"listing\":\"preflist\",\"line\":1,", 0), 0u) << objects[1];

    // An unreadable line on standard input is reported under its name.
    const std::string bad = listing + "garbage\r\n";
    Result r = report(dir, {"--gaps", "-"}, &bad);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "(standard input):22: line after the run's ending: 'garbage'\n");
}

TEST(Outputs, FailedWritesFailTheRun) {
    Scratch dir;
    dir.write("x.dat", planted());
    list(dir, "x.dat");
    Result r = report_test::run(dir.path(), report_bin, {"--csv"}, nullptr, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot write standard output: No space left on device\n");

    r = report(dir, {"--svg", "no/such/folder.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot write no/such/folder.svg: No such file or directory\n");
    EXPECT_NE(r.out.find("total: 1 run in 1 listing\n"), std::string::npos);
}
