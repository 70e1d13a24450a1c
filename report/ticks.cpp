// Tick marks for the picture's time axis: steps of seconds up to decades, labelled by the span.
#include "report/ticks.h"

#include <cstdio>

#include "report/timestamp.h"

namespace report {
namespace {

std::string two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string day_text(const Civil& c) { return std::to_string(c.year) + "-" + two(c.month) + "-" + two(c.day); }

// Calendar steps count months; the others are seconds.
struct TickStep {
    long long seconds;
    int months;
};

const TickStep tick_steps[] = {
    {1, 0}, {2, 0}, {5, 0}, {10, 0}, {15, 0}, {30, 0}, {60, 0}, {120, 0}, {300, 0}, {600, 0}, {900, 0},
    {1800, 0}, {3600, 0}, {7200, 0}, {10800, 0}, {21600, 0}, {43200, 0}, {86400, 0}, {172800, 0},
    {604800, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 6}, {0, 12}, {0, 24}, {0, 60}, {0, 120}, {0, 240}, {0, 600},
};

long long floor_div(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

std::vector<long long> tick_times(long long a, long long b, const TickStep& s, int most) {
    std::vector<long long> t;
    if (s.months == 0) {
        // Weeks start on a Monday: 1970-01-01 was a Thursday.
        const long long shift = s.seconds == 604800 ? 4 * 86400 : 0;
        for (long long x = (floor_div(a - shift - 1, s.seconds) + 1) * s.seconds + shift; x <= b; x += s.seconds) {
            t.push_back(x);
            if (static_cast<int>(t.size()) > most) break;
        }
        return t;
    }
    Civil c = civil(a);
    long long m = (static_cast<long long>(c.year) * 12 + c.month - 1);
    m = floor_div(m, s.months) * s.months;
    for (;; m += s.months) {
        const long long x = from_civil(static_cast<int>(floor_div(m, 12)), static_cast<int>(m - floor_div(m, 12) * 12) + 1, 1);
        if (x < a) continue;
        if (x > b) break;
        t.push_back(x);
        if (static_cast<int>(t.size()) > most) break;
    }
    return t;
}

} // namespace

std::vector<Tick> time_ticks(long long a, long long b, int most) {
    for (const TickStep& s : tick_steps) {
        std::vector<long long> t = tick_times(a, b, s, most);
        if (static_cast<int>(t.size()) > most) continue;
        std::vector<Tick> ticks;
        std::string last_day;
        for (long long x : t) {
            const Civil c = civil(x);
            Tick k{x, "", ""};
            if (s.months >= 12) {
                k.label = std::to_string(c.year);
            } else if (s.months) {
                k.label = std::to_string(c.year) + "-" + two(c.month);
            } else if (s.seconds >= 86400) {
                k.label = day_text(c);
            } else {
                k.label = two(c.hour) + ":" + two(c.minute) + (s.seconds < 60 ? ":" + two(c.second) : "");
                // The date under the first tick and wherever the day changes.
                const std::string d = day_text(c);
                if (d != last_day) k.date = d;
                last_day = d;
            }
            ticks.push_back(k);
        }
        return ticks;
    }
    return {};
}

} // namespace report
