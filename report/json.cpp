// JSON Lines of the runs: strings escaped and made UTF-8, the irregular steps written as they are walked.
#include "report/json.h"

#include <cstdio>

#include "report/in_order.h"
#include "report/text.h"
#include "report/timestamp.h"

namespace report {
void json_number(std::string& out, const char* key, long long v) {
    out += ",\"";
    out += key;
    out += "\":";
    out += std::to_string(v);
}

void json_number_or_null(std::string& out, const char* key, const std::optional<long long>& v) {
    out += ",\"";
    out += key;
    out += "\":";
    out += v ? std::to_string(*v) : "null";
}

// The counts and the availability figures, as a run and a station have them.
void json_figures(std::string& out, const Figures& f) {
    json_number(out, "gaps", f.gaps);
    json_number(out, "overlaps", f.overlaps);
    json_number(out, "backward", f.backward);
    json_number_or_null(out, "span_seconds", f.span);
    json_number(out, "gap_seconds", f.gap_seconds);
    json_number(out, "max_gap_seconds", f.max_gap);
    const std::optional<long long> tenths = f.availability_tenths();
    out += ",\"availability_percent\":";
    out += tenths ? percent(*tenths) : "null";
    json_number(out, "segments", f.segments);
}

void json_time_or_null(std::string& out, const char* key, const std::optional<long long>& t) {
    out += ",\"";
    out += key;
    out += "\":";
    out += t ? "\"" + iso_time(*t) + "\"" : "null";
}

namespace {

const char* ending_name(Ending::Kind k) {
    switch (k) {
    case Ending::eof: return "eof";
    case Ending::parity: return "parity_error";
    case Ending::none: break;
    }
    return "none";
}

} // namespace

std::string hex3(int station) {
    char b[8];
    std::snprintf(b, sizeof b, "%03X", static_cast<unsigned>(station));
    return b;
}

std::string json_string(std::string_view s) {
    std::string out = "\"";
    for (char ch : utf8_clean(s)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char b[8];
                std::snprintf(b, sizeof b, "\\u%04X", c);
                out += b;
            } else {
                out += ch;
            }
        }
    }
    return out + '"';
}

void json_run_open(Out& o, const RunReport& r, const std::optional<long long>& min_gap) {
    std::string& out = o.text;
    const Tally& t = r.tally;
    out += "{\"run\":" + std::to_string(r.run.number);
    out += ",\"listing\":" + json_string(r.run.listing);
    json_number(out, "line", r.run.line);
    out += ",\"file\":" + json_string(r.run.file);
    json_number(out, "records", t.records);
    out += ",\"ending\":\"";
    out += ending_name(r.ending.kind);
    out += "\"";
    json_number_or_null(out, "ending_record", r.ending.record);
    out += ",\"types\":[";
    bool comma = false;
    // Accepted types first, then the rejected ones (negative codes).
    for (int pass = 0; pass < 2; ++pass)
        for (const auto& [type, n] : t.types) {
            if ((type < 0) != (pass == 1)) continue;
            out += comma ? "," : "";
            comma = true;
            out += "{\"type\":" + std::to_string(type) + ",\"records\":" + std::to_string(n) + "}";
        }
    out += "]";
    json_number(out, "rejected", t.rejected);
    json_number(out, "transmitter_mismatches", t.mismatches);
    json_number(out, "untimed", t.untimed);
    json_time_or_null(out, "first", t.first);
    json_number_or_null(out, "first_record", t.first ? std::optional<long long>(t.first_record) : std::nullopt);
    json_time_or_null(out, "last", t.last);
    json_number_or_null(out, "last_record", t.last ? std::optional<long long>(t.last_record) : std::nullopt);
    json_number(out, "tolerance", r.tolerance);
    json_number_or_null(out, "min_gap", min_gap);
    json_figures(out, r.figures);
    json_number(out, "unreadable_lines", r.run.problems);
    out += ",\"stations\":[";
    comma = false;
    for (const auto& [station, st] : t.stations) {
        out += comma ? "," : "";
        comma = true;
        out += "{\"station\":\"" + hex3(station) + "\"";
        json_number(out, "records", st.records);
        json_number(out, "timed", st.steps.timed());
        json_number_or_null(out, "typical_step",
                       st.steps.has_steps() ? std::optional<long long>(st.steps.typical()) : std::nullopt);
        json_figures(out, r.by_station.at(station));
        out += "}";
        o.spill();
    }
    out += "]";
}

void json_run(Out& o, const RunReport& r, const std::optional<long long>& min_gap) {
    json_run_open(o, r, min_gap);
    std::string& out = o.text;
    out += ",\"irregular\":[";
    bool comma = false;
    InOrderSteps steps(r, r.tolerance);
    for (Irregular i; steps.next(i);) {
        if (!listed(i, min_gap)) continue;
        out += comma ? "," : "";
        comma = true;
        out += "{\"station\":\"" + hex3(i.station) + "\"";
        json_number(out, "after_record", i.after_record);
        out += ",\"from\":\"" + iso_time(i.from) + "\",\"to\":\"" + iso_time(i.to) + "\"";
        json_number(out, "seconds", i.seconds);
        out += ",\"kind\":\"";
        out += kind_name(i.kind);
        out += "\"}";
        o.spill();
    }
    out += "]}\n";
}

} // namespace report
