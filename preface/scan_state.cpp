#include "preface/scan_state.h"

namespace preface {

// Zero-initialised: ivstat and itype start the run at 0.
ScanState scan{};

} // namespace preface
