// The page's data: its runs as --json has them, segments with the step before each, marks, totals,
// and JSON that nothing can end a script element with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/json.h"
#include "report/page/data.h"
#include "report/page/html.h"
#include "tests/report/listing_text.h"

using namespace report;
using namespace report_test;

TEST(PageData, ScriptSafeJson) {
    struct Row {
        std::string in, out;
    };
    const std::vector<Row> rows = {
        {"</script>", "\\u003C/script\\u003E"},
        {"<!--x-->", "\\u003C!--x--\\u003E"},
        {"a&b", "a\\u0026b"},
        {"\xE2\x80\xA8|\xE2\x80\xA9", "\\u2028|\\u2029"},
        // Other characters of the same lead bytes stay as they are.
        {"\xE2\x80\xA7\xE2\x80\xAA\xE2\x82\xAC", "\xE2\x80\xA7\xE2\x80\xAA\xE2\x82\xAC"},
        {"\xE2\x80", "\xE2\x80"},
        {"{\"a\":[1,2]}", "{\"a\":[1,2]}"},
    };
    for (const Row& r : rows) EXPECT_EQ(script_safe(r.in), r.out) << r.in;
}

TEST(PageData, RunsSegmentsAndMarksOfASmallListing) {
    const auto runs = read_listing_text(small_listing);
    ASSERT_EQ(runs.size(), 1u);
    Totals totals;
    totals.listings = 1;
    totals.add(runs[0]);
    Out json;
    json_run(json, runs[0]);
    const std::string head = json.text.substr(0, json.text.find(",\"irregular\""));
    const std::string top =
        "{\"generator\":\"preflist-report 9\",\"title\":\"t <x>\",\"listings\":[\"preflist\"],\"tolerance\":1,";
    const std::string totals_text =
        "\"base\":1115115600,\"first\":\"2005-05-03T10:20:00Z\",\"last\":\"2005-05-03T10:21:10Z\","
        "\"totals\":{\"runs\":1,\"listings\":1,\"records\":11,\"rejected\":1,\"transmitter_mismatches\":1,"
        "\"untimed\":2,\"gaps\":1,\"overlaps\":0,\"backward\":1,\"unreadable_lines\":0,\"ended_eof\":1,"
        "\"ended_parity_error\":0,\"ended_none\":0},"
        "\"stations\":[{\"station\":\"000\",\"runs\":1,\"records\":1,\"timed\":0,\"gaps\":0,\"overlaps\":0,"
        "\"backward\":0,\"span_seconds\":null,\"gap_seconds\":0,\"max_gap_seconds\":0,\"availability_percent\":null,"
        "\"segments\":0},"
        "{\"station\":\"0A7\",\"runs\":1,\"records\":6,\"timed\":5,\"gaps\":1,\"overlaps\":0,\"backward\":0,"
        "\"span_seconds\":90,\"gap_seconds\":40,\"max_gap_seconds\":40,\"availability_percent\":55.6,\"segments\":2},"
        "{\"station\":\"123\",\"runs\":1,\"records\":4,\"timed\":4,\"gaps\":0,\"overlaps\":0,\"backward\":1,"
        "\"span_seconds\":null,\"gap_seconds\":0,\"max_gap_seconds\":0,\"availability_percent\":null,"
        "\"segments\":2}],\"runs\":[";
    struct Case {
        const char* what;
        std::optional<long long> min_gap;
        std::string filter, lanes;
    };
    const std::vector<Case> cases = {
        // Times count from the first; the rejected record sits at the time of record 5, and station 000,
        // with no time and no mark, has no lane.
        {"every step", std::nullopt, "\"min_gap\":null,\"filter\":{\"stations\":null,\"start\":null,\"end\":null},",
         "{\"station\":\"0A7\",\"typical_step\":10,\"segments\":[[2,4,0,20,3],[5,7,70,80,2,\"gap\",40]],"
         "\"rejected\":[[70,1,6]]},"
         "{\"station\":\"123\",\"typical_step\":10,\"segments\":[[8,9,90,100,2],[10,11,60,70,2,\"backward\",-50]],"
         "\"rejected\":[]}"},
        // A least gap above the gap's seconds lists no step; the segments stay.
        {"a least gap", 41,
         "\"min_gap\":41,\"filter\":{\"stations\":[\"0A7\",\"123\"],\"start\":\"2005-05-03T00:00:00Z\",\"end\":null},",
         "{\"station\":\"0A7\",\"typical_step\":10,\"segments\":[[2,4,0,20,3],[5,7,70,80,2]],\"rejected\":[[70,1,6]]},"
         "{\"station\":\"123\",\"typical_step\":10,\"segments\":[[8,9,90,100,2],[10,11,60,70,2]],\"rejected\":[]}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PageData page;
        page.add(runs[0], c.min_gap);
        PageFacts facts{"preflist-report 9", "t <x>", {"preflist"}, 1, c.min_gap, Filter{}};
        if (c.min_gap) {
            facts.filter.choose(0x123);
            facts.filter.choose(0x0A7);
            facts.filter.start = 1115078400;
        }
        Out head_now;
        json_run_open(head_now, runs[0], c.min_gap);
        EXPECT_EQ(page.json(facts, totals), script_safe(top + c.filter + totals_text + head_now.text +
                                                        ",\"lanes\":[" + c.lanes + "]}]}"));
        if (!c.min_gap) {
            EXPECT_EQ(head_now.text, head) << "the run as --json has it";
        }
    }
}

TEST(PageData, ThePageHoldsTheDataOnceWhereTheSkeletonSaysAndNothingElse) {
    const std::string page = page_html("{\"x\":\"/*@style@*/ @data@ /*@script@*/\"}");
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    // The data's own text is not taken for a place: each place's text is left once, in the data.
    const std::string data = "{\"x\":\"/*@style@*/ @data@ /*@script@*/\"}";
    EXPECT_NE(page.find(data), std::string::npos);
    for (const std::string place : {"/*@style@*/", "@data@", "/*@script@*/"}) {
        const std::size_t first = page.find(place);
        EXPECT_NE(first, std::string::npos);
        EXPECT_EQ(page.find(place, first + 1), std::string::npos) << place;
    }
}
