// The read and write log that bench_probe records and iofloor replays: one
// 32-bit entry per call, the kind in the top 2 bits and a count below.
#pragma once
#include <cstdint>

namespace bench {

enum : std::uint32_t {
    data_read = 0,      // count: data-file reads of up to 1024 bytes in a row
    console_write = 1,  // count: bytes written to standard output
    listing_write = 2,  // count: bytes written to the listing
    error_write = 3,    // count: bytes written to standard error
};

inline std::uint32_t op(std::uint32_t kind, std::uint32_t n) { return kind << 30 | n; }
inline std::uint32_t kind_of(std::uint32_t e) { return e >> 30; }
inline std::uint32_t count_of(std::uint32_t e) { return e & 0x3FFFFFFF; }

} // namespace bench
