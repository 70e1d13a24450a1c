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

// What the picture's legend says of each mark, word for word as the manual does.
struct LegendEntry {
    const char* colour;
    bool bar;  // a bar's swatch, else a mark's
    const char* text;
};
extern const LegendEntry legend[4];

class Picture {
public:
    // Takes the run's stretches (records joined by steps that are neither gap
    // nor backward), its overlaps, backward steps and rejected records. With
    // min_gap, only gaps of at least that many seconds break a bar, and
    // overlaps and backward steps are not marked.
    void add(const RunReport& r, const std::optional<long long>& min_gap = std::nullopt);
    std::string svg(const std::string& title) const;

private:
    struct Lane {
        std::vector<std::pair<long long, long long>> stretches;  // first and last time
        std::vector<long long> overlaps, backward;                // the time after the step
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

} // namespace report
