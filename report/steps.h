// A station's steps from record time to record time within a run, the gap rule over them, and its segments.
#pragma once
#include <deque>
#include <map>
#include <optional>

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
    // Without its spans a station keeps only how often each step came: enough
    // for the typical step and the figures, not for rows or a picture.
    explicit Steps(bool spans = true) : keep_spans_(spans) {}

    // The next record of the station that has a time.
    void add(long long record, long long when);

    long long timed() const { return timed_; }
    long long first_time() const { return first_time_; }  // when timed() > 0
    // The most frequent positive step, the smaller on a tie; 0 when no step
    // is positive, and also when there is no step at all (has_steps false).
    long long typical() const;
    bool has_steps() const { return timed_ > 1; }

    Figures figures(long long tolerance) const;

    // Every step in order, as spans of equal steps whose records lie the same
    // distance apart: fn(after_record, record_stride, from, step, count).
    template <class Fn>
    void each(Fn&& fn) const {
        for (const Span& s : spans_) fn(s.record, s.stride, s.from, s.step, s.count);
    }

    // The irregular steps in order; regular spans are passed over whole.
    class Walk {
    public:
        Walk(const Steps& steps, long long tolerance, int station);
        // The next irregular step, and the number of the step (from 0) in *index.
        bool next(Irregular& out, long long* index = nullptr);

    private:
        const Steps* steps_;
        long long typical_, tolerance_, index_ = 0;  // index_: of the first step of span_
        int station_;
        std::size_t span_ = 0;
        long long k_ = 0;  // the next step within span_
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
    // A regular listing is a few long spans, so memory follows the changes of
    // step, not the records.
    struct Span {
        long long record, from, step;
        int stride, count;  // records are counted up to 999999999 a run
    };
    std::deque<Span> spans_;  // grows in blocks, never copied
    std::map<long long, long long> counts_;  // step -> how often
    bool keep_spans_ = true;
    long long timed_ = 0, first_record_ = 0, last_record_ = 0, first_time_ = 0, last_time_ = 0;
};

} // namespace report
