// The run summaries as JSON Lines: one object per run, strings escaped as JSON wants.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "report/out.h"
#include "report/tally.h"

namespace report {

// A JSON string in quotes. Bytes that are not UTF-8 become U+FFFD, so the
// line stays valid JSON whatever a file name holds.
std::string json_string(std::string_view s);

// Members of an object already opened: ,"key":value.
void json_number(std::string& out, const char* key, long long v);
void json_number_or_null(std::string& out, const char* key, const std::optional<long long>& v);
void json_time_or_null(std::string& out, const char* key, const std::optional<long long>& t);  // ISO time
// The counts and the availability figures, as a run and a station have them.
void json_figures(std::string& out, const Figures& f);
// A station as three upper-case hexadecimal digits.
std::string hex3(int station);

// Opens the run's object and writes every member but its irregular steps;
// the caller adds what it wants and closes it.
void json_run_open(Out& out, const RunReport& r, const std::optional<long long>& min_gap);

// Appends the run's object and LF, written out as it goes: its list of
// irregular steps (only gaps of at least min_gap seconds, when given) is
// not gathered first.
void json_run(Out& out, const RunReport& r, const std::optional<long long>& min_gap = std::nullopt);

} // namespace report
