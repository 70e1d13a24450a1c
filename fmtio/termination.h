// The end of a run after a failure; the units layer owns the report and the exit.
#pragma once
#include "fmtio/errors.h"

namespace fmtio {

// Writes the error report to standard error and runs the exit sequence with
// status 1. Defined with the units; fail() calls it once the hook returns.
void report_and_exit(Error e, Stmt s, const char* name);

} // namespace fmtio
