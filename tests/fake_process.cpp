#include "tests/fake_process.h"

#include <cstring>

#include "fmtio/platform/interrupts.h"
#include "fmtio/units/unit_table.h"
#include "fmtio/units/units.h"

namespace testing_support {
namespace {

using fmtio::platform::Access;
using fmtio::platform::Calls;
using fmtio::platform::Failure;
using fmtio::platform::FileId;
using fmtio::platform::Handle;
using fmtio::platform::Kind;
using fmtio::platform::native_calls;
using fmtio::platform::Std;

FakeProcess* current = nullptr;
constexpr Handle fake_in = 1000000, fake_out = 1000001, fake_err = 1000002;

const std::string* stream_name(Handle h) {
    if (h == fake_in) return &stdin_name;
    if (h == fake_out) return &stdout_name;
    if (h == fake_err) return &stderr_name;
    auto it = current->open.find(h);
    return it == current->open.end() ? nullptr : &it->second.name;
}

// The fault planned for this call, if any: counts the call either way.
Fault* planned(Handle h, Fault::Call call) {
    const std::string* name = stream_name(h);
    if (!name) return nullptr;
    int n = ++current->counts[{*name, static_cast<int>(call)}];
    for (Fault& f : current->faults)
        if (!f.hit && f.call == call && f.nth == n && f.file == *name) {
            f.hit = true;
            return &f;
        }
    return nullptr;
}

std::size_t shortened(std::size_t n) { return n / 2 > 0 ? n / 2 : n; }

// A call that waits for a reader that never reads, and a signal: the
// handler runs, and if it lets the process go on, the call comes back cut
// short, or, when the signal came before it started, waits for ever.
Failure interrupted(const Fault& f) {
    current->interrupt(f.sig);
    if (f.action == Fault::Action::interrupt_first) throw WaitsForEver{};
    return Failure::interrupted;
}

bool interrupts(const Fault& f) {
    return f.action == Fault::Action::interrupt || f.action == Fault::Action::interrupt_first;
}

Handle std_handle(Std which) {
    switch (which) {
    case Std::input: return fake_in;
    case Std::output: return fake_out;
    case Std::error: return fake_err;
    }
    return fmtio::platform::no_handle;
}

Kind kind(Handle h) {
    if (h == fake_in || h == fake_out) return current->interactive ? Kind::device : Kind::disk;
    if (h == fake_err) return Kind::disk;
    auto it = current->open.find(h);
    if (it != current->open.end() && it->second.mem) return it->second.mem->kind;
    return native_calls().kind(h);
}

Kind look_up(const char* name) {
    auto it = current->files.find(name);
    if (it != current->files.end()) return it->second.kind;
    return current->memory_only ? Kind::none : native_calls().look_up(name);
}

Failure open(const char* name, Access access, bool create_exclusive, bool append, Handle* out) {
    FakeProcess& p = *current;
    auto it = p.files.find(name);
    if (it == p.files.end() && p.memory_only) {
        if (!create_exclusive) return Failure::not_found;
        it = p.files.emplace(name, FakeProcess::MemFile{"", p.files.size() + 1, Kind::disk}).first;
    } else if (it != p.files.end() && create_exclusive) {
        return Failure::exists;
    }
    if (it == p.files.end()) {
        Handle h = fmtio::platform::no_handle;
        Failure f = native_calls().open(name, access, create_exclusive, append, &h);
        if (f == Failure::none) {
            p.open[h] = {name, nullptr, append};
            *out = h;
        }
        return f;
    }
    *out = p.next_handle++;
    p.open[*out] = {name, &it->second, append && access != Access::read};
    return Failure::none;
}

FakeProcess::OpenFile* in_memory(Handle h) {
    auto it = current->open.find(h);
    return it != current->open.end() && it->second.mem ? &it->second : nullptr;
}

bool identity(Handle h, FileId* id) {
    if (FakeProcess::OpenFile* f = in_memory(h)) {
        *id = FileId{0xFA4E, f->mem->index};
        return true;
    }
    return native_calls().identity(h, id);
}

Failure seek_end(Handle h) {
    if (FakeProcess::OpenFile* f = in_memory(h)) {
        f->pos = f->mem->bytes.size();
        return Failure::none;
    }
    return native_calls().seek_end(h);
}

Failure read(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    *got = 0;
    if (Fault* f = planned(h, Fault::Call::read)) {
        if (interrupts(*f)) return interrupted(*f);
        if (f->action == Fault::Action::fail) return f->failure;
        if (f->action == Fault::Action::zero) return Failure::none;
        cap = shortened(cap);
    }
    FakeProcess& p = *current;
    const std::string* from = nullptr;
    std::size_t* pos = nullptr;
    if (h == fake_in) {
        from = &p.in;
        pos = &p.in_pos;
        // An interactive console hands over one line at a time.
        std::size_t nl = p.in.find('\n', p.in_pos);
        if (p.interactive && nl != std::string::npos && nl + 1 - p.in_pos < cap) cap = nl + 1 - p.in_pos;
    } else if (FakeProcess::OpenFile* f = in_memory(h)) {
        from = &f->mem->bytes;
        pos = &f->pos;
    } else {
        return native_calls().read(h, buf, cap, got);
    }
    std::size_t left = *pos < from->size() ? from->size() - *pos : 0;
    std::size_t n = left < cap ? left : cap;
    std::memcpy(buf, from->data() + *pos, n);
    *pos += n;
    *got = n;
    return Failure::none;
}

Failure write(Handle h, const void* buf, std::size_t n, std::size_t* put) {
    *put = 0;
    if (Fault* f = planned(h, Fault::Call::write)) {
        if (interrupts(*f)) return interrupted(*f);
        if (f->action == Fault::Action::fail) return f->failure;
        if (f->action == Fault::Action::zero) return Failure::none;
        n = shortened(n);
    }
    const char* b = static_cast<const char*>(buf);
    if (h == fake_out || h == fake_err) {
        (h == fake_out ? current->out : current->err).append(b, n);
    } else if (FakeProcess::OpenFile* f = in_memory(h)) {
        std::string& bytes = f->mem->bytes;
        if (f->append) f->pos = bytes.size();
        if (bytes.size() < f->pos + n) bytes.resize(f->pos + n);
        bytes.replace(f->pos, n, b, n);
        f->pos += n;
    } else {
        return native_calls().write(h, buf, n, put);
    }
    *put = n;
    return Failure::none;
}

Failure lock(Handle h, bool wait) {
    if (in_memory(h)) return Failure::none;
    return native_calls().lock(h, wait);
}

void close(Handle h) {
    auto it = current->open.find(h);
    bool real = it == current->open.end() || !it->second.mem;
    if (it != current->open.end()) current->open.erase(it);
    if (real) native_calls().close(h);
}

void exit(int status) { throw Exited{status}; }

void throw_fatal(fmtio::Error e, fmtio::Stmt s, const char* name, const char* why) {
    throw Fatal{e, s, name, why ? why : ""};
}

Failure read_chunks(Handle h, void* buf, std::size_t chunk, std::size_t n, std::size_t* done, bool* ended) {
    return fmtio::platform::read_chunks_by(read, h, buf, chunk, n, done, ended);
}

// The process's interrupt handler, called where a fault plans an interrupt.
void on_interrupt(void (*handler)(int sig)) { current->interrupt_handler = handler; }

void end_by_signal(int sig) { throw Signalled{sig}; }

const Calls fake_calls = {std_handle, kind,  look_up,     open, identity, seek_end, read,          write,
                          read_chunks, lock, close, exit, on_interrupt, end_by_signal};

} // namespace

FakeProcess::FakeProcess(std::string input, bool interactive_console)
    : in(std::move(input)), interactive(interactive_console) {
    current = this;
    fmtio::platform::calls() = fake_calls;
    fmtio::set_termination(throw_fatal);
    fmtio::reset_units();
    // Interrupts are caught as a run catches them, from a fresh start.
    fmtio::catch_interrupts(fmtio::save_whole_records);
}

FakeProcess::~FakeProcess() {
    // Closing without a report, while the calls are still this process's,
    // and with no interrupt left waiting from a run that ended by one.
    fmtio::catch_interrupts(fmtio::save_whole_records);
    fmtio::reset_units();
    fmtio::set_termination(nullptr);
    fmtio::platform::calls() = native_calls();
    current = nullptr;
}

void FakeProcess::let_failures_terminate() { fmtio::set_termination(fmtio::terminate_run); }

void FakeProcess::add_file(const std::string& name, std::string bytes, Kind kind) {
    auto it = files.find(name);
    if (it == files.end()) {
        files.emplace(name, MemFile{std::move(bytes), files.size() + 1, kind});
    } else {
        it->second.bytes = std::move(bytes);
        it->second.kind = kind;
    }
}

void FakeProcess::interrupt(int sig) {
    if (interrupt_handler) interrupt_handler(sig);
}

std::string FakeProcess::file(const std::string& name) const {
    auto it = files.find(name);
    return it == files.end() ? std::string() : it->second.bytes;
}

bool FakeProcess::has_file(const std::string& name) const { return files.count(name) > 0; }

int FakeProcess::calls_of(const std::string& name, Fault::Call call) const {
    auto it = counts.find({name, static_cast<int>(call)});
    return it == counts.end() ? 0 : it->second;
}

} // namespace testing_support
