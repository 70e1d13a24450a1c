// Interrupts (Ctrl-C, termination, hang-up): the listing's whole records are kept.
#pragma once

namespace fmtio {

// From here on an interrupt calls save (which must be async-signal-safe: it
// writes out the whole records in the text files' buffers) and ends the
// process by the same signal. Nothing is held and nothing waits yet.
void catch_interrupts(void (*save)());

// Between these an interrupt waits: a record half copied into a buffer, or a
// buffer being written out and closed, is finished first.
void hold_interrupts();
void release_interrupts();
// After a release: ends the process by an interrupt that waited, if one did.
void end_if_interrupted();

} // namespace fmtio
