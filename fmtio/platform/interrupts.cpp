#include "fmtio/platform/interrupts.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

namespace fmtio {
namespace {

volatile std::sig_atomic_t held = 0;
volatile std::sig_atomic_t waiting_signal = 0;
// A write under way that may wait for ever for its reader, or no_handle.
std::atomic<platform::Handle> blocking{platform::no_handle};
static_assert(std::atomic<platform::Handle>::is_always_lock_free, "read in a signal handler");

void (*save_records)(platform::Handle skip) = nullptr;

[[noreturn]] void end_by(int sig, platform::Handle skip) {
    // One more interrupt now must not save the same records again.
    held = 1;
    save_records(skip);
    platform::calls().end_by_signal(sig);
    std::abort();
}

void interrupted(int sig) {
    // The first interrupt is the one the process ends by.
    if (!waiting_signal) waiting_signal = sig;
    // A record half copied is finished first. A write that waits for a
    // reader is not: it may never end, and checking for an interrupt just
    // before it starts could miss one that comes right after the check.
    const platform::Handle writing = blocking;
    if (held && writing == platform::no_handle) return;
    end_by(waiting_signal, writing);
}

} // namespace

void catch_interrupts(void (*save)(platform::Handle skip)) {
    save_records = save;
    held = 0;
    waiting_signal = 0;
    blocking = platform::no_handle;
    platform::calls().on_interrupt(interrupted);
}

void hold_interrupts() { held = 1; }

void release_interrupts() { held = 0; }

void end_if_interrupted() {
    if (int sig = waiting_signal) end_by(sig, platform::no_handle);
}

bool interrupt_waiting() { return waiting_signal != 0; }

void begin_blocking_write(platform::Handle h) { blocking = h; }

void end_blocking_write() { blocking = platform::no_handle; }

} // namespace fmtio
