// Opening a unit: the open specifiers, the console device, and files.
#include <cstring>
#include <initializer_list>
#include <string>

#include "fmtio/units/blank_name.h"
#include "fmtio/units/failure_errors.h"
#include "fmtio/platform/system_io.h"
#include "fmtio/units/text.h"
#include "fmtio/units/unit_table.h"
#include "fmtio/units/units.h"

namespace fmtio {
namespace {

using platform::Access;
using platform::calls;
using platform::Failure;
using platform::Kind;

bool one_of(const char* value, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (matches(value, w)) return true;
    return false;
}

// "CON", in any case, with or without an extension.
bool is_console_device(const std::string& name) {
    std::size_t dot = name.rfind('.');
    std::size_t base = dot == std::string::npos ? name.size() : dot;
    return base == 3 && matches(name.c_str(), 3, "CON");
}

struct Specifiers {
    bool old = false, append = false, binary = false, read_only = false;
};

// Each value given must be one of its specifier's; Specifiers says what they ask for.
bool read_specifiers(const OpenSpec& spec, Specifiers& s) {
    bool ok = true;
    if (spec.status) {
        ok = ok && one_of(spec.status, {"OLD", "UNKNOWN"});
        s.old = matches(spec.status, "OLD");
    }
    if (spec.access) {
        ok = ok && one_of(spec.access, {"SEQUENTIAL", "APPEND"});
        s.append = matches(spec.access, "APPEND");
    }
    if (spec.form) {
        ok = ok && one_of(spec.form, {"FORMATTED", "BINARY"});
        s.binary = matches(spec.form, "BINARY");
    }
    if (spec.mode) {
        ok = ok && one_of(spec.mode, {"READ", "READWRITE"});
        s.read_only = matches(spec.mode, "READ");
    }
    return ok;
}

// MODE="read" is read only, with no fallback; without MODE, read and write,
// then read only, then write only. *got is the access that succeeded.
Failure open_file(const std::string& name, const Specifiers& s, platform::Handle* h, Access* got) {
    const auto& sys = calls();
    if (s.read_only) {
        *got = Access::read;
        return sys.open(name.c_str(), Access::read, false, false, h);
    }
    const Kind found = sys.look_up(name.c_str());
    // A FIFO opens as the shell opens one for >>: for writing only, waiting
    // for its reader. Opened for reading too, the run would be its own
    // reader: it would never wait, and the lines that nobody received would
    // vanish at its exit while the run reported the listing complete.
    if (found == Kind::pipe) {
        *got = Access::write;
        return sys.open(name.c_str(), Access::write, false, s.append, h);
    }
    bool create = !s.old && found == Kind::none;
    *got = Access::read_write;
    Failure f = sys.open(name.c_str(), Access::read_write, create, s.append, h);
    // Another run made the file between the test and the create: it is the
    // existing file now, to be used as such.
    if (f == Failure::exists) {
        create = false;
        f = sys.open(name.c_str(), Access::read_write, false, s.append, h);
    }
    if (f == Failure::access_denied && !create) {
        *got = Access::read;
        f = sys.open(name.c_str(), Access::read, false, false, h);
        if (f == Failure::access_denied) {
            *got = Access::write;
            f = sys.open(name.c_str(), Access::write, false, s.append, h);
        }
    }
    return f;
}

// Standard output or error that is this very file (preflister x.dat >> preflist)
// would put console bytes into it: the description for the refusal, or nullptr.
// The report of a refusal for standard error would change the file itself,
// so it is not written.
const char* shared_with_standard_stream(Kind kind, const platform::FileId& id) {
    const auto& sys = calls();
    // A terminal or /dev/null as a file of the run and as a stream is no harm.
    if (kind == Kind::device) return nullptr;
    platform::FileId other{};
    platform::Handle out = sys.std_handle(platform::Std::output);
    if (out != platform::no_handle && sys.identity(out, &other) && other == id)
        return "the file is also the standard output";
    platform::Handle err = sys.std_handle(platform::Std::error);
    if (err != platform::no_handle && sys.identity(err, &other) && other == id) {
        drop_error_report();
        return "the file is also the standard error";
    }
    return nullptr;
}

// One run at a time writes a listing: a second one waits for the first to end
// and then appends its whole part after it. Without locks in the file system
// the run goes on without one; appending still keeps every byte. A device
// such as /dev/null is one file for every process on the machine: holding it
// would make unrelated runs wait for each other, and it keeps no parts. A
// FIFO keeps none either: its reader takes the lines as they come.
void lock_for_writing(platform::Handle h, Kind kind, const std::string& name) {
    const auto& sys = calls();
    if (kind != Kind::disk) return;
    Failure f = sys.lock(h, false);
    if (f != Failure::busy) return;
    std::string notice = name + " is in use by another run: waiting until that run ends\r\n";
    write_all(sys.std_handle(platform::Std::error), notice.data(), notice.size());
    do {
        f = sys.lock(h, true);
    } while (f == Failure::interrupted);
}

} // namespace

void open_unit(int unit, const OpenSpec& spec) {
    const char* file = spec.file ? spec.file : "";
    std::size_t flen = spec.file_len < 0 ? std::strlen(file) : static_cast<std::size_t>(spec.file_len);
    std::string name = trimmed(file, flen);

    Specifiers s;
    if (!read_specifiers(spec, s)) fail(Error::bad_specifier, Stmt::open, name.c_str());
    if (name.empty()) name = blank_name(unit);

    // Reopening a unit closes what it held first.
    if (Connection* c = find_unit(unit)) c->close(true);
    // FILE="CON" on unit 6 is the console device: unit 6 already writes there.
    if (unit == 6 && is_console_device(name)) return;

    Connection* slot = free_entry();
    if (!slot) fail(Error::unit_table_full, Stmt::open, name.c_str());

    const auto& sys = calls();
    platform::Handle h = platform::no_handle;
    Access got = Access::read;
    Failure f = open_file(name, s, &h, &got);
    if (f != Failure::none) fail(open_error(f), Stmt::open, name.c_str(), failure_text(f));

    // One file on two units would interleave their buffers: refuse it, whatever
    // name reached the file.
    const Kind kind = sys.kind(h);
    platform::FileId id{};
    if (sys.identity(h, &id)) {
        for (const Connection& c : unit_table)
            if (c.used && c.id == id) {
                sys.close(h);
                fail(Error::already_connected, Stmt::open, name.c_str());
            }
        if (const char* why = shared_with_standard_stream(kind, id)) {
            sys.close(h);
            fail(Error::already_connected, Stmt::open, name.c_str(), why);
        }
    }
    if (s.append && sys.seek_end(h) != Failure::none) {
        sys.close(h);
        fail(Error::open_failed, Stmt::open, name.c_str());
    }
    if (!s.binary && got != Access::read) lock_for_writing(h, kind, name);

    Connection& c = *slot;
    c.unit = unit;
    c.kind = s.binary ? ConnKind::stream : ConnKind::text;
    c.name = name;
    c.handle = h;
    c.action = got;
    c.id = id;
    c.fill = c.next = c.whole = 0;
    c.pending = c.continued = c.at_end = false;
    c.may_block = kind == Kind::pipe || kind == Kind::device;
    enter_unit(c);
}

} // namespace fmtio
