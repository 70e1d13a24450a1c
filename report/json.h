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

// Appends the run's object and LF, written out as it goes: its list of
// irregular steps (only gaps of at least min_gap seconds, when given) is
// not gathered first.
void json_run(Out& out, const RunReport& r, const std::optional<long long>& min_gap = std::nullopt);



} // namespace report
