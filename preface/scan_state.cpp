#include "preface/scan_state.h"

#include <cstddef>

namespace preface {

static_assert((offsetof(ScanState, ibuf) + 1) % 64 == 0, "a record is read to the start of a cache line");

// Zero-initialised: ivstat and itype start the run at 0.
ScanState scan{};

} // namespace preface
