// Formatted writes on a unit prepared once: the record built where the unit keeps it, or handed on.
#include "fmtio/compiled/prepared_unit_write.h"

#include "fmtio/format/render.h"
#include "fmtio/units/connection.h"
#include "fmtio/units/units.h"

namespace fmtio {

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
    // Built where the unit keeps its records. A text file's connection is a
    // Connection itself, whose own room and commit are called straight.
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
// the listing's buffer is full: built here and handed on whole.
[[gnu::noinline]] void PreparedUnitWrite::handed_on(Connection& c) const
{
    fill_.build(record_.data());
    c.record(record_.data(), fill_.len(), fill_.open());
}

[[gnu::noinline]] void PreparedUnitWrite::general(Connection& c) const
{
    values_of(items_.data(), items_.size(), values_.data());
    render(f_, values_.data(), values_.size(), c, Stmt::write, c.name.c_str());
}

} // namespace fmtio
