// Lays a compiled format out ahead: the walk every statement would make, done once.
#include "fmtio/compiled/plan.h"

namespace fmtio {

namespace {

// Bounds on a plan; a format beyond them is walked op by op instead. The
// program's longest format unrolls to 89 edits and 40 literals and skips.
constexpr std::size_t max_events = 4096;
constexpr std::size_t max_pool = 16384;
constexpr int max_depth = 16;

// Below what magnitude an Iw.m field shows a value, `sign` columns going to
// its sign: the digits, never fewer than m, fit the rest.
std::uint32_t dec_fits(std::int32_t w, std::int32_t m, std::int32_t sign)
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

bool is_data(OpKind k) { return k == OpKind::int_edit || k == OpKind::hex_edit || k == OpKind::char_edit; }

// Every op the walker carries out, in order, from the start of the format
// to its end, each data edit once per use; and the first of them that the
// walk makes at the reversion point.
bool unroll(const std::vector<Op>& ops, int reversion, std::vector<int>& events, std::size_t& again)
{
    struct Frame {
        int open;
        int left;
    } stack[max_depth];
    int depth = 0;
    bool seen = false;
    for (int pos = 0;;) {
        if (pos == reversion && depth == 0 && !seen) {
            again = events.size();
            seen = true;
        }
        const Op& op = ops[static_cast<std::size_t>(pos)];
        switch (op.kind) {
        case OpKind::group_open:
            if (depth == max_depth)
                return false;
            stack[depth++] = Frame{pos, op.repeat};
            ++pos;
            break;
        case OpKind::group_close:
            if (--stack[depth - 1].left > 0) {
                pos = stack[depth - 1].open + 1;
            } else {
                --depth;
                ++pos;
            }
            break;
        case OpKind::end:
            return seen;
        default:
            for (int r = is_data(op.kind) ? op.repeat : 1; r > 0; --r) {
                if (events.size() == max_events)
                    return false;
                events.push_back(pos);
            }
            ++pos;
            break;
        }
    }
}

// A run of events: the gap ops between two data edits.
struct Span {
    const int* from;
    const int* to;
    const int* begin() const { return from; }
    const int* end() const { return to; }
    bool empty() const { return from == to; }
};

// The text and skips between two slashes, as they leave the record: the
// characters written (blanks between literals included, and the leading
// skips when a literal follows them) and the blanks still pending after them.
struct Segment {
    std::string text;
    std::int32_t trail = 0;
    bool open = false;  // a backslash among them
};

struct Builder {
    const std::vector<Op>& ops;
    const char* src;  // the format's literal pool
    Plan& plan;
    bool too_big = false;  // a text longer than any plan takes

    // Splits a gap (op indices) at its slashes.
    std::vector<Segment> segments(Span gap)
    {
        std::vector<Segment> segs(1);
        for (int k : gap) {
            const Op& op = ops[static_cast<std::size_t>(k)];
            Segment& s = segs.back();
            switch (op.kind) {
            case OpKind::literal:
                if (op.len > 0) {
                    // Text no plan would take is not built at all.
                    if (s.text.size() + static_cast<std::size_t>(s.trail) + static_cast<std::size_t>(op.len) > max_pool) {
                        too_big = true;
                        return segs;
                    }
                    s.text.append(static_cast<std::size_t>(s.trail), ' ');
                    s.text.append(src + op.pos, static_cast<std::size_t>(op.len));
                    s.trail = 0;
                }
                break;
            case OpKind::skip: s.trail += op.width; break;
            case OpKind::keep_open: s.open = true; break;
            case OpKind::slash: segs.emplace_back(); break;
            default: break;
            }
        }
        return segs;
    }

    static bool simple(const std::vector<Segment>& segs) { return segs.size() == 1 && !segs[0].open; }

