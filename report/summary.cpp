// The summary text of a run and of the totals, in labelled rows.
#include "report/summary.h"

#include <cstdio>

#include "report/text.h"
#include "report/timestamp.h"

namespace report {
namespace {

std::string count(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

void row(std::string& out, const char* label, const std::string& text) {
    char b[32];
    std::snprintf(b, sizeof b, "  %-12s ", label);
    out += b;
    out += text;
    out += '\n';
}

std::string types(const std::map<int, long long>& t) {
    std::string s;
    // Accepted types first, then the rejected ones (negative codes).
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& [type, n] : t)
            if ((type < 0) == (pass == 1)) s += (s.empty() ? "" : " ") + std::to_string(type) + ":" + std::to_string(n);
    return s.empty() ? "none" : s;
}

std::string when(const std::optional<long long>& t, long long record) {
    if (!t) return "none";
    return iso_time(*t) + (record ? " (record " + std::to_string(record) + ")" : "");
}

std::string station_label(int station) {
    char b[16];
    std::snprintf(b, sizeof b, "station %03X", static_cast<unsigned>(station));
    return b;
}

std::string ended(const RunReport& r) {
    const auto& at = r.ending.record;
    switch (r.ending.kind) {
    case Ending::eof: return at ? "end of file, at record " + std::to_string(*at) : "end of file";
    case Ending::parity: return at ? "parity error, at record " + std::to_string(*at) : "parity error";
    case Ending::none: break;
    }
    if (r.tally.records == 0) return "no ending (interrupted before any record)";
    return "no ending (interrupted after record " + std::to_string(r.tally.last_listed) + ")";
}

// "93.3 % of 150 s, 50 s in gaps (the longest 50 s), 3 segments"
std::string availability(const Figures& f) {
    const std::optional<long long> tenths = f.availability_tenths();
    std::string s = tenths ? percent(*tenths) + " % of " + std::to_string(*f.span) + " s" : "unknown (no positive span)";
    if (f.gap_seconds)
        s += ", " + std::to_string(f.gap_seconds) + " s in gaps (the longest " + std::to_string(f.max_gap) + " s)";
    return s + ", " + count(f.segments, "segment", "segments");
}

} // namespace

void summary_run(std::string& out, const RunReport& r) {
    const Tally& t = r.tally;
    out += "run " + std::to_string(r.run.number) + ": " + (r.run.file.empty() ? "(no name)" : printable(r.run.file)) +
           "\n";
    row(out, "listing", printable(r.run.listing) + ", line " + std::to_string(r.run.line));
    row(out, "records", std::to_string(t.records));
    row(out, "ended", ended(r));
    row(out, "types", types(t.types));
    row(out, "rejected", std::to_string(t.rejected));
    row(out, "transmitter", count(t.mismatches, "mismatch", "mismatches"));
    row(out, "untimed", std::to_string(t.untimed));
    row(out, "first", when(t.first, t.first_record));
    row(out, "last", when(t.last, t.last_record));
    row(out, "gaps", std::to_string(r.figures.gaps) + " (tolerance " + std::to_string(r.tolerance) + " s)");
    row(out, "overlaps", std::to_string(r.figures.overlaps));
    row(out, "backward", std::to_string(r.figures.backward));
    row(out, "availability", availability(r.figures));
    row(out, "unreadable", count(r.run.problems, "line", "lines"));
    for (const auto& [station, st] : t.stations) {
        std::string s = count(st.records, "record", "records") + ", " + std::to_string(st.steps.timed()) + " timed";
        const Figures& f = r.by_station.at(station);
        if (st.steps.has_steps())
            s += ", typical step " + std::to_string(st.steps.typical()) + " s, " + count(f.gaps, "gap", "gaps") + ", " +
                 count(f.overlaps, "overlap", "overlaps") + ", " + std::to_string(f.backward) + " backward";
        row(out, station_label(station).c_str(), s);
        if (st.steps.has_steps()) row(out, "", "availability " + availability(f));
    }
    out += '\n';
}

void summary_totals(std::string& out, const Totals& t, long long tolerance) {
    out += "total: " + count(t.runs, "run", "runs") + " in " + count(t.listings, "listing", "listings") + "\n";
    row(out, "records", std::to_string(t.records));
    row(out, "ended", std::to_string(t.ended_eof) + " end of file, " + std::to_string(t.ended_parity) +
                          " parity error, " + std::to_string(t.ended_none) + " no ending");
    row(out, "types", types(t.types));
    row(out, "rejected", std::to_string(t.rejected));
    row(out, "transmitter", count(t.mismatches, "mismatch", "mismatches"));
    row(out, "untimed", std::to_string(t.untimed));
    row(out, "first", when(t.first, 0));
    row(out, "last", when(t.last, 0));
    row(out, "gaps", std::to_string(t.gaps) + " (tolerance " + std::to_string(tolerance) + " s)");
    row(out, "overlaps", std::to_string(t.overlaps));
    row(out, "backward", std::to_string(t.backward));
    row(out, "unreadable", count(t.problems, "line", "lines"));
    for (const auto& [station, n] : t.stations)
        row(out, station_label(station).c_str(),
            count(n.first, "record", "records") + " in " + count(n.second, "run", "runs"));
}

} // namespace report
