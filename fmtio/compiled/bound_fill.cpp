// Fills for items bound to variables: a small function for each kind and count of field, chained by jumps.
#include "fmtio/compiled/bound_fill.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "fmtio/compiled/field_text.h"

namespace fmtio {

namespace {

using FillFn = void (*)(char* q, const Fill* f);

// Each fill but the last ends by going on to the next one: a jump, not a
// call, so that no fill keeps anything for later. The last one returns.
template <bool last>
[[gnu::always_inline]] inline void next(char* q, const Fill* f)
{
    if constexpr (!last)
        return f[1].fn(q, f + 1);
}

void end_fill(char*, const Fill*) {}

// The template, in blocks of 16 bytes: a known count of fixed moves.
constexpr std::size_t block = 16;
constexpr std::size_t copy_most = 8;

template <std::size_t blocks>
void copy_fill(char* q, const Fill* f)
{
    const char* const t = static_cast<const char*>(f->var);
    for (std::size_t k = 0; k < blocks; ++k)
        std::memcpy(q + k * block, t + k * block, block);
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

FillFn copy_of(std::size_t blocks)
{
    static constexpr auto fills = copy_fills(std::make_index_sequence<copy_most>{});
    return blocks <= copy_most ? fills[blocks - 1] : copy_long_fill;
}

#if defined(__SSE2__)
// Bytes of 0..15 as their hexadecimal digits: 10..15 moved on to the letters.
inline __m128i hex_text(__m128i d)
{
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(d, _mm_set1_epi8(9)), _mm_set1_epi8('A' - '9' - 1));
    return _mm_add_epi8(_mm_add_epi8(d, _mm_set1_epi8('0')), letters);
}
#endif

// A run of c Z1 fields: c is known, so each field is a fixed place and a
// fixed variable, with no loop around them.
template <class T, std::size_t c, bool last>
void z1_fill(char* q, const Fill* f)
{
    char* const at = q + f->col;
    const T* const v = static_cast<const T*>(f->var);
#if defined(__SSE2__)
    if constexpr (sizeof(T) == 4 && c >= 4 && c <= 8) {
        // The first four and the last four, which may overlap, as one vector:
        // the low nibbles narrowed to bytes, 10..15 moved on to the letters.
        const __m128i low = _mm_set1_epi32(15);
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v)), low);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + c - 4)), low);
        const __m128i d = _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_setzero_si128());
        const __m128i text = hex_text(d);
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

#if defined(__SSE2__)
// Row k: the first k bytes all ones, the rest zero.
struct alignas(16) ColumnsBefore {
    std::uint8_t bytes[16];
};
constexpr auto columns_before = [] {
    std::array<ColumnsBefore, 16> rows{};
    for (std::size_t k = 0; k < 16; ++k)
        for (std::size_t j = 0; j < k; ++j)
            rows[k].bytes[j] = 0xff;
    return rows;
}();

// Two runs of Z1 fields over consecutive 32-bit variables, c fields in all
// (8 to 12), one template column between them that stays as it is: the
// fill's shape fields, the column, the rest. The digits as one vector, those
// after the column moved one place on.
template <std::size_t c, bool last>
void z1_hole_fill(char* q, const Fill* f)
{
    static_assert(c >= 8 && c <= 12, "three vectors of four hold the values, the record's 8-byte moves the text");
    char* const at = q + f->col;
    const std::int32_t* const v = static_cast<const std::int32_t*>(f->var);
    const __m128i low = _mm_set1_epi32(15);
    const auto four = [&](std::size_t k) {
        return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v + k)), low);
    };
    // The last four, which may overlap the middle four, with what they add
    // beyond the first eight at their start.
    const __m128i tail = _mm_srli_si128(_mm_packs_epi32(four(c - 4), _mm_setzero_si128()), 2 * (12 - c));
    const __m128i d = _mm_packus_epi16(_mm_packs_epi32(four(0), four(4)), tail);
    const __m128i text = hex_text(d);
    const __m128i before = _mm_load_si128(reinterpret_cast<const __m128i*>(columns_before[f->shape].bytes));
    const __m128i out = _mm_or_si128(_mm_and_si128(before, text), _mm_andnot_si128(before, _mm_slli_si128(text, 1)));
    const char kept = at[f->shape];
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at), out);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(at + c - 7), _mm_srli_si128(out, c - 7));
    at[f->shape] = kept;
    return next<last>(q, f);
}