    void emit(const Segment& s)
    {
        if (!s.text.empty()) {
            Op op{OpKind::literal};
            op.pos = static_cast<std::int32_t>(plan.pool.size());
            op.len = static_cast<std::int32_t>(s.text.size());
            plan.pool += s.text;
            plan.gaps.push_back(op);
        }
        if (s.trail > 0) {
            Op op{OpKind::skip};
            op.width = s.trail;
            plan.gaps.push_back(op);
        }
        if (s.open)
            plan.gaps.push_back(Op{OpKind::keep_open});
    }

    // Gap ops for the segments [0, last), each ended by its slash; and, when
    // `whole`, the last one too. Returns the first op's index.
    std::int32_t program(const std::vector<Segment>& segs, bool whole, std::int32_t& len)
    {
        std::int32_t first = static_cast<std::int32_t>(plan.gaps.size());
        for (std::size_t k = 0; k + 1 < segs.size(); ++k) {
            emit(segs[k]);
            plan.gaps.push_back(Op{OpKind::slash});
        }
        if (whole)
            emit(segs.back());
        else if (segs.back().open)
            plan.gaps.push_back(Op{OpKind::keep_open});
        len = static_cast<std::int32_t>(plan.gaps.size()) - first;
        return first;
    }

    // What a gap does to an input position: literals and skips step over
    // characters, a slash moves to the end of the record.
    void input(Span gap, std::int32_t& skip, std::int32_t& after, bool& slash) const
    {
        skip = after = 0;
        slash = false;
        for (int k : gap) {
            const Op& op = ops[static_cast<std::size_t>(k)];
            std::int32_t n = op.kind == OpKind::literal ? op.len : op.kind == OpKind::skip ? op.width : 0;
            if (op.kind == OpKind::slash)
                slash = true;
            (slash ? after : skip) += n;
        }
    }

    // The gap ops of a pass's tail when the text of its first record is
    // already the end of the last run's template: the backslash, then each
    // later record.
    std::int32_t program_after_run(const std::vector<Segment>& segs, std::int32_t& len)
    {
        std::int32_t first = static_cast<std::int32_t>(plan.gaps.size());
        if (segs[0].open)
            plan.gaps.push_back(Op{OpKind::keep_open});
        for (std::size_t k = 1; k < segs.size(); ++k) {
            plan.gaps.push_back(Op{OpKind::slash});
            emit(segs[k]);
        }
        len = static_cast<std::int32_t>(plan.gaps.size()) - first;
        return first;
    }

    static SlotKind slot_kind(const PlanField& f)
    {
        if (f.kind == OpKind::int_edit)
            return SlotKind::dec;
        if (f.kind == OpKind::char_edit)
            return SlotKind::chars;
        if (f.digits == 1 && (f.width == 1 || f.width == 2))
            return f.width == 1 ? SlotKind::z1 : SlotKind::z2;
        return SlotKind::hex;
    }

    // A run's uses as steps: like kinds in a row, and Z1 and Z2 fields in
    // consecutive columns.
    void steps(Piece& pc)
    {
        pc.step = static_cast<std::int32_t>(plan.steps.size());
        for (std::int32_t k = pc.use; k < pc.use + pc.items; ++k) {
            const Use& u = plan.uses[static_cast<std::size_t>(k)];
            const bool placed = u.kind == SlotKind::z1 || u.kind == SlotKind::z2;
            if (static_cast<std::int32_t>(plan.steps.size()) > pc.step) {
                Step& s = plan.steps.back();
                if (s.kind == u.kind && (!placed || s.at + s.count * u.width == u.off)) {
                    ++s.count;
                    continue;
                }
                // Z1 beside Z2: one step that looks each field's column up.
                const bool low = s.kind == SlotKind::z1 || s.kind == SlotKind::z2;
                if (placed && (s.kind == SlotKind::zlow || (low && s.kind != u.kind))) {
                    if (s.kind != SlotKind::zlow) {
                        s.kind = SlotKind::zlow;
                        s.at = k - s.count;
                    }
                    ++s.count;
                    continue;
                }
            }
            plan.steps.push_back(Step{u.kind, 1, placed ? u.off : k});
        }
        pc.step_count = static_cast<std::int32_t>(plan.steps.size()) - pc.step;
    }

