// CSV of the listed records, the irregular steps and the segments, quoted as RFC 4180 quotes.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "report/out.h"
#include "report/reader.h"
#include "report/tally.h"

namespace report {

// A field as it stands in a row: in double quotes, with its quotes doubled,
// when it holds a comma, a quote, CR or LF.
std::string csv_field(std::string_view s);

extern const char* const record_columns;  // the header line, without its line end
extern const char* const gap_columns;
extern const char* const segment_columns;

// The run's first two fields and their commas, as every row of the run
// starts: bytes of its file name that are not UTF-8 become U+FFFD, so that
// the rows read as UTF-8 whatever the name holds.
std::string run_fields(const Run& run);

// Appends one row and its line end (LF) to out.
void record_row(std::string& out, const std::string& run_fields, const Record& r);
void gap_row(std::string& out, const std::string& run_fields, const Irregular& i);
void segment_row(std::string& out, const std::string& run_fields, const Segment& s);

// All the run's rows, in record order. With min_gap, only the gaps of at
// least that many seconds are listed.
void gap_rows(Out& out, const RunReport& r, const std::optional<long long>& min_gap);
void segment_rows(Out& out, const RunReport& r);

} // namespace report
