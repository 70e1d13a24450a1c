// Which records the outputs take: chosen stations, a window of record times.
#pragma once
#include <bitset>
#include <optional>
#include <string>

#include "report/reader.h"

namespace report {

class Filter {
public:
    std::optional<long long> start, end;  // seconds since 1970, both inclusive

    // Takes the station's records; with none chosen, every station's.
    void choose(int station) {
        stations_.set(static_cast<std::size_t>(station));
        chosen_ = true;
    }
    bool chosen(int station) const { return !chosen_ || stations_.test(static_cast<std::size_t>(station)); }
    bool active() const { return chosen_ || start || end; }
    bool any_chosen() const { return chosen_; }

    // Called at each run's start: an untimed record goes with the run's timed
    // record before it, and is left out when none came before.
    void begin_run() { last_timed_in_ = false; }
    // Whether the run's next record is taken: every record, without a filter.
    bool keep(const Record& r) { return (!start && !end) ? chosen(r.station) : keep_in_time(r); }

private:
    bool keep_in_time(const Record& r);

    std::bitset<4096> stations_;
    bool chosen_ = false;
    bool last_timed_in_ = false;
};

// Three hexadecimal digits, either case.
std::optional<int> parse_station(const std::string& s);
// YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ, UTC. A date alone is the start of its
// day, or its last second when day_end is set.
std::optional<long long> parse_time(const std::string& s, bool day_end);

} // namespace report
