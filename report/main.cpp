// preflist-report: what preflister's listings say, as a summary, CSV, JSON Lines or a picture.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "report/csv.h"
#include "report/files.h"
#include "report/json.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/summary.h"
#include "report/svg.h"
#include "report/tally.h"

#ifndef PREFLIST_REPORT_VERSION
#define PREFLIST_REPORT_VERSION "0"
#endif

namespace {

using namespace report;

const char* const usage_text =
    "usage: preflist-report [--csv | --gaps | --json] [--svg FILE] [--tolerance SECONDS] [LISTING...]\n";

const char* const help_text =
    "Reads listings written by preflister (default: preflist in the current directory;\n"
    "- reads standard input) and reports what they hold.\n"
    "\n"
    "  (no option)          a summary of each run, then the totals over all runs\n"
    "  --csv                one row per listed record\n"
    "  --gaps               one row per gap or overlap in a station's record times\n"
    "  --json               the summary as JSON Lines, one object per run\n"
    "  --svg FILE           also write an availability picture to FILE\n"
    "  --tolerance SECONDS  how far a step may differ from the typical step (default 1)\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Unreadable lines are reported on standard error as FILE:LINE: what is wrong,\n"
    "and reading goes on. Exit status: 0, 1 when a listing could not be read or an\n"
    "output not written, 2 for a bad option.\n";

enum class Mode { summary, csv, gaps, json, none };

struct Options {
    Mode mode = Mode::summary;
    bool mode_given = false;
    std::string mode_option;  // as given
    long long tolerance = 1;
    std::string svg;
    bool svg_given = false;
    std::vector<std::string> listings;
};

[[noreturn]] void bad_usage(const std::string& what) {
    std::fprintf(stderr, "preflist-report: %s\n%sTry 'preflist-report --help' for more.\n", what.c_str(), usage_text);
    std::exit(2);
}

bool seconds(const std::string& s, long long* v) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    *v = std::stoll(s);
    return true;
}

Options parse(int argc, char** argv) {
    Options o;
    bool options_end = false;
    auto set_mode = [&](Mode m, const std::string& arg) {
        if (o.mode_given && o.mode != m) bad_usage("'" + arg + "' and another of --csv, --gaps, --json given");
        o.mode = m;
        o.mode_given = true;
        o.mode_option = arg;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (options_end || a == "-" || a.empty() || a[0] != '-') {
            o.listings.push_back(a);
            continue;
        }
        std::string value;
        bool has_value = false;
        const std::size_t eq = a.find('=');
        if (a.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = a.substr(eq + 1);
            has_value = true;
            a = a.substr(0, eq);
        }
        auto needs_value = [&] {
            if (has_value) return;
            if (i + 1 >= argc) bad_usage("option '" + a + "' needs a value");
            value = argv[++i];
        };
        if (a == "--") {
            options_end = true;
        } else if (a == "--help" || a == "-h") {
            std::fputs(usage_text, stdout);
            std::fputs(help_text, stdout);
            std::exit(std::fflush(stdout) == 0 ? 0 : 1);
        } else if (a == "--version") {
            std::printf("preflist-report %s\n", PREFLIST_REPORT_VERSION);
            std::exit(std::fflush(stdout) == 0 ? 0 : 1);
        } else if (a == "--csv" && !has_value) {
            set_mode(Mode::csv, a);
        } else if (a == "--gaps" && !has_value) {
            set_mode(Mode::gaps, a);
        } else if (a == "--json" && !has_value) {
            set_mode(Mode::json, a);
        } else if (a == "--tolerance") {
            needs_value();
            if (!seconds(value, &o.tolerance))
                bad_usage("--tolerance wants whole seconds from 0 to 999999999, not '" + value + "'");
        } else if (a == "--svg") {
            needs_value();
            if (value.empty()) bad_usage("--svg wants a file name");
            o.svg = value;
            o.svg_given = true;
        } else {
            bad_usage("unknown option '" + std::string(argv[i]) + "'");
        }
    }
    if (o.listings.empty()) o.listings.push_back("preflist");
    if (o.svg_given && o.svg == "-") {
        if (o.mode_given) bad_usage("--svg - and " + o.mode_option + " both write to standard output");
        o.mode = Mode::none;
    }
    return o;
}

std::string display_name(const std::string& listing) { return listing == "-" ? "(standard input)" : listing; }

// An output that is one of the listings read would lose it: refused before
// anything is read or written, whatever names the two go by.
void refuse_outputs_over_listings(const Options& o) {
    const std::optional<FileId> out = stream_id(1);
    const std::optional<FileId> svg = o.svg_given && o.svg != "-" ? file_id(o.svg) : std::nullopt;
    if (svg && svg == out) bad_usage("--svg " + printable(o.svg) + " is standard output too");
    for (const std::string& listing : o.listings) {
        const std::optional<FileId> id = listing == "-" ? stream_id(0) : file_id(listing);
        if (!id) continue;
        if (svg == id) bad_usage("--svg " + printable(o.svg) + " would write over the listing " + printable(display_name(listing)));
        if (out == id) bad_usage("standard output would write over the listing " + printable(display_name(listing)));
    }
}

