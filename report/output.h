// Takes the reader's runs and records to the chosen output as they come, and counts what was read.
#pragma once
#include <string>

#include "report/filter.h"
#include "report/options.h"
#include "report/out.h"
#include "report/page/data.h"
#include "report/reader.h"
#include "report/svg.h"
#include "report/tally.h"

namespace report {

class Output : public Sink {
public:
    // Writes to standard output; the picture and the page, when there are
    // any, take the runs too.
    Output(const Options& o, Picture* picture, PageData* page = nullptr);

    void begin(const Run& run) override;
    void record(const Run& run, const Record& r) override;
    void end(const Run& run, const Ending& e) override;
    void problem(const std::string& listing, long line, const std::string& what) override;

    // Around each listing: a file that is no listing would cost a line of
    // standard error per line it holds, so the first few are shown and the
    // rest counted.
    void start_listing() { listing_problems_ = 0; }
    void end_listing(const std::string& listing);

    // The totals, when the summary is chosen, and whatever is left unwritten.
    void finish();

    Out out;
    Totals totals;

private:
    // Whether the stations keep their steps: for rows and the picture.
    bool spans() const;

    const Options& opt_;
    Filter filter_;  // keeps where the run's time window stands
    Picture* picture_;
    PageData* page_;
    Tally tally_;
    std::string fields_;  // the run's first CSV fields
    static constexpr long long shown_problems = 10;
    long long listing_problems_ = 0;
};

} // namespace report
