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
    if (keep_spans_) {
        Span* s = spans_.empty() ? nullptr : &spans_.back();
        const long long apart = s ? last_record_ - s->record : 0;
        const bool fits = apart > -1000000000 && apart < 1000000000 && s && s->count < 1000000000;
        if (fits && s->step == step && (s->count == 1 || apart == static_cast<long long>(s->stride) * s->count)) {
            if (s->count == 1) s->stride = static_cast<int>(apart);
            ++s->count;
        } else {
            spans_.push_back({last_record_, last_time_, step, 0, 1});
        }
    }
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
    : steps_(&steps), typical_(steps.typical()), tolerance_(tolerance), station_(station) {}

bool Steps::Walk::next(Irregular& out, long long* index) {
    const auto& spans = steps_->spans_;
    for (; span_ < spans.size(); index_ += spans[span_].count, ++span_, k_ = 0) {
        const Span& s = spans[span_];
        const StepKind kind = step_kind(s.step, typical_, tolerance_);
        if (kind == StepKind::regular || k_ >= s.count) continue;
        const long long k = k_++;
        out.station = station_;
        out.after_record = s.record + k * s.stride;
        // The record after the span's last step is where the next span starts.
        out.next_record = k + 1 < s.count              ? s.record + (k + 1) * s.stride
                          : span_ + 1 < spans.size() ? spans[span_ + 1].record
                                                     : steps_->last_record_;
        out.from = s.from + k * s.step;
        out.to = out.from + s.step;
        out.seconds = s.step - typical_;
        out.kind = kind;
        if (index) *index = index_ + k;
        return true;
    }
    return false;
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
