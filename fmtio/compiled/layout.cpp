// Lays a bound statement's one record out by walking its format once, as the walk renders it.
#include "fmtio/compiled/layout.h"

#include "fmtio/format/field_text.h"
#include "fmtio/format/format_control.h"

namespace fmtio {

namespace {

// The record the walk would build, kept as text and columns rather than
// handed on: one pass, one record.
struct LayoutRecord {
    static constexpr bool reverts = false;

    std::string& rec;
    std::size_t pending = 0;
    bool open = false;
    bool broken = false;  // a second record, or a record too long

    void text(const char* p, std::size_t n)
    {
        if (n > 0 && fits(n)) {
            write_pending();
            rec.append(p, n);
        }
    }
    void blanks(std::size_t n) { pending += n; }
    void next_record() { broken = true; }
    void mark_open() { open = true; }

    // The column where n characters (n > 0) go, blank for now; the pending
    // blanks before them are written, as text after them writes them.
    std::int32_t place(std::size_t n)
    {
        if (!fits(n))
            return 0;
        write_pending();
        const std::size_t col = rec.size();
        rec.append(n, ' ');
        return static_cast<std::int32_t>(col);
    }

    bool fits(std::size_t n)
    {
        if (pending > max_laid_out || rec.size() + pending + n > max_laid_out)
            broken = true;
        return !broken;
    }
    void write_pending()
    {
        rec.append(pending, ' ');
        pending = 0;
    }
};

} // namespace

bool lay_out(const Format& f, const Bound* items, std::size_t n, LaidOut& out)
{
    out = LaidOut{};
    if (!f.ok() || n == 0)
        return false;
    LayoutRecord rec{out.text};
    FormatControl<LayoutRecord> control(f, rec, Stmt::write, "");
    for (std::size_t k = 0; k < n; ++k) {
        const Op* op = control.next(true);
        if (!op || rec.broken)
            return false;
        const Bound& b = items[k];
        Column c{op, 0, 0};
        if (b.kind == Item::chars) {
            if (op->kind != OpKind::char_edit)
                return false;
            const CharField a = char_field(static_cast<std::size_t>(op->width), b.var ? static_cast<std::size_t>(b.len) : 0);
            rec.blanks(a.lead);
            c.count = static_cast<std::int32_t>(a.count);
            if (a.count > 0)
                c.col = rec.place(a.count);
        } else {
            // An integer under A shows its bytes, which the walk writes.
            if (!b.var || op->kind == OpKind::char_edit || op->digits < 1)
                return false;
            c.count = op->width;
            c.col = rec.place(static_cast<std::size_t>(op->width));
        }
        if (rec.broken)
            return false;
        out.columns.push_back(c);
    }
    control.next(false);
    out.open = rec.open;
    return !rec.broken;
}

} // namespace fmtio
