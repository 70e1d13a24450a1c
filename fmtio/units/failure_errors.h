// The error numbers that a platform failure gives, by the statement it failed in.
#pragma once
#include "fmtio/format/errors.h"
#include "fmtio/platform/platform.h"

namespace fmtio {

Error open_error(platform::Failure f);
Error write_error(platform::Failure f);

// What happened, for the report, where the error's own description would
// mislead; nullptr where it says enough.
const char* failure_text(platform::Failure f);

} // namespace fmtio
