// Steps as variable-length numbers, with runs that repeat the tokens a short period back kept as one entry.
#include "report/step_log.h"

namespace report {
namespace {

// Small numbers of either sign in few bytes: 0, -1, 1, -2 ... as 0, 1, 2, 3 ...
unsigned long long zigzag(long long v) {
    return (static_cast<unsigned long long>(v) << 1) ^ static_cast<unsigned long long>(v < 0 ? -1 : 0);
}
long long unzigzag(unsigned long long v) {
    return static_cast<long long>(v >> 1) ^ -static_cast<long long>(v & 1);
}

unsigned long long get(const std::string& s, std::size_t& at) {
    unsigned long long v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = static_cast<unsigned char>(s[at++]);
        v |= static_cast<unsigned long long>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
}

} // namespace

void StepLog::put(unsigned long long v) {
    for (; v >= 0x80; v >>= 7) bytes_ += static_cast<char>(v | 0x80);
    bytes_ += static_cast<char>(v);
}

// An entry is a tag, then its numbers. Tag: a literal's stride, zigzagged
// and doubled; or a repeat's period, doubled plus one, then its length.
void StepLog::close_repeat() {
    if (period_ && repeats_) {
        put(static_cast<unsigned long long>(period_) << 1 | 1);
        put(static_cast<unsigned long long>(repeats_));
    }
    period_ = 0;
    repeats_ = 0;
}

void StepLog::add(const Token& t) {
    if (period_) {
        if (t == back(period_)) {
            ++repeats_;
            ring_[seen_++ % ring] = t;
            return;
        }
        close_repeat();
    }
    // Strides are record numbers apart, far below 2^62.
    put(zigzag(t.stride) << 1);
    put(zigzag(t.step));
    ring_[seen_++ % ring] = t;
    // A repeat starts once the last 2p + 2 tokens repeat with period p.
    for (int p = 1; p <= longest_period && seen_ >= static_cast<std::size_t>(2 * p + 2); ++p) {
        bool repeating = true;
        for (int k = 1; k <= p + 2 && repeating; ++k) repeating = back(k) == back(k + p);
        if (repeating) {
            period_ = p;
            break;
        }
    }
}

void StepLog::Cursor::push(const Token& t) { ring_[seen_++ % ring] = t; }

bool StepLog::Cursor::next(Token& token, long long& count) {
    for (;;) {
        if (left_ > 0) {
            token = back(period_);
            count = period_ == 1 ? left_ : 1;
            left_ -= count;
            // The pattern is all the ring needs: a later repeat looks at most a period back.
            for (long long i = 0; i < count && i < static_cast<long long>(ring); ++i) push(token);
            return true;
        }
        if (at_ < log_->bytes_.size()) {
            const unsigned long long tag = get(log_->bytes_, at_);
            if (tag & 1) {
                period_ = static_cast<int>(tag >> 1);
                left_ = static_cast<long long>(get(log_->bytes_, at_));
                continue;
            }
            token.stride = unzigzag(tag >> 1);
            token.step = unzigzag(get(log_->bytes_, at_));
            count = 1;
            push(token);
            return true;
        }
        if (!open_read_ && log_->period_ && log_->repeats_) {
            open_read_ = true;
            period_ = log_->period_;
            left_ = log_->repeats_;
            continue;
        }
        return false;
    }
}

} // namespace report
