// Byte-stream reads of a FORM="binary" unit, in chunks of the unit's buffer.
#include <cstring>

#include "fmtio/platform/system_io.h"
#include "fmtio/units/unit_table.h"
#include "fmtio/units/units.h"

namespace fmtio {

int read_bytes(int unit, std::uint8_t* dest, std::size_t n, std::size_t* stored) {
    std::size_t reached = 0;
    if (!stored) stored = &reached;
    *stored = 0;
    Connection* c = find_unit(unit);
    if (!c) fail(Error::open_failed, Stmt::read, "");
    if (c->at_end) return -1;
    // While whole chunks are wanted and the buffer holds nothing, they go
    // straight to the destinations, each read the buffer's size as always.
    if (n >= sizeof c->buf && c->next == c->fill) {
        c->next = c->fill = 0;
        std::size_t done = 0;
        bool ended = false;
        platform::Failure f = platform::calls().read_chunks(c->handle, dest, sizeof c->buf, n, &done, &ended);
        *stored = done;
        if (f != platform::Failure::none) return static_cast<int>(Error::read_failed);
        if (ended) {
            c->at_end = true;
            return -1;
        }
        dest += done;
        n -= done;
    }
    while (n > 0) {
        if (c->next == c->fill) {
            // The same chunk-sized reads either way; while a whole chunk is
            // still wanted it goes straight to the destinations, not through
            // the buffer and a copy.
            char* to = n >= sizeof c->buf ? reinterpret_cast<char*>(dest) : c->buf;
            std::size_t got = 0;
            platform::Failure f = read_some(c->handle, to, sizeof c->buf, &got);
            c->next = c->fill = 0;
            if (f != platform::Failure::none) return static_cast<int>(Error::read_failed);
            if (got == 0) {
                c->at_end = true;
                return -1;
            }
            if (to != c->buf) {
                dest += got;
                n -= got;
                *stored += got;
                continue;
            }
            c->fill = got;
        }
        std::size_t m = c->fill - c->next < n ? c->fill - c->next : n;
        std::memcpy(dest, c->buf + c->next, m);
        c->next += m;
        dest += m;
        n -= m;
        *stored += m;
    }
    return 0;
}

} // namespace fmtio
