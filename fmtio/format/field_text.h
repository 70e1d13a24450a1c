// The text of one I, Z or A output field in the columns it takes: each rule's one home, for the walk and the compiled fills.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// The decimal digits of mag, ending before `end`; returns where they start.
inline char* decimal_digits(char* end, std::uint32_t mag)
{
    char* p = end;
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
    return p;
}

// The same for mag below 10^8, as a record's type and number are: four at a
// time, each two from the table of pairs, with no loop.
inline constexpr std::uint32_t short_dec_below = 100000000;
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

// An I or Z field: w columns, at least m digits; for I, the magnitudes
// below which a value of 0 or more, and a negative one, fit the field.
struct NumField {
    std::int32_t width;
    std::int32_t digits;
    std::uint32_t fits_plus;
    std::uint32_t fits_minus;
};

// Below what magnitude Iw.m shows a value, `sign` columns going to its
// sign: the digits, never fewer than m, fit the rest.
constexpr std::uint32_t dec_fits(std::int32_t w, std::int32_t m, std::int32_t sign)
{
    const std::int32_t room = w - sign;
    if (m > room)
        return 0;
    if (room >= 10)
        return 0xFFFFFFFFu;  // above every magnitude a 32-bit item has
    std::uint32_t below = 1;
    for (std::int32_t k = 0; k < room; ++k)
        below *= 10;
    return below;
}

constexpr NumField num_field(std::int32_t w, std::int32_t m)
{
    return NumField{w, m, dec_fits(w, m, 0), dec_fits(w, m, 1)};
}

// I w.m writes nothing but blanks only for the value 0 with no digit asked
// for; those blanks stay pending, as a skip's do. Z w.m likewise for bits 0.
inline bool int_blank(std::int32_t m, std::int32_t v) { return m == 0 && v == 0; }
inline bool hex_blank(std::int32_t m, std::uint32_t bits) { return m == 0 && bits == 0; }

// Whether Iw.m shows v as its digits alone, of which there are at most
// eight: short_dec then writes them.
inline bool is_short_dec(const NumField& f, std::int32_t v)
{
    return v >= 0 && f.digits == 1 && static_cast<std::uint32_t>(v) < f.fits_plus &&
           static_cast<std::uint32_t>(v) < short_dec_below;
}

// I w.m (not int_blank) right-aligned in w columns that hold blanks
// already: a sign, at least m digits, and nothing else written; or w
// asterisks when that does not fit.
inline void put_dec(char* at, const NumField& f, std::int32_t v)
{
    const std::size_t w = static_cast<std::size_t>(f.width);
    if (is_short_dec(f, v)) {
        short_dec(at + w, static_cast<std::uint32_t>(v));
        return;
    }
    const std::uint32_t mag = magnitude(v);
    if (mag >= (v < 0 ? f.fits_minus : f.fits_plus)) {
        std::memset(at, '*', w);
        return;
    }
    char* p = decimal_digits(at + w, mag);
    for (char* const lead = at + w - static_cast<std::size_t>(f.digits); p > lead;)
        *--p = '0';
    if (v < 0)
        *--p = '-';
}

// Z w.m (not hex_blank) the same way: the significant digits, at least m
// of them, and when wider than w the low-order w digits, never asterisks.
inline void put_hex(char* at, std::size_t w, std::size_t m, std::uint32_t bits)
{
    char* p = at + w;
    std::size_t k = 0;
    do {
        *--p = hex_digits[bits & 15];
        bits >>= 4;
    } while (++k < w && (bits != 0 || k < m));
}

// A w (or A, w 0) of a text of n characters: the first w of them, or all n
// after w - n blanks, which stay pending until text follows them.
struct CharField {
    std::size_t lead;   // blanks before the text
    std::size_t count;  // characters of the text shown, from its first
};

inline CharField char_field(std::size_t w, std::size_t n)
{
    if (w == 0 || w <= n)
        return CharField{0, w == 0 ? n : w};
    return CharField{w - n, n};
}

} // namespace fmtio
