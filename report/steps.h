// A station's steps from record time to record time within a run, and the gap rule over them.
#pragma once
#include <deque>
#include <map>
#include <vector>

namespace report {

// A step outside the typical step and its tolerance.
struct Irregular {
    int station = 0;
    long long after_record = 0;  // the record before the step
    long long from = 0, to = 0;  // the two record times
    long long seconds = 0;       // the step less the typical step
    bool gap = false;            // else an overlap
};

class Steps {
public:
    // Without its spans a station keeps only how often each step came: enough
    // for the typical step and the counts, not for rows or a picture.
    explicit Steps(bool spans = true) : keep_spans_(spans) {}

    // The next record of the station that has a time.
    void add(long long record, long long when);

    long long timed() const { return timed_; }
    long long first_time() const { return first_time_; }  // when timed() > 0
    // The most frequent positive step, the smaller on a tie; 0 when no step
    // is positive, and also when there is no step at all (has_steps false).
    long long typical() const;
    bool has_steps() const { return timed_ > 1; }

    // Every step in order, as spans of equal steps whose records lie the same
    // distance apart: fn(after_record, record_stride, from, step, count).
    template <class Fn>
    void each(Fn&& fn) const {
        for (const Span& s : spans_) fn(s.record, s.stride, s.from, s.step, s.count);
    }

    // The steps above typical + tolerance (gaps) and below typical -
    // tolerance (overlaps), in order, appended to out.
    void irregular(long long tolerance, int station, std::vector<Irregular>& out) const;
    // How many of each there are, without listing them.
    std::pair<long long, long long> count_irregular(long long tolerance) const;

private:
    // A regular listing is a few long spans, so memory follows the changes of
    // step, not the records.
    struct Span {
        long long record, from, step;
        int stride, count;  // records are counted up to 999999999 a run
    };
    std::deque<Span> spans_;  // grows in blocks, never copied
    std::map<long long, long long> counts_;  // step -> how often
    bool keep_spans_ = true;
    long long timed_ = 0, last_record_ = 0, last_time_ = 0, first_time_ = 0;
};

} // namespace report
