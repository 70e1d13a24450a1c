// For the compiled statements' tests: what the walk and the compiled statements make of the same statement.
#pragma once
#include <random>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"

namespace compiled_support {

// The walk's records, or its error.
std::string rendered(const fmtio::Format& f, const std::vector<fmtio::Item>& items);

// A record as a statement with the items bound to variables fills it in,
// when its fill takes them (else as the walk makes it), issued with `values`
// and then again with `again` in the same variables; *ready tells which.
// The integers lie one after another in an array of their own, or `apart`
// with a variable between them, so that runs of fields find their variables
// consecutive or not.
std::string rendered_bound(const fmtio::Format& f, const std::vector<fmtio::Item>& values,
                           const std::vector<fmtio::Item>& again, bool apart, bool* ready);

// Other values of the same kinds.
std::vector<fmtio::Item> other_values(const std::vector<fmtio::Item>& items, std::mt19937& rng);

// The integers and texts a read left, and its error if any. kinds holds a
// character a variable: 'i' an integer, a digit a text of that many characters.
std::string parsed(const fmtio::Format& f, const std::string& text, const std::string& kinds);

// An internal write into a variable of `room` characters as the walk's
// records make it: one record no longer than the variable, blanked after; a
// second record, or a longer one, overflows.
std::string written_by_walk(const fmtio::Format& f, const std::vector<fmtio::Item>& items, std::size_t room);

// A prepared internal write as the variable shows it, or its error.
std::string written_prepared(const fmtio::Format& f, const std::vector<fmtio::Item>& items, std::size_t room,
                             bool apart = false);

// A prepared internal read's integers and texts, and its error, as parsed() gives them.
// The integers lie next to each other, or apart; an integer between or after
// them that the read changes shows as a fault.
std::string parsed_prepared(const fmtio::Format& f, const std::string& text, const std::string& kinds,
                            bool apart = false);

} // namespace compiled_support
