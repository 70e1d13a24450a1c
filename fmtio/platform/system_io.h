// Reads and writes over the platform's single calls: retried, continued, never stuck.
#pragma once
#include <cstddef>

#include "fmtio/platform/platform.h"

namespace fmtio {

// One read of up to cap bytes (got 0: the end of the file). A call that a
// signal cut short is made again.
platform::Failure read_some(platform::Handle h, void* buf, std::size_t cap, std::size_t* got);

// All n bytes: a short write goes on with the rest, a call that a signal cut
// short is made again unless an interrupt waits (Failure::interrupted), and
// a call that writes nothing is a failure rather than a loop. Safe in a
// signal handler.
platform::Failure write_all(platform::Handle h, const void* buf, std::size_t n);

// The same for a file whose writes may wait for ever for a reader that does
// not read (a pipe, FIFO, socket or terminal): an interrupt meanwhile ends
// the run at once, even where interrupts are held, and what had not gone is
// dropped.
platform::Failure write_all_interruptible(platform::Handle h, const void* buf, std::size_t n);

// The same, once a first call of the platform's write for the n bytes has
// given f and taken put of them: for a caller that makes that call itself.
platform::Failure write_on(platform::Handle h, const void* buf, std::size_t n, platform::Failure f, std::size_t put);

} // namespace fmtio
