// The console progress line: rewritten in place, a new line for each range start.
#pragma once

namespace driver {

// Shows the current record; runs after its listing line. k: the record's
// first range-start byte (range_start_byte), or 0.
void show_progress(int k);

} // namespace driver
