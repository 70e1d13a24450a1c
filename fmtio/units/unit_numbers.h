// Unit numbers with a meaning of their own: the default units and the console's.
#pragma once

namespace fmtio {

// The unit an output or input statement uses when it names none: the console.
constexpr int default_unit = -32768;

// Units that reach the console when the unit table does not hold them.
inline bool is_console_output(int unit) { return unit == default_unit || unit == 0 || unit == 6; }
inline bool is_console_input(int unit) { return unit == default_unit || unit == 5; }

} // namespace fmtio
