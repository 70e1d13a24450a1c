#include "report/csv.h"

#include <cstdio>

#include "report/timestamp.h"

namespace report {

const char* const record_columns = "run,file,record,type,date,time,timestamp,station,zero_range_start,note";
const char* const gap_columns = "run,file,station,after_record,from,to,seconds,kind";

std::string csv_field(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + '"';
}

void record_row(std::string& out, const Run& run, const Record& r) {
    char b[96];
    std::snprintf(b, sizeof b, "%ld,", run.number);
    out += b;
    out += csv_field(run.file);
    std::snprintf(b, sizeof b, ",%lld,%d,%s,%s,", r.number, r.type, r.date, r.time);
    out += b;
    if (r.when) out += iso_time(*r.when);
    std::snprintf(b, sizeof b, ",%03X,%d,", static_cast<unsigned>(r.station), r.zero ? 1 : 0);
    out += b;
    out += csv_field(r.note);
    out += '\n';
}

void gap_row(std::string& out, const Run& run, const Irregular& i) {
    char b[128];
    std::snprintf(b, sizeof b, "%ld,", run.number);
    out += b;
    out += csv_field(run.file);
    std::snprintf(b, sizeof b, ",%03X,%lld,%s,%s,%lld,%s\n", static_cast<unsigned>(i.station), i.after_record,
                  iso_time(i.from).c_str(), iso_time(i.to).c_str(), i.seconds, i.gap ? "gap" : "overlap");
    out += b;
}

} // namespace report