    bool pass(const std::vector<int>& events, std::size_t from, Pass& p)
    {
        // The data edits, each with the gap before it; like edits with
        // nothing between them share one field.
        struct Edit {
            PlanField f;
            Span gap;
        };
        std::vector<Edit> edits;
        edits.reserve(events.size() - from);
        const int* ev = events.data();
        std::size_t gap_from = from;
        for (std::size_t e = from; e < events.size(); ++e) {
            const Op& op = ops[static_cast<std::size_t>(events[e])];
            if (!is_data(op.kind))
                continue;
            if (gap_from == e && !edits.empty()) {
                PlanField& last = edits.back().f;
                if (last.kind == op.kind && last.width == op.width && last.digits == op.digits) {
                    ++last.count;
                    gap_from = e + 1;
                    continue;
                }
            }
            PlanField f{};
            f.kind = op.kind;
            f.width = op.width;
            f.digits = op.digits;
            f.count = 1;
            edits.push_back(Edit{f, Span{ev + gap_from, ev + e}});
            gap_from = e + 1;
        }
        const Span gap{ev + gap_from, ev + events.size()};

        p.piece = static_cast<std::int32_t>(plan.pieces.size());
        p.field = static_cast<std::int32_t>(plan.fields.size());
        for (Edit& e : edits) {
            input(e.gap, e.f.in_skip, e.f.in_after, e.f.in_slash);
            plan.fields.push_back(e.f);
        }
        p.fields = static_cast<std::int32_t>(plan.fields.size()) - p.field;
        input(gap, p.in_skip, p.in_after, p.in_slash);

        auto fixed = [](const PlanField& f) { return f.kind == OpKind::char_edit ? f.width >= 1 : f.digits >= 1; };
        for (std::size_t i = 0; i < edits.size();) {
            Piece pc{};
            std::vector<Segment> segs = segments(edits[i].gap);
            if (too_big)
                return false;
            if (!fixed(edits[i].f)) {
                // Its width waits for its item: the gap's blanks stay pending.
                pc.gap = program(segs, true, pc.gap_len);
                pc.field = p.field + static_cast<std::int32_t>(i);
                pc.items = edits[i].f.count;
                plan.pieces.push_back(pc);
                ++i;
                continue;
            }
            // A run: what the first gap writes after its last slash, and
            // everything from its first field on, is one template.
            pc.run = true;
            pc.gap = program(segs, false, pc.gap_len);
            pc.use = static_cast<std::int32_t>(plan.uses.size());
            std::string text;
            const Segment* s = &segs.back();
            std::size_t j = i;
            do {
                const PlanField& f = edits[j].f;
                if (too_big || plan.pool.size() + text.size() + s->text.size() + static_cast<std::size_t>(s->trail) +
                                   static_cast<std::size_t>(f.width) * static_cast<std::size_t>(f.count) >
                               max_pool)
                    return false;
                text += s->text;
                // Stopping at the field, the final scan drops the skips before it.
                std::int32_t cut = static_cast<std::int32_t>(text.size());
                text.append(static_cast<std::size_t>(s->trail), ' ');
                SlotKind kind = slot_kind(f);
                for (std::int32_t c = 0; c < f.count; ++c) {
                    Use u{};
                    u.kind = kind;
                    u.off = static_cast<std::int32_t>(text.size());
                    u.width = f.width;
                    u.digits = f.digits;
                    u.cut = c == 0 ? cut : u.off;
                    if (kind == SlotKind::dec) {
                        u.fits_plus = dec_fits(f.width, f.digits, 0);
                        u.fits_minus = dec_fits(f.width, f.digits, 1);
                    }
                    plan.uses.push_back(u);
                    text.append(static_cast<std::size_t>(f.width), ' ');
                }
                if (plan.pool.size() + text.size() > max_pool)
                    return false;
                pc.items += f.count;
                if (++j == edits.size() || !fixed(edits[j].f))
                    break;
                segs = segments(edits[j].gap);
                s = &segs.back();
            } while (simple(segs));
            steps(pc);
            pc.text = static_cast<std::int32_t>(plan.pool.size());
            pc.text_len = static_cast<std::int32_t>(text.size());
            plan.pool += text;
            plan.pieces.push_back(pc);
            i = j;
        }
        p.pieces = static_cast<std::int32_t>(plan.pieces.size()) - p.piece;

        std::vector<Segment> tail = segments(gap);
        if (too_big)
            return false;
        if (p.pieces > 0 && plan.pieces.back().run) {
            // The text up to the tail's first slash extends the last run's
            // template, which is the last text in the pool.
            plan.pool += tail[0].text;
            plan.pieces.back().text_len += static_cast<std::int32_t>(tail[0].text.size());
            p.tail = program_after_run(tail, p.tail_len);
        } else {
            p.tail = program(tail, true, p.tail_len);
        }
        return plan.pool.size() <= max_pool;
    }

