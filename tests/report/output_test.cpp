// The writers: CSV quoting, JSON and XML escaping, tick labels, and the
// summary and JSON object of a small listing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/csv.h"
#include "report/in_order.h"
#include "report/json.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/summary.h"
#include "report/svg.h"
#include "report/ticks.h"
#include "report/tally.h"
#include "report/text.h"
#include "report/timestamp.h"
#include "tests/report/listing_text.h"

using namespace report;
using namespace report_test;


TEST(Csv, Quoting) {
    struct Q {
        std::string in, out;
    };
    const std::vector<Q> rows = {
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"\"", "\"\"\"\""},
        {"", ""},
        {"plain.dat", "plain.dat"},
        {" blanks kept ", " blanks kept "},
        {"semi;colon'quote", "semi;colon'quote"},
    };
    for (const Q& q : rows) EXPECT_EQ(csv_field(q.in), q.out) << q.in;

    // A run's file name: UTF-8 kept, other bytes U+FFFD, then quoted.
    const std::vector<Q> names = {
        {"caf\xC3\xA9", "7,caf\xC3\xA9,"},
        {"bad\xFF", "7,bad\xEF\xBF\xBD,"},
        {"q\"\xC3", "7,\"q\"\"\xEF\xBF\xBD\","},
        {"", "7,,"},
    };
    for (const Q& q : names) {
        report::Run run;
        run.number = 7;
        run.file = q.in;
        EXPECT_EQ(run_fields(run), q.out) << q.in;
    }
}

TEST(Csv, RowsOfASmallListing) {
    const auto runs = read_listing_text(small_listing);
    ASSERT_EQ(runs.size(), 1u);
    class Rows : public Sink {
    public:
        std::string out;
        void record(const report::Run& run, const Record& r) override { record_row(out, run_fields(run), r); }
        void problem(const std::string&, long, const std::string&) override {}
    } sink;
    Reader reader(sink);
    Splitter split;
    reader.start("preflist");
    auto take = [&](std::string_view l) { reader.line(l); };
    split.feed(small_listing.data(), small_listing.size(), take);
    split.finish(take);
    reader.finish();
    EXPECT_EQ(std::string(record_columns), "run,file,record,type,date,time,timestamp,station,zero_range_start,note");
    EXPECT_EQ(sink.out,
              "1,\"two, \"\"quoted\"\".dat\",1,0,00000,000000,,000,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",2,2,05123,102000,2005-05-03T10:20:00Z,0A7,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",3,2,05123,102010,2005-05-03T10:20:10Z,0A7,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",4,2,05123,102020,2005-05-03T10:20:20Z,0A7,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",5,2,05123,102110,2005-05-03T10:21:10Z,0A7,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",6,-98,00000,000000,,0A7,0,6:  23CFE\n"
              "1,\"two, \"\"quoted\"\".dat\",7,2,05123,102120,2005-05-03T10:21:20Z,0A7,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",8,2,05123,102130,2005-05-03T10:21:30Z,123,1,\"ivstat,xmtr_id: 291 292\"\n"
              "1,\"two, \"\"quoted\"\".dat\",9,2,05123,102140,2005-05-03T10:21:40Z,123,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",10,2,05123,102100,2005-05-03T10:21:00Z,123,0,\n"
              "1,\"two, \"\"quoted\"\".dat\",11,2,05123,102110,2005-05-03T10:21:10Z,123,0,\n");

    Out gaps;
    gap_rows(gaps, runs[0], std::nullopt);
    EXPECT_EQ(gaps.text,
              "1,\"two, \"\"quoted\"\".dat\",0A7,4,2005-05-03T10:20:20Z,2005-05-03T10:21:10Z,40,gap\n"
              "1,\"two, \"\"quoted\"\".dat\",123,9,2005-05-03T10:21:40Z,2005-05-03T10:21:00Z,-50,backward\n");
    // Only gaps, of at least so many seconds.
    for (long long min_gap : {0, 40}) {
        Out only;
        gap_rows(only, runs[0], min_gap);
        EXPECT_EQ(only.text, gaps.text.substr(0, gaps.text.find('\n') + 1)) << min_gap;
    }
    Out none;
    gap_rows(none, runs[0], 41);
    EXPECT_EQ(none.text, "");

    Out segments;
    segment_rows(segments, runs[0]);
    EXPECT_EQ(std::string(segment_columns), "run,file,station,first_record,last_record,start,end,records");
    EXPECT_EQ(segments.text,
              "1,\"two, \"\"quoted\"\".dat\",0A7,2,4,2005-05-03T10:20:00Z,2005-05-03T10:20:20Z,3\n"
              "1,\"two, \"\"quoted\"\".dat\",0A7,5,7,2005-05-03T10:21:10Z,2005-05-03T10:21:20Z,2\n"
              "1,\"two, \"\"quoted\"\".dat\",123,8,9,2005-05-03T10:21:30Z,2005-05-03T10:21:40Z,2\n"
              "1,\"two, \"\"quoted\"\".dat\",123,10,11,2005-05-03T10:21:00Z,2005-05-03T10:21:10Z,2\n");
}

