// Interrupts (Ctrl-C, termination, hang-up): the listing's whole records are kept.
#pragma once

#include "fmtio/platform/platform.h"

namespace fmtio {

// From here on an interrupt calls save (which must be async-signal-safe: it
// writes out the whole records in the text files' buffers, all but those of
// the handle skip) and ends the process by the same signal. Nothing is held
// and nothing waits yet.
void catch_interrupts(void (*save)(platform::Handle skip));

// Between these an interrupt waits: a record half copied into a buffer, or a
// buffer being written out and closed, is finished first.
void hold_interrupts();
void release_interrupts();
// After a release: ends the process by an interrupt that waited, if one did.
void end_if_interrupted();
// Whether an interrupt waits for the end of what is held.
bool interrupt_waiting();

// Around a write that may wait for ever for its reader (a pipe, FIFO, socket
// or terminal whose reader does not read): an interrupt that comes in
// between ends the run at once, held or not, and what h's buffer held is
// dropped rather than written again.
void begin_blocking_write(platform::Handle h);
void end_blocking_write();

} // namespace fmtio
