// The unit table, opening files, text-file records, byte-stream reads, the stop and the exit.
#include "fmtio/units.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fmtio/connection.h"
#include "fmtio/errors.h"
#include "fmtio/statements.h"
#include "fmtio/termination.h"

namespace fmtio {
namespace {

using platform::Access;
using platform::calls;
using platform::Failure;

constexpr int table_size = 61;

struct Entry {
    int unit = 0;
    bool used = false;
    Connection conn;
};

Entry table[table_size];
// Entries from here on have never been used: every write statement looks its
// unit up, and the console units are not in the table at all.
int table_top = 0;
int next_word = 1;

// Set while a record is being copied into a text file's buffer: an interrupt
// then waits for the record to be whole.
volatile std::sig_atomic_t in_record = 0;
volatile std::sig_atomic_t deferred_signal = 0;

// Async-signal-safe: writes each text file's whole records, nothing more.
void save_whole_records() {
    const auto& sys = calls();
    for (Entry& e : table) {
        Connection& c = e.conn;
        if (e.used && c.kind == ConnKind::text && c.whole > 0) {
            sys.write(c.handle, c.buf, c.whole);
            c.fill = c.whole = 0;
        }
    }
}

void interrupted(int sig) {
    if (in_record) {
        deferred_signal = sig;
        return;
    }
    save_whole_records();
    platform::end_by_signal(sig);
}

Connection* find(int unit) {
    for (int k = 0; k < table_top; ++k) {
        Entry& e = table[k];
        if (e.used && e.unit == unit) return &e.conn;
    }
    return nullptr;
}

bool is_console_output(int unit) { return unit == default_unit || unit == 0 || unit == 6; }
bool is_console_input(int unit) { return unit == default_unit || unit == 5; }

std::string trimmed(const char* text, std::size_t len) {
    std::size_t b = 0;
    while (b < len && text[b] == ' ') ++b;
    while (len > b && text[len - 1] == ' ') --len;
    return std::string(text + b, len - b);
}

// Specifier values match without regard to case, trailing blanks ignored.
bool matches(const char* value, const char* word) {
    std::size_t n = std::strlen(value);
    while (n > 0 && value[n - 1] == ' ') --n;
    if (n != std::strlen(word)) return false;
    for (std::size_t i = 0; i < n; ++i) {
        char ch = value[i];
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        if (ch != word[i]) return false;
    }
    return true;
}

bool one_of(const char* value, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (matches(value, w)) return true;
    return false;
}

bool is_console_device(const std::string& name) {
    std::size_t dot = name.rfind('.');
    std::size_t base = dot == std::string::npos ? name.size() : dot;
    if (base != 3) return false;
    return matches(name.substr(0, 3).c_str(), "CON");
}

Error open_error(Failure f) {
    switch (f) {
    case Failure::not_found: return Error::not_found;
    case Failure::access_denied: return Error::access_denied;
    case Failure::exists: return Error::file_exists;
    case Failure::too_many_files: return Error::too_many_files;
    case Failure::invalid_name: return Error::bad_name;
    default: return Error::open_failed;
    }
}

Error write_error(Failure f) {
    switch (f) {
    case Failure::disk_full: return Error::disk_full;
    case Failure::access_denied: return Error::write_denied;
    default: return Error::write_failed;
    }
}

// The name for an open whose FILE text is blank: the next command-line word,
// else asked for at the console until an answer holds something.
std::string blank_name(int unit) {
    if (next_word < platform::word_count()) {
        std::size_t len = 0;
        const char* w = platform::word(next_word, &len);
        ++next_word;
        std::string name = trimmed(w, len);
        if (!name.empty()) return name;
    }
    // The prompt leaves pending and continued as they are.
    end_pending_line(false);
    char prompt[96];
    int plen = std::snprintf(prompt, sizeof prompt,
                             "File name missing or blank - please enter file name\r\nUNIT %d? ",
                             unit);
    static char answer[4096];
    for (;;) {
        console_raw(prompt, static_cast<std::size_t>(plen));
        std::size_t len = 0;
        bool cut = false;
        if (!read_stdin_line(answer, sizeof answer, &len, &cut))
            fail(Error::end_of_input, Stmt::open, "");
        std::string name = trimmed(answer, len);
        if (!name.empty()) return name;
    }
}

void end_deferred_interrupt() {
    if (int sig = deferred_signal) {
        save_whole_records();
        platform::end_by_signal(sig);
    }
}

void close_entry(Entry& e, bool report) {
    // An interrupt now would find the buffer half written or the unit gone:
    // it waits until the unit is closed.
    in_record = 1;
    Connection& c = e.conn;
    Failure why = Failure::none;
    bool ok = c.kind != ConnKind::text || c.flush(&why);
    calls().close(c.handle);
    c.handle = platform::no_handle;
    e.used = false;
    in_record = 0;
    if (!ok && report) fail(write_error(why), Stmt::close, c.name.c_str());
    end_deferred_interrupt();
}

} // namespace

void Connection::record(const char* data, std::size_t len, bool keep_open) {
    if (kind == ConnKind::console) {
        console_record(*this, data, len, keep_open);
        return;
    }
    if (action == Access::read) fail(Error::write_denied, Stmt::write, name.c_str());
    in_record = 1;
    auto put = [this](const char* p, std::size_t n) {
        while (n > 0) {
            if (fill == sizeof buf) {
                Failure why;
                if (!flush(&why)) {
                    in_record = 0;
                    fail(write_error(why), Stmt::write, name.c_str());
                }
            }
            std::size_t m = n < sizeof buf - fill ? n : sizeof buf - fill;
            std::memcpy(buf + fill, p, m);
            fill += m;
            p += m;
            n -= m;
        }
    };
    put(data, len);
    if (kind == ConnKind::text && !keep_open) put("\r\n", 2);
    whole = fill;
    in_record = 0;
    end_deferred_interrupt();
}

bool Connection::flush(platform::Failure* why) {
    if (fill == 0) return true;
    Failure f = calls().write(handle, buf, fill);
    // The bytes are gone either way: a failed buffer is not written twice.
    fill = 0;
    whole = 0;
    *why = f;
    return f == Failure::none;
}

void start_run(int argc, char** argv) {
    platform::set_command_line(argc, argv);
    platform::on_interrupt(interrupted);
}

void open_unit(int unit, const OpenSpec& spec) {
    const char* file = spec.file ? spec.file : "";
    std::size_t flen = spec.file_len < 0 ? std::strlen(file) : static_cast<std::size_t>(spec.file_len);
    std::string name = trimmed(file, flen);

    bool old = false, append = false, binary = false, read_only = false;
    bool specs_ok = true;
    if (spec.status) {
        specs_ok = specs_ok && one_of(spec.status, {"OLD", "UNKNOWN"});
        old = matches(spec.status, "OLD");
    }
    if (spec.access) {
        specs_ok = specs_ok && one_of(spec.access, {"SEQUENTIAL", "APPEND"});
        append = matches(spec.access, "APPEND");
    }
    if (spec.form) {
        specs_ok = specs_ok && one_of(spec.form, {"FORMATTED", "BINARY"});
        binary = matches(spec.form, "BINARY");
    }
    if (spec.mode) {
        specs_ok = specs_ok && one_of(spec.mode, {"READ", "READWRITE"});
        read_only = matches(spec.mode, "READ");
    }
    if (!specs_ok) fail(Error::bad_specifier, Stmt::open, name.c_str());

    if (name.empty()) name = blank_name(unit);

    // FILE="CON" on unit 6 is the console device: unit 6 already writes there.
    if (unit == 6 && is_console_device(name)) {
        if (Connection* c = find(unit)) {
            for (Entry& e : table)
                if (e.used && &e.conn == c) close_entry(e, true);
        }
        return;
    }

    // Reopening a unit closes what it held first.
    for (Entry& e : table)
        if (e.used && e.unit == unit) close_entry(e, true);

    Entry* slot = nullptr;
    for (Entry& e : table)
        if (!e.used) {
            slot = &e;
            break;
        }
    if (!slot) fail(Error::unit_table_full, Stmt::open, name.c_str());

    const auto& sys = calls();
    platform::Handle h = platform::no_handle;
    Access got = Access::read;
    Failure f;
    if (read_only) {
        f = sys.open(name.c_str(), Access::read, false, &h);
    } else {
        bool create = !old && !sys.exists(name.c_str());
        got = Access::read_write;
        f = sys.open(name.c_str(), Access::read_write, create, &h);
        if (f == Failure::access_denied && !create) {
            got = Access::read;
            f = sys.open(name.c_str(), Access::read, false, &h);
            if (f == Failure::access_denied) {
                got = Access::write;
                f = sys.open(name.c_str(), Access::write, false, &h);
            }
        }
    }
    if (f != Failure::none) fail(open_error(f), Stmt::open, name.c_str());

    // One file on two units would interleave their buffers: refuse it, whatever
    // name reached the file.
    platform::FileId id{};
    if (sys.identity(h, &id)) {
        for (Entry& e : table)
            if (e.used && e.conn.id == id) {
                sys.close(h);
                fail(Error::already_connected, Stmt::open, name.c_str());
            }
    }
    if (append && sys.seek_end(h) != Failure::none) {
        sys.close(h);
        fail(Error::open_failed, Stmt::open, name.c_str());
    }

    Connection& c = slot->conn;
    c.kind = binary ? ConnKind::stream : ConnKind::text;
    c.name = name;
    c.handle = h;
    c.action = got;
    c.id = id;
    c.fill = c.next = c.whole = 0;
    c.pending = c.continued = c.at_end = false;
    slot->unit = unit;
    slot->used = true;
    if (slot - table >= table_top) table_top = static_cast<int>(slot - table) + 1;
}

RecordSink& output_sink(int unit) {
    if (Connection* c = find(unit)) return *c;
    if (is_console_output(unit)) return console_out();
    fail(Error::open_failed, Stmt::write, "");
}

const char* unit_name(int unit) {
    if (Connection* c = find(unit)) return c->name.c_str();
    return "CON";
}

int read_bytes(int unit, std::uint8_t* dest, std::size_t n, std::size_t* stored) {
    std::size_t reached = 0;
    if (!stored) stored = &reached;
    *stored = 0;
    Connection* c = find(unit);
    if (!c) fail(Error::open_failed, Stmt::read, "");
    if (c->at_end) return -1;
    const auto& sys = calls();
    while (n > 0) {
        if (c->next == c->fill) {
            // The same chunk-sized reads either way; while a whole chunk is
            // still wanted it goes straight to the destinations, not through
            // the buffer and a copy.
            char* to = n >= sizeof c->buf ? reinterpret_cast<char*>(dest) : c->buf;
            std::size_t got = 0;
            Failure f = sys.read(c->handle, to, sizeof c->buf, &got);
            c->next = c->fill = 0;
            if (f != Failure::none) return static_cast<int>(Error::read_failed);
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

std::size_t read_console_line(int unit, const char** text) {
    if (!is_console_input(unit) || find(unit)) fail(Error::open_failed, Stmt::read, unit_name(unit));
    Connection& in = console_in();
    if (in.pending && !in.continued) console_raw("\r\n", 2);
    in.continued = false;
    const auto& sys = calls();
    bool interactive = sys.is_char_device(sys.std_handle(platform::Std::input));
    std::size_t len = 0;
    bool cut = false;
    // The line and its line end must fit the console buffer.
    if (!read_stdin_line(in.buf, console_buffer_size - 2, &len, &cut))
        fail(Error::end_of_input, Stmt::read, "CON");
    if (cut && interactive) fail(Error::line_too_long, Stmt::read, "CON");
    // Code 26 closing a typed line is the end of input.
    if (interactive && len > 0 && in.buf[len - 1] == '\x1a')
        fail(Error::end_of_input, Stmt::read, "CON");
    in.pending = false;
    *text = in.buf;
    return len;
}

int arg_count() { return platform::word_count(); }

std::int16_t arg_word(std::int16_t n, char* text, int len) {
    std::size_t wlen = 0;
    const char* w = n >= 0 ? platform::word(n, &wlen) : nullptr;
    if (!w) return -1;
    std::size_t take = wlen < static_cast<std::size_t>(len) ? wlen : static_cast<std::size_t>(len);
    std::memcpy(text, w, take);
    std::memset(text + take, ' ', static_cast<std::size_t>(len) - take);
    return static_cast<std::int16_t>(wlen > 32767 ? 32767 : wlen);
}

void close_units() {
    for (Entry& e : table)
        if (e.used) close_entry(e, true);
}

void reset_units() {
    for (Entry& e : table)
        if (e.used) close_entry(e, false);
    next_word = 1;
    reset_console();
}

void exit_run(int status) {
    // A unit whose buffer cannot be written at exit ends the run with an error
    // report; the units after it are still closed by that report's own exit.
    close_units();
    end_pending_line(true);
    calls().exit(status);
    std::abort();
}

void stop(int status) {
    end_pending_line(false);
    static const char msg[] = "Stop - Program terminated.\r\n";
    console_raw(msg, sizeof msg - 1);
    exit_run(status);
}

void report_and_exit(Error e, Stmt s, const char* name) {
    static const char* const stmt_text[] = {": OPEN(", ": READ(", ": WRITE(", ": CLOSE("};
    std::string report = "\r\nrun-time error F";
    char num[16];
    std::snprintf(num, sizeof num, "%04d", static_cast<int>(e));
    report += num;
    report += stmt_text[static_cast<int>(s)];
    report += name;
    report += ")\r\n- ";
    report += error_text(e);
    report += "\r\n";
    const auto& sys = calls();
    sys.write(sys.std_handle(platform::Std::error), report.data(), report.size());
    exit_run(1);
}

} // namespace fmtio
