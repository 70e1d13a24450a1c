// Which records the outputs take: chosen stations, a window of record times.
#pragma once
#include <bitset>
#include <optional>
#include <string>

#include "report/reader.h"

namespace report {

class Filter {
public:
    std::bitset<4096> stations;  // the chosen ones; none chosen: all
    std::optional<long long> start, end;  // seconds since 1970, both inclusive

    bool active() const { return stations.any() || start || end; }

    // Called at each run's start: an untimed record goes with the run's timed
    // record before it, and is left out when none came before.
    void begin_run() { last_timed_in_ = false; }
    // Whether the run's next record is taken.
    bool keep(const Record& r);

private:
    bool last_timed_in_ = false;
};

// Three hexadecimal digits, either case.
std::optional<int> parse_station(const std::string& s);
// YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ, UTC. A date alone is the start of its
// day, or its last second when day_end is set.
std::optional<long long> parse_time(const std::string& s, bool day_end);

} // namespace report
