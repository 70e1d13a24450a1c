// The console progress line: rewritten in place, a new line for each range start.
#pragma once

namespace driver {

// Shows the current record; runs after its listing line.
void show_progress();

} // namespace driver