// Takes the reader's runs and records to the chosen output as they come.
class Output : public Sink {
public:
    Output(const Options& o, Picture* picture) : opt_(o), picture_(picture) {
        if (o.mode == Mode::csv) text = std::string(record_columns) + "\n";
        if (o.mode == Mode::gaps) text = std::string(gap_columns) + "\n";
    }

    // The stations keep their steps' spans only when rows or the picture need them.
    void begin(const Run& run) override {
        tally_ = Tally(rows() || picture_);
        fields_ = run_fields(run);
    }

    void record(const Run&, const Record& r) override {
        tally_.add(r);
        if (opt_.mode == Mode::csv) {
            record_row(text, fields_, r);
            if (text.size() > (1 << 16)) flush();
        }
    }

    void end(const Run& run, const Ending& e) override {
        const RunReport rep = finish_run(run, e, std::move(tally_), opt_.tolerance, rows());
        switch (opt_.mode) {
        case Mode::summary: summary_run(text, rep); break;
        case Mode::gaps:
            for (const Irregular& i : rep.irregular) {
                gap_row(text, fields_, i);
                if (text.size() > (1 << 16)) flush();
            }
            break;
        case Mode::json: json_run(text, rep); break;
        case Mode::csv:
        case Mode::none: break;
        }
        if (picture_) picture_->add(rep);
        totals.add(rep);
        flush();
    }

    // A file that is no listing would cost a line of standard error per
    // line it holds: the first few are shown, the rest counted.
    void problem(const std::string& listing, long line, const std::string& what) override {
        ++totals.problems;
        if (++listing_problems_ <= shown_problems)
            std::fprintf(stderr, "%s:%ld: %s\n", printable(listing).c_str(), line, what.c_str());
    }

    void start_listing() { listing_problems_ = 0; }

    void end_listing(const std::string& listing) {
        if (listing_problems_ > shown_problems)
            std::fprintf(stderr, "%s: %lld more unreadable lines not shown\n", printable(listing).c_str(),
                         listing_problems_ - shown_problems);
    }

    void flush() {
        if (!text.empty()) std::fwrite(text.data(), 1, text.size(), stdout);
        text.clear();
    }

    std::string text;  // output not yet written
    Totals totals;

private:
    bool rows() const { return opt_.mode == Mode::gaps || opt_.mode == Mode::json; }

    const Options& opt_;
    Picture* picture_;
    Tally tally_;
    std::string fields_;  // the run's first CSV fields
    static constexpr long long shown_problems = 10;  // a listing's
    long long listing_problems_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    const Options opt = parse(argc, argv);
    refuse_outputs_over_listings(opt);
    binary_streams();
    Picture picture;
    Output output(opt, opt.svg_given ? &picture : nullptr);
    Reader reader(output);
    int status = 0;
    std::string names;
    for (const std::string& listing : opt.listings) {
        const std::string name = display_name(listing);
        std::FILE* f = listing == "-" ? stdin : std::fopen(listing.c_str(), "rb");
        if (!f) {
            std::fprintf(stderr, "preflist-report: cannot open %s: %s\n", printable(name).c_str(), std::strerror(errno));
            status = 1;
            continue;
        }
        ++output.totals.listings;
        names += (names.empty() ? "" : ", ") + name;
        reader.start(name);
        output.start_listing();
        std::string error;
        const bool read = read_all(f, reader, &error);
        output.end_listing(name);
        if (!read) {
            std::fprintf(stderr, "preflist-report: cannot read %s: %s\n", printable(name).c_str(), error.c_str());
            status = 1;
        } else if (!reader.found_run()) {
            std::fprintf(stderr, "%s: no run found (not a listing written by preflister?)\n", printable(name).c_str());
            status = 1;
        }
        if (f != stdin) std::fclose(f);
        else std::clearerr(stdin);
    }
    if (opt.mode == Mode::summary) summary_totals(output.text, output.totals, opt.tolerance);
    std::string svg;
    if (opt.svg_given) {
        if (names.size() > 70) names = names.substr(0, 67) + "...";
        svg = picture.svg("preflist-report: " + names);
    }
    if (opt.svg == "-") output.text += svg;
    output.flush();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "preflist-report: cannot write standard output: %s\n", std::strerror(errno));
        status = 1;
    }
    // An output file is written only by a run that succeeds, and whole.
    if (opt.svg_given && opt.svg != "-") {
        std::string error;
        if (status != 0) {
            std::fprintf(stderr, "preflist-report: %s not written, as the run failed\n", printable(opt.svg).c_str());
        } else if (!replace_file(opt.svg, svg, &error)) {
            std::fprintf(stderr, "preflist-report: cannot write %s: %s\n", printable(opt.svg).c_str(), error.c_str());
            status = 1;
        }
    }
    return status;
}
