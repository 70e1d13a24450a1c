// preflist-report: what preflister's listings say, as a summary, CSV, JSON Lines or a picture.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "report/files.h"
#include "report/options.h"
#include "report/output.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/svg.h"
#include "report/text.h"

#ifndef PREFLIST_REPORT_VERSION
#define PREFLIST_REPORT_VERSION "0"
#endif

namespace {

using namespace report;

[[noreturn]] void bad_usage(const std::string& what) {
    std::fprintf(stderr, "preflist-report: %s\n%sTry 'preflist-report --help' for more.\n", what.c_str(), usage_text);
    std::exit(2);
}

[[noreturn]] void show(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::exit(std::fflush(stdout) == 0 ? 0 : 1);
}

std::string display_name(const std::string& listing) { return listing == "-" ? "(standard input)" : listing; }

// An output that is one of the listings read would lose it: refused before
// anything is read or written, whatever names the two go by.
void refuse_outputs_over_listings(const Options& o) {
    const FileId out = stream_id(1);
    const FileId svg = o.svg_given && o.svg != "-" ? file_id(o.svg) : FileId{};
    if (svg.same(out)) bad_usage("--svg " + printable(o.svg) + " is standard output too");
    for (const std::string& listing : o.listings) {
        const FileId id = listing == "-" ? stream_id(0) : file_id(listing);
        const std::string name = printable(display_name(listing));
        if (svg.same(id)) bad_usage("--svg " + printable(o.svg) + " would write over the listing " + name);
        if (out.same(id)) bad_usage("standard output would write over the listing " + name);
    }
}

// Reads one listing into the reader; false when it could not be read or
// holds no run.
bool read_listing(const std::string& listing, Reader& reader, Output& output, std::string* names) {
    const std::string name = display_name(listing);
    std::FILE* f = listing == "-" ? stdin : std::fopen(listing.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "preflist-report: cannot open %s: %s\n", printable(name).c_str(), std::strerror(errno));
        return false;
    }
    ++output.totals.listings;
    *names += (names->empty() ? "" : ", ") + name;
    reader.start(name);
    output.start_listing();
    std::string error;
    bool ok = read_all(f, reader, &error);
    output.end_listing(name);
    if (!ok) {
        std::fprintf(stderr, "preflist-report: cannot read %s: %s\n", printable(name).c_str(), error.c_str());
    } else if (!reader.found_run()) {
        std::fprintf(stderr, "%s: no run found (not a listing written by preflister?)\n", printable(name).c_str());
        ok = false;
    }
    if (f != stdin) std::fclose(f);
    else std::clearerr(stdin);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything is written: the usage and help too leave as plain bytes.
    binary_streams();
    const Parsed parsed = parse_options(argc, argv);
    switch (parsed.what) {
    case Parsed::usage: bad_usage(parsed.error);
    case Parsed::help: show(std::string(usage_text) + help_text);
    case Parsed::version: show("preflist-report " PREFLIST_REPORT_VERSION "\n");
    case Parsed::run: break;
    }
    const Options& opt = parsed.options;
    refuse_outputs_over_listings(opt);
    Picture picture;
    Output output(opt, opt.svg_given ? &picture : nullptr);
    Reader reader(output);
    int status = 0;
    std::string names;
    for (const std::string& listing : opt.listings)
        if (!read_listing(listing, reader, output, &names)) status = 1;
    std::string svg;
    if (opt.svg_given) {
        if (names.size() > 70) names = names.substr(0, 67) + "...";
        svg = picture.svg("preflist-report: " + names);
        if (opt.svg == "-") output.out.text += svg;
    }
    output.finish();
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
