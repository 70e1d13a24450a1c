// The built program setting up a run: the data file's name, from the words or the prompt, and the listing.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "tests/e2e_scan.h"
#include "tests/e2e_support.h"
#include "tests/test_support.h"

using namespace e2e;
using namespace e2e_scan;
using testing_support::ScratchDir;

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
