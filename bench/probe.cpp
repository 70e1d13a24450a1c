// The program itself, built from the same libraries, with two things added:
// a count of heap allocations, and a log of every read and write it makes,
// which the I/O floor replays.
//
//   bench_probe PLAN DATAFILE
//
// Runs exactly as `preflister DATAFILE` does, in the current folder. At the
// end it writes the log to PLAN and "allocations N" to standard error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "bench/plan.h"
#include "driver/scan_loop.h"
#include "driver/setup.h"
#include "fmtio/platform/platform.h"
#include "fmtio/units/units.h"

namespace {

using fmtio::platform::Calls;
using fmtio::platform::Failure;
using fmtio::platform::Handle;
using fmtio::platform::Std;

// Heap allocations of the whole process, static initialisation included;
// the probe's own log does not count.
std::size_t allocations = 0;
bool own = false;

Calls native;
std::vector<std::uint32_t> plan;
const char* plan_path = nullptr;

void log(std::uint32_t kind, std::uint32_t n) {
    own = true;
    // Consecutive data reads share one entry.
    if (kind == bench::data_read && !plan.empty() && bench::kind_of(plan.back()) == kind)
        ++plan.back();
    else
        plan.push_back(bench::op(kind, n));
    own = false;
}

Failure read_logged(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    if (h != native.std_handle(Std::input)) log(bench::data_read, 1);
    return native.read(h, buf, cap, got);
}

// Each of the record's reads is logged as the single reads are.
Failure read_chunks_logged(Handle h, void* buf, std::size_t chunk, std::size_t n, std::size_t* done, bool* ended) {
    return fmtio::platform::read_chunks_by(read_logged, h, buf, chunk, n, done, ended);
}

Failure write_logged(Handle h, const void* buf, std::size_t n, std::size_t* put) {
    std::uint32_t kind = bench::listing_write;
    if (h == native.std_handle(Std::output))
        kind = bench::console_write;
    else if (h == native.std_handle(Std::error))
        kind = bench::error_write;
    log(kind, static_cast<std::uint32_t>(n));
    return native.write(h, buf, n, put);
}

void exit_logged(int status) {
    if (std::FILE* f = std::fopen(plan_path, "wb")) {
        std::fwrite(plan.data(), sizeof plan[0], plan.size(), f);
        std::fclose(f);
    } else {
        std::fprintf(stderr, "bench_probe: cannot write %s\n", plan_path);
    }
    std::fprintf(stderr, "allocations %zu\n", allocations);
    native.exit(status);
}

} // namespace

void* operator new(std::size_t n) {
    if (!own) ++allocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_probe PLAN DATAFILE\n");
        return 2;
    }
    plan_path = argv[1];
    own = true;
    plan.reserve(1 << 16);
    own = false;

    Calls& calls = fmtio::platform::calls();
    native = calls;
    calls.read = read_logged;
    calls.read_chunks = read_chunks_logged;
    calls.write = write_logged;
    calls.exit = exit_logged;

    // Word 0 is the plan's name, word 1 the data file: as preflister sees it.
    fmtio::start_run(argc - 1, argv + 1);
    driver::run_setup();
    driver::scan_records();
}
