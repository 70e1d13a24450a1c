// Internal write and read: a character variable as the one record of a statement.
#pragma once
#include <cstddef>
#include <initializer_list>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace fmtio {

// Renders into var[0, len) as a single record; the rest of var becomes blanks.
void write_internal(char* var, int len, const Format& f, const Item* items, std::size_t n);
inline void write_internal(char* var, int len, const Format& f, std::initializer_list<Item> items) {
    write_internal(var, len, f, items.begin(), items.size());
}

void read_internal(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n);
inline void read_internal(const char* var, int len, const Format& f,
                          std::initializer_list<ReadItem> items) {
    read_internal(var, len, f, items.begin(), items.size());
}

} // namespace fmtio