// A run of 2 to 4 Z1 and Z2 fields over 16-bit variables, 4 to 8 columns:
// both digits of every value at once, a Z2 field's first a blank below 16,
// then a Z1 field's first digit taken out.
template <std::size_t c, bool last>
void z16_fill(char* q, const Fill* f)
{
    static_assert(c >= 2 && c <= 4, "one 64-bit word holds the text");
    char* const at = q + f->col;
    const std::int16_t* const v = static_cast<const std::int16_t*>(f->var);
    std::int32_t first;
    std::memcpy(&first, v, 4);
    __m128i x = _mm_cvtsi32_si128(first);
    if constexpr (c >= 3)
        x = _mm_insert_epi16(x, v[2], 2);
    if constexpr (c == 4)
        x = _mm_insert_epi16(x, v[3], 3);
    const __m128i low = _mm_set1_epi16(15);
    // Each value's 16 bits as its two digits, the high one first.
    const __m128i d = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(x, 4), low), _mm_slli_epi16(_mm_and_si128(x, low), 8));
    const __m128i text = hex_text(d);
    const __m128i blank = _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(x, _mm_set1_epi16(-16)), _mm_setzero_si128()),
                                        _mm_set1_epi16(0xff));
    const __m128i shown = _mm_or_si128(_mm_andnot_si128(blank, text), _mm_and_si128(blank, _mm_set1_epi8(' ')));
    std::uint64_t u;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&u), shown);
    // Byte order aside: the first column is the word's lowest byte.
    std::size_t width = 2 * c;
    for (std::size_t k = c; k-- > 0;) {
        if (f->shape >> k & 1) {
            const std::uint64_t before = (std::uint64_t{1} << (16 * k)) - 1;
            u = (u & before) | (u >> 8 & ~before);
            --width;
        }
    }
    const std::uint32_t head = static_cast<std::uint32_t>(u);
    const std::uint32_t tail = static_cast<std::uint32_t>(u >> (8 * (width - 4)));
    std::memcpy(at, &head, 4);
    std::memcpy(at + width - 4, &tail, 4);
    return next<last>(q, f);
}
#endif

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
    put_dec(q + f->col - f->use->width, *f->use, *static_cast<const T*>(f->var));
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
    put_hex(q + f->col, static_cast<std::size_t>(f->use->width), static_cast<std::size_t>(f->use->digits),
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

#if defined(__SSE2__)
constexpr std::size_t hole_least = 8;
constexpr std::size_t hole_most = 12;

template <bool last, std::size_t... c>
constexpr std::array<FillFn, sizeof...(c)> z1_hole_fills(std::index_sequence<c...>)
{
    return {z1_hole_fill<c + hole_least, last>...};
}

template <bool last>
FillFn z1_hole_of(std::size_t c)
{
    static constexpr auto fills = z1_hole_fills<last>(std::make_index_sequence<hole_most - hole_least + 1>{});
    return fills[c - hole_least];
}

template <bool last>
FillFn z16_of(std::size_t c)
{
    static constexpr FillFn fills[] = {z16_fill<2, last>, z16_fill<3, last>, z16_fill<4, last>};
    return fills[c - 2];
}
#endif

template <class T, bool last>
FillFn z2_of(std::size_t c)
{
    static constexpr auto fills = z2_fills<T, last>(std::make_index_sequence<z2_most>{});
    return c <= z2_most ? fills[c - 1] : z2_fill<T, 0, last>;
}

// A fill as laid out, before its function is chosen.
struct Laid {
    SlotKind kind;
    bool wide;  // its variables are 32-bit
    Fill fill;
    bool mixed = false;  // Z1 and Z2 fields over 16-bit variables, by shape
};

template <bool last>
FillFn function_of(const Laid& l)
{
    const std::size_t c = static_cast<std::size_t>(l.fill.count);
    switch (l.kind) {
    case SlotKind::z1:
#if defined(__SSE2__)
        if (l.mixed)
            return z16_of<last>(c);
        if (l.fill.shape != 0)
            return z1_hole_of<last>(c);
#endif
        return l.wide ? z1_of<std::int32_t, last>(c) : z1_of<std::int16_t, last>(c);
    case SlotKind::z2:
#if defined(__SSE2__)
        if (l.mixed)
            return z16_of<last>(c);
#endif
        return l.wide ? z2_of<std::int32_t, last>(c) : z2_of<std::int16_t, last>(c);
    case SlotKind::dec:
        // A field of one column, or one that shows leading zeros, has no
        // room for the blank or needs a zero there.
        if (l.fill.len != 0 && l.fill.use->width >= 2)
            return l.wide ? dec_pair_fill<std::int32_t, last> : dec_pair_fill<std::int16_t, last>;
        return l.wide ? dec_fill<std::int32_t, last> : dec_fill<std::int16_t, last>;
    case SlotKind::hex: return l.wide ? hex_fill<std::int32_t, last> : hex_fill<std::int16_t, last>;
    default: return l.fill.len == 1 ? char1_fill<last> : chars_fill<last>;
    }
}

// One item's field, its run's template at column `base` of the record. False
// for an item that the fills do not take.
bool lay(std::vector<Laid>& laid, const Use& u, const Bound& b, std::int32_t base, bool last_item)
{
    Laid l{u.kind, b.kind == Item::i32, Fill{}};
    l.fill.col = base + u.off;
    l.fill.var = b.var;
    l.fill.count = 1;
    if (u.kind == SlotKind::chars) {
        // An integer under A shows its bytes: the general way does that.
        if (b.kind != Item::chars)
            return false;
        const std::size_t len = b.var ? static_cast<std::size_t>(b.len) : 0;
        const std::size_t w = static_cast<std::size_t>(u.width);
        // The blanks of an empty text are only pending when nothing
        // follows them; else they are the template's.
        if (len == 0)
            return !last_item;
        // The first w characters, or all of them at the right.
        const std::size_t m = len < w ? len : w;
        l.fill.col += static_cast<std::int32_t>(w - m);
        l.fill.len = static_cast<std::int32_t>(m);
        laid.push_back(l);
        return true;
    }
    if (b.kind == Item::chars || !b.var)
        return false;
    l.fill.use = &u;
    if (u.kind == SlotKind::dec) {
        l.fill.col += u.width;
        l.fill.len = static_cast<std::int32_t>(u.digits == 1 ? std::min(u.fits_plus, short_dec_below) : 0);
    }
    if ((u.kind == SlotKind::z1 || u.kind == SlotKind::z2) && !laid.empty()) {
        // The next field of a run of the same fields over the next variable
        // joins it.
        Laid& last = laid.back();
        const std::size_t size = l.wide ? 4 : 2;
        if (last.kind == l.kind && last.wide == l.wide && last.fill.col + last.fill.count * u.width == l.fill.col &&
            static_cast<const char*>(last.fill.var) + static_cast<std::size_t>(last.fill.count) * size ==
                static_cast<const char*>(b.var)) {
            ++last.fill.count;
            return true;
        }
    }
    laid.push_back(l);
    return true;
}

// Two runs of Z1 fields over consecutive 32-bit variables with one column
// between them become one fill, when one vector holds their digits: its
// shape is the first run's count.
void join_across_columns(std::vector<Laid>& laid)
{
#if defined(__SSE2__)
    for (std::size_t k = 0; k + 1 < laid.size(); ++k) {
        Fill& a = laid[k].fill;
        const Fill& b = laid[k + 1].fill;
        const auto plain_z1 = [](const Laid& l) { return l.kind == SlotKind::z1 && l.wide && l.fill.shape == 0; };
        const std::int32_t c = a.count + b.count;
        if (plain_z1(laid[k]) && plain_z1(laid[k + 1]) && b.col == a.col + a.count + 1 &&
            static_cast<const std::int32_t*>(a.var) + a.count == b.var && c >= static_cast<std::int32_t>(hole_least) &&
            c <= static_cast<std::int32_t>(hole_most)) {
            a.shape = a.count;
            a.count = c;
            laid.erase(laid.begin() + static_cast<std::ptrdiff_t>(k) + 1);
        }
    }
#else
    (void)laid;
#endif
}

// Runs of Z1 and Z2 fields over consecutive 16-bit variables in consecutive
// columns, 2 to 4 fields and 4 to 8 columns in all, become one fill that
// makes all their digits at once.
void join_sixteen_bit_runs(std::vector<Laid>& laid)
{
#if defined(__SSE2__)
    const auto hex16 = [](const Laid& l) {
        return (l.kind == SlotKind::z1 || l.kind == SlotKind::z2) && !l.wide && l.fill.shape == 0;
    };
    const auto columns = [](const Laid& l) { return l.fill.count * (l.kind == SlotKind::z1 ? 1 : 2); };
    // In place: a group of fills leaves one or all of them, never more.
    std::size_t kept = 0;
    for (std::size_t k = 0; k < laid.size();) {
        std::size_t e = k + 1;
        std::int32_t fields = laid[k].fill.count, width = columns(laid[k]);
        if (hex16(laid[k])) {
            while (e < laid.size() && hex16(laid[e]) && fields + laid[e].fill.count <= 4 &&
                   laid[e].fill.col == laid[k].fill.col + width &&
                   laid[e].fill.var == static_cast<const std::int16_t*>(laid[k].fill.var) + fields) {
                fields += laid[e].fill.count;
                width += columns(laid[e]);
                ++e;
            }
        }
        if (!hex16(laid[k]) || fields < 2 || fields > 4 || width < 4) {
            for (; k < e; ++k)
                laid[kept++] = laid[k];
            continue;
        }
        Laid run = laid[k];
        run.mixed = true;
        run.fill.count = fields;
        std::int32_t at = 0;
        for (std::size_t j = k; j < e; ++j)
            for (std::int32_t i = 0; i < laid[j].fill.count; ++i, ++at)
                if (laid[j].kind == SlotKind::z1)
                    run.fill.shape |= 1 << at;
        laid[kept++] = run;
        k = e;
    }
    laid.resize(kept);
#else
    (void)laid;
#endif
}

// What the gap ops between data edits leave in the record: literals written,
// skips pending until text follows them, the backslash in the final scan. A
// slash, which would start another record, is not taken.
bool gap(const Plan& pl, std::int32_t first, std::int32_t len, bool final, std::string& rec, std::size_t& pending,
         bool& open)
{
    for (const Op *op = pl.gaps.data() + first, *end = op + len; op != end; ++op) {
        switch (op->kind) {
        case OpKind::literal:
            rec.append(pending, ' ');
            pending = 0;
            rec.append(pl.pool, static_cast<std::size_t>(op->pos), static_cast<std::size_t>(op->len));
            break;
        case OpKind::skip: pending += static_cast<std::size_t>(op->width); break;
        case OpKind::keep_open: open = open || final; break;
        default: return false;
        }
    }
    return true;
}

// Every item of the format's first pass, its runs and its A fields without a
// width (each as wide as its text, which binding fixes), in one record: the
// record laid out here as the pass makes it.
bool lay_pass(const Plan& pl, const Bound* items, std::size_t n, std::vector<Laid>& laid, std::string& rec, bool& open)
{
    const Pass& p = pl.first;
    std::size_t pending = 0;
    std::size_t k = 0;
    for (const Piece *pc = pl.pieces.data() + p.piece, *end = pc + p.pieces; pc != end; ++pc) {
        const std::size_t m = static_cast<std::size_t>(pc->items);
        if (k + m > n || !gap(pl, pc->gap, pc->gap_len, false, rec, pending, open))
            return false;
        rec.append(pending, ' ');
        pending = 0;
        if (pc->run) {
            const std::int32_t base = static_cast<std::int32_t>(rec.size());
            rec.append(pl.pool, static_cast<std::size_t>(pc->text), static_cast<std::size_t>(pc->text_len));
            for (std::size_t j = 0; j < m; ++j)
                if (!lay(laid, pl.uses[static_cast<std::size_t>(pc->use) + j], items[k + j], base, k + j + 1 == n))
                    return false;
        } else {
            const PlanField& fd = pl.fields[static_cast<std::size_t>(pc->field)];
            if (fd.kind != OpKind::char_edit || fd.width != 0)
                return false;
            for (std::size_t j = 0; j < m; ++j) {
                const Bound& b = items[k + j];
                if (b.kind != Item::chars || !b.var || b.len <= 0)
                    return false;
                Laid l{SlotKind::chars, false, Fill{}};
                l.fill.col = static_cast<std::int32_t>(rec.size());
                l.fill.var = b.var;
                l.fill.len = b.len;
                l.fill.count = 1;
                laid.push_back(l);
                rec.append(static_cast<std::size_t>(b.len), ' ');
            }
        }
        k += m;
    }
    // The items end the pass: its tail is the final scan.
    return k == n && gap(pl, p.tail, p.tail_len, true, rec, pending, open);
}

} // namespace

