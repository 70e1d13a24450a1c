#include "fmtio/system_io.h"

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
    const char* p = static_cast<const char*>(buf);
    while (n > 0) {
        std::size_t put = 0;
        Failure f = calls().write(h, p, n, &put);
        if (f == Failure::interrupted) continue;
        if (f != Failure::none) return f;
        if (put == 0 || put > n) return Failure::no_progress;
        p += put;
        n -= put;
    }
    return Failure::none;
}

} // namespace fmtio
