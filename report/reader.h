// Reads listings line by line into runs and records, and never stops at a bad line.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "report/lines.h"

namespace report {

// One run of preflister, from its banner.
struct Run {
    long number = 0;      // 1, 2, ... over all listings read
    std::string listing;  // the listing's name as given
    long line = 0;        // line of its banner
    std::string file;     // the data file's name from its name line(s)
    long problems = 0;    // its lines that could not be read
};

struct Record {
    long long number = 0;
    int type = 0;
    char date[6] = {};
    char time[7] = {};
    std::optional<long long> when;  // seconds since 1970, when date and time are valid
    int station = 0;                // the run's last station line before it; 0 before any
    bool zero = false;
    std::string note;               // the decoder line listed just before it, trimmed
    long line = 0;
};

// What the reader finds, in listing order.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void begin(const Run&) {}
    virtual void record(const Run&, const Record&) {}
    virtual void end(const Run&, const Ending&) {}
    // A line that cannot be read: skipped, reading goes on.
    virtual void problem(const std::string& listing, long line, const std::string& what) = 0;
};

class Reader {
public:
    explicit Reader(Sink& sink) : sink_(sink) {}
    void start(const std::string& listing);  // a new listing; lines count from 1
    void line(std::string_view text);        // the next line, its line end removed
    void finish();                           // the listing's end: a run left open has no ending
    bool found_run() const { return seen_banner_; }  // in this listing

private:
    enum class State { outside, name, name_more, before_header, header, body };

    void begin_run();
    void announce();
    void end_run(const Ending& e);
    void step(std::string_view text);  // a line other than a banner, by the state it comes in
    void body(std::string_view text);
    bool take(std::string_view text, std::string* why);
    void problem(long line, const std::string& what);

    Sink& sink_;
    long runs_ = 0;
    long line_ = 0;
    bool seen_banner_ = false;  // in this listing
    bool announced_ = false;
    State state_ = State::outside;
    Run run_;
    Record rec_;
    std::optional<long long> last_;  // the run's last record number
    long note_line_ = 0;             // line of the pending decoder line, 0 for none
};

} // namespace report
