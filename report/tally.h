// What a run holds, gathered as its records stream past, and the totals over runs.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "report/reader.h"
#include "report/steps.h"

namespace report {

struct StationTally {
    long long records = 0;
    Steps steps;
};

// A rejected record has no time of its own: it is marked at the time of the
// run's record before it with a time (or after it, when none came before).
struct Mark {
    int station = 0;
    long long when = 0;
    long long count = 0;
    long long first_record = 0;  // the number of the mark's first rejected record
};

struct Tally {
    explicit Tally(bool spans = true) : spans_(spans) {}

    long long records = 0, rejected = 0, mismatches = 0, untimed = 0;
    std::map<int, long long> types;
    std::map<int, StationTally> stations;
    std::optional<long long> first, last;  // times of the first and last records that have one
    long long first_record = 0, last_record = 0;
    long long last_listed = 0;  // number of the run's last record
    std::vector<Mark> rejected_marks;

    void add(const Record& r);

private:
    void mark(int station, long long when, long long count, long long first_record);
    bool spans_;  // whether the stations keep their steps' spans
    std::optional<long long> latest_;  // the time of the run's latest record that had one
    struct Waiting {
        long long count = 0, first_record = 0;
    };
    std::map<int, Waiting> waiting_;  // rejected records before any time, by station
};

// A run once read to its end.
struct RunReport {
    Run run;
    Ending ending;
    Tally tally;
    long long tolerance = 1;
    Figures figures;                    // of its stations together
    std::map<int, Figures> by_station;  // every station of the tally
};

RunReport finish_run(const Run& run, const Ending& ending, Tally tally, long long tolerance);

// Whether a decoder note is the transmitter line.
bool is_mismatch(const std::string& note);

struct Totals {
    long runs = 0, listings = 0;
    long long records = 0, rejected = 0, mismatches = 0, untimed = 0, gaps = 0, overlaps = 0, backward = 0;
    long long problems = 0;  // every line reported, counted by the caller: some lie outside any run
    long long ended_eof = 0, ended_parity = 0, ended_none = 0;
    std::map<int, long long> types;
    std::map<int, std::pair<long long, long>> stations;  // records, runs
    std::optional<long long> first, last;                 // earliest and latest of the runs' first and last

    void add(const RunReport& r);
};

} // namespace report