TEST(Json, StringEscaping) {
    struct J {
        std::string in, out;
    };
    const std::vector<J> rows = {
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001F\\u007F\""},
        {"\b\f\n\r\t", "\"\\b\\f\\n\\r\\t\""},
        {"\"\\/", "\"\\\"\\\\/\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
        {"bad \xFF \xC3 end", "\"bad \xEF\xBF\xBD \xEF\xBF\xBD end\""},
        {"overlong \xC0\xAF, surrogate \xED\xA0\x80", "\"overlong \xEF\xBF\xBD\xEF\xBF\xBD, surrogate \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"", "\"\""},
    };
    for (const J& j : rows) EXPECT_EQ(json_string(j.in), j.out) << j.in;
}

TEST(Json, ObjectOfASmallListing) {
    const auto runs = read_listing_text(small_listing);
    ASSERT_EQ(runs.size(), 1u);
    Out out;
    json_run(out, runs[0]);
    EXPECT_EQ(out.text,
              "{\"run\":1,\"listing\":\"preflist\",\"line\":1,\"file\":\"two, \\\"quoted\\\".dat\",\"records\":11,"
              "\"ending\":\"eof\",\"ending_record\":12,"
              "\"types\":[{\"type\":0,\"records\":1},{\"type\":2,\"records\":9},{\"type\":-98,\"records\":1}],"
              "\"rejected\":1,\"transmitter_mismatches\":1,\"untimed\":2,"
              "\"first\":\"2005-05-03T10:20:00Z\",\"first_record\":2,"
              "\"last\":\"2005-05-03T10:21:10Z\",\"last_record\":11,"
              "\"tolerance\":1,\"min_gap\":null,\"gaps\":1,\"overlaps\":0,\"backward\":1,\"span_seconds\":90,"
              "\"gap_seconds\":40,\"max_gap_seconds\":40,\"availability_percent\":55.6,\"segments\":4,"
              "\"unreadable_lines\":0,"
              "\"stations\":[{\"station\":\"000\",\"records\":1,\"timed\":0,\"typical_step\":null,\"gaps\":0,"
              "\"overlaps\":0,\"backward\":0,\"span_seconds\":null,\"gap_seconds\":0,\"max_gap_seconds\":0,"
              "\"availability_percent\":null,\"segments\":0},"
              "{\"station\":\"0A7\",\"records\":6,\"timed\":5,\"typical_step\":10,\"gaps\":1,\"overlaps\":0,"
              "\"backward\":0,\"span_seconds\":90,\"gap_seconds\":40,\"max_gap_seconds\":40,"
              "\"availability_percent\":55.6,\"segments\":2},"
              "{\"station\":\"123\",\"records\":4,\"timed\":4,\"typical_step\":10,\"gaps\":0,\"overlaps\":0,"
              "\"backward\":1,\"span_seconds\":null,\"gap_seconds\":0,\"max_gap_seconds\":0,"
              "\"availability_percent\":null,\"segments\":2}],"
              "\"irregular\":[{\"station\":\"0A7\",\"after_record\":4,\"from\":\"2005-05-03T10:20:20Z\","
              "\"to\":\"2005-05-03T10:21:10Z\",\"seconds\":40,\"kind\":\"gap\"},"
              "{\"station\":\"123\",\"after_record\":9,\"from\":\"2005-05-03T10:21:40Z\","
              "\"to\":\"2005-05-03T10:21:00Z\",\"seconds\":-50,\"kind\":\"backward\"}]}\n");

    // With a least gap: the list holds the gaps alone; the counts stay.
    Out only;
    json_run(only, runs[0], 41);
    EXPECT_NE(only.text.find("\"min_gap\":41,\"gaps\":1,\"overlaps\":0,\"backward\":1,"), std::string::npos);
    EXPECT_EQ(only.text.substr(only.text.find("\"irregular\"")), "\"irregular\":[]}\n");
}

