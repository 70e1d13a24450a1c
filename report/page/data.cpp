// The page's one JSON object: the runs, their lanes of segments and marks, and the totals.
#include "report/page/data.h"

#include "report/in_order.h"
#include "report/json.h"
#include "report/timestamp.h"

namespace report {
namespace {

std::string num(long long v) { return std::to_string(v); }

} // namespace

void PageData::add(const RunReport& r, const std::optional<long long>& min_gap) {
    Run run;
    Out head;
    json_run_open(head, r, min_gap);
    run.head = std::move(head.text);
    std::map<int, Lane> lanes;
    for (const auto& [station, st] : r.tally.stations) {
        StationTotal& total = stations_[station];
        ++total.runs;
        total.records += st.records;
        total.timed += st.steps.timed();
        total.figures.add(r.by_station.at(station));
        if (st.steps.timed() == 0) continue;
        Lane& lane = lanes[station];
        lane.station = station;
        lane.typical = st.steps.typical();
        // Every segment after the first follows an irregular step.
        Steps::Segments segments(st.steps, r.tolerance, station);
        Steps::Walk walk(st.steps, r.tolerance, station);
        Segment s;
        for (bool first = true; segments.next(s); first = false) {
            Piece piece{s.first_record, s.last_record, s.start, s.end, s.records, 0, StepKind::regular};
            Irregular step;
            if (!first && walk.next(step) && listed(step, min_gap)) {
                piece.seconds = step.seconds;
                piece.before = step.kind;
            }
            lane.pieces.push_back(piece);
        }
    }
    for (const Mark& m : r.tally.rejected_marks) {
        Lane& lane = lanes[m.station];
        lane.station = m.station;
        lane.rejected.push_back(m);
    }
    for (auto& [station, lane] : lanes) run.lanes.push_back(std::move(lane));
    runs_.push_back(std::move(run));
}

std::string PageData::json(const PageFacts& facts, const Totals& t) const {
    const Filter& filter = facts.filter;
    const long long base = t.first.value_or(0);
    std::string out = "{\"generator\":" + json_string(facts.generator);
    out += ",\"title\":" + json_string(facts.title) + ",\"listings\":[";
    for (std::size_t i = 0; i < facts.listings.size(); ++i) out += (i ? "," : "") + json_string(facts.listings[i]);
    out += "]";
    json_number(out, "tolerance", facts.tolerance);
    json_number_or_null(out, "min_gap", facts.min_gap);
    out += ",\"filter\":{\"stations\":";
    if (filter.any_chosen()) {
        std::string ids;
        for (int s = 0; s < 4096; ++s)
            if (filter.chosen(s)) ids += (ids.empty() ? "\"" : ",\"") + hex3(s) + "\"";
        out += "[" + ids + "]";
    } else {
        out += "null";
    }
    json_time_or_null(out, "start", filter.start);
    json_time_or_null(out, "end", filter.end);
    out += "}";
    json_number(out, "base", base);
    json_time_or_null(out, "first", t.first);
    json_time_or_null(out, "last", t.last);
    out += ",\"totals\":{\"runs\":" + num(t.runs);
    json_number(out, "listings", t.listings);
    json_number(out, "records", t.records);
    json_number(out, "rejected", t.rejected);
    json_number(out, "transmitter_mismatches", t.mismatches);
    json_number(out, "untimed", t.untimed);
    json_number(out, "gaps", t.gaps);
    json_number(out, "overlaps", t.overlaps);
    json_number(out, "backward", t.backward);
    json_number(out, "unreadable_lines", t.problems);
    json_number(out, "ended_eof", t.ended_eof);
    json_number(out, "ended_parity_error", t.ended_parity);
    json_number(out, "ended_none", t.ended_none);
    out += "},\"stations\":[";
    bool comma = false;
    for (const auto& [station, s] : stations_) {
        out += comma ? ",{\"station\":\"" : "{\"station\":\"";
        comma = true;
        out += hex3(station) + "\"";
        json_number(out, "runs", s.runs);
        json_number(out, "records", s.records);
        json_number(out, "timed", s.timed);
        json_figures(out, s.figures);
        out += "}";
    }
    out += "],\"runs\":[";
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const Run& run = runs_[i];
        out += (i ? "," : "") + run.head + ",\"lanes\":[";
        for (std::size_t k = 0; k < run.lanes.size(); ++k) {
            const Lane& lane = run.lanes[k];
            out += (k ? ",{\"station\":\"" : "{\"station\":\"") + hex3(lane.station) + "\"";
            json_number(out, "typical_step", lane.typical);
            out += ",\"segments\":[";
            for (std::size_t j = 0; j < lane.pieces.size(); ++j) {
                const Piece& s = lane.pieces[j];
                out += (j ? ",[" : "[") + num(s.first_record) + "," + num(s.last_record) + "," +
                       num(s.start - base) + "," + num(s.end - base) + "," + num(s.records);
                if (s.before != StepKind::regular)
                    out += ",\"" + std::string(kind_name(s.before)) + "\"," + num(s.seconds);
                out += "]";
            }
            out += "],\"rejected\":[";
            for (std::size_t j = 0; j < lane.rejected.size(); ++j) {
                const Mark& m = lane.rejected[j];
                out += (j ? ",[" : "[") + num(m.when - base) + "," + num(m.count) + "," + num(m.first_record) + "]";
            }
            out += "]}";
        }
        out += "]}";
    }
    out += "]}";
    return script_safe(std::move(out));
}

std::string script_safe(std::string json) {
    std::string out;
    out.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '<') out += "\\u003C";
        else if (c == '>') out += "\\u003E";
        else if (c == '&') out += "\\u0026";
        else if (c == '\xE2' && i + 2 < json.size() && json[i + 1] == '\x80' && (json[i + 2] == '\xA8' || json[i + 2] == '\xA9')) {
            out += json[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace report
