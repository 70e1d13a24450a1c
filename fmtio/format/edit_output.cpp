// Formatted output: the I, Z and A edits, each laid out first and then emitted.
#include <cstdint>
#include <cstring>

#include "fmtio/compiled/field_text.h"
#include "fmtio/format/format_control.h"
#include "fmtio/format/output_record.h"
#include "fmtio/format/render.h"
#include "fmtio/compiled/short_copy.h"
#include "fmtio/units/statements.h"

namespace fmtio {

namespace {


// Op or PlanField: anything with the descriptor's kind, width and digits.
template <class D>
void edit_int(OutputRecord& out, const D& op, std::int32_t v)
{
    char digits[10];
    std::size_t nd = 0;
    for (std::uint32_t m = magnitude(v); m != 0; m /= 10)
        digits[nd++] = static_cast<char>('0' + m % 10);
    std::size_t body = nd > static_cast<std::size_t>(op.digits) ? nd : static_cast<std::size_t>(op.digits);
    std::size_t len = body + (v < 0 ? 1 : 0);
    std::size_t w = static_cast<std::size_t>(op.width);
    if (len > w) {
        out.fill('*', w);
        return;
    }
    out.blanks(w - len);
    if (len == 0)
        return;
    // Sign, leading zeros and digits go straight into the record.
    char* p = out.place(len);
    if (v < 0)
        *p++ = '-';
    for (std::size_t k = nd; k < body; ++k)
        *p++ = '0';
    for (std::size_t k = nd; k > 0; --k)
        *p++ = digits[k - 1];
}

std::uint32_t hex_bits(const Item& it)
{
    return it.kind == Item::i16 ? static_cast<std::uint16_t>(it.value) : static_cast<std::uint32_t>(it.value);
}

template <class D>
void edit_hex(OutputRecord& out, const D& op, const Item& it)
{
    std::uint32_t bits = hex_bits(it);
    // Z1, most fields of every record: the lowest digit, a zero included.
    if (op.width == 1 && op.digits == 1) {
        out.put(hex_digits[bits & 15]);
        return;
    }
    char rev[8];
    std::size_t nd = 0;
    for (; bits != 0; bits >>= 4)
        rev[nd++] = hex_digits[bits & 15];
    std::size_t m = static_cast<std::size_t>(op.digits);
    std::size_t w = static_cast<std::size_t>(op.width);
    std::size_t len = nd > m ? nd : m;
    // Too wide for the field: the low-order w digits, never asterisks.
    if (len > w)
        len = w;
    std::size_t shown = nd < len ? nd : len;
    out.blanks(w - len);
    if (len == 0)
        return;
    char* p = out.place(len);
    for (std::size_t k = shown; k < len; ++k)
        *p++ = '0';
    for (std::size_t k = shown; k > 0; --k)
        *p++ = rev[k - 1];
}

template <class D>
void edit_chars(OutputRecord& out, const D& op, const char* p, std::size_t n)
{
    std::size_t w = op.width == 0 ? n : static_cast<std::size_t>(op.width);
    if (w <= n) {
        out.text(p, w);
    } else {
        out.blanks(w - n);
        out.text(p, n);
    }
}

// An integer under A shows its bytes, lowest first, as the item is stored on
// the machine the program was written for.
std::size_t int_bytes(const Item& it, char* b)
{
    std::uint32_t v = static_cast<std::uint32_t>(it.value);
    std::size_t n = it.kind == Item::i16 ? 2 : 4;
    for (std::size_t k = 0; k < n; ++k)
        b[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    return n;
}

template <class D>
void edit(OutputRecord& out, const D& op, const Item& it, Stmt stmt, const char* name)
{
    if (it.kind == Item::chars) {
        if (op.kind != OpKind::char_edit)
            fail(Error::char_item, stmt, name);
        std::size_t n = it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0;
        edit_chars(out, op, it.text, n);
        return;
    }
    switch (op.kind) {
    case OpKind::int_edit:
        edit_int(out, op, it.value);
        break;
    case OpKind::hex_edit:
        edit_hex(out, op, it);
        break;
    case OpKind::char_edit: {
        char b[4];
        std::size_t n = int_bytes(it, b);
        edit_chars(out, op, b, n);
        break;
    }
    default:
        fail(Error::int_item, stmt, name);
    }
}

// A gap between data edits; a backslash counts only in the final scan.
void run_gap(OutputRecord& out, const Plan& pl, std::int32_t first, std::int32_t len, bool final)
{
    for (const Op *op = pl.gaps.data() + first, *end = op + len; op != end; ++op) {
        switch (op->kind) {
        case OpKind::literal: out.text(pl.pool.data() + op->pos, static_cast<std::size_t>(op->len)); break;
        case OpKind::skip: out.blanks(static_cast<std::size_t>(op->width)); break;
        case OpKind::slash: out.next_record(); break;
        case OpKind::keep_open:
            if (final)
                out.mark_open();
            break;
        default: break;
        }
    }
}

// The text of a character item, or the bytes of an integer item, under A.
std::size_t a_text(const Item& it, const char*& p, char* b)
{
    if (it.kind == Item::chars) {
        p = it.text;
        return it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0;
    }
    p = b;
    return int_bytes(it, b);
}

bool empty_text(const Item& it) { return it.kind == Item::chars && (it.len <= 0 || !it.text); }

// Item kinds as bits: or'ing the kinds of a run's I and Z items and testing
// this bit once tells whether any of them is a character item.
static_assert(Item::i32 == 0 && Item::i16 == 1 && Item::chars == 2, "kinds as bits");
constexpr unsigned chars_bit = Item::chars;

// What a fill found: the kinds of the items under I and Z, or'd, and
// whether the last item is an A field of an empty text.
constexpr unsigned ends_empty_bit = 0x100;

// Z1 field k of a step at consecutive columns from `at`.
#define FMTIO_Z1_FIELD(k)                                                                                  \
    case k + 1:                                                                                            \
        kinds |= it[k].kind;                                                                               \
        at[k] = hex_digits[it[k].value & 15];                                                              \
        [[fallthrough]]

// Each kind of step fills its c fields, into its run's template at q, out of
// line: a statement's steps are then calls from a small loop rather than one
// large body that keeps few values in registers. Each gives the kinds of the
// items under I and Z, or'd, and ends_empty_bit when it is of A fields and
// its last text is empty.

// The step's count picks where to enter: each field is then a fixed place
// and a fixed item, with no loop around them.
[[gnu::noinline]] unsigned fill_z1(char* q, const Use*, const Step& s, const Item* it, std::size_t c)
{
    char* const at = q + s.at;
    unsigned kinds = 0;
    switch (c) {
    default:
        for (std::size_t j = 12; j < c; ++j)
            kinds |= it[j].kind, at[j] = hex_digits[it[j].value & 15];
        [[fallthrough]];
    FMTIO_Z1_FIELD(11);
    FMTIO_Z1_FIELD(10);
    FMTIO_Z1_FIELD(9);
    FMTIO_Z1_FIELD(8);
    FMTIO_Z1_FIELD(7);
    FMTIO_Z1_FIELD(6);
    FMTIO_Z1_FIELD(5);
    FMTIO_Z1_FIELD(4);
    FMTIO_Z1_FIELD(3);
    FMTIO_Z1_FIELD(2);
    FMTIO_Z1_FIELD(1);
    FMTIO_Z1_FIELD(0);
    case 0:
        break;
    }
    return kinds;
}
#undef FMTIO_Z1_FIELD

[[gnu::noinline]] unsigned fill_z2(char* q, const Use*, const Step& s, const Item* it, std::size_t c)
{
    unsigned kinds = 0;
    char* at = q + s.at;
    for (const Item* const end = it + c; it != end; ++it, at += 2) {
        kinds |= it->kind;
        // The field's first column holds a blank already.
        const std::uint32_t bits = hex_bits(*it);
        if ((bits & ~15u) != 0)
            at[0] = hex_digits[bits >> 4 & 15];
        at[1] = hex_digits[bits & 15];
    }
    return kinds;
}

[[gnu::noinline]] unsigned fill_dec(char* q, const Use* uses, const Step& s, const Item* it, std::size_t c)
{
    unsigned kinds = 0;
    const Use* u = uses + s.at;
    for (const Item* const end = it + c; it != end; ++it, ++u) {
        kinds |= it->kind;
        put_dec(q + u->off, *u, it->value);
    }
    return kinds;
}

[[gnu::noinline]] unsigned fill_hex(char* q, const Use* uses, const Step& s, const Item* it, std::size_t c)
{
    unsigned kinds = 0;
    const Use* u = uses + s.at;
    for (const Item* const end = it + c; it != end; ++it, ++u) {
        kinds |= it->kind;
        put_hex(q + u->off, static_cast<std::size_t>(u->width), static_cast<std::size_t>(u->digits), hex_bits(*it));
    }
    return kinds;
}

// A fields from item `it` on, with the use of each: the first w characters,
// or all of them at the right.
[[gnu::noinline]] unsigned fill_texts(char* q, const Use* u, const Item* it, const Item* end)
{
    bool ends_empty = false;
    for (; it != end; ++it, ++u) {
        char* at = q + u->off;
        const std::size_t w = static_cast<std::size_t>(u->width);
        char b[4];
        const char* t;
        std::size_t n = a_text(*it, t, b);
        if (n >= w)
            std::memcpy(at, t, w);
        else if (n > 0)
            std::memcpy(at + (w - n), t, n);
        ends_empty = n == 0;
    }
    return ends_empty ? ends_empty_bit : 0;
}

// One character of a text into A1, as a line's control character is, goes
// straight in; the first other field hands the rest of the step over.
[[gnu::noinline]] unsigned fill_chars(char* q, const Use* uses, const Step& s, const Item* it, std::size_t c)
{
    const Use* u = uses + s.at;
    for (const Item* const end = it + c; it != end; ++it, ++u) {
        if (u->width != 1 || it->kind != Item::chars || it->len <= 0 || !it->text)
            return fill_texts(q, u, it, end);
        q[u->off] = *it->text;
    }
    return 0;
}

[[gnu::noinline]] unsigned fill_zlow(char* q, const Use* uses, const Step& s, const Item* it, std::size_t c)
{
    unsigned kinds = 0;
    const Use* u = uses + s.at;
    for (const Item* const end = it + c; it != end; ++it, ++u) {
        kinds |= it->kind;
        char* at = q + u->off;
        const std::uint32_t bits = hex_bits(*it);
        if (u->width == 2) {
            // The field's first column holds a blank already.
            if ((bits & ~15u) != 0)
                at[0] = hex_digits[bits >> 4 & 15];
            ++at;
        }
        *at = hex_digits[bits & 15];
    }
    return kinds;
}

using Filler = unsigned (*)(char*, const Use*, const Step&, const Item*, std::size_t);
// By SlotKind.
constexpr Filler fillers[] = {fill_z1, fill_z2, fill_dec, fill_hex, fill_chars, fill_zlow};
static_assert(static_cast<int>(SlotKind::z1) == 0 && static_cast<int>(SlotKind::z2) == 1 &&
                  static_cast<int>(SlotKind::dec) == 2 && static_cast<int>(SlotKind::hex) == 3 &&
                  static_cast<int>(SlotKind::chars) == 4 && static_cast<int>(SlotKind::zlow) == 5,
              "fillers by kind");

// The c fields of one step; it advances past their items.
[[gnu::always_inline]] inline void fill_step(char* q, const Use* uses, const Step& s, const Item*& it, std::size_t c,
                                             unsigned& kinds, bool& ends_empty)
{
    const unsigned r = fillers[static_cast<std::size_t>(s.kind)](q, uses, s, it, c);
    it += c;
    kinds |= r;
    ends_empty = (r & ends_empty_bit) != 0;
}

// The fields of a run's first m items (m at least 1), into its template at q.
[[gnu::always_inline]] inline unsigned fill_steps(char* q, const Use* uses, const Step* s, const Item* it, std::size_t m)
{
    unsigned kinds = 0;
    bool ends_empty;
    do {
        const std::size_t c = static_cast<std::size_t>(s->count) < m ? static_cast<std::size_t>(s->count) : m;
        m -= c;
        fill_step(q, uses, *s, it, c, kinds, ends_empty);
        ++s;
    } while (m > 0);
    return kinds | (ends_empty ? ends_empty_bit : 0);
}

// The fields of a run's first m items, into its template at q. A character
// item under I or Z fails once the fields are filled, before the record is
// handed on. True when the last of them is an A field of an empty text.
[[gnu::always_inline]] inline bool fill_slots(char* q, const Plan& pl, const Piece& pc, const Item* it,
                                              std::size_t m, Stmt stmt, const char* name)
{
    if (m == 0)
        return false;
    const unsigned found = fill_steps(q, pl.uses.data(), pl.steps.data() + pc.step, it, m);
    if (found & chars_bit)
        fail(Error::char_item, stmt, name);
    return (found & ends_empty_bit) != 0;
}

// The fields of a one-run format's first items, as far as x says, each
// step whole: the same result as fill_slots with those items.
[[gnu::always_inline]] inline bool fill_prefix(char* q, const Plan& pl, const Prefix& x, const Item* it, Stmt stmt,
                                               const char* name)
{
    unsigned kinds = 0;
    bool ends_empty = false;
    const Use* const uses = pl.uses.data();
    for (const Step *s = pl.steps.data() + pl.run.step, *end = pl.steps.data() + x.step_end; s != end; ++s)
        fill_step(q, uses, *s, it, static_cast<std::size_t>(s->count), kinds, ends_empty);
    if (kinds & chars_bit)
        fail(Error::char_item, stmt, name);
    return x.ends_chars && ends_empty;
}

// A character item under I or Z fails before anything of the run is written.
void check_items(const Plan& pl, const Piece& pc, const Item* it, std::size_t m, Stmt stmt, const char* name)
{
    const Use* u = pl.uses.data() + pc.use;
    for (const Item* end = it + m; it != end; ++it, ++u)
        if (it->kind == Item::chars && u->kind != SlotKind::chars)
            fail(Error::char_item, stmt, name);
}

// How much of a run's first `len` characters, its first m fields filled,
// is text: the blanks of A fields of empty texts at its end, and of the
// skips before them, are only pending.
std::size_t written_len(const Plan& pl, const Piece& pc, const Item* it, std::size_t m, std::size_t len)
{
    const Use* u = pl.uses.data() + pc.use;
    for (std::size_t k = m; k > 0; --k) {
        const Use& v = u[k - 1];
        if (len != static_cast<std::size_t>(v.off + v.width) || v.kind != SlotKind::chars || !empty_text(it[k - 1]))
            break;
        len = static_cast<std::size_t>(v.cut);
    }
    return len;
}

std::size_t run_len(const Plan& pl, const Piece& pc, std::size_t m)
{
    return m < static_cast<std::size_t>(pc.items) ? static_cast<std::size_t>(pl.uses[static_cast<std::size_t>(pc.use) + m].cut)
                                                  : static_cast<std::size_t>(pc.text_len);
}

// A run's template with its first m fields filled in; when m is short of
// the run, the final scan stops at use m and the template is cut there.
void write_run(OutputRecord& out, const Plan& pl, const Piece& pc, const Item* it, std::size_t m, Stmt stmt,
               const char* name)
{
    std::size_t len = run_len(pl, pc, m);
    if (len == 0)
        return;
    // Placing the run writes the blanks pending before it; when none of the
    // run turns out to be text, they are pending again, as the walk leaves them.
    const std::size_t pending = out.pending();
    char* q = out.place(len);
    std::memcpy(q, pl.pool.data() + pc.text, len);
    if (fill_slots(q, pl, pc, it, m, stmt, name)) {
        const std::size_t kept = written_len(pl, pc, it, m, len);
        out.unwrite_blanks(len - kept + (kept == 0 ? pending : 0));
    }
}

// The format's passes as laid out: the first from the start, then one from
// the reversion point for as long as items are left; the statement's last
// record is left to the caller to end.
void render_planned(const Plan& pl, const Item* items, std::size_t n, OutputRecord& out, Stmt stmt,
                    const char* name)
{
    const Pass* pass = &pl.first;
    std::size_t k = 0;
    for (;;) {
        const Piece* pc = pl.pieces.data() + pass->piece;
        for (const Piece* end = pc + pass->pieces; pc != end; ++pc) {
            std::size_t left = n - k;
            if (pc->gap_len > 0)
                run_gap(out, pl, pc->gap, pc->gap_len, left == 0);
            std::size_t m = left < static_cast<std::size_t>(pc->items) ? left : static_cast<std::size_t>(pc->items);
            if (pc->run) {
                write_run(out, pl, *pc, items + k, m, stmt, name);
            } else {
                const PlanField& f = pl.fields[static_cast<std::size_t>(pc->field)];
                for (std::size_t j = 0; j < m; ++j)
                    edit(out, f, items[k + j], stmt, name);
            }
            k += m;
            if (m < static_cast<std::size_t>(pc->items))
                return;
        }
        if (pass->tail_len > 0)
            run_gap(out, pl, pass->tail, pass->tail_len, k == n);
        if (k == n)
            return;
        // Without a data descriptor after the reversion point, the items
        // left over would send the scan round for ever.
        if (!pl.reverts_to_data)
            fail(Error::fmt_no_data_descriptor, stmt, name);
        out.next_record();
        pass = &pl.again;
    }
}

// Whether n items fill the whole template of a one-run format and an internal
// write can take it into a variable of `room` characters by two overlapping
// moves of 8: from 8 to 16 characters, the template no longer than that.
bool short_whole(const Plan* pl, std::size_t n, std::size_t room)
{
    return pl && n > 0 && n + 1 == pl->prefixes.size() && room >= 8 && room <= static_cast<std::size_t>(blanks_after) &&
           static_cast<std::size_t>(pl->run.text_len) <= room;
}

// The template of a short_whole write and the blanks after it, into var.
void copy_padded(char* var, std::size_t room, const char* padded)
{
    std::memcpy(var, padded, 8);
    std::memcpy(var + room - 8, padded + room - 8, 8);
}

// What the fast ways of render and render_in_place leave: kept out of line,
// so that the statements that inline those stay small.
[[gnu::noinline]] void render_rest(const Format& f, const Plan* pl, const Item* items, std::size_t n,
                                   RecordSink& sink, Stmt stmt, const char* name)
{
    if (!pl) {
        render_stepwise(f, items, n, sink, stmt, name);
        return;
    }
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, stmt, name);
    const Piece* first = pl->one_run ? &pl->run : nullptr;
    if (first && n <= static_cast<std::size_t>(first->items)) {
        // One record, the run's template: a backslash counts in the final
        // scan, before the run with no items, after it with all of them.
        const bool open = (n == 0 && pl->open_first) || (n == static_cast<std::size_t>(first->items) && pl->open_tail);
        const std::size_t len = run_len(*pl, *first, n);
        if (char* q = sink.room(len)) {
            // Built where the sink keeps it: no record to copy there after.
            std::size_t kept = len;
            if (len > 0) {
                std::memcpy(q, pl->pool.data() + first->text, len);
                if (fill_slots(q, *pl, *first, items, n, stmt, name))
                    kept = written_len(*pl, *first, items, n, len);
            }
            sink.commit(kept, open);
            return;
        }
        OutputRecord out(sink);
        write_run(out, *pl, *first, items, n, stmt, name);
        if (open)
            out.mark_open();
        out.finish();
        return;
    }
    OutputRecord out(sink);
    render_planned(*pl, items, n, out, stmt, name);
    out.finish();
}

[[gnu::noinline]] bool render_in_place_rest(const Plan* pl, const Item* items, std::size_t n, char* var,
                                            std::size_t room, Stmt stmt, const char* name)
{
    if (!pl || !pl->one_run)
        return false;
    const Piece& pc = pl->run;
    if (n > static_cast<std::size_t>(pc.items))
        return false;
    std::size_t len = run_len(*pl, pc, n);
    if (len > room) {
        // A character item under I or Z fails first, as it would in the walk.
        check_items(*pl, pc, items, n, stmt, name);
        // Blanks that end up pending fit any variable; the walk sorts them out.
        if (written_len(*pl, pc, items, n, len) <= room)
            return false;
        fail(Error::internal_overflow, stmt, name);
    }
    if (n == static_cast<std::size_t>(pc.items) && room <= static_cast<std::size_t>(blanks_after)) {
        // The whole template and the blanks after it in one copy.
        short_copy(var, pl->pool.data() + pl->padded, room);
    } else {
        if (len > 0)
            std::memcpy(var, pl->pool.data() + pc.text, len);
        if (room > len)
            std::memset(var + len, ' ', room - len);
    }
    // A character item under I or Z fails here, with the variable half
    // written: the run ends with it.
    fill_slots(var, *pl, pc, items, n, stmt, name);
    return true;
}

} // namespace

void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name)
{
    const Plan* pl = f.plan();
    if (pl && n < pl->prefixes.size() && pl->prefixes[n].step_end >= 0) {
        // A one-run format's items ending a step, as most statements' do:
        // its template filled in, where the sink keeps it when it can.
        const Prefix& x = pl->prefixes[n];
        const std::size_t len = static_cast<std::size_t>(x.len);
        if (char* q = sink.room(len)) {
            std::memcpy(q, pl->pool.data() + pl->run.text, len);
            const std::size_t kept = fill_prefix(q, *pl, x, items, stmt, name) ? written_len(*pl, pl->run, items, n, len) : len;
            sink.commit(kept, x.open);
            return;
        }
    }
    render_rest(f, pl, items, n, sink, stmt, name);
}

bool render_in_place(const Format& f, const Item* items, std::size_t n, char* var, std::size_t room,
                     Stmt stmt, const char* name)
{
    const Plan* pl = f.plan();
    if (short_whole(pl, n, room)) {
        // Every item, into a short variable that holds the whole template.
        copy_padded(var, room, pl->pool.data() + pl->padded);
        fill_prefix(var, *pl, pl->prefixes[n], items, stmt, name);
        return true;
    }
    return render_in_place_rest(pl, items, n, var, room, stmt, name);
}

void render_stepwise(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
                     const char* name)
{
    if (!f.ok())
        fail(f.error(), stmt, name);
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, stmt, name);
    OutputRecord out(sink);
    FormatControl<OutputRecord> control(f, out, stmt, name);
    for (std::size_t k = 0; k < n; ++k)
        edit(out, *control.next(true), items[k], stmt, name);
    control.next(false);
    out.finish();
}

} // namespace fmtio
