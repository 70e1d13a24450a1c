// The availability picture as SVG: a lane per station, its stretches of recording as bars over time.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/tally.h"

namespace report {

// Text for XML: & < > " ' escaped; bytes that are not UTF-8 and control
// characters XML does not allow become U+FFFD.
std::string xml_text(std::string_view s);

class Picture {
public:
    // Takes the run's stretches (records joined by steps that are no gap),
    // its overlaps and its rejected records.
    void add(const RunReport& r);
    std::string svg(const std::string& title) const;

private:
    struct Lane {
        std::vector<std::pair<long long, long long>> stretches;  // first and last time
        std::vector<long long> overlaps;                          // time after the step back
        std::vector<long long> rejected;
        long long records = 0;
    };
    void stretch(Lane& lane, long long a, long long b);
    void seen(long long t);

    std::map<int, Lane> lanes_;
    std::optional<long long> min_, max_;
    long runs_ = 0;
    long long records_ = 0;
};

// Tick marks for a time axis from a to b: times and their labels, with a
// second label line for the date where a label shows only the hour.
struct Tick {
    long long when;
    std::string label, date;
};
std::vector<Tick> time_ticks(long long a, long long b, int most);

} // namespace report
