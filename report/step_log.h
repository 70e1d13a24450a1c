// A station's steps kept in a few bytes each, and in none while they repeat a short pattern.
#pragma once
#include <cstddef>
#include <string>

namespace report {

// One step: how many records on, and how many seconds on.
struct Token {
    long long stride = 0, step = 0;
    bool operator==(const Token& o) const { return stride == o.stride && step == o.step; }
};

// Steps in order. A station that steps evenly, or whose records take turns
// with other stations' in a pattern that repeats (stations of different
// steps interleaved), costs a few bytes in all; other steps a few bytes each.
class StepLog {
public:
    static constexpr int longest_period = 16;  // tokens of a pattern that repeats

    void add(const Token& t);
    std::size_t bytes() const { return bytes_.size(); }

    // Reads the steps back in order, as runs of equal steps.
    class Cursor {
    public:
        explicit Cursor(const StepLog& log) : log_(&log) {}
        // The next run: count equal tokens, count > 1 only where one token repeats.
        bool next(Token& token, long long& count);

    private:
        void push(const Token& t);
        const Token& back(int n) const { return ring_[(seen_ - static_cast<std::size_t>(n)) % ring]; }

        static constexpr std::size_t ring = 64;
        const StepLog* log_;
        std::size_t at_ = 0;  // in log_->bytes_
        bool open_read_ = false;
        int period_ = 0;
        long long left_ = 0;  // tokens of the repeat being read
        Token ring_[ring];
        std::size_t seen_ = 0;
    };

private:
    void put(unsigned long long v);
    void close_repeat();
    const Token& back(int n) const { return ring_[(seen_ - static_cast<std::size_t>(n)) % ring]; }

    static constexpr std::size_t ring = 64;  // holds the 2 x 16 + 2 tokens a pattern is found in
    // Literal tokens and closed repeats; the repeat still growing is kept
    // apart so that it grows without rewriting a byte.
    std::string bytes_;
    int period_ = 0;       // of the open repeat, 0 for none
    long long repeats_ = 0;  // tokens it holds
    Token ring_[ring];     // the last tokens added
    std::size_t seen_ = 0;
};

} // namespace report
