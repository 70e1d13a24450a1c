// The built preflist-report's options: GNU conventions, usage errors, help and version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

namespace {

const std::string usage =
    "usage: preflist-report [--csv | --gaps | --segments | --json] [--svg FILE]\n"
    "         [--html FILE] [--tolerance SECONDS] [--station ID]...\n"
    "         [--start TIME] [--end TIME] [--min-gap SECONDS] [LISTING...]\n"
    "Try 'preflist-report --help' for more.\n";

} // namespace

TEST(Options, BadOptionsGiveUsageAndStatus2) {
    struct Row {
        std::vector<std::string> args;
        std::string first_line;
    };
    const std::string seconds = " wants whole seconds from 0 to 999999999, not ";
    const std::string times = " wants YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ, not ";
    const std::vector<Row> rows = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"preflist", "--bogus=1"}, "unknown option '--bogus=1'"},
        {{"-x", "preflist"}, "unknown option '-x'"},
        {{"-xh"}, "unknown option '-x'"},
        {{"--csv=yes"}, "option '--csv' takes no value"},
        {{"--help=me"}, "option '--help' takes no value"},
        {{"--s", "x"}, "option '--s' is ambiguous: --segments, --svg, --station, --start"},
        {{"--st=0A7"}, "option '--st' is ambiguous: --station, --start"},
        {{"--tolerance"}, "option '--tolerance' needs a value"},
        {{"--tolerance", "x"}, "--tolerance" + seconds + "'x'"},
        {{"--tolerance=-1"}, "--tolerance" + seconds + "'-1'"},
        {{"--tolerance", "1.5"}, "--tolerance" + seconds + "'1.5'"},
        {{"--tolerance", "1000000000"}, "--tolerance" + seconds + "'1000000000'"},
        {{"--tolerance="}, "--tolerance" + seconds + "''"},
        {{"--min-gap", "-5"}, "--min-gap" + seconds + "'-5'"},
        {{"--min-gap", "5s"}, "--min-gap" + seconds + "'5s'"},
        {{"--min-gap"}, "option '--min-gap' needs a value"},
        {{"--station", "A7"}, "--station wants three hexadecimal digits, not 'A7'"},
        {{"--station=0G7"}, "--station wants three hexadecimal digits, not '0G7'"},
        {{"--station", "0A7", "--station", "12345"}, "--station wants three hexadecimal digits, not '12345'"},
        {{"--start", "yesterday"}, "--start" + times + "'yesterday'"},
        {{"--start", "2024-02-30"}, "--start" + times + "'2024-02-30'"},
        {{"--end", "2024-03-01T25:00:00Z"}, "--end" + times + "'2024-03-01T25:00:00Z'"},
        {{"--end", "2024-03-01 10:00"}, "--end" + times + "'2024-03-01 10:00'"},
        {{"--start", "2024-03-02", "--end", "2024-03-01"}, "--start is after --end: no record could be taken"},
        {{"--svg"}, "option '--svg' needs a value"},
        {{"--svg="}, "--svg wants a file name"},
        {{"--csv", "--json"}, "'--json' and another of --csv, --gaps, --segments, --json given"},
        {{"--segments", "--gaps"}, "'--gaps' and another of --csv, --gaps, --segments, --json given"},
        {{"--svg", "-", "--segments"}, "--svg - and --segments both write to standard output"},
        {{"--html"}, "option '--html' needs a value"},
        {{"--html="}, "--html wants a file name"},
        {{"--html", "-", "--csv"}, "--html - and --csv both write to standard output"},
        {{"--html", "-", "--svg", "-"}, "--svg - and --html - both write to standard output"},
        {{"--html", "out", "--svg", "./out"}, "--html out is the --svg file too"},
        {{"--svg", "out", "--html", "no/../out"}, "--html no/../out is the --svg file too"},
    };
    Scratch dir;
    for (const Row& row : rows) {
        Result r = report(dir, row.args);
        EXPECT_EQ(r.status, 2) << row.first_line;
        EXPECT_EQ(r.out, "") << row.first_line;
        expect_text(r.err, "preflist-report: " + row.first_line + "\n" + usage, row.first_line.c_str());
    }
}

TEST(Options, GnuConventions) {
    Scratch dir;
    list_planted(dir);
    const std::string gaps = report(dir, {"--gaps", "--tolerance", "0", "preflist"}).out;
    ASSERT_NE(gaps.find(",1,gap\n"), std::string::npos) << gaps;
    struct Row {
        const char* what;
        std::vector<std::string> args;
    };
    // Each gives the same rows as --gaps --tolerance 0 preflist.
    const std::vector<Row> rows = {
        {"a value after =", {"--gaps", "--tolerance=0", "preflist"}},
        {"options after the listing", {"preflist", "--tolerance", "0", "--gaps"}},
        {"an option named by its start", {"--gap", "--tol", "0"}},
        {"-- ends the options", {"--gaps", "--tolerance", "0", "--", "preflist"}},
        {"a mode given twice", {"--gaps", "--gaps", "--tolerance", "0"}},
    };
    for (const Row& row : rows) {
        Result r = report(dir, row.args);
        EXPECT_EQ(r.status, 0) << row.what;
        EXPECT_EQ(r.err, "") << row.what;
        EXPECT_EQ(r.out, gaps) << row.what;
    }
    // After --, a word that looks like an option is a listing.
    Result r = report(dir, {"--gaps", "--", "--csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot open --csv: No such file or directory\n");
    EXPECT_EQ(r.out, "run,file,station,after_record,from,to,seconds,kind\n");
}

TEST(Options, HelpAndVersion) {
    Scratch dir;
    Result r = report(dir, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "preflist-report " REPORT_VERSION "\n");
    for (const std::vector<std::string>& help : std::vector<std::vector<std::string>>{
             {"--help"}, {"-h"}, {"--csv", "--help", "missing"}, {"--hel"}}) {
        r = report(dir, help);
        EXPECT_EQ(r.status, 0) << help[0];
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.substr(0, usage.find("Try")), usage.substr(0, usage.find("Try"))) << visible(r.out);
        EXPECT_NE(r.out.find("\n  --min-gap SECONDS    "), std::string::npos);
    }
    // Help that cannot be written fails.
    r = run(dir.path(), report_program(), {"--help"}, nullptr, "/dev/full");
    EXPECT_EQ(r.status, 1);
}
