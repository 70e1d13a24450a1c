// Which listings the built preflist-report reads, and what it says of files
// that cannot be read or are not listings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

TEST(Listings, MissingOrUnreadableListingsAreNamedAndTheOthersRead) {
    Scratch dir;
    list_planted(dir);
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
    list_planted(dir);
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
    ASSERT_EQ(gendata(dir, {"mix.dat", "200", "3"}), 0);
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
    list_planted(dir);
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
