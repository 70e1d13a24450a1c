// The page's data: the runs as --json has them, their stations' segments and marks, and totals per station.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "report/filter.h"
#include "report/steps.h"
#include "report/tally.h"

namespace report {

// What the command line and the listings' names say of the page.
struct PageFacts {
    std::string generator, title;
    std::vector<std::string> listings;
    long long tolerance = 1;
    std::optional<long long> min_gap;
    Filter filter;
};

class PageData {
public:
    // Takes the run's figures, its segments with the listed irregular step
    // before each, and its rejected-record marks. The page's times are
    // counted from its earliest, known only at the end: so the segments wait
    // here, not as text.
    void add(const RunReport& r, const std::optional<long long>& min_gap);

    // The one JSON object, with <, >, & and the two line separators written
    // as \u escapes: nothing in it can end the script element it goes into.
    std::string json(const PageFacts& facts, const Totals& totals) const;

private:
    // A segment, and the listed irregular step that ends the one before it:
    // only what the page shows, as a large listing has many.
    struct Piece {
        long long first_record, last_record, start, end, records;
        long long seconds;  // of the step before, when listed
        StepKind before;    // regular: no listed step before
    };
    struct Lane {
        int station = 0;
        long long typical = 0;
        std::vector<Piece> pieces;
        std::vector<Mark> rejected;
    };
    struct Run {
        std::string head;  // the --json object, still open
        std::vector<Lane> lanes;
    };
    struct StationTotal {
        long runs = 0;
        long long records = 0, timed = 0;
        Figures figures;
    };
    std::vector<Run> runs_;
    std::map<int, StationTotal> stations_;
};

// The JSON text made safe to stand inside an HTML script element.
std::string script_safe(std::string json);

} // namespace report
