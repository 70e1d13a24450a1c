#include "tests/fuzz/memory_platform.h"

#include <cstring>

#include "fmtio/errors.h"
#include "fmtio/platform.h"
#include "fmtio/units.h"

namespace fuzz {
namespace {

using fmtio::platform::Access;
using fmtio::platform::Calls;
using fmtio::platform::Failure;
using fmtio::platform::FileId;
using fmtio::platform::Handle;
using fmtio::platform::Std;

MemoryProcess* current = nullptr;

constexpr Handle in_handle = 100, out_handle = 101, err_handle = 102;
constexpr Handle data_handle = 200, listing_handle = 201;

Handle std_handle(Std which) {
    switch (which) {
    case Std::input: return in_handle;
    case Std::output: return out_handle;
    case Std::error: return err_handle;
    }
    return fmtio::platform::no_handle;
}

bool is_char_device(Handle) { return false; }

bool exists(const char* name) {
    if (std::strcmp(name, "x.dat") == 0) return true;
    if (std::strcmp(name, "preflist") == 0) return current->listing_exists;
    return false;
}

Failure open(const char* name, Access access, bool create_exclusive, Handle* out) {
    if (std::strcmp(name, "x.dat") == 0) {
        if (access != Access::read) return Failure::access_denied;
        *out = data_handle;
        return Failure::none;
    }
    if (std::strcmp(name, "preflist") == 0) {
        if (create_exclusive && current->listing_exists) return Failure::exists;
        current->listing_exists = true;
        *out = listing_handle;
        return Failure::none;
    }
    return Failure::not_found;
}

bool identity(Handle h, FileId* id) {
    if (h != data_handle && h != listing_handle) return false;
    *id = FileId{1, static_cast<std::uint64_t>(h)};
    return true;
}

Failure seek_end(Handle) { return Failure::none; }

Failure read(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    *got = 0;
    if (h == in_handle) return Failure::none;  // standard input is empty
    if (h != data_handle) return Failure::io_error;
    MemoryProcess& p = *current;
    std::size_t n = p.size - p.pos < cap ? p.size - p.pos : cap;
    if (p.plan.data_read_fails) {
        if (p.pos >= p.plan.data_read_fails_at) {
            p.data_faulted = true;
            return Failure::io_error;
        }
        // The bytes before the bad spot still arrive.
        if (p.plan.data_read_fails_at - p.pos < n) n = p.plan.data_read_fails_at - p.pos;
    }
    std::memcpy(buf, p.data + p.pos, n);
    p.pos += n;
    *got = n;
    return Failure::none;
}

Failure write(Handle h, const void* buf, std::size_t n) {
    MemoryProcess& p = *current;
    const char* b = static_cast<const char*>(buf);
    switch (h) {
    case out_handle:
        if (++p.console_writes == p.plan.console_write_fails) {
            p.console_faulted = true;
            return Failure::broken_pipe;
        }
        p.out.append(b, n);
        return Failure::none;
    case err_handle:
        p.err.append(b, n);
        return Failure::none;
    case listing_handle:
        if (++p.listing_writes == p.plan.listing_write_fails) {
            p.listing_faulted = true;
            return Failure::disk_full;
        }
        p.listing.append(b, n);
        return Failure::none;
    default:
        return Failure::io_error;
    }
}

void close(Handle) {}

void exit(int status) { throw Exited{status}; }

const Calls memory_calls = {std_handle, is_char_device, exists, open, identity, seek_end,
                            read,       write,          close,  exit};

} // namespace

MemoryProcess::MemoryProcess(const std::uint8_t* d, std::size_t n, FaultPlan p)
    : data(d), size(n), plan(p) {
    current = this;
    fmtio::platform::calls() = memory_calls;
    fmtio::set_fail_hook(nullptr);
    fmtio::reset_units();
}

MemoryProcess::~MemoryProcess() {
    // Closing without a report: the calls are still the in-memory ones.
    fmtio::reset_units();
    fmtio::set_fail_hook(nullptr);
    current = nullptr;
}

} // namespace fuzz
