// The unit table: the connections of the numbered units that are not the console.
#pragma once
#include "fmtio/units/connection.h"

namespace fmtio {

constexpr int unit_table_size = 61;

extern Connection unit_table[unit_table_size];

// The connection of a unit, or nullptr when the table does not hold it.
Connection* find_unit(int unit);
// An entry to connect a unit in, or nullptr when the table is full.
Connection* free_entry();
// Marks an entry as holding its connection, so that lookups find it.
void enter_unit(Connection& c);

// Closes every unit of the table, in table order.
void close_all(bool report);

// Writes each text file's whole records, nothing more: what an interrupt
// keeps. The file whose handle is skip keeps nothing more: its write was cut
// short. Async-signal-safe.
void save_whole_records(platform::Handle skip);

} // namespace fmtio
