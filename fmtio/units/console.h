// The console connections: carriage control on output, lines from standard input.
#pragma once
#include <cstddef>

#include "fmtio/units/connection.h"

namespace fmtio {

// The console connection that output goes through, and the one input comes from
// (the same one on an interactive console).
Connection& console_out();
Connection& console_in();
void reset_console();

// Writes one record to a console connection with its carriage control.
void console_record(Connection& con, const char* data, std::size_t len, bool keep_open);

// Writes raw bytes to standard output; the run ends when that fails.
void console_raw(const char* data, std::size_t len);
// Ends a pending console line, as the stop and the exit do; quietly, a
// failure goes unreported (the exit has no one left to tell).
void end_pending_line(bool quiet);

// One line of standard input without its line end: false at the end of input.
// A line longer than cap is cut, the rest skipped; *cut tells.
bool read_stdin_line(char* out, std::size_t cap, std::size_t* len, bool* cut);

} // namespace fmtio
