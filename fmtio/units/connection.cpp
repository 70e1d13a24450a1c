// A file connection's records: each into the buffer with its CR LF, and the
// buffer to the file when it fills and at close.
#include <cstring>

#include "fmtio/units/connection.h"
#include "fmtio/units/failure_errors.h"
#include "fmtio/platform/interrupts.h"
#include "fmtio/platform/system_io.h"

namespace fmtio {

namespace {
unsigned epoch = 1;
} // namespace

void connections_changed() { ++epoch; }
unsigned connection_epoch() { return epoch; }

using platform::Access;
using platform::Failure;

void Connection::record(const char* data, std::size_t len, bool keep_open) {
    if (action == Access::read) fail(Error::write_denied, Stmt::write, name.c_str());
    // An interrupt while the record is copied waits for it to be whole.
    hold_interrupts();
    auto put = [this](const char* p, std::size_t n) {
        while (n > 0) {
            if (fill == sizeof buf) {
                Failure why;
                if (!flush(&why)) {
                    release_interrupts();
                    // A write that an interrupt cut short ends the run by it.
                    if (why == Failure::interrupted) end_if_interrupted();
                    fail(write_error(why), Stmt::write, name.c_str(), failure_text(why));
                }
            }
            std::size_t m = n < sizeof buf - fill ? n : sizeof buf - fill;
            std::memcpy(buf + fill, p, m);
            fill += m;
            p += m;
            n -= m;
        }
    };
    const std::size_t line_end = kind == ConnKind::text && !keep_open ? 2 : 0;
    if (len + line_end <= sizeof buf - fill) {
        // Room for the whole record as the buffer stands: no write is due.
        if (len > 0) std::memcpy(buf + fill, data, len);
        if (line_end > 0) {
            buf[fill + len] = '\r';
            buf[fill + len + 1] = '\n';
        }
        fill += len + line_end;
    } else {
        put(data, len);
        if (line_end > 0) put("\r\n", 2);
    }
    whole = fill;
    release_interrupts();
    end_if_interrupted();
}

char* Connection::room(std::size_t n) {
    if (kind != ConnKind::text || action == Access::read || n + 2 > sizeof buf - fill) return nullptr;
    return buf + fill;
}

void Connection::commit(std::size_t len, bool keep_open) {
    hold_interrupts();
    if (!keep_open) {
        buf[fill + len] = '\r';
        buf[fill + len + 1] = '\n';
        len += 2;
    }
    fill += len;
    whole = fill;
    release_interrupts();
    end_if_interrupted();
}

bool Connection::flush(Failure* why) {
    if (fill == 0) return true;
    Failure f = may_block ? write_all_interruptible(handle, buf, fill) : write_all(handle, buf, fill);
    // The bytes are gone either way: a failed buffer is not written twice.
    fill = 0;
    whole = 0;
    *why = f;
    return f == Failure::none;
}

void Connection::close(bool report) {
    // An interrupt now would find the buffer half written or the unit gone:
    // it waits until the unit is closed.
    hold_interrupts();
    Failure why = Failure::none;
    bool ok = kind != ConnKind::text || flush(&why);
    platform::calls().close(handle);
    handle = platform::no_handle;
    used = false;
    connections_changed();
    release_interrupts();
    if (!ok && report && why != Failure::interrupted)
        fail(write_error(why), Stmt::close, name.c_str(), failure_text(why));
    end_if_interrupted();
}

} // namespace fmtio
