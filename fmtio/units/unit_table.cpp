#include "fmtio/units/unit_table.h"

#include "fmtio/platform/system_io.h"

namespace fmtio {

Connection unit_table[unit_table_size];

namespace {
// Entries from here on have never been used: every write statement looks its
// unit up, and the console units are not in the table at all.
int table_top = 0;

// The latest lookups, by the unit number's low bits: a run writes to three
// or four units, each statement of every record looks its unit up, and the
// console's units are found in the table by no search at all. A lookup made
// before the connections last changed is not used (epoch 0: none made).
struct Lookup {
    int unit;
    Connection* found;  // nullptr: the table does not hold the unit
    unsigned epoch;
};
constexpr int lookup_slots = 8;
Lookup lookups[lookup_slots];

Connection* search(int unit) {
    for (int k = 0; k < table_top; ++k) {
        Connection& c = unit_table[k];
        if (c.used && c.unit == unit) return &c;
    }
    return nullptr;
}
} // namespace

Connection* find_unit(int unit) {
    Lookup& l = lookups[static_cast<unsigned>(unit) % lookup_slots];
    const unsigned now = connection_epoch();
    if (l.epoch == now && l.unit == unit) return l.found;
    Connection* c = search(unit);
    l = Lookup{unit, c, now};
    return c;
}

Connection* free_entry() {
    for (Connection& c : unit_table)
        if (!c.used) return &c;
    return nullptr;
}

void enter_unit(Connection& c) {
    c.used = true;
    connections_changed();
    int k = static_cast<int>(&c - unit_table);
    if (k >= table_top) table_top = k + 1;
}

void close_all(bool report) {
    for (Connection& c : unit_table)
        if (c.used) c.close(report);
}

void save_whole_records(platform::Handle skip) {
    for (Connection& c : unit_table) {
        if (c.used && c.kind == ConnKind::text && c.whole > 0 && c.handle != skip) {
            write_all(c.handle, c.buf, c.whole);
            c.fill = c.whole = 0;
        }
    }
}

} // namespace fmtio
