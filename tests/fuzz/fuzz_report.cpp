// Listing bytes through preflist-report's reader, filter and writers, and its option values.
//
// Input: any bytes, read as a listing, once whole and once cut into pieces
// whose size comes from the first byte; when that is a control byte, bytes
// 2 and 3 choose the tolerance, a least gap, a station and a time window
// (a listing itself starts with a blank, and runs with the defaults). The first bytes, cut at NUL
// bytes, are also given to the option parser as a command line, and read as
// a time and a station.
// Checked: both reads report the same events; every run that begins ends
// once; every record has a number from 1, a record type, listed digits and a
// station of three digits; the filter keeps a subset; the figures counted
// from each station's histogram are those its walks list (kinds, gap seconds,
// the longest gap, segments, and the timed records the segments hold); the
// availability lies within 0 and 100; no reported line lies past the lines
// read; the JSON and SVG texts hold no raw control characters; a time the
// parser takes is written back as it was given. Any crash or sanitizer report
// is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "report/csv.h"
#include "report/filter.h"
#include "report/in_order.h"
#include "report/json.h"
#include "report/lines.h"
#include "report/options.h"
#include "report/page/data.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/summary.h"
#include "report/svg.h"
#include "report/tally.h"
#include "report/text.h"
#include "report/timestamp.h"

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

void no_control(const std::string& text, const char* what) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\n') finding(what);
}

struct Choice {
    long long tolerance = 1;
    std::optional<long long> min_gap;
    Filter filter;
};

// The walks of each station against the figures its histogram gives.
void check_figures(const RunReport& rep) {
    for (const auto& [station, st] : rep.tally.stations) {
        const Figures& f = rep.by_station.at(station);
        Figures walked;
        Steps::Walk walk(st.steps, rep.tolerance, station);
        for (Irregular i; walk.next(i);) {
            if (i.kind == StepKind::gap) {
                ++walked.gaps;
                walked.gap_seconds += i.seconds;
                walked.max_gap = std::max(walked.max_gap, i.seconds);
            }
            if (i.kind == StepKind::overlap) ++walked.overlaps;
            if (i.kind == StepKind::backward) ++walked.backward;
            if (i.kind == StepKind::regular || i.to - i.from - st.steps.typical() != i.seconds) finding("walk step");
        }
        long long segments = 0, timed = 0;
        Steps::Segments walk_segments(st.steps, rep.tolerance, station);
        for (Segment s; walk_segments.next(s);) {
            ++segments;
            timed += s.records;
            if (s.records < 1) finding("empty segment");
        }
        if (walked.gaps != f.gaps || walked.overlaps != f.overlaps || walked.backward != f.backward ||
            walked.gap_seconds != f.gap_seconds || walked.max_gap != f.max_gap || segments != f.segments ||
            timed != st.steps.timed())
            finding("figures differ from the walks");
    }
    const auto tenths = rep.figures.availability_tenths();
    if (tenths && (*tenths < 0 || *tenths > 1000)) finding("availability outside 0..100");
}

class Check : public Sink {
public:
    explicit Check(const Choice& c) : choice_(c), filter_(c.filter) {}
    std::string trace, out;
    Picture picture;
    PageData page;
    Totals totals;
    long lines = 0;  // lines fed so far
    bool open = false;

