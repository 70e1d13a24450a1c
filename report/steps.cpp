// The gap rule over a station's steps: their kinds, the figures they give, and walks over them in record order.
#include "report/steps.h"

#include <algorithm>

namespace report {

StepKind step_kind(long long step, long long typical, long long tolerance) {
    if (step > typical + tolerance) return StepKind::gap;
    if (step <= 0) return StepKind::backward;
    if (step < typical - tolerance) return StepKind::overlap;
    return StepKind::regular;
}

const char* kind_name(StepKind k) {
    switch (k) {
    case StepKind::gap: return "gap";
    case StepKind::overlap: return "overlap";
    case StepKind::backward: return "backward";
    case StepKind::regular: break;
    }
    return "regular";
}

void Figures::add(const Figures& s) {
    gaps += s.gaps;
    overlaps += s.overlaps;
    backward += s.backward;
    gap_seconds += s.gap_seconds;
    max_gap = std::max(max_gap, s.max_gap);
    segments += s.segments;
    if (s.span) span = span.value_or(0) + *s.span;
}

std::optional<long long> Figures::availability_tenths() const {
    if (!span || *span <= 0) return std::nullopt;
    const long long kept = *span - gap_seconds;
    if (kept <= 0) return 0;
    if (kept >= *span) return 1000;
    // Rounded half up, in whole numbers: spans are far below 2^63 / 2000.
    return (2000 * kept + *span) / (2 * *span);
}

void Steps::add(long long record, long long when) {
    if (timed_++ == 0) {
        first_record_ = last_record_ = record;
        first_time_ = last_time_ = when;
        return;
    }
    const long long step = when - last_time_;
    ++counts_[step];
    if (keep_log_) log_.add({record - last_record_, step});
    last_record_ = record;
    last_time_ = when;
}

long long Steps::typical() const {
    long long best = 0, most = 0;
    // Ascending, so a tie keeps the smaller.
    for (auto it = counts_.upper_bound(0); it != counts_.end(); ++it)
        if (it->second > most) {
            best = it->first;
            most = it->second;
        }
    return best;
}

Figures Steps::figures(long long tolerance) const {
    Figures f;
    if (timed_ == 0) return f;
    const long long typ = typical();
    for (const auto& [step, count] : counts_) {
        switch (step_kind(step, typ, tolerance)) {
        case StepKind::gap:
            f.gaps += count;
            f.gap_seconds += (step - typ) * count;
            f.max_gap = std::max(f.max_gap, step - typ);
            break;
        case StepKind::overlap: f.overlaps += count; break;
        case StepKind::backward: f.backward += count; break;
        case StepKind::regular: break;
        }
    }
    f.segments = f.gaps + f.overlaps + f.backward + 1;
    if (has_steps() && last_time_ - first_time_ + typ > 0) f.span = last_time_ - first_time_ + typ;
    return f;
}

Steps::Walk::Walk(const Steps& steps, long long tolerance, int station)
    : cursor_(steps.log_), typical_(steps.typical()), tolerance_(tolerance), station_(station),
      record_(steps.first_record_), time_(steps.first_time_) {}

bool Steps::Walk::next(Irregular& out, long long* index) {
    for (;;) {
        if (left_ == 0) {
            if (!cursor_.next(token_, left_)) return false;
            kind_ = step_kind(token_.step, typical_, tolerance_);
            if (kind_ == StepKind::regular) {  // passed over whole
                record_ += token_.stride * left_;
                time_ += token_.step * left_;
                index_ += left_;
                left_ = 0;
                continue;
            }
        }
        out.station = station_;
        out.after_record = record_;
        out.next_record = record_ + token_.stride;
        out.from = time_;
        out.to = time_ + token_.step;
        out.seconds = token_.step - typical_;
        out.kind = kind_;
        if (index) *index = index_;
        record_ = out.next_record;
        time_ = out.to;
        ++index_;
        --left_;
        return true;
    }
}

Steps::Segments::Segments(const Steps& steps, long long tolerance, int station)
    : steps_(&steps), walk_(steps, tolerance, station), station_(station), first_record_(steps.first_record_),
      start_(steps.first_time_), done_(steps.timed_ == 0) {}

bool Steps::Segments::next(Segment& out) {
    if (done_) return false;
    Irregular cut;
    long long index = 0;  // step i joins timed records i and i + 1
    out.station = station_;
    out.first_record = first_record_;
    out.start = start_;
    if (walk_.next(cut, &index)) {
        out.last_record = cut.after_record;
        out.end = cut.from;
        out.records = index - first_index_ + 1;
        first_record_ = cut.next_record;
        start_ = cut.to;
        first_index_ = index + 1;
        return true;
    }
    out.last_record = steps_->last_record_;
    out.end = steps_->last_time_;
    out.records = steps_->timed_ - first_index_;
    done_ = true;
    return true;
}

} // namespace report
