// The statements the program writes and reads with: formatted, list-directed, internal.
#pragma once
#include <cstddef>
#include <initializer_list>

#include "fmtio/format/format.h"
#include "fmtio/format/internal.h"
#include "fmtio/format/items.h"
#include "fmtio/units/unit_numbers.h"

namespace fmtio {

void write_formatted(int unit, const Format& f, const Item* items, std::size_t n);
inline void write_formatted(int unit, const Format& f, std::initializer_list<Item> items) {
    write_formatted(unit, f, items.begin(), items.size());
}

void write_list_directed(int unit, const Item* items, std::size_t n);
inline void write_list_directed(int unit, std::initializer_list<Item> items) {
    write_list_directed(unit, items.begin(), items.size());
}

// Reads one console line and parses it.
void read_formatted(int unit, const Format& f, const ReadItem* items, std::size_t n);
inline void read_formatted(int unit, const Format& f, std::initializer_list<ReadItem> items) {
    read_formatted(unit, f, items.begin(), items.size());
}

} // namespace fmtio
