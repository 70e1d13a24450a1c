// Tick marks for a time axis, chosen by the span it covers.
#pragma once
#include <string>
#include <vector>

namespace report {

// Tick marks for a time axis from a to b: times and their labels, with a
// second label line for the date where a label shows only the hour.
struct Tick {
    long long when;
    std::string label, date;
};
std::vector<Tick> time_ticks(long long a, long long b, int most);

} // namespace report
