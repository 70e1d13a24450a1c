#include "fmtio/unit_table.h"

#include "fmtio/system_io.h"

namespace fmtio {

Connection unit_table[unit_table_size];

namespace {
// Entries from here on have never been used: every write statement looks its
// unit up, and the console units are not in the table at all.
int table_top = 0;
} // namespace

Connection* find_unit(int unit) {
    for (int k = 0; k < table_top; ++k) {
        Connection& c = unit_table[k];
        if (c.used && c.unit == unit) return &c;
    }
    return nullptr;
}

Connection* free_entry() {
    for (Connection& c : unit_table)
        if (!c.used) return &c;
    return nullptr;
}

void enter_unit(Connection& c) {
    c.used = true;
    int k = static_cast<int>(&c - unit_table);
    if (k >= table_top) table_top = k + 1;
}

void close_all(bool report) {
    for (Connection& c : unit_table)
        if (c.used) c.close(report);
}

void save_whole_records() {
    for (Connection& c : unit_table) {
        if (c.used && c.kind == ConnKind::text && c.whole > 0) {
            write_all(c.handle, c.buf, c.whole);
            c.fill = c.whole = 0;
        }
    }
}

} // namespace fmtio
