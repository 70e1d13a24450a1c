// The run summaries as JSON Lines: one object per run, strings escaped as JSON wants.
#pragma once
#include <string>
#include <string_view>

#include "report/tally.h"

namespace report {

// A JSON string in quotes. Bytes that are not UTF-8 become U+FFFD, so the
// line stays valid JSON whatever a file name holds.
std::string json_string(std::string_view s);

// Appends the run's object and LF.
void json_run(std::string& out, const RunReport& r);

// Valid UTF-8 as it is, each byte that is not part of it as U+FFFD.
std::string utf8_clean(std::string_view s);

} // namespace report
