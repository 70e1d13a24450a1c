// CSV of the listed records and of the irregular steps, quoted as RFC 4180 quotes.
#pragma once
#include <string>
#include <string_view>

#include "report/reader.h"
#include "report/tally.h"

namespace report {

// A field as it stands in a row: in double quotes, with its quotes doubled,
// when it holds a comma, a quote, CR or LF.
std::string csv_field(std::string_view s);

extern const char* const record_columns;  // the header line, without its line end
extern const char* const gap_columns;

// Appends one row and its line end (LF) to out.
void record_row(std::string& out, const Run& run, const Record& r);
void gap_row(std::string& out, const Run& run, const Irregular& i);

} // namespace report
