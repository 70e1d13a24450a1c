// An in-memory process for fuzzing: the data file, the listing, the console and
// standard error live in strings, and the process exit throws instead of ending
// the fuzzer. Faults can be planned on the data file, the listing and the console.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Thrown in place of the process exit.
struct Exited {
    int status;
};

// Which call to make fail, counted from 1; 0 never.
struct FaultPlan {
    std::size_t data_read_fails_at = 0;  // the data file's read that meets this offset fails
    bool data_read_fails = false;
    int listing_write_fails = 0;         // the listing's nth write reports a full disk
    int console_write_fails = 0;         // standard output's nth write reports a closed pipe
};

class MemoryProcess {
public:
    // Installs the in-memory calls and starts the units afresh. The data file
    // is named "x.dat"; the listing "preflist".
    MemoryProcess(const std::uint8_t* data, std::size_t size, FaultPlan plan = {});
    ~MemoryProcess();
    MemoryProcess(const MemoryProcess&) = delete;
    MemoryProcess& operator=(const MemoryProcess&) = delete;

    std::string out;      // standard output
    std::string err;      // standard error
    std::string listing;  // what reached the listing file
    bool listing_faulted = false;
    bool console_faulted = false;
    bool data_faulted = false;

    // Internal to the calls table.
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;
    FaultPlan plan;
    int listing_writes = 0;
    int console_writes = 0;
    bool listing_exists = false;
};

} // namespace fuzz
