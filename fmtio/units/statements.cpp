// Formatted and list-directed statements on units.
#include "fmtio/units/statements.h"

#include "fmtio/format/render.h"
#include "fmtio/units/console.h"
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
