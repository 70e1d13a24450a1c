// The console progress line: rewritten in place, a new line for each range start.
#pragma once
#include "fmtio/items.h"

namespace driver {

// Shows the current record; runs after its listing line. items: its listed
// fields (list_fields), with room for one more.
void show_progress(fmtio::Item* items);

} // namespace driver