    void begin(const Run& r) override {
        if (open) finding("run begun twice");
        open = true;
        tally_ = Tally{};
        all_ = 0;
        filter_.begin_run();
        trace += "b" + std::to_string(r.number) + r.file + "\n";
    }
    void record(const Run& run, const Record& r) override {
        if (!open) finding("record outside a run");
        if (r.number < 1 || !is_record_type(r.type) || !digits(r.date, 5) || !digits(r.time, 6) || r.station < 0 ||
            r.station > 4095)
            finding("record fields");
        ++all_;
        trace += "r" + std::to_string(r.number) + r.note + "\n";
        if (!filter_.keep(r)) return;
        if (!choice_.filter.chosen(r.station)) finding("filter kept another station");
        tally_.add(r);
        record_row(out, run_fields(run), r);
    }
    void end(const Run& run, const Ending& e) override {
        if (!open) finding("run ended without a beginning");
        open = false;
        if (tally_.records > all_) finding("filter kept more than it was given");
        RunReport rep = finish_run(run, e, std::move(tally_), choice_.tolerance);
        check_figures(rep);
        Out text;
        gap_rows(text, rep, choice_.min_gap);
        segment_rows(text, rep);
        Out json;
        json_run(json, rep, choice_.min_gap);
        no_control(json.text, "control character in JSON");
        summary_run(text.text, rep);
        out += text.text;
        picture.add(rep, choice_.min_gap);
        page.add(rep, choice_.min_gap);
        totals.add(rep);
        trace += "e" + std::to_string(e.kind) + "\n";
    }
    void problem(const std::string&, long line, const std::string& what) override {
        if (line < 1 || line > lines) finding("problem reported on a line not read");
        trace += "p" + std::to_string(line) + what + "\n";
    }

private:
    const Choice& choice_;
    Filter filter_;
    Tally tally_;
    long long all_ = 0;
};

std::string read(const std::uint8_t* data, std::size_t size, std::size_t piece, const Choice& choice, bool draw) {
    Check check(choice);
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
        no_control(check.picture.svg("fuzz"), "control character in SVG");
        // Nothing in the page's data may end or open an element, whatever the listing held.
        const PageFacts facts{"fuzz", "fuzz", {"fuzz"}, choice.tolerance, choice.min_gap, choice.filter};
        const std::string data = check.page.json(facts, check.totals);
        no_control(data, "control character in the page's data");
        if (data.find_first_of("<>&") != std::string::npos) finding("markup in the page's data");
        if (data.find("\xE2\x80\xA8") != std::string::npos || data.find("\xE2\x80\xA9") != std::string::npos)
            finding("line separator in the page's data");
    }
    return check.trace;
}

Choice choose(const std::uint8_t* data, std::size_t size) {
    Choice c;
    if (size < 3 || data[0] >= 32) return c;
    const unsigned a = data[1], b = data[2];
    c.tolerance = a % 4;
    if (a & 4) c.min_gap = (a >> 3) % 16 * 5;
    if (b & 1) c.filter.choose(b & 2 ? 0 : 0x0A7);
    if (b & 4) {
        c.filter.start = *record_time("05123", "102000") + (b >> 3) % 8 * 30;  // the sample seed's times
        c.filter.end = *c.filter.start + 600;
    }
    return c;
}

// The first bytes as a command line, a time and a station.
void options(const std::uint8_t* data, std::size_t size) {
    const std::string head(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 96));
    std::vector<std::string> words{"preflist-report"};
    for (std::size_t at = 0; at <= head.size();) {
        const std::size_t end = std::min(head.find('\0', at), head.size());
        words.push_back(head.substr(at, end - at));
        at = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const Parsed p = parse_options(static_cast<int>(words.size()), argv.data());
    if (p.what == Parsed::run) {
        const Options& o = p.options;
        if (o.tolerance < 0 || o.tolerance > 999999999 || o.listings.empty()) finding("options out of range");
        if (o.filter.start && o.filter.end && *o.filter.start > *o.filter.end) finding("window taken backwards");
    } else if (p.what == Parsed::usage && p.error.empty()) {
        finding("usage without a message");
    }
    const std::string word = words.size() > 1 ? words[1] : "";
    for (bool day_end : {false, true})
        if (const auto t = parse_time(word, day_end)) {
            const std::string back = iso_time(*t);
            if (word.size() == 20 ? back != word : back.substr(0, 10) != word) finding("time not written back");
        }
    if (const auto id = parse_station(word)) {
        if (*id < 0 || *id > 4095) finding("station out of range");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t piece = size ? 1 + data[0] % 64 : 1;
    const Choice choice = choose(data, size);
    if (read(data, size, size + 1, choice, true) != read(data, size, piece, choice, false))
        finding("pieces change what is read");
    options(data, size);
    return 0;
}
