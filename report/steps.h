// A station's steps from record time to record time within a run, the gap rule over them, and its segments.
#pragma once
#include <map>
#include <optional>

#include "report/step_log.h"

namespace report {

// What the gap rule makes of a step, given the station's typical step.
enum class StepKind {
    regular,
    gap,       // longer than typical + tolerance
    overlap,   // forward, but shorter than typical - tolerance
    backward,  // 0 or less: the time repeated or went back
};
StepKind step_kind(long long step, long long typical, long long tolerance);
const char* kind_name(StepKind k);  // "gap", "overlap", "backward"

// A step that is not regular.
struct Irregular {
    int station = 0;
    long long after_record = 0;  // the record before the step
    long long next_record = 0;   // the record after it
    long long from = 0, to = 0;  // the two record times
    long long seconds = 0;       // the step less the typical step
    StepKind kind = StepKind::gap;
};

// Timed records of a station joined by regular steps.
struct Segment {
    int station = 0;
    long long first_record = 0, last_record = 0;
    long long start = 0, end = 0;  // the first and last record's times
    long long records = 0;
};

// The gap rule's counts and the availability figures of a station, or of
// several together.
struct Figures {
    long long gaps = 0, overlaps = 0, backward = 0;
    long long gap_seconds = 0, max_gap = 0;  // the sum and the largest of the gaps' seconds
    long long segments = 0;
    std::optional<long long> span;  // seconds: last time - first time + typical step, when positive

    void add(const Figures& station);  // spans and seconds summed, the largest gap kept
    // 100 x (span - gap seconds) / span in tenths, rounded, within 0..1000;
    // nothing without a span.
    std::optional<long long> availability_tenths() const;
};

class Steps {
public:
    // Without its log a station keeps only how often each step came: enough
    // for the typical step and the figures, not for rows or a picture.
    explicit Steps(bool log = true) : keep_log_(log) {}

    // The next record of the station that has a time.
    void add(long long record, long long when);

    long long timed() const { return timed_; }
    long long first_time() const { return first_time_; }  // when timed() > 0
    // The most frequent positive step, the smaller on a tie; 0 when no step
    // is positive, and also when there is no step at all (has_steps false).
    long long typical() const;
    bool has_steps() const { return timed_ > 1; }

    Figures figures(long long tolerance) const;

    // Every step in order, as runs of equal steps whose records lie the same
    // distance apart: fn(after_record, record_stride, from, step, count).
    template <class Fn>
    void each(Fn&& fn) const {
        StepLog::Cursor c(log_);
        Token t;
        long long count = 0, record = first_record_, time = first_time_;
        while (c.next(t, count)) {
            fn(record, t.stride, time, t.step, count);
            record += t.stride * count;
            time += t.step * count;
        }
    }
    std::size_t log_bytes() const { return log_.bytes(); }

    // The irregular steps in order; regular spans are passed over whole.
    class Walk {
    public:
        Walk(const Steps& steps, long long tolerance, int station);
        // The next irregular step, and the number of the step (from 0) in *index.
        bool next(Irregular& out, long long* index = nullptr);

    private:
        StepLog::Cursor cursor_;
        long long typical_, tolerance_;
        int station_;
        Token token_;             // of the run being walked
        StepKind kind_ = StepKind::regular;
        long long left_ = 0;      // its steps not walked yet
        long long record_, time_, index_ = 0;  // before the next step, and its number
    };

    // The segments in order: the timed records cut at every irregular step.
    class Segments {
    public:
        Segments(const Steps& steps, long long tolerance, int station);
        bool next(Segment& out);

    private:
        const Steps* steps_;
        Walk walk_;
        int station_;
        long long first_record_, start_, first_index_ = 0;  // of the segment to come
        bool done_;
    };

private:
    StepLog log_;
    std::map<long long, long long> counts_;  // step -> how often
    bool keep_log_ = true;
    long long timed_ = 0, first_record_ = 0, last_record_ = 0, first_time_ = 0, last_time_ = 0;
};

} // namespace report
