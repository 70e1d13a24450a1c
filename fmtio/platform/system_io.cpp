#include "fmtio/platform/system_io.h"

#include "fmtio/platform/interrupts.h"

namespace fmtio {

using platform::calls;
using platform::Failure;

Failure read_some(platform::Handle h, void* buf, std::size_t cap, std::size_t* got) {
    for (;;) {
        Failure f = calls().read(h, buf, cap, got);
        if (f != Failure::interrupted) return f;
    }
}

Failure write_all(platform::Handle h, const void* buf, std::size_t n) {
    if (n == 0) return Failure::none;
    std::size_t put = 0;
    Failure f = calls().write(h, buf, n, &put);
    return write_on(h, buf, n, f, put);
}

Failure write_all_interruptible(platform::Handle h, const void* buf, std::size_t n) {
    begin_blocking_write(h);
    Failure f = write_all(h, buf, n);
    end_blocking_write();
    return f;
}

Failure write_on(platform::Handle h, const void* buf, std::size_t n, Failure f, std::size_t put) {
    const char* p = static_cast<const char*>(buf);
    for (;;) {
        if (f == Failure::interrupted) {
            // The run ends by the interrupt: made again, a write that waits
            // for a reader who does not read would hold it for ever.
            if (interrupt_waiting()) return f;
        } else {
            if (f != Failure::none) return f;
            if (put == 0 || put > n) return Failure::no_progress;
            p += put;
            n -= put;
            if (n == 0) return Failure::none;
        }
        put = 0;
        f = calls().write(h, p, n, &put);
    }
}

} // namespace fmtio
