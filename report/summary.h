// The summary text: a block per run, then the totals over all runs.
#pragma once
#include <string>

#include "report/tally.h"

namespace report {

void summary_run(std::string& out, const RunReport& r);
void summary_totals(std::string& out, const Totals& t, long long tolerance);


} // namespace report
