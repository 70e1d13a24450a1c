// The text of one I or Z field of a template, written into the blanks that hold its place.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fmtio/compiled/plan.h"

namespace fmtio {

inline constexpr char hex_digits[] = "0123456789ABCDEF";

inline std::uint32_t magnitude(std::int32_t v)
{
    return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

// Two digits a step, from a table of the pairs 00..99.
inline constexpr char digit_pairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The same pairs with a blank for the leading zero of 0..9: the text of a
// value below 100 as one move, in a field of at least two columns.
struct BlankLedPairs {
    char text[200] = {};
    constexpr BlankLedPairs()
    {
        for (int k = 0; k < 200; ++k)
            text[k] = k < 20 && k % 2 == 0 ? ' ' : digit_pairs[k];
    }
};
inline constexpr BlankLedPairs blank_led_pairs{};

// Whether Iw.m shows v as its digits alone, of which there are at most
// eight, as a record's type and number are: short_dec then writes them.
inline constexpr std::uint32_t short_dec_below = 100000000;
inline bool is_short_dec(const Use& u, std::int32_t v)
{
    return v >= 0 && u.digits == 1 && static_cast<std::uint32_t>(v) < u.fits_plus &&
           static_cast<std::uint32_t>(v) < short_dec_below;
}

// The digits of mag, below 10^8, ending before `end`: four at a time, each
// two from the table of pairs.
inline void short_dec(char* end, std::uint32_t mag)
{
    char* p = end;
    if (mag >= 10000) {
        const std::uint32_t hi = mag / 10000;
        const std::uint32_t lo = mag - hi * 10000;
        const std::uint32_t lo_hi = lo / 100;
        std::memcpy(p - 2, digit_pairs + 2 * (lo - lo_hi * 100), 2);
        std::memcpy(p - 4, digit_pairs + 2 * lo_hi, 2);
        p -= 4;
        mag = hi;
    }
    if (mag < 10) {
        p[-1] = static_cast<char>('0' + mag);
    } else if (mag < 100) {
        std::memcpy(p - 2, digit_pairs + 2 * mag, 2);
    } else {
        const std::uint32_t hi = mag / 100;
        std::memcpy(p - 2, digit_pairs + 2 * (mag - hi * 100), 2);
        if (hi < 10)
            p[-3] = static_cast<char>('0' + hi);
        else
            std::memcpy(p - 4, digit_pairs + 2 * hi, 2);
    }
}

// Decimal text of Iw.m (m at least 1) right-aligned in a w-column slot that
// holds blanks already: the text alone is written, right to left, or w
// asterisks when the use's bounds say it does not fit.
inline void put_dec(char* at, const Use& u, std::int32_t v)
{
    const std::size_t w = static_cast<std::size_t>(u.width);
    if (is_short_dec(u, v)) {
        short_dec(at + w, static_cast<std::uint32_t>(v));
        return;
    }
    std::uint32_t mag = magnitude(v);
    if (mag >= (v < 0 ? u.fits_minus : u.fits_plus)) {
        for (std::size_t k = 0; k < w; ++k)
            at[k] = '*';
        return;
    }
    char* p = at + w;
    for (; mag >= 100; mag /= 100) {
        p -= 2;
        std::memcpy(p, digit_pairs + 2 * (mag % 100), 2);
    }
    if (mag >= 10) {
        p -= 2;
        std::memcpy(p, digit_pairs + 2 * mag, 2);
    } else {
        *--p = static_cast<char>('0' + mag);
    }
    for (char* const lead = at + w - static_cast<std::size_t>(u.digits); p > lead;)
        *--p = '0';
    if (v < 0)
        *--p = '-';
}

// Zw.m (m at least 1) the same way: the low-order w digits when wider.
inline void put_hex(char* at, std::size_t w, std::size_t m, std::uint32_t bits)
{
    char* p = at + w;
    std::size_t k = 0;
    do {
        *--p = hex_digits[bits & 15];
        bits >>= 4;
    } while (++k < w && (bits != 0 || k < m));
}

} // namespace fmtio
