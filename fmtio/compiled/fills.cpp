// The fill functions, one for each kind and count of field: the I, Z and A rules of field_text.h for bound variables.
#include "fmtio/compiled/fills.h"

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

#include "fmtio/platform/vector_unit.h"

namespace fmtio {

namespace {

// Each fill but the last ends by going on to the next one: a jump, not a
// call, so that no fill keeps anything for later. The last one returns.
template <bool last>
[[gnu::always_inline]] inline void next(char* q, const Fill* f)
{
    if constexpr (!last)
        return f[1].fn(q, f + 1);
}

// The template: a known count of fixed moves.
constexpr std::size_t copy_most = 8;

template <std::size_t blocks>
void copy_fill(char* q, const Fill* f)
{
    const char* const t = static_cast<const char*>(f->var);
    for (std::size_t k = 0; k < blocks; ++k)
        std::memcpy(q + k * fill_block, t + k * fill_block, fill_block);
    return f[1].fn(q, f + 1);
}

void copy_long_fill(char* q, const Fill* f)
{
    std::memcpy(q, f->var, static_cast<std::size_t>(f->len));
    return f[1].fn(q, f + 1);
}

template <std::size_t... c>
constexpr std::array<FillFn, sizeof...(c)> copy_fills(std::index_sequence<c...>)
{
    return {copy_fill<c + 1>...};
}

// A run of c Z1 fields: c is known, so each field is a fixed place and a
// fixed variable, with no loop around them.
template <class T, std::size_t c, bool last>
void z1_fill(char* q, const Fill* f)
{
    char* const at = q + f->col;
    const T* const v = static_cast<const T*>(f->var);
#if PREFLISTER_SSE2
    if constexpr (sizeof(T) == 4 && c >= 4 && c <= 8) {
        // The first four and the last four, which may overlap, as one vector:
        // the low nibbles narrowed to bytes, 10..15 moved on to the letters.
        const __m128i low = _mm_set1_epi32(15);
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + c - 4)), low);
        const __m128i d = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128());
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(d, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '9' - 1));
        const __m128i text = _mm_add_epi8(_mm_add_epi8(d, _mm_set1_epi8('0')), letters);
        const std::int32_t first = _mm_cvtsi128_si32(text);
        const std::int32_t second = _mm_cvtsi128_si32(_mm_srli_si128(text, 4));
        std::memcpy(at, &first, 4);
        std::memcpy(at + c - 4, &second, 4);
        return next<last>(q, f);
    }
#endif
    for (std::size_t k = 0; k < c; ++k)
        at[k] = hex_digits[v[k] & 15];
    return next<last>(q, f);
}

template <class T, bool last>
void z1_long_fill(char* q, const Fill* f)
{
    char* const at = q + f->col;
    const T* const v = static_cast<const T*>(f->var);
    for (std::int32_t k = 0; k < f->count; ++k)
        at[k] = hex_digits[v[k] & 15];
    return next<last>(q, f);
}

// Z2 fields the same way. A field's first column holds a blank already,
// which a value below 16 keeps. A 16-bit value widened keeps its sign, and so
// shows the same two digits.
template <class T, std::size_t c, bool last>
void z2_fill(char* q, const Fill* f)
{
    char* at = q + f->col;
    const T* const v = static_cast<const T*>(f->var);
    const std::size_t n = c > 0 ? c : static_cast<std::size_t>(f->count);
    for (std::size_t k = 0; k < n; ++k, at += 2) {
        const std::uint32_t bits = static_cast<std::uint32_t>(v[k]);
        // Both digits looked up first: the choice is then a select, not a
        // branch on the data.
        const char high = hex_digits[bits >> 4 & 15];
        at[0] = bits > 15 ? high : ' ';
        at[1] = hex_digits[bits & 15];
    }
    return next<last>(q, f);
}

// An I field. Its fill's column is where the field ends, and its length the
// magnitude below which a value of 0 or more takes the short way: its digits
// alone. Every other case goes to a function of its own, so that this one
// calls nothing and saves no registers.
template <class T, bool last>
[[gnu::noinline]] void dec_other_fill(char* q, const Fill* f)
{
    put_dec(q + f->col - f->num.width, f->num, *static_cast<const T*>(f->var));
    return next<last>(q, f);
}

