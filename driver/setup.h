// Run setup: connects the data file, the console and the listing, and heads the listing.
#pragma once

namespace driver {

void run_setup();

} // namespace driver
