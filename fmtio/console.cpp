// The console connections: carriage control on output, lines from standard input.
#include <cstring>

#include "fmtio/connection.h"
#include "fmtio/errors.h"

namespace fmtio {
namespace {

using platform::calls;
using platform::Failure;
using platform::Std;

Connection first;   // input, and output too on an interactive console
Connection second;  // output when either stream is redirected
bool decided = false;
bool shared = true;

void decide() {
    if (decided) return;
    const auto& c = calls();
    shared = c.is_char_device(c.std_handle(Std::input)) &&
             c.is_char_device(c.std_handle(Std::output));
    for (Connection* k : {&first, &second}) {
        k->kind = ConnKind::console;
        k->name = "CON";
        k->pending = k->continued = k->at_end = false;
    }
    first.handle = c.std_handle(Std::input);
    second.handle = c.std_handle(Std::output);
    decided = true;
}

// Standard input is read in chunks; lines are cut out of them.
char in_buf[4096];
std::size_t in_fill = 0;
std::size_t in_next = 0;
bool in_end = false;

Error write_error(Failure f) {
    switch (f) {
    case Failure::disk_full: return Error::disk_full;
    case Failure::access_denied: return Error::write_denied;
    default: return Error::write_failed;
    }
}

// Builds console bytes in a buffer of the console's size; a longer record
// leaves in pieces.
struct ConsoleBytes {
    char out[console_buffer_size];
    std::size_t k = 0;
    void put(const char* p, std::size_t n) {
        while (n > 0) {
            if (k == sizeof out) flush();
            std::size_t m = n < sizeof out - k ? n : sizeof out - k;
            std::memcpy(out + k, p, m);
            k += m;
            p += m;
            n -= m;
        }
    }
    void flush() {
        if (k > 0) console_raw(out, k);
        k = 0;
    }
};

} // namespace

Connection& console_out() {
    decide();
    return shared ? first : second;
}

Connection& console_in() {
    decide();
    return first;
}

void reset_console() {
    decided = false;
    in_fill = in_next = 0;
    in_end = false;
}

void console_raw(const char* data, std::size_t len) {
    const auto& c = calls();
    Failure f = c.write(c.std_handle(Std::output), data, len);
    if (f != Failure::none) fail(write_error(f), Stmt::write, "CON");
}

void end_pending_line(bool quiet) {
    if (!console_out().pending) return;
    const auto& c = calls();
    if (quiet)
        c.write(c.std_handle(Std::output), "\r\n", 2);
    else
        console_raw("\r\n", 2);
}

void console_record(Connection& con, const char* data, std::size_t len, bool keep_open) {
    if (len == 0) {
        data = " ";
        len = 1;
    }
    ConsoleBytes bytes;
    if (con.continued) {
        bytes.put(data, len);
    } else {
        switch (data[0]) {
        case '0': bytes.put("\r\n\r\n", con.pending ? 4 : 2); break;
        case '1': bytes.put("\r\n\f\r \r", 6); break;
        case '+': bytes.put("\r", 1); break;
        default:
            if (con.pending) bytes.put("\r\n", 2);
            break;
        }
        bytes.put(data + 1, len - 1);
    }
    bytes.flush();
    con.pending = true;
    con.continued = keep_open;
}

bool read_stdin_line(char* out, std::size_t cap, std::size_t* len, bool* cut) {
    std::size_t total = 0;  // characters of the line, stored or not
    std::size_t n = 0;
    bool any = false;
    char last = '\0';
    const auto& c = calls();
    for (;;) {
        if (in_next == in_fill) {
            if (in_end) break;
            std::size_t got = 0;
            Failure f = c.read(c.std_handle(Std::input), in_buf, sizeof in_buf, &got);
            if (f != Failure::none || got == 0) {
                in_end = true;
                break;
            }
            in_fill = got;
            in_next = 0;
        }
        char ch = in_buf[in_next++];
        any = true;
        if (ch == '\n') break;
        if (n < cap) out[n++] = ch;
        ++total;
        last = ch;
    }
    if (!any) return false;
    // CR LF and LF alone both end a line; the CR is not part of the answer.
    if (last == '\r') {
        --total;
        if (n > total) n = total;
    }
    *len = n;
    *cut = total > cap;
    return true;
}

} // namespace fmtio
