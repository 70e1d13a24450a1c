// Listing bytes through preflist-report's reader and writers.
//
// Input: any bytes, read as a listing, once whole and once cut into pieces
// whose size comes from the first byte. Checked: both reads report the same
// events; every run that begins ends once; every record has a number from 1,
// a record type, listed digits and a station of three digits; the gaps and
// overlaps counted alone are those listed as rows; no reported
// line lies past the lines read; the JSON and SVG texts hold no raw control
// characters. Any crash or sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "report/csv.h"
#include "report/json.h"
#include "report/lines.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/summary.h"
#include "report/svg.h"
#include "report/tally.h"

namespace {

using namespace report;

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "fuzz_report: %s\n", what);
    std::abort();
}

bool digits(const char* s, int n) {
    for (int i = 0; i < n; ++i)
        if (!((s[i] >= '0' && s[i] <= '9') || (s[i] >= 'A' && s[i] <= 'F'))) return false;
    return s[n] == '\0';
}

class Check : public Sink {
public:
    std::string trace, out;
    Picture picture;
    long lines = 0;  // lines fed so far
    bool open = false;

    void begin(const Run& r) override {
        if (open) finding("run begun twice");
        open = true;
        tally_ = Tally{};
        trace += "b" + std::to_string(r.number) + r.file + "\n";
    }
    void record(const Run& run, const Record& r) override {
        if (!open) finding("record outside a run");
        if (r.number < 1 || !is_record_type(r.type) || !digits(r.date, 5) || !digits(r.time, 6) || r.station < 0 ||
            r.station > 4095)
            finding("record fields");
        tally_.add(r);
        record_row(out, run_fields(run), r);
        trace += "r" + std::to_string(r.number) + r.note + "\n";
    }
    void end(const Run& run, const Ending& e) override {
        if (!open) finding("run ended without a beginning");
        open = false;
        const RunReport counted = finish_run(run, e, tally_, 1, false);
        RunReport rep = finish_run(run, e, std::move(tally_), 1);
        if (counted.gaps != rep.gaps || counted.overlaps != rep.overlaps || counted.by_station != rep.by_station)
            finding("counted gaps differ from the rows");
        for (const Irregular& i : rep.irregular) gap_row(out, run_fields(run), i);
        std::string json;
        json_run(json, rep);
        for (char c : json)
            if (static_cast<unsigned char>(c) < 32 && c != '\n') finding("control character in JSON");
        summary_run(out, rep);
        picture.add(rep);
        trace += "e" + std::to_string(e.kind) + "\n";
    }
    void problem(const std::string&, long line, const std::string& what) override {
        if (line < 1 || line > lines) finding("problem reported on a line not read");
        trace += "p" + std::to_string(line) + what + "\n";
    }

private:
    Tally tally_;
};

std::string read(const std::uint8_t* data, std::size_t size, std::size_t piece, bool draw) {
    Check check;
    Reader reader(check);
    Splitter split;
    reader.start("fuzz");
    auto take = [&](std::string_view l) {
        ++check.lines;
        reader.line(l);
    };
    const char* p = reinterpret_cast<const char*>(data);
    for (std::size_t at = 0; at < size; at += piece) split.feed(p + at, std::min(piece, size - at), take);
    split.finish(take);
    reader.finish();
    if (check.open) finding("run left open");
    if (draw) {
        const std::string svg = check.picture.svg("fuzz");
        for (char c : svg)
            if (static_cast<unsigned char>(c) < 32 && c != '\n') finding("control character in SVG");
    }
    return check.trace;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t piece = size ? 1 + data[0] % 64 : 1;
    if (read(data, size, size + 1, true) != read(data, size, piece, false)) finding("pieces change what is read");
    return 0;
}
