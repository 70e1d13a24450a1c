// The built preflist-report's options: usage errors, help and version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

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
