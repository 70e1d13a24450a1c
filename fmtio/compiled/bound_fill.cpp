// Lays a bound statement's record out and chains the fills of its fields.
#include "fmtio/compiled/bound_fill.h"

#include <algorithm>

#include "fmtio/compiled/layout.h"

namespace fmtio {

namespace {

// A fill as laid out, before its function is chosen.
struct Laid {
    FillKind kind;
    bool wide;  // its variables are 32-bit
    Fill fill;
};

FillKind kind_of(const Op& op)
{
    if (op.kind == OpKind::int_edit)
        return FillKind::dec;
    if (op.kind == OpKind::char_edit)
        return FillKind::chars;
    if (op.digits == 1 && (op.width == 1 || op.width == 2))
        return op.width == 1 ? FillKind::z1 : FillKind::z2;
    return FillKind::hex;
}

// One item's field. A text that shows nothing has no fill.
void lay(std::vector<Laid>& laid, const Column& c, const Bound& b)
{
    Laid l{kind_of(*c.op), b.kind == Item::i32, Fill{}};
    l.fill.col = c.col;
    l.fill.var = b.var;
    l.fill.count = 1;
    if (l.kind == FillKind::chars) {
        if (c.count == 0)
            return;
        l.fill.len = c.count;
        laid.push_back(l);
        return;
    }
    l.fill.num = num_field(c.op->width, c.op->digits);
    if (l.kind == FillKind::dec) {
        l.fill.col += c.op->width;
        l.fill.len = static_cast<std::int32_t>(c.op->digits == 1 ? std::min(l.fill.num.fits_plus, short_dec_below) : 0);
    }
    if ((l.kind == FillKind::z1 || l.kind == FillKind::z2) && !laid.empty()) {
        // The next field of a run of the same fields over the next variable
        // joins it.
        Laid& last = laid.back();
        const std::size_t size = l.wide ? 4 : 2;
        if (last.kind == l.kind && last.wide == l.wide && last.fill.col + last.fill.count * c.op->width == c.col &&
            static_cast<const char*>(last.fill.var) + static_cast<std::size_t>(last.fill.count) * size ==
                static_cast<const char*>(b.var)) {
            ++last.fill.count;
            return;
        }
    }
    laid.push_back(l);
}

} // namespace

bool BoundFill::prepare(const Format& f, const Bound* items, std::size_t n)
{
    *this = BoundFill();
    LaidOut out;
    if (!lay_out(f, items, n, out))
        return false;
    std::vector<Laid> laid;
    for (std::size_t k = 0; k < n; ++k)
        lay(laid, out.columns[k], items[k]);
    len_ = static_cast<std::uint32_t>(out.text.size());
    open_ = out.open;
    const std::size_t blocks = std::max<std::size_t>(1, (len_ + fill_block - 1) / fill_block);
    copy_.assign(blocks * fill_block, ' ');
    span_ = static_cast<std::uint32_t>(copy_.size());
    std::copy(out.text.begin(), out.text.end(), copy_.begin());
    Fill copy{};
    copy.fn = copy_function(blocks);
    copy.var = copy_.data();
    copy.len = static_cast<std::int32_t>(copy_.size());
    fills_.push_back(copy);
    for (const Laid& l : laid) {
        fills_.push_back(l.fill);
        fills_.back().fn = fill_function(l.kind, l.wide, l.fill, &l == &laid.back());
    }
    // Nothing to fill in: the copy goes on to a fill that does nothing.
    if (fills_.size() == 1) {
        Fill none{};
        none.fn = end_fill;
        fills_.push_back(none);
    }
    return true;
}

} // namespace fmtio
