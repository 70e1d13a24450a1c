#include "fmtio/bound_fill.h"

#include <array>
#include <cstring>
#include <utility>

#include "fmtio/field_text.h"

namespace fmtio {

namespace {

// A Z1 field of a run at consecutive columns from `at`, its value the k-th
// of consecutive variables from `var`. The code of a run of up to
// Fill::z1_most fields tells its count, so that the run enters at its first
// field and each field is a fixed place and a fixed variable.
#define FMTIO_Z1_FIELD(base, T, k)                                                                          \
    case base + k + 1:                                                                                     \
        at[k] = hex_digits[static_cast<const T*>(var)[k] & 15];                                            \
        [[fallthrough]]
#define FMTIO_Z1_RUN(base, T)                                                                               \
    FMTIO_Z1_FIELD(base, T, 11);                                                                           \
    FMTIO_Z1_FIELD(base, T, 10);                                                                           \
    FMTIO_Z1_FIELD(base, T, 9);                                                                            \
    FMTIO_Z1_FIELD(base, T, 8);                                                                            \
    FMTIO_Z1_FIELD(base, T, 7);                                                                            \
    FMTIO_Z1_FIELD(base, T, 6);                                                                            \
    FMTIO_Z1_FIELD(base, T, 5);                                                                            \
    FMTIO_Z1_FIELD(base, T, 4);                                                                            \
    FMTIO_Z1_FIELD(base, T, 3);                                                                            \
    FMTIO_Z1_FIELD(base, T, 2);                                                                            \
    FMTIO_Z1_FIELD(base, T, 1);                                                                            \
    case base + 1:                                                                                         \
        at[0] = hex_digits[static_cast<const T*>(var)[0] & 15]
static_assert(Fill::z1_most == 12, "a case for each field of a run");

template <class T>
void z1_long_run(char* at, const T* v, std::size_t c)
{
    for (std::size_t k = 0; k < c; ++k)
        at[k] = hex_digits[v[k] & 15];
}

// Z2 fields the same way; a field's first column holds a blank already,
// which stays for a value below 16. A 16-bit value widened keeps its sign,
// and so shows the same two digits.
template <class T>
inline void z2_run(char* at, const T* v, std::size_t c)
{
    for (const T* const end = v + c; v != end; ++v, at += 2) {
        const std::uint32_t bits = static_cast<std::uint32_t>(*v);
        if ((bits & ~15u) != 0)
            at[0] = hex_digits[bits >> 4 & 15];
        at[1] = hex_digits[bits & 15];
    }
}

// One fill, of the code given: each code's own function passes its code as
// a constant, and the switch folds away.
[[gnu::always_inline]] inline void fill_by_code(char* q, const Fill& f, const Use* uses, unsigned code)
{
    char* const at = q + f.col;
    const void* const var = f.var;
    switch (code) {
    FMTIO_Z1_RUN(Fill::z1, std::int32_t);
        break;
    FMTIO_Z1_RUN(Fill::z1_16, std::int16_t);
        break;
    case Fill::z1_more:
        z1_long_run(at, static_cast<const std::int32_t*>(var), f.count);
        break;
    case Fill::z1_more_16:
        z1_long_run(at, static_cast<const std::int16_t*>(var), f.count);
        break;
    case Fill::z2:
        z2_run(at, static_cast<const std::int32_t*>(var), f.count);
        break;
    case Fill::z2_16:
        z2_run(at, static_cast<const std::int16_t*>(var), f.count);
        break;
    case Fill::dec:
        put_dec(at, uses[f.arg], *static_cast<const std::int32_t*>(var));
        break;
    case Fill::dec_16:
        put_dec(at, uses[f.arg], *static_cast<const std::int16_t*>(var));
        break;
    case Fill::hex:
    case Fill::hex_16: {
        const Use& u = uses[f.arg];
        const std::uint32_t bits = code == Fill::hex ? *static_cast<const std::uint32_t*>(var)
                                                     : *static_cast<const std::uint16_t*>(var);
        put_hex(at, static_cast<std::size_t>(u.width), static_cast<std::size_t>(u.digits), bits);
        break;
    }
    case Fill::char1:
        *at = *static_cast<const char*>(var);
        break;
    case Fill::chars:
        std::memcpy(at, var, static_cast<std::size_t>(f.arg));
        break;
    default:
        __builtin_unreachable();
    }
}

template <unsigned code>
void fill_one(char* q, const Fill& f, const Use* uses)
{
    fill_by_code(q, f, uses, code);
}

using OneFill = void (*)(char*, const Fill&, const Use*);

template <std::size_t... code>
constexpr std::array<OneFill, sizeof...(code)> one_fills(std::index_sequence<code...>)
{
    return {fill_one<code>...};
}

// By code: a statement of one fill calls its own straight.
constexpr auto by_code = one_fills(std::make_index_sequence<Fill::codes>{});

} // namespace

bool BoundFill::prepare(const Format& f, const Bound* items, std::size_t n)
{
    fills_.clear();
    const Plan* pl = f.plan();
    if (!pl || n == 0 || n >= pl->prefixes.size() || pl->prefixes[n].step_end < 0)
        return false;
    const Prefix& x = pl->prefixes[n];
    const Use* uses = pl->uses.data() + pl->run.use;
    std::vector<Fill> out;
    for (std::size_t k = 0; k < n; ++k) {
        const Use& u = uses[k];
        const Bound& b = items[k];
        const bool wide = b.kind == Item::i32;
        Fill fl{};
        fl.col = static_cast<std::int16_t>(u.off);
        fl.var = b.var;
        if (u.kind == SlotKind::chars) {
            // An integer under A shows its bytes: the general way does that.
            if (b.kind != Item::chars)
                return false;
            const std::size_t len = b.var ? static_cast<std::size_t>(b.len) : 0;
            const std::size_t w = static_cast<std::size_t>(u.width);
            if (len == 0) {
                // Its blanks are only pending when nothing follows them.
                if (k + 1 == n)
                    return false;
                continue;
            }
            // The first w characters, or all of them at the right.
            const std::size_t m = len < w ? len : w;
            fl.code = m == 1 ? Fill::char1 : Fill::chars;
            fl.col = static_cast<std::int16_t>(u.off + static_cast<std::int32_t>(w - m));
            fl.arg = static_cast<std::int32_t>(m);
        } else {
            if (b.kind == Item::chars || !b.var)
                return false;
            switch (u.kind) {
            case SlotKind::z1: fl.code = wide ? Fill::z1_more : Fill::z1_more_16; break;
            case SlotKind::z2: fl.code = wide ? Fill::z2 : Fill::z2_16; break;
            case SlotKind::dec: fl.code = wide ? Fill::dec : Fill::dec_16; break;
            default: fl.code = wide ? Fill::hex : Fill::hex_16; break;
            }
            fl.arg = pl->run.use + static_cast<std::int32_t>(k);
            fl.count = 1;
            if (fl.code == Fill::z1_more || fl.code == Fill::z2 || fl.code == Fill::z1_more_16 || fl.code == Fill::z2_16) {
                // The next field of a run of the same fields and variables
                // joins it.
                const std::size_t size = wide ? 4 : 2;
                const std::int32_t width = u.width;
                if (!out.empty()) {
                    Fill& last = out.back();
                    if (last.code == fl.code && last.count < 255 && last.col + last.count * width == u.off &&
                        static_cast<const char*>(last.var) + last.count * size == static_cast<const char*>(b.var)) {
                        ++last.count;
                        continue;
                    }
                }
            }
        }
        out.push_back(fl);
    }
    if (out.empty())
        return false;
    // Runs of Z1 fields short enough say their count by their code.
    for (Fill& fl : out) {
        if ((fl.code == Fill::z1_more || fl.code == Fill::z1_more_16) && fl.count <= Fill::z1_most)
            fl.code = static_cast<std::uint8_t>((fl.code == Fill::z1_more ? Fill::z1 : Fill::z1_16) + fl.count);
    }
    fills_ = std::move(out);
    uses_ = pl->uses.data();
    text_ = pl->pool.data() + pl->run.text;
    padded_ = pl->pool.data() + pl->padded;
    len_ = static_cast<std::size_t>(x.len);
    template_len_ = static_cast<std::size_t>(pl->run.text_len);
    open_ = x.open;
    whole_ = n == static_cast<std::size_t>(pl->run.items);
    one_ = fills_.size() == 1 ? by_code[fills_[0].code] : nullptr;
    first_ = fills_[0];
    return true;
}

void BoundFill::fill_all(char* q) const
{
    const Fill* f = fills_.data();
    const Fill* const end = f + fills_.size();
    do
        fill_by_code(q, *f, uses_, f->code);
    while (++f != end);
}

#undef FMTIO_Z1_FIELD
#undef FMTIO_Z1_RUN

} // namespace fmtio
