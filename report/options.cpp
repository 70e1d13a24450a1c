// Reads preflist-report's options with getopt_long: GNU conventions, and one message for each wrong use.
#include "report/options.h"

#include <getopt.h>

#include <cstring>

namespace report {

const char* const usage_text =
    "usage: preflist-report [--csv | --gaps | --segments | --json] [--svg FILE]\n"
    "         [--html FILE] [--tolerance SECONDS] [--station ID]...\n"
    "         [--start TIME] [--end TIME] [--min-gap SECONDS] [LISTING...]\n";

const char* const help_text =
    "Reads listings written by preflister (default: preflist in the current\n"
    "directory; - reads standard input) and reports their runs, records and\n"
    "availability.\n"
    "\n"
    "  (no option)          a summary of each run, then the totals over all runs\n"
    "  --csv                one row per listed record\n"
    "  --gaps               one row per irregular step: gap, overlap or backward\n"
    "  --segments           one row per segment: a station's records between\n"
    "                       irregular steps\n"
    "  --json               the summary as JSON Lines, one object per run\n"
    "  --svg FILE           also write an availability picture to FILE (-: to\n"
    "                       standard output, instead of the summary)\n"
    "  --html FILE          also write a page to explore in a browser to FILE\n"
    "                       (-: to standard output, instead of the summary)\n"
    "  --tolerance SECONDS  how far a step may differ from the typical step\n"
    "                       (default 1)\n"
    "  --station ID         only station ID (three hexadecimal digits); repeatable\n"
    "  --start TIME         only records from TIME on (YYYY-MM-DD or\n"
    "                       YYYY-MM-DDTHH:MM:SSZ, UTC)\n"
    "  --end TIME           only records up to TIME (a date alone: to its end)\n"
    "  --min-gap SECONDS    list and mark only the gaps of at least SECONDS\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "Unreadable lines are reported on standard error as FILE:LINE: what is wrong,\n"
    "and reading goes on. Exit status: 0; 1 when a listing could not be read or\n"
    "held no run, or an output could not be written (no output file is then\n"
    "written); 2 for a bad option or value. The manual page has the details.\n";

namespace {

enum Value {
    o_csv = 256, o_gaps, o_segments, o_json, o_svg, o_html, o_tolerance, o_station, o_start, o_end, o_min_gap, o_version
};

const option long_options[] = {
    {"csv", no_argument, nullptr, o_csv},
    {"gaps", no_argument, nullptr, o_gaps},
    {"segments", no_argument, nullptr, o_segments},
    {"json", no_argument, nullptr, o_json},
    {"svg", required_argument, nullptr, o_svg},
    {"html", required_argument, nullptr, o_html},
    {"tolerance", required_argument, nullptr, o_tolerance},
    {"station", required_argument, nullptr, o_station},
    {"start", required_argument, nullptr, o_start},
    {"end", required_argument, nullptr, o_end},
    {"min-gap", required_argument, nullptr, o_min_gap},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, o_version},
    {nullptr, 0, nullptr, 0},
};

const option* option_of(int value) {
    for (const option* o = long_options; o->name; ++o)
        if (o->val == value) return o;
    return nullptr;
}

bool seconds(const char* s, long long* v) {
    const std::size_t n = std::strlen(s);
    if (n == 0 || n > 9 || std::strspn(s, "0123456789") != n) return false;
    *v = std::stoll(s);
    return true;
}

// What getopt_long could not take, in words: it prints nothing itself, so the
// message is the same with glibc and with mingw-w64's runtime.
std::string refusal(int c, const char* arg) {
    const option* o = option_of(optopt);
    if (o) {
        const std::string name = o->val == 'h' ? "--help" : std::string("--") + o->name;
        return o->has_arg == required_argument && c == ':' ? "option '" + name + "' needs a value"
                                                           : "option '" + name + "' takes no value";
    }
    if (optopt) return std::string("unknown option '-") + static_cast<char>(optopt) + "'";
    // A long option: unknown, or the start of more than one.
    std::string given = arg ? arg : "";
    const std::string word = given.substr(2, given.find('=') - 2);
    std::string matches;
    for (const option* l = long_options; l->name && !word.empty(); ++l)
        if (std::strncmp(l->name, word.c_str(), word.size()) == 0)
            matches += std::string(matches.empty() ? "" : ", ") + "--" + l->name;
    if (matches.find(',') != std::string::npos) return "option '--" + word + "' is ambiguous: " + matches;
    return "unknown option '" + given + "'";
}

} // namespace

