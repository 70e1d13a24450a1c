// Counting a run's records, stations and rejected-record marks, and the run's figures once it ends.
#include "report/tally.h"

#include "report/lines.h"

namespace report {

bool is_mismatch(const std::string& note) { return note.compare(0, xmtr_text.size() - 1, xmtr_text.substr(1)) == 0; }

void Tally::mark(int station, long long when, long long count, long long first_record) {
    if (!rejected_marks.empty()) {
        Mark& m = rejected_marks.back();
        if (m.station == station && m.when == when) {
            m.count += count;
            return;
        }
    }
    rejected_marks.push_back({station, when, count, first_record});
}

void Tally::add(const Record& r) {
    ++records;
    last_listed = r.number;
    ++types[r.type];
    if (is_mismatch(r.note)) ++mismatches;
    auto [at, fresh] = stations.try_emplace(r.station);
    if (fresh) at->second.steps = Steps(spans_);
    StationTally& st = at->second;
    ++st.records;
    if (r.when) {
        const long long t = *r.when;
        st.steps.add(r.number, t);
        if (!first) {
            first = t;
            first_record = r.number;
        }
        last = t;
        last_record = r.number;
        latest_ = t;
        for (const auto& [station, w] : waiting_) mark(station, t, w.count, w.first_record);
        waiting_.clear();
    } else {
        ++untimed;
    }
    if (r.type < 0) {
        ++rejected;
        if (latest_) {
            mark(r.station, *latest_, 1, r.number);
        } else {
            Waiting& w = waiting_[r.station];
            if (w.count++ == 0) w.first_record = r.number;
        }
    }
}

RunReport finish_run(const Run& run, const Ending& ending, Tally tally, long long tolerance) {
    RunReport rep{run, ending, std::move(tally), tolerance, {}, {}};
    for (const auto& [station, st] : rep.tally.stations) {
        const Figures f = st.steps.figures(tolerance);
        rep.by_station.emplace(station, f);
        rep.figures.add(f);
    }
    return rep;
}

void Totals::add(const RunReport& r) {
    ++runs;
    const Tally& t = r.tally;
    records += t.records;
    rejected += t.rejected;
    mismatches += t.mismatches;
    untimed += t.untimed;
    gaps += r.figures.gaps;
    overlaps += r.figures.overlaps;
    backward += r.figures.backward;
    ++(r.ending.kind == Ending::eof ? ended_eof : r.ending.kind == Ending::parity ? ended_parity : ended_none);
    for (const auto& [type, n] : t.types) types[type] += n;
    for (const auto& [station, st] : t.stations) {
        stations[station].first += st.records;
        ++stations[station].second;
    }
    if (t.first && (!first || *t.first < *first)) first = t.first;
    if (t.last && (!last || *t.last > *last)) last = t.last;
}

} // namespace report