bool BoundFill::prepare(const Format& f, const Bound* items, std::size_t n)
{
    *this = BoundFill();
    const Plan* pl = f.plan();
    if (!pl || n == 0)
        return false;
    std::vector<Laid> laid;
    if (n < pl->prefixes.size() && pl->prefixes[n].step_end >= 0) {
        // The first items of a one-run format: the run's template, as far as
        // they take it.
        const Prefix& x = pl->prefixes[n];
        for (std::size_t k = 0; k < n; ++k)
            if (!lay(laid, pl->uses[static_cast<std::size_t>(pl->run.use) + k], items[k], 0, k + 1 == n))
                return false;
        text_ = pl->pool.data() + pl->run.text;
        padded_ = pl->pool.data() + pl->padded;
        len_ = static_cast<std::uint32_t>(x.len);
        template_len_ = static_cast<std::size_t>(pl->run.text_len);
        open_ = x.open;
        whole_ = n == static_cast<std::size_t>(pl->run.items);
    } else if (lay_pass(*pl, items, n, laid, own_, open_)) {
        len_ = static_cast<std::uint32_t>(own_.size());
    } else {
        *this = BoundFill();
        return false;
    }
    join_across_columns(laid);
    join_sixteen_bit_runs(laid);
    const std::size_t blocks = std::max<std::size_t>(1, (len_ + block - 1) / block);
    copy_.assign(blocks * block, ' ');
    span_ = static_cast<std::uint32_t>(copy_.size());
    std::copy_n(text(), len_, copy_.begin());
    fills_.push_back(Fill{copy_of(blocks), copy_.data(), nullptr, static_cast<std::int32_t>(copy_.size()), 0, 0, 0});
    for (const Laid& l : laid) {
        fills_.push_back(l.fill);
        fills_.back().fn = &l == &laid.back() ? function_of<true>(l) : function_of<false>(l);
    }
    // Nothing to fill in: the copy goes on to a fill that does nothing.
    if (fills_.size() == 1)
        fills_.push_back(Fill{end_fill, nullptr, nullptr, 0, 0, 0, 0});
    return true;
}

} // namespace fmtio
