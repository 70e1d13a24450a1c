// Formatted and list-directed statements on units.
#include "fmtio/units/statements.h"

#include "fmtio/units/console.h"
#include "fmtio/compiled/prepared_unit_write.h"
#include "fmtio/format/render.h"
#include "fmtio/units/unit_table.h"
#include "fmtio/units/units.h"

namespace fmtio {

// The table first: a console unit number may be opened on a file.
Connection& output_connection(int unit) {
    if (Connection* c = find_unit(unit)) return *c;
    if (is_console_output(unit)) return console_out();
    fail(Error::open_failed, Stmt::write, "");
}

const char* unit_name(int unit) {
    if (Connection* c = find_unit(unit)) return c->name.c_str();
    return "CON";
}

void write_formatted(int unit, const Format& f, const Item* items, std::size_t n)
{
    Connection& c = output_connection(unit);
    render(f, items, n, c, Stmt::write, c.name.c_str());
}

PreparedUnitWrite::PreparedUnitWrite(int unit, const Format& f, const Bound* items, std::size_t n)
    : unit_(unit), f_(f), items_(items, items + n), values_(n)
{
    if (fill_.prepare(f, items, n))
        record_.resize(fill_.span());
}

// The unit's connection, looked up again only when the units have changed
// since: opened, closed, or the console started afresh.
Connection& PreparedUnitWrite::connection() const
{
    if (epoch_ != connection_epoch()) {
        connection_ = &output_connection(unit_);
        epoch_ = connection_epoch();
    }
    return *connection_;
}

void PreparedUnitWrite::operator()() const
{
    Connection& c = connection();
    if (!fill_.ready()) {
        general(c);
        return;
    }
    // Built where the unit keeps its records, as render builds it. A text
    // file's connection is a Connection itself, whose own room and commit
    // are called straight.
    const bool text = c.kind == ConnKind::text;
    if (char* q = text ? c.Connection::room(fill_.span()) : c.room(fill_.span())) {
        fill_.build(q);
        if (text)
            c.Connection::commit(fill_.len(), fill_.open());
        else
            c.commit(fill_.len(), fill_.open());
        return;
    }
    handed_on(c);
}

// A record that the unit does not take where it keeps its records, as when
// the listing's buffer is full: built here and handed on, as render hands
// its record on then.
[[gnu::noinline]] void PreparedUnitWrite::handed_on(Connection& c) const
{
    fill_.build(record_.data());
    c.record(record_.data(), fill_.len(), fill_.open());
}

[[gnu::noinline]] void PreparedUnitWrite::general(Connection& c) const
{
    for (std::size_t k = 0; k < items_.size(); ++k)
        values_[k] = value_of(items_[k]);
    render(f_, values_.data(), values_.size(), c, Stmt::write, c.name.c_str());
}

void write_list_directed(int unit, const Item* items, std::size_t n)
{
    render_list(items, n, output_connection(unit));
}

void read_formatted(int unit, const Format& f, const ReadItem* items, std::size_t n)
{
    // A bad format fails before the console is asked for a line.
    if (!f.ok())
        fail(f.error(), Stmt::read, unit_name(unit));
    const char* text = nullptr;
    std::size_t len = read_console_line(unit, &text);
    parse(f, text, len, items, n, "CON");
}

} // namespace fmtio
