#include "report/json.h"

#include <cstdio>

#include "report/timestamp.h"

namespace report {
namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned min;
    if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000;
    else return 0;
    if (i + n > s.size()) return 0;
    unsigned v = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        v = v << 6 | (d & 0x3F);
    }
    if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    return n;
}

void number(std::string& out, const char* key, long long v) {
    out += ",\"";
    out += key;
    out += "\":";
    out += std::to_string(v);
}

void time_or_null(std::string& out, const char* key, const std::optional<long long>& t) {
    out += ",\"";
    out += key;
    out += "\":";
    out += t ? "\"" + iso_time(*t) + "\"" : "null";
}

const char* ending_name(Ending::Kind k) {
    switch (k) {
    case Ending::eof: return "eof";
    case Ending::parity: return "parity_error";
    case Ending::none: break;
    }
    return "none";
}

std::string hex3(int station) {
    char b[8];
    std::snprintf(b, sizeof b, "%03X", static_cast<unsigned>(station));
    return b;
}

} // namespace

std::string utf8_clean(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = utf8_length(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
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

void json_run(std::string& out, const RunReport& r) {
    const Tally& t = r.tally;
    out += "{\"run\":" + std::to_string(r.run.number);
    out += ",\"listing\":" + json_string(r.run.listing);
    number(out, "line", r.run.line);
    out += ",\"file\":" + json_string(r.run.file);
    number(out, "records", t.records);
    out += ",\"ending\":\"";
    out += ending_name(r.ending.kind);
    out += "\",\"ending_record\":";
    out += r.ending.record ? std::to_string(*r.ending.record) : "null";
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
    number(out, "rejected", t.rejected);
    number(out, "transmitter_mismatches", t.mismatches);
    number(out, "untimed", t.untimed);
    time_or_null(out, "first", t.first);
    out += ",\"first_record\":" + (t.first ? std::to_string(t.first_record) : std::string("null"));
    time_or_null(out, "last", t.last);
    out += ",\"last_record\":" + (t.last ? std::to_string(t.last_record) : std::string("null"));
    number(out, "tolerance", r.tolerance);
    number(out, "gaps", r.gaps);
    number(out, "overlaps", r.overlaps);
    number(out, "unreadable_lines", r.run.problems);
    out += ",\"stations\":[";
    comma = false;
    for (const auto& [station, st] : t.stations) {
        auto found = r.by_station.find(station);
        const long long gaps = found == r.by_station.end() ? 0 : found->second.first;
        const long long overlaps = found == r.by_station.end() ? 0 : found->second.second;
        out += comma ? "," : "";
        comma = true;
        out += "{\"station\":\"" + hex3(station) + "\"";
        number(out, "records", st.records);
        number(out, "timed", st.steps.timed());
        out += ",\"typical_step\":";
        out += st.steps.has_steps() ? std::to_string(st.steps.typical()) : "null";
        number(out, "gaps", gaps);
        number(out, "overlaps", overlaps);
        out += "}";
    }
    out += "],\"irregular\":[";
    comma = false;
    for (const Irregular& i : r.irregular) {
        out += comma ? "," : "";
        comma = true;
        out += "{\"station\":\"" + hex3(i.station) + "\"";
        number(out, "after_record", i.after_record);
        out += ",\"from\":\"" + iso_time(i.from) + "\",\"to\":\"" + iso_time(i.to) + "\"";
        number(out, "seconds", i.seconds);
        out += ",\"kind\":\"";
        out += i.gap ? "gap" : "overlap";
        out += "\"}";
    }
    out += "]}\n";
}

} // namespace report
