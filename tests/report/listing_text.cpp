// Listings as text in memory, read as the program reads them, for the tests of the writers.
#include "tests/report/listing_text.h"

#include <gtest/gtest.h>

#include "report/split.h"

using namespace report;

namespace report_test {
namespace {

// The runs of a listing text, as the program gathers them.
class Runs : public Sink {
public:
    std::vector<RunReport> reports;
    std::string problems;
    long long tolerance = 1;
    void begin(const Run&) override { tally_ = Tally{}; }
    void record(const Run&, const Record& r) override { tally_.add(r); }
    void end(const Run& run, const Ending& e) override {
        reports.push_back(finish_run(run, e, std::move(tally_), tolerance));
    }
    void problem(const std::string&, long line, const std::string& what) override {
        problems += std::to_string(line) + ": " + what + "\n";
    }

private:
    Tally tally_;
};

} // namespace

std::vector<RunReport> read_listing_text(const std::string& text, long long tolerance) {
    Runs runs;
    runs.tolerance = tolerance;
    Reader reader(runs);
    Splitter split;
    reader.start("preflist");
    auto take = [&](std::string_view l) { reader.line(l); };
    split.feed(text.data(), text.size(), take);
    split.finish(take);
    reader.finish();
    EXPECT_EQ(runs.problems, "");
    return std::move(runs.reports);
}

std::string crlf_lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + "\r\n";
    return s;
}

const std::string S = "                       Station ID: ";

const std::string small_listing = crlf_lines({
    " new run ---------------------------------",
    " two, \"quoted\".dat",
    "",
    "   Rec Typ Date  Time",
    "     1  0 00000 000000",
    S + "0A7",
    "     2  2 05123 102000",
    "     3  2 05123 102010",
    "     4  2 05123 102020",
    "     5  2 05123 102110",
    "    6:  23CFE",
    "     6-98 00000 000000",
    "     7  2 05123 102120",
    " ivstat,xmtr_id: 291 292",
    S + "123",
    "     8  2 05123 102130    Range Start ZERO!",
    "     9  2 05123 102140",
    "    10  2 05123 102100",
    "    11  2 05123 102110",
    " -- eof at irec=   12 --",
});


} // namespace report_test
