#include "fmtio/platform/interrupts.h"

#include <csignal>
#include <cstdlib>

#include "fmtio/platform/platform.h"

namespace fmtio {
namespace {

volatile std::sig_atomic_t held = 0;
volatile std::sig_atomic_t waiting_signal = 0;

void (*save_records)() = nullptr;

[[noreturn]] void end_by(int sig) {
    platform::calls().end_by_signal(sig);
    std::abort();
}

void interrupted(int sig) {
    if (held) {
        // The first interrupt is the one the process ends by.
        if (!waiting_signal) waiting_signal = sig;
        return;
    }
    save_records();
    end_by(sig);
}

} // namespace

void catch_interrupts(void (*save)()) {
    save_records = save;
    held = 0;
    waiting_signal = 0;
    platform::calls().on_interrupt(interrupted);
}

void hold_interrupts() { held = 1; }

void release_interrupts() { held = 0; }

void end_if_interrupted() {
    if (int sig = waiting_signal) {
        // One more interrupt now must not save the same records again.
        held = 1;
        save_records();
        end_by(sig);
    }
}

} // namespace fmtio
