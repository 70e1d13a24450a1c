// CSV rows of records, irregular steps and segments, built fast for long listings.
#include "report/csv.h"

#include <charconv>
#include <cstdio>

#include "report/in_order.h"
#include "report/text.h"
#include "report/timestamp.h"

namespace report {

const char* const record_columns = "run,file,record,type,date,time,timestamp,station,zero_range_start,note";
const char* const gap_columns = "run,file,station,after_record,from,to,seconds,kind";
const char* const segment_columns = "run,file,station,first_record,last_record,start,end,records";

std::string csv_field(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

namespace {

void put_number(std::string& out, long long v) {
    char b[24];
    auto end = std::to_chars(b, b + sizeof b, v).ptr;
    out.append(b, end);
}

} // namespace

std::string run_fields(const Run& run) {
    return std::to_string(run.number) + "," + csv_field(utf8_clean(run.file)) + ",";
}

// One row per record of a long listing: built without formatted printing.
void record_row(std::string& out, const std::string& run_fields, const Record& r) {
    static const char hex[] = "0123456789ABCDEF";
    out += run_fields;
    put_number(out, r.number);
    out += ',';
    put_number(out, r.type);
    out += ',';
    out.append(r.date, 5);
    out += ',';
    out.append(r.time, 6);
    out += ',';
    if (r.when) {
        char t[iso_size];
        iso_time(*r.when, t);
        out.append(t, iso_size);
    }
    const char tail[] = {',', hex[r.station >> 8 & 15], hex[r.station >> 4 & 15], hex[r.station & 15], ',',
                         r.zero ? '1' : '0', ','};
    out.append(tail, sizeof tail);
    if (!r.note.empty()) out += csv_field(r.note);
    out += '\n';
}

void gap_row(std::string& out, const std::string& run_fields, const Irregular& i) {
    char b[128];
    out += run_fields;
    std::snprintf(b, sizeof b, "%03X,%lld,%s,%s,%lld,%s\n", static_cast<unsigned>(i.station), i.after_record,
                  iso_time(i.from).c_str(), iso_time(i.to).c_str(), i.seconds, kind_name(i.kind));
    out += b;
}

void segment_row(std::string& out, const std::string& run_fields, const Segment& s) {
    char b[128];
    out += run_fields;
    std::snprintf(b, sizeof b, "%03X,%lld,%lld,%s,%s,%lld\n", static_cast<unsigned>(s.station), s.first_record,
                  s.last_record, iso_time(s.start).c_str(), iso_time(s.end).c_str(), s.records);
    out += b;
}

void gap_rows(Out& out, const RunReport& r, const std::optional<long long>& min_gap) {
    const std::string fields = run_fields(r.run);
    InOrderSteps steps(r, r.tolerance);
    for (Irregular i; steps.next(i);) {
        if (!listed(i, min_gap)) continue;
        gap_row(out.text, fields, i);
        out.spill();
    }
}

void segment_rows(Out& out, const RunReport& r) {
    const std::string fields = run_fields(r.run);
    InOrderSegments segments(r, r.tolerance);
    for (Segment s; segments.next(s);) {
        segment_row(out.text, fields, s);
        out.spill();
    }
}

} // namespace report
