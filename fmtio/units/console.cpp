// The console connections: carriage control on output, lines from standard input.
#include "fmtio/units/console.h"

#include <cstring>

#include "fmtio/format/errors.h"
#include "fmtio/units/failure_errors.h"
#include "fmtio/platform/system_io.h"
#include "fmtio/units/unit_numbers.h"
#include "fmtio/units/unit_table.h"

namespace fmtio {
namespace {

using platform::calls;
using platform::Failure;
using platform::Kind;
using platform::Std;

struct ConsoleConnection final : Connection {
    void record(const char* data, std::size_t len, bool keep_open) override {
        console_record(*this, data, len, keep_open);
    }
    // A record is built here and leaves as record() would send it.
    char* room(std::size_t n) override { return n <= sizeof built ? built : nullptr; }
    void commit(std::size_t len, bool keep_open) override;

    char built[256];
};

ConsoleConnection input_con;   // input, and output too on an interactive console
ConsoleConnection output_con;  // output when either standard stream is redirected
bool streams_known = false;
bool one_connection = true;  // both standard streams are the interactive console
platform::Handle out_handle = platform::no_handle;  // standard output, once the streams are known

void know_streams() {
    if (streams_known) return;
    const auto& c = calls();
    out_handle = c.std_handle(Std::output);
    one_connection = c.kind(c.std_handle(Std::input)) == Kind::device && c.kind(out_handle) == Kind::device;
    for (Connection* k : {&input_con, &output_con}) {
        k->kind = ConnKind::console;
        k->name = "CON";
        k->pending = k->continued = k->at_end = false;
    }
    streams_known = true;
}

// Standard input is read in chunks; lines are cut out of them.
char in_buf[4096];
std::size_t in_fill = 0;
std::size_t in_next = 0;
bool in_end = false;

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
    know_streams();
    return one_connection ? input_con : output_con;
}

Connection& console_in() {
    know_streams();
    return input_con;
}

void reset_console() {
    streams_known = false;
    // Output may go through the other console connection from now on.
    connections_changed();
    in_fill = in_next = 0;
    in_end = false;
}

namespace {

void console_failed(Failure f) {
    if (f != Failure::none) fail(write_error(f), Stmt::write, "CON", failure_text(f));
}

} // namespace

void console_raw(const char* data, std::size_t len) {
    know_streams();
    console_failed(write_all(out_handle, data, len));
}

void end_pending_line(bool quiet) {
    if (!console_out().pending) return;
    if (quiet)
        write_all(calls().std_handle(Std::output), "\r\n", 2);
    else
        console_raw("\r\n", 2);
}

namespace {

// A record that starts a line, or one longer than the console's buffer:
// its carriage control first, built with it in pieces of the buffer's size.
[[gnu::noinline]] void console_record_built(Connection& con, const char* data, std::size_t len, bool keep_open) {
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

} // namespace

[[gnu::noinline]] void console_record(Connection& con, const char* data, std::size_t len, bool keep_open) {
    if (len == 0) {
        data = " ";
        len = 1;
    }
    if (con.continued && len <= console_buffer_size) {
        // A record on the same line that fits the buffer goes out as it is,
        // as every progress record after the first of its line does.
        console_raw(data, len);
        con.pending = true;
        con.continued = keep_open;
        return;
    }
    console_record_built(con, data, len, keep_open);
}

namespace {

// A record the fast way does not finish: its carriage control, or what a
// short or interrupted write left. Out of line, so that the fast way saves
// no registers for it.
[[gnu::noinline]] void commit_rest(ConsoleConnection& con, std::size_t len, bool keep_open, Failure f,
                                   std::size_t put) {
    console_failed(write_on(out_handle, con.built, len, f, put));
    con.pending = true;
    con.continued = keep_open;
}

// A progress record on the line it continues: one write, nothing else to do
// when the write takes it whole. It holds no buffer of its own, only the
// count the write gives back, so the stack protector has nothing to guard.
__attribute__((no_stack_protector)) void ConsoleConnection::commit(std::size_t len, bool keep_open) {
    if (!continued || len - 1 >= console_buffer_size || !streams_known) {
        console_record(*this, built, len, keep_open);
        return;
    }
    std::size_t put = 0;
    const Failure f = calls().write(out_handle, built, len, &put);
    if (f != Failure::none || put != len) return commit_rest(*this, len, keep_open, f, put);
    pending = true;
    continued = keep_open;
}

} // namespace

bool read_stdin_line(char* out, std::size_t cap, std::size_t* len, bool* cut) {
    std::size_t total = 0;  // characters of the line, stored or not
    std::size_t n = 0;
    bool any = false;
    char last = '\0';
    for (;;) {
        if (in_next == in_fill) {
            if (in_end) break;
            std::size_t got = 0;
            Failure f = read_some(calls().std_handle(Std::input), in_buf, sizeof in_buf, &got);
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

std::size_t read_console_line(int unit, const char** text) {
    const Connection* file = find_unit(unit);
    if (file || !is_console_input(unit)) fail(Error::open_failed, Stmt::read, file ? file->name.c_str() : "CON");
    Connection& in = console_in();
    if (in.pending && !in.continued) console_raw("\r\n", 2);
    in.continued = false;
    const auto& sys = calls();
    bool interactive = sys.kind(sys.std_handle(Std::input)) == Kind::device;
    std::size_t len = 0;
    bool cut = false;
    // The line and its line end must fit the console buffer.
    if (!read_stdin_line(in.buf, console_buffer_size - 2, &len, &cut)) fail(Error::end_of_input, Stmt::read, "CON");
    if (cut && interactive) fail(Error::line_too_long, Stmt::read, "CON");
    // Code 26 closing a typed line is the end of input.
    if (interactive && len > 0 && in.buf[len - 1] == '\x1a') fail(Error::end_of_input, Stmt::read, "CON");
    in.pending = false;
    *text = in.buf;
    return len;
}

} // namespace fmtio