    bool any_in(OpKind kind, std::int32_t first, std::int32_t len) const
    {
        for (std::int32_t k = first; k < first + len; ++k)
            if (plan.gaps[static_cast<std::size_t>(k)].kind == kind)
                return true;
        return false;
    }
};

} // namespace

bool make_plan(const std::vector<Op>& ops, const char* pool, int reversion, Plan& plan)
{
    std::vector<int> events;
    events.reserve(ops.size() * 4);
    std::size_t again = 0;
    if (ops.empty() || !unroll(ops, reversion, events, again))
        return false;
    Builder b{ops, pool, plan};

    if (!b.pass(events, 0, plan.first) || !b.pass(events, again, plan.again))
        return false;
    // Items left over after a pass go round again only if the reversion
    // point has a data edit after it to take them.
    plan.reverts_to_data = plan.again.fields > 0;
    const Pass& p = plan.first;
    if (p.fields > 0) {
        const PlanField& f = plan.fields[static_cast<std::size_t>(p.field)];
        plan.first_take = f.in_skip == 0 && !f.in_slash ? f.count : 0;
    }
    if (p.pieces == 1) {
        const Piece& pc = plan.pieces[static_cast<std::size_t>(p.piece)];
        plan.one_run = pc.run && !b.any_in(OpKind::slash, pc.gap, pc.gap_len) &&
                       !b.any_in(OpKind::slash, p.tail, p.tail_len);
        if (plan.one_run) {
            plan.run = pc;
            plan.open_first = b.any_in(OpKind::keep_open, pc.gap, pc.gap_len);
            plan.open_tail = b.any_in(OpKind::keep_open, p.tail, p.tail_len);
            plan.prefixes.assign(static_cast<std::size_t>(pc.items) + 1, Prefix{-1, 0, false, false});
            std::int32_t n = 0;
            for (std::int32_t k = pc.step; k < pc.step + pc.step_count; ++k) {
                n += plan.steps[static_cast<std::size_t>(k)].count;
                Prefix& x = plan.prefixes[static_cast<std::size_t>(n)];
                x.step_end = k + 1;
                x.len = n < pc.items ? plan.uses[static_cast<std::size_t>(pc.use + n)].cut : pc.text_len;
                x.open = n == pc.items && plan.open_tail;
                x.ends_chars = plan.uses[static_cast<std::size_t>(pc.use + n - 1)].kind == SlotKind::chars;
            }
            plan.padded = static_cast<std::int32_t>(plan.pool.size());
            plan.pool.append(plan.pool, static_cast<std::size_t>(pc.text), static_cast<std::size_t>(pc.text_len));
            plan.pool.append(static_cast<std::size_t>(blanks_after), ' ');
        }
    }
    return true;
}

} // namespace fmtio
