// Formatted and list-directed statements on units.
#include "fmtio/statements.h"

#include "fmtio/render.h"
#include "fmtio/units.h"

namespace fmtio {

void write_formatted(int unit, const Format& f, const Item* items, std::size_t n)
{
    render(f, items, n, output_sink(unit), Stmt::write, unit_name(unit));
}

void write_list_directed(int unit, const Item* items, std::size_t n)
{
    render_list(items, n, output_sink(unit));
}

void read_formatted(int unit, const Format& f, const ReadItem* items, std::size_t n)
{
    // A bad format fails before the console is asked for a line.
    if (!f.ok())
        fail(f.error(), Stmt::read, unit_name(unit));
    const char* text = nullptr;
    std::size_t len = read_console_line(unit, &text);
    parse(f, text, len, items, n, unit_name(unit));
}

} // namespace fmtio
