// preflist-report: what preflister's listings say, as a summary, CSV, JSON Lines or a picture.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "report/files.h"
#include "report/options.h"
#include "report/output.h"
#include "report/page/data.h"
#include "report/page/html.h"
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

// The outputs that go to files of their own: option and file name.
struct FileOutput {
    const char* option;
    std::string name;
};

std::vector<FileOutput> file_outputs(const Options& o) {
    std::vector<FileOutput> files;
    if (o.svg_given && o.svg != "-") files.push_back({"--svg", o.svg});
    if (o.html_given && o.html != "-") files.push_back({"--html", o.html});
    return files;
}

// Whether two output names are one file: the same file when it exists, or
// one path once its folders are resolved when it does not yet.
bool same_output(const std::string& a, const std::string& b) {
    if (file_id(a).same(file_id(b))) return true;
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    const fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea), pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    return !ea && !eb && pa == pb;
}

// An output that is one of the listings read would lose it, and two outputs
// on one file would lose one: refused before anything is read or written,
// whatever names they go by.
void refuse_outputs_over_listings(const Options& o) {
    const FileId out = stream_id(1);
    const std::vector<FileOutput> files = file_outputs(o);
    std::vector<FileId> ids;
    for (const FileOutput& f : files) {
        const FileId id = file_id(f.name);
        const std::string what = std::string(f.option) + " " + printable(f.name);
        if (id.same(out)) bad_usage(what + " is standard output too");
        for (std::size_t k = 0; k < ids.size(); ++k)
            if (same_output(f.name, files[k].name)) bad_usage(what + " is the " + files[k].option + " file too");
        ids.push_back(id);
    }
    for (const std::string& listing : o.listings) {
        const FileId id = listing == "-" ? stream_id(0) : file_id(listing);
        const std::string name = printable(display_name(listing));
        for (std::size_t k = 0; k < ids.size(); ++k)
            if (ids[k].same(id))
                bad_usage(std::string(files[k].option) + " " + printable(files[k].name) +
                          " would write over the listing " + name);
        if (out.same(id)) bad_usage("standard output would write over the listing " + name);
    }
}

// Reads one listing into the reader; false when it could not be read or
// holds no run.
bool read_listing(const std::string& listing, Reader& reader, Output& output, std::vector<std::string>* names) {
    const std::string name = display_name(listing);
    std::FILE* f = listing == "-" ? stdin : std::fopen(listing.c_str(), "rb");
    if (!f) {
        std::fprintf(stderr, "preflist-report: cannot open %s: %s\n", printable(name).c_str(), std::strerror(errno));
        return false;
    }
    ++output.totals.listings;
    names->push_back(name);
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
    PageData page;
    Output output(opt, opt.svg_given ? &picture : nullptr, opt.html_given ? &page : nullptr);
    Reader reader(output);
    int status = 0;
    std::vector<std::string> names;
    for (const std::string& listing : opt.listings)
        if (!read_listing(listing, reader, output, &names)) status = 1;
    std::string title = "preflist-report: ";
    for (std::size_t i = 0; i < names.size(); ++i) title += (i ? ", " : "") + names[i];
    if (title.size() > 87) {
        // Cut before a character, not inside one.
        std::size_t cut = 84;
        while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;
        title = title.substr(0, cut) + "...";
    }
    std::string svg, html;
    if (opt.svg_given) {
        svg = picture.svg(title);
        if (opt.svg == "-") output.out.text += svg;
    }
    if (opt.html_given) {
        const PageFacts facts{"preflist-report " PREFLIST_REPORT_VERSION, title, names, opt.tolerance, opt.min_gap,
                              opt.filter};
        html = page_html(page.json(facts, output.totals));
        if (opt.html == "-") output.out.text += html;
    }
    output.finish();
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "preflist-report: cannot write standard output: %s\n", std::strerror(errno));
        status = 1;
    }
    // An output file is written only by a run that succeeds, and whole.
    for (const FileOutput& f : file_outputs(opt)) {
        std::string error;
        if (status != 0) {
            std::fprintf(stderr, "preflist-report: %s not written, as the run failed\n", printable(f.name).c_str());
        } else if (!replace_file(f.name, f.option == std::string("--svg") ? svg : html, &error)) {
            std::fprintf(stderr, "preflist-report: cannot write %s: %s\n", printable(f.name).c_str(), error.c_str());
            status = 1;
        }
    }
    return status;
}
