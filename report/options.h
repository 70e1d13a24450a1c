// preflist-report's command line: its options, read by getopt_long, and its usage and help texts.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "report/filter.h"

namespace report {

enum class Mode { summary, csv, gaps, segments, json, none };

struct Options {
    Mode mode = Mode::summary;
    std::string mode_option;  // as given, for messages
    long long tolerance = 1;
    std::optional<long long> min_gap;
    bool svg_given = false;
    std::string svg;  // "-": standard output
    bool html_given = false;
    std::string html;  // "-": standard output
    Filter filter;
    std::vector<std::string> listings;  // preflist when none is named
};

struct Parsed {
    enum What { run, help, version, usage } what = run;
    Options options;
    std::string error;  // for usage: what is wrong
};

// Reads argv; getopt_long may put the listings after the options in it.
Parsed parse_options(int argc, char** argv);

extern const char* const usage_text;
extern const char* const help_text;

} // namespace report
