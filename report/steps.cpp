#include "report/steps.h"

namespace report {

void Steps::add(long long record, long long when) {
    if (timed_++ == 0) {
        first_time_ = when;
        last_record_ = record;
        last_time_ = when;
        return;
    }
    const long long step = when - last_time_;
    ++counts_[step];
    if (!keep_spans_) {
        last_record_ = record;
        last_time_ = when;
        return;
    }
    Span* s = spans_.empty() ? nullptr : &spans_.back();
    const long long apart = s ? last_record_ - s->record : 0;
    const bool fits = apart > -1000000000 && apart < 1000000000 && s && s->count < 1000000000;
    if (fits && s->step == step && (s->count == 1 || apart == static_cast<long long>(s->stride) * s->count)) {
        if (s->count == 1) s->stride = static_cast<int>(apart);
        ++s->count;
    } else {
        spans_.push_back({last_record_, last_time_, step, 0, 1});
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

void Steps::irregular(long long tolerance, int station, std::vector<Irregular>& out) const {
    if (!has_steps()) return;
    const long long typ = typical();
    for (const Span& s : spans_) {
        const bool gap = s.step > typ + tolerance;
        if (!gap && s.step >= typ - tolerance) continue;
        for (long long k = 0; k < s.count; ++k) {
            const long long from = s.from + k * s.step;
            out.push_back({station, s.record + k * s.stride, from, from + s.step, s.step - typ, gap});
        }
    }
}

} // namespace report

namespace report {

std::pair<long long, long long> Steps::count_irregular(long long tolerance) const {
    std::pair<long long, long long> n{0, 0};
    if (!has_steps()) return n;
    const long long typ = typical();
    for (const auto& [step, count] : counts_) {
        if (step > typ + tolerance) n.first += count;
        else if (step < typ - tolerance) n.second += count;
    }
    return n;
}

} // namespace report
