// The fields of a one-run format for items bound to variables: laid out once, filled at each issue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fmtio/format.h"
#include "fmtio/items.h"

namespace fmtio {

// One fill: a run of Z1 or Z2 fields in consecutive columns, their values in
// consecutive variables, or a single I, Z or A field.
struct Fill {
    // A run of up to z1_most Z1 fields is one code for each count, so that
    // the count needs no second look; a longer one is z1_more.
    static constexpr int z1_most = 12;
    enum Code : std::uint8_t {
        z1 = 0,                 // z1 + c: c fields, from 32-bit variables
        z1_16 = z1_most + 1,    // z1_16 + c: from 16-bit variables
        z1_more = 2 * z1_most + 2,
        z1_more_16,
        z2,
        z2_16,
        dec,
        dec_16,
        hex,
        hex_16,
        char1,
        chars,
        codes
    };
    std::uint8_t code;   // a Code
    std::uint8_t count;  // z1_more, z2: the fields of the run
    std::int16_t col;    // the first field's column; chars: where the text goes
    std::int32_t arg;    // dec, hex: the field's use in the plan; chars: the characters copied
    const void* var;     // the first variable, or the text
};

// What a prepared write fills in for its bound items. The kinds and texts of
// the items are known when it is laid out, so no issue looks at them again.
class BoundFill {
public:
    // Lays out the fields of the first n items of f's one-run template, when
    // they fill whole steps of it and each is one that a fill takes: an
    // integer under I or Z, a text under A w, a text of at least one
    // character last. False otherwise, with nothing laid out: the statement
    // then goes the general way, which also reports what is wrong.
    bool prepare(const Format& f, const Bound* items, std::size_t n);
    bool ready() const { return !fills_.empty(); }

    // The record before its fields are filled in: the template's first len()
    // characters. padded(): the whole template followed by blanks.
    const char* text() const { return text_; }
    std::size_t len() const { return len_; }
    const char* padded() const { return padded_; }
    std::size_t template_len() const { return template_len_; }
    // The record keeps the line open.
    bool open() const { return open_; }
    // The items are all the run has: the record is the whole template.
    bool whole() const { return whole_; }

    // The record before its fields, at q: text() copied in blocks of a
    // fixed size, which the length's being known ahead allows.
    void start(char* q) const
    {
        const char* t = text_;
        const std::size_t n = len_;
        if (n >= 16) {
            for (std::size_t k = 16; k < n; k += 16, q += 16, t += 16)
                std::memcpy(q, t, 16);
            std::memcpy(q + (n - 1) % 16 + 1 - 16, t + (n - 1) % 16 + 1 - 16, 16);
        } else if (n >= 8) {
            std::memcpy(q, t, 8);
            std::memcpy(q + n - 8, t + n - 8, 8);
        } else {
            for (std::size_t k = 0; k < n; ++k)
                q[k] = t[k];
        }
    }

    // The fields, with the variables' values as they are now, into the
    // record at q.
    void operator()(char* q) const
    {
        if (one_)
            one_(q, first_, uses_);
        else
            fill_all(q);
    }

private:
    void fill_all(char* q) const;
    std::vector<Fill> fills_;
    // A layout of one fill: the fill, and the function of its code.
    Fill first_{};
    void (*one_)(char*, const Fill&, const Use*) = nullptr;
    const Use* uses_ = nullptr;
    const char* text_ = nullptr;
    const char* padded_ = nullptr;
    std::size_t len_ = 0;
    std::size_t template_len_ = 0;
    bool open_ = false;
    bool whole_ = false;
};

} // namespace fmtio