TEST(Summary, TextOfASmallListingAndTotals) {
    auto runs = read_listing_text(small_listing + small_listing.substr(0, small_listing.find(" -- eof")));
    ASSERT_EQ(runs.size(), 2u);
    std::string out;
    Totals totals;
    totals.listings = 1;
    for (const RunReport& r : runs) {
        summary_run(out, r);
        totals.add(r);
    }
    summary_totals(out, totals, 1);
    EXPECT_EQ(out,
              "run 1: two, \"quoted\".dat\n"
              "  listing      preflist, line 1\n"
              "  records      11\n"
              "  ended        end of file, at record 12\n"
              "  types        0:1 2:9 -98:1\n"
              "  rejected     1\n"
              "  transmitter  1 mismatch\n"
              "  untimed      2\n"
              "  first        2005-05-03T10:20:00Z (record 2)\n"
              "  last         2005-05-03T10:21:10Z (record 11)\n"
              "  gaps         1 (tolerance 1 s)\n"
              "  overlaps     0\n"
              "  backward     1\n"
              "  availability 55.6 % of 90 s, 40 s in gaps (the longest 40 s), 4 segments\n"
              "  unreadable   0 lines\n"
              "  station 000  1 record, 0 timed\n"
              "  station 0A7  6 records, 5 timed, typical step 10 s, 1 gap, 0 overlaps, 0 backward\n"
              "               availability 55.6 % of 90 s, 40 s in gaps (the longest 40 s), 2 segments\n"
              "  station 123  4 records, 4 timed, typical step 10 s, 0 gaps, 0 overlaps, 1 backward\n"
              "               availability unknown (no positive span), 2 segments\n"
              "\n"
              "run 2: two, \"quoted\".dat\n"
              "  listing      preflist, line 21\n"
              "  records      11\n"
              "  ended        no ending (interrupted after record 11)\n"
              "  types        0:1 2:9 -98:1\n"
              "  rejected     1\n"
              "  transmitter  1 mismatch\n"
              "  untimed      2\n"
              "  first        2005-05-03T10:20:00Z (record 2)\n"
              "  last         2005-05-03T10:21:10Z (record 11)\n"
              "  gaps         1 (tolerance 1 s)\n"
              "  overlaps     0\n"
              "  backward     1\n"
              "  availability 55.6 % of 90 s, 40 s in gaps (the longest 40 s), 4 segments\n"
              "  unreadable   0 lines\n"
              "  station 000  1 record, 0 timed\n"
              "  station 0A7  6 records, 5 timed, typical step 10 s, 1 gap, 0 overlaps, 0 backward\n"
              "               availability 55.6 % of 90 s, 40 s in gaps (the longest 40 s), 2 segments\n"
              "  station 123  4 records, 4 timed, typical step 10 s, 0 gaps, 0 overlaps, 1 backward\n"
              "               availability unknown (no positive span), 2 segments\n"
              "\n"
              "total: 2 runs in 1 listing\n"
              "  records      22\n"
              "  ended        1 end of file, 0 parity error, 1 no ending\n"
              "  types        0:2 2:18 -98:2\n"
              "  rejected     2\n"
              "  transmitter  2 mismatches\n"
              "  untimed      4\n"
              "  first        2005-05-03T10:20:00Z\n"
              "  last         2005-05-03T10:21:10Z\n"
              "  gaps         2 (tolerance 1 s)\n"
              "  overlaps     0\n"
              "  backward     2\n"
              "  unreadable   0 lines\n"
              "  station 000  2 records in 2 runs\n"
              "  station 0A7  12 records in 2 runs\n"
              "  station 123  8 records in 2 runs\n");
}

TEST(Summary, ControlBytesInNamesAreShown) {
    EXPECT_EQ(printable("a\x1b[2Jb\x7f"), "a\\x1B[2Jb\\x7F");
    EXPECT_EQ(printable("caf\xC3\xA9"), "caf\xC3\xA9");
}

TEST(Svg, XmlText) {
    EXPECT_EQ(xml_text("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(xml_text("tab\tbell\x07 bad\xFF"), "tab\tbell\xEF\xBF\xBD bad\xEF\xBF\xBD");
}

TEST(Svg, TickLabelsByTimeSpan) {
    struct T {
        const char* what;
        const char* from;  // date and time digits, YYDDD HHMMSS
        const char* to;
        std::vector<std::string> labels;  // label, with "/date" where a date line shows
    };
    const std::vector<T> rows = {
        {"40 seconds", "05123 102005", "05123 102045",
         {"10:20:05/2005-05-03", "10:20:10", "10:20:15", "10:20:20", "10:20:25", "10:20:30", "10:20:35", "10:20:40",
          "10:20:45"}},
        {"an hour", "05123 100000", "05123 110000",
         {"10:00/2005-05-03", "10:10", "10:20", "10:30", "10:40", "10:50", "11:00"}},
        {"over midnight", "05123 200000", "05124 080000",
         {"20:00/2005-05-03", "22:00", "00:00/2005-05-04", "02:00", "04:00", "06:00", "08:00"}},
        {"ten days", "05120 120000", "05130 000000",
         {"2005-05-01", "2005-05-02", "2005-05-03", "2005-05-04", "2005-05-05", "2005-05-06", "2005-05-07",
          "2005-05-08", "2005-05-09", "2005-05-10"}},
        {"a year: months counted from January", "04200 000000", "05200 000000",
         {"2004-09", "2004-11", "2005-01", "2005-03", "2005-05", "2005-07"}},
        {"decades", "80001 000000", "20001 000000",
         {"1980", "1985", "1990", "1995", "2000", "2005", "2010", "2015", "2020"}},
    };
    for (const T& row : rows) {
        const long long a = *record_time(row.from, row.from + 6), b = *record_time(row.to, row.to + 6);
        std::vector<std::string> got;
        for (const Tick& t : time_ticks(a, b, 10)) got.push_back(t.label + (t.date.empty() ? "" : "/" + t.date));
        EXPECT_EQ(got, row.labels) << row.what;
    }
}
