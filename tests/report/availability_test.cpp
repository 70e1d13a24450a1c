// The built preflist-report's availability outputs on listings the built
// preflister writes: segments and figures of a planted listing, each filter,
// and generated recorder data whose planted steps it must find.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

namespace {

// The listed record numbers of --csv rows, one a letter apart: "1 2 3".
std::string record_numbers(const std::string& csv) {
    std::string s;
    const auto rows = split_lines(csv);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::size_t a = rows[i].find(',', rows[i].find(',') + 1) + 1;
        s += (s.empty() ? "" : " ") + rows[i].substr(a, rows[i].find(',', a) - a);
    }
    return s;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

} // namespace

TEST(Availability, SegmentsAndFiguresOfAPlantedListing) {
    Scratch dir;
    list_planted(dir);
    Result r = report(dir, {"--segments"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    // Record 5 is rejected, so untimed: the second segment holds three records.
    expect_text(r.out,
                "run,file,station,first_record,last_record,start,end,records\n"
                "1,x.dat,0A7,1,3,1999-05-03T10:00:00Z,1999-05-03T10:00:20Z,3\n"
                "1,x.dat,0A7,4,7,1999-05-03T10:01:20Z,1999-05-03T10:01:40Z,3\n"
                "1,x.dat,0A7,8,9,1999-05-03T10:01:35Z,1999-05-03T10:01:46Z,2\n"
                "1,x.dat,123,10,11,1999-05-03T10:01:55Z,1999-05-03T10:02:05Z,2\n",
                "--segments");

    r = report(dir, {});
    for (const char* line : {
             "\n  gaps         1 (tolerance 1 s)\n  overlaps     0\n  backward     1\n"
             "  availability 63.2 % of 136 s, 50 s in gaps (the longest 50 s), 4 segments\n",
             "\n  station 0A7  9 records, 8 timed, typical step 10 s, 1 gap, 0 overlaps, 1 backward\n"
             "               availability 56.9 % of 116 s, 50 s in gaps (the longest 50 s), 3 segments\n"
             "  station 123  3 records, 2 timed, typical step 10 s, 0 gaps, 0 overlaps, 0 backward\n"
             "               availability 100.0 % of 20 s, 1 segment\n",
             "\n  overlaps     0\n  backward     1\n  unreadable   0 lines\n",
         })
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\nin\n" << r.out;

    r = report(dir, {"--json"});
    EXPECT_NE(r.out.find("\"gaps\":1,\"overlaps\":0,\"backward\":1,\"span_seconds\":136,\"gap_seconds\":50,"
                         "\"max_gap_seconds\":50,\"availability_percent\":63.2,\"segments\":4,"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"station\":\"123\",\"records\":3,\"timed\":2,\"typical_step\":10,\"gaps\":0,"
                         "\"overlaps\":0,\"backward\":0,\"span_seconds\":20,\"gap_seconds\":0,\"max_gap_seconds\":0,"
                         "\"availability_percent\":100.0,\"segments\":1}"),
              std::string::npos)
        << r.out;
}

TEST(Availability, FiltersChooseRecordsForEveryOutput) {
    Scratch dir;
    list_planted(dir);
    // A second run, a day later: a time window can leave one run out.
    records::Stamp next_day = at(10, 0, 0, 0x0A7);
    next_day.day = 124;
    dir.write("y.dat", bytes({bcd2(next_day)}));
    list(dir, "y.dat");
    struct F {
        const char* what;
        std::vector<std::string> filter;
        std::string records;  // of --csv, run 1 then run 2
        std::string runs;     // the summary's total line
    };
    const std::string day = "1999-05-03T";
    const std::vector<F> rows = {
        {"none", {}, "1 2 3 4 5 6 7 8 9 10 11 12 1", "total: 2 runs in 1 listing"},
        {"a station", {"--station", "123"}, "10 11 12", "total: 1 run in 1 listing"},
        {"a station in lower case", {"--station=0a7"}, "1 2 3 4 5 6 7 8 9 1", "total: 2 runs in 1 listing"},
        {"two stations", {"--station", "123", "--station", "0A7"}, "1 2 3 4 5 6 7 8 9 10 11 12 1",
         "total: 2 runs in 1 listing"},
        {"a station in no run", {"--station", "FFF"}, "", "total: 0 runs in 1 listing"},
        {"a start: the untimed record after a record left out is left out too", {"--start", day + "10:01:30Z"},
         "6 7 8 9 10 11 12 1", "total: 2 runs in 1 listing"},
        {"an end, inclusive, with the untimed record after it", {"--end", day + "10:01:20Z"}, "1 2 3 4 5",
         "total: 1 run in 1 listing"},
        {"a date alone as the end: the whole day", {"--end", "1999-05-03"}, "1 2 3 4 5 6 7 8 9 10 11 12",
         "total: 1 run in 1 listing"},
        {"a date alone as the start", {"--start", "1999-05-04"}, "1", "total: 1 run in 1 listing"},
        {"a window and a station", {"--station", "0A7", "--start", day + "10:01:30Z", "--end", day + "10:01:40Z"},
         "6 7 8", "total: 1 run in 1 listing"},
    };
    for (const F& f : rows) {
        SCOPED_TRACE(f.what);
        std::vector<std::string> args = f.filter;
        args.push_back("--csv");
        Result r = report(dir, args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(record_numbers(r.out), f.records);
        r = report(dir, f.filter);
        EXPECT_NE(("\n" + r.out).find("\n" + f.runs + "\n"), std::string::npos) << r.out;
    }

    // The figures are of the records taken: 0A7 alone from 10:01:30 on has
    // no gap, and its step back.
    Result r = report(dir, {"--gaps", "--station", "0A7", "--start", day + "10:01:30Z"});
    expect_text(r.out,
                "run,file,station,after_record,from,to,seconds,kind\n"
                "1,x.dat,0A7,7,1999-05-03T10:01:40Z,1999-05-03T10:01:35Z,-15,backward\n",
                "--gaps");
    r = report(dir, {"--segments", "--station", "123"});
    expect_text(r.out,
                "run,file,station,first_record,last_record,start,end,records\n"
                "1,x.dat,123,10,11,1999-05-03T10:01:55Z,1999-05-03T10:02:05Z,2\n",
                "--segments");
    r = report(dir, {"--json", "--start", "1999-05-04"});
    const auto objects = split_lines(r.out);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].rfind("{\"run\":2,", 0), 0u) << "runs keep their numbers";
}

TEST(Availability, RecorderDataShowsWhatWasPlanted) {
    struct Plan {
        std::vector<std::string> options;
        int stations, irregular;  // irregular steps planted in each station
        int gaps, overlaps, backward;
    };
    const std::vector<Plan> plans = {
        {{}, 4, 4, 2, 1, 1},
        {{"--stations", "1", "--span", "2h", "--seed", "9"}, 1, 4, 2, 1, 1},
        {{"--stations", "3", "--span", "90m", "--gaps", "3", "--overlaps", "0", "--backward", "2", "--seed", "4"}, 3,
         5, 3, 0, 2},
        {{"--stations=6", "--span=1d", "--gaps=0", "--overlaps=0", "--backward=0"}, 6, 0, 0, 0, 0},
    };
    for (const Plan& p : plans) {
        Scratch dir;
        std::vector<std::string> args = {"--recorder", "r.dat"};
        args.insert(args.end(), p.options.begin(), p.options.end());
        SCOPED_TRACE(args.size() > 2 ? args[2] + " " + args[3] : "defaults");
        ASSERT_EQ(gendata(dir, args), 0);
        // The same plan and seed, the same bytes.
        args[1] = "again.dat";
        ASSERT_EQ(gendata(dir, args), 0);
        EXPECT_TRUE(dir.read("r.dat") == dir.read("again.dat"));
        list(dir, "r.dat");

        Result r = report(dir, {"--json"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const std::string kinds = "\"gaps\":" + std::to_string(p.gaps) + ",\"overlaps\":" + std::to_string(p.overlaps) +
                                  ",\"backward\":" + std::to_string(p.backward) + ",";
        EXPECT_EQ(count(r.out, "{\"station\":"), static_cast<std::size_t>(p.stations + p.stations * p.irregular))
            << "each station and each of its irregular steps";
        // The run's own figures match the pattern too when they equal one station's.
        const bool run_alike = p.stations == 1 || p.irregular == 0;
        EXPECT_EQ(count(r.out, kinds), static_cast<std::size_t>(p.stations + run_alike)) << kinds;
        EXPECT_EQ(count(r.out, "\"segments\":" + std::to_string(p.irregular + 1) + "}"),
                  static_cast<std::size_t>(p.stations));
        EXPECT_EQ(count(r.out, "\"untimed\":0,"), 1u);

        r = report(dir, {"--segments"});
        const auto rows = split_lines(r.out);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(1 + p.stations * (p.irregular + 1)));
        long long records = 0;
        int starts = 0;
        for (std::size_t i = 1; i < rows.size(); ++i) {
            records += std::stoll(rows[i].substr(rows[i].rfind(',') + 1));
            // Each station starts at 2024-03-01 on the minute: times on its step.
            starts += rows[i].find(",2024-03-01T00:00:00Z,") != std::string::npos;
        }
        EXPECT_EQ(starts, p.stations);
        r = report(dir, {"--csv"});
        EXPECT_EQ(records, static_cast<long long>(split_lines(r.out).size()) - 1) << "every record in a segment";
    }
    // Another seed, another file.
    Scratch dir;
    ASSERT_EQ(gendata(dir, {"--recorder", "a.dat", "--seed", "1"}), 0);
    ASSERT_EQ(gendata(dir, {"--recorder", "b.dat", "--seed", "2"}), 0);
    EXPECT_FALSE(dir.read("a.dat") == dir.read("b.dat"));
    // A span too short for the planted steps: refused, and nothing written.
    EXPECT_EQ(gendata(dir, {"--recorder", "c.dat", "--span", "5m", "--gaps", "20"}), 2);
    EXPECT_FALSE(dir.exists("c.dat"));
    EXPECT_EQ(gendata(dir, {"--recorder", "c.dat", "--stations", "0"}), 2);
    EXPECT_EQ(gendata(dir, {"--recorder", "c.dat", "--span", "1w"}), 2);
    EXPECT_EQ(gendata(dir, {"--recorder"}), 2);
}