Parsed parse_options(int argc, char** argv) {
    Parsed p;
    Options& o = p.options;
    auto usage = [&](const std::string& what) {
        p.what = Parsed::usage;
        p.error = what;
        return p;
    };
    optind = 0;  // from the start, in every runtime
    opterr = 0;
    for (;;) {
        const int c = getopt_long(argc, argv, ":h", long_options, nullptr);
        if (c == -1) break;
        const std::string value = optarg ? optarg : "";
        switch (c) {
        case ':':
        case '?': return usage(refusal(c, optind > 0 && optind <= argc ? argv[optind - 1] : nullptr));
        case 'h': p.what = Parsed::help; return p;
        case o_version: p.what = Parsed::version; return p;
        case o_csv:
        case o_gaps:
        case o_segments:
        case o_json: {
            const Mode m = c == o_csv        ? Mode::csv
                           : c == o_gaps     ? Mode::gaps
                           : c == o_segments ? Mode::segments
                                             : Mode::json;
            const std::string name = std::string("--") + option_of(c)->name;
            if (!o.mode_option.empty() && o.mode != m)
                return usage("'" + name + "' and another of --csv, --gaps, --segments, --json given");
            o.mode = m;
            o.mode_option = name;
            break;
        }
        case o_svg:
            if (value.empty()) return usage("--svg wants a file name");
            o.svg_given = true;
            o.svg = value;
            break;
        case o_html:
            if (value.empty()) return usage("--html wants a file name");
            o.html_given = true;
            o.html = value;
            break;
        case o_tolerance:
            if (!seconds(optarg, &o.tolerance))
                return usage("--tolerance wants whole seconds from 0 to 999999999, not '" + value + "'");
            break;
        case o_min_gap: {
            long long v = 0;
            if (!seconds(optarg, &v))
                return usage("--min-gap wants whole seconds from 0 to 999999999, not '" + value + "'");
            o.min_gap = v;
            break;
        }
        case o_station: {
            const std::optional<int> id = parse_station(value);
            if (!id) return usage("--station wants three hexadecimal digits, not '" + value + "'");
            o.filter.choose(*id);
            break;
        }
        case o_start:
        case o_end: {
            const std::optional<long long> t = parse_time(value, c == o_end);
            const char* name = c == o_start ? "--start" : "--end";
            if (!t)
                return usage(std::string(name) + " wants YYYY-MM-DD or YYYY-MM-DDTHH:MM:SSZ, not '" + value + "'");
            (c == o_start ? o.filter.start : o.filter.end) = t;
            break;
        }
        default: return usage("unknown option");
        }
    }
    for (int i = optind; i < argc; ++i) o.listings.push_back(argv[i]);
    if (o.listings.empty()) o.listings.push_back("preflist");
    if (o.filter.start && o.filter.end && *o.filter.start > *o.filter.end)
        return usage("--start is after --end: no record could be taken");
    // One output at most takes standard output.
    const bool svg_out = o.svg_given && o.svg == "-", html_out = o.html_given && o.html == "-";
    if (svg_out && html_out) return usage("--svg - and --html - both write to standard output");
    if (svg_out || html_out) {
        const char* name = svg_out ? "--svg -" : "--html -";
        if (!o.mode_option.empty()) return usage(std::string(name) + " and " + o.mode_option + " both write to standard output");
        o.mode = Mode::none;
    }
    return p;
}

} // namespace report
