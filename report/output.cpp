// The reader's events to the summary, CSV, JSON Lines and the picture, records chosen by the filter.
#include "report/output.h"

#include <cstdio>

#include "report/csv.h"
#include "report/json.h"
#include "report/summary.h"
#include "report/text.h"

namespace report {

Output::Output(const Options& o, Picture* picture, PageData* page)
    : out(stdout), opt_(o), filter_(o.filter), picture_(picture), page_(page) {
    if (o.mode == Mode::csv) out.text = std::string(record_columns) + "\n";
    if (o.mode == Mode::gaps) out.text = std::string(gap_columns) + "\n";
    if (o.mode == Mode::segments) out.text = std::string(segment_columns) + "\n";
}

bool Output::spans() const {
    return opt_.mode == Mode::gaps || opt_.mode == Mode::segments || opt_.mode == Mode::json || picture_ || page_;
}

void Output::begin(const Run& run) {
    tally_ = Tally(spans());
    fields_ = run_fields(run);
    filter_.begin_run();
}

void Output::record(const Run&, const Record& r) {
    if (!filter_.keep(r)) return;
    tally_.add(r);
    if (opt_.mode == Mode::csv) {
        record_row(out.text, fields_, r);
        out.spill();
    }
}

void Output::end(const Run& run, const Ending& e) {
    // With a filter, a run none of whose records is taken is left out.
    if (filter_.active() && tally_.records == 0) return;
    const RunReport rep = finish_run(run, e, std::move(tally_), opt_.tolerance);
    switch (opt_.mode) {
    case Mode::summary: summary_run(out.text, rep); break;
    case Mode::gaps: gap_rows(out, rep, opt_.min_gap); break;
    case Mode::segments: segment_rows(out, rep); break;
    case Mode::json: json_run(out, rep, opt_.min_gap); break;
    case Mode::csv:
    case Mode::none: break;
    }
    if (picture_) picture_->add(rep, opt_.min_gap);
    if (page_) page_->add(rep, opt_.min_gap);
    totals.add(rep);
    out.flush();
}

void Output::problem(const std::string& listing, long line, const std::string& what) {
    ++totals.problems;
    if (++listing_problems_ <= shown_problems)
        std::fprintf(stderr, "%s:%ld: %s\n", printable(listing).c_str(), line, what.c_str());
}

void Output::end_listing(const std::string& listing) {
    if (listing_problems_ > shown_problems)
        std::fprintf(stderr, "%s: %lld more unreadable lines not shown\n", printable(listing).c_str(),
                     listing_problems_ - shown_problems);
}

void Output::finish() {
    if (opt_.mode == Mode::summary) summary_totals(out.text, totals, opt_.tolerance);
    out.flush();
}

} // namespace report
