// Listings as text in memory, read into runs as the program reads them, for the tests of the writers.
#pragma once
#include <string>
#include <vector>

#include "report/tally.h"

namespace report_test {

// The runs of a listing text, as the program gathers them; no line may be unreadable.
std::vector<report::RunReport> read_listing_text(const std::string& text, long long tolerance = 1);
// The lines, each ended by CR LF.
std::string crlf_lines(const std::vector<std::string>& v);

// The start of a station line, before its three digits.
extern const std::string S;
// Two stations, a rejected record with its line, a transmitter mismatch, a
// gap of 50 s and a step back in time (so that station 123's span is not
// positive).
extern const std::string small_listing;

} // namespace report_test