template <class T, bool last>
void dec_fill(char* q, const Fill* f)
{
    const std::int32_t v = *static_cast<const T*>(f->var);
    if (static_cast<std::uint32_t>(v) >= static_cast<std::uint32_t>(f->len))
        return dec_other_fill<T, last>(q, f);
    short_dec(q + f->col, static_cast<std::uint32_t>(v));
    return next<last>(q, f);
}

// An I field of two columns or more, whose values below 100 are one move:
// a type or a count takes the same path whether it has one digit or two.
template <class T, bool last>
void dec_pair_fill(char* q, const Fill* f)
{
    const std::int32_t v = *static_cast<const T*>(f->var);
    if (static_cast<std::uint32_t>(v) < 100) {
        std::memcpy(q + f->col - 2, blank_led_pairs.text + 2 * v, 2);
        return next<last>(q, f);
    }
    return dec_fill<T, last>(q, f);
}

template <class T, bool last>
void hex_fill(char* q, const Fill* f)
{
    // Zw.m shows the item's own bits: 16 of a 16-bit one.
    using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint16_t>;
    put_hex(q + f->col, static_cast<std::size_t>(f->num.width), static_cast<std::size_t>(f->num.digits),
            *static_cast<const Bits*>(f->var));
    return next<last>(q, f);
}

template <bool last>
void char1_fill(char* q, const Fill* f)
{
    q[f->col] = *static_cast<const char*>(f->var);
    return next<last>(q, f);
}

template <bool last>
void chars_fill(char* q, const Fill* f)
{
    std::memcpy(q + f->col, f->var, static_cast<std::size_t>(f->len));
    return next<last>(q, f);
}

// Runs of up to this many fields have a function of their own count.
constexpr std::size_t z1_most = 12;
constexpr std::size_t z2_most = 4;

template <class T, bool last, std::size_t... c>
constexpr std::array<FillFn, sizeof...(c)> z1_fills(std::index_sequence<c...>)
{
    return {z1_fill<T, c + 1, last>...};
}

template <class T, bool last, std::size_t... c>
constexpr std::array<FillFn, sizeof...(c)> z2_fills(std::index_sequence<c...>)
{
    return {z2_fill<T, c + 1, last>...};
}

template <class T, bool last>
FillFn z1_of(std::size_t c)
{
    static constexpr auto fills = z1_fills<T, last>(std::make_index_sequence<z1_most>{});
    return c <= z1_most ? fills[c - 1] : z1_long_fill<T, last>;
}

template <class T, bool last>
FillFn z2_of(std::size_t c)
{
    static constexpr auto fills = z2_fills<T, last>(std::make_index_sequence<z2_most>{});
    return c <= z2_most ? fills[c - 1] : z2_fill<T, 0, last>;
}

template <class T, bool last>
FillFn function_of(FillKind kind, const Fill& f)
{
    switch (kind) {
    case FillKind::z1: return z1_of<T, last>(static_cast<std::size_t>(f.count));
    case FillKind::z2: return z2_of<T, last>(static_cast<std::size_t>(f.count));
    case FillKind::dec:
        // A field of one column, or one that shows leading zeros, has no
        // room for the blank or needs a zero there.
        if (f.len != 0 && f.num.width >= 2)
            return dec_pair_fill<T, last>;
        return dec_fill<T, last>;
    case FillKind::hex: return hex_fill<T, last>;
    default: return f.len == 1 ? char1_fill<last> : chars_fill<last>;
    }
}

} // namespace

void end_fill(char*, const Fill*) {}

FillFn copy_function(std::size_t blocks)
{
    static constexpr auto fills = copy_fills(std::make_index_sequence<copy_most>{});
    return blocks <= copy_most ? fills[blocks - 1] : copy_long_fill;
}

FillFn fill_function(FillKind kind, bool wide, const Fill& f, bool last)
{
    if (wide)
        return last ? function_of<std::int32_t, true>(kind, f) : function_of<std::int32_t, false>(kind, f);
    return last ? function_of<std::int16_t, true>(kind, f) : function_of<std::int16_t, false>(kind, f);
}

} // namespace fmtio
