// The state the record loop and the decoder share for the whole run.
#pragma once
#include <cstdint>

namespace preface {

constexpr int record_size = 4096;
constexpr int max_digits = 89;

// Units the scan connects: the data file, the console device, the listing.
constexpr int data_unit = 1;
constexpr int console_unit = 6;
constexpr int listing_unit = 20;

// Arrays are indexed from 1, as the record's bytes and digits are counted;
// element 0 is never used.
struct alignas(64) ScanState {
    // Puts ibuf[1], where each record is read, at the start of a cache line:
    // the system copies a record there a few per cent faster than to a
    // place a byte past one.
    std::uint8_t lead[63];
    // Record byte k as 0..255. The record is read straight into it: stored
    // unsigned, each byte already is its value, and no pass widens it.
    std::uint8_t ibuf[record_size + 1];
    std::int32_t ipref[max_digits + 1];  // preface digits; 0 where the type decodes none
    std::int32_t irec;                   // record number, from 1
    std::int32_t ivstat_prev;            // ivstat just before the current record was decoded
    std::int32_t ivstat;                 // station identifier, 0..4095, kept across records
    std::int32_t itype;                  // 0..15, or the type code minus 100 when rejected
    std::int32_t ipos;                   // byte where the preface starts; always 1
};

extern ScanState scan;

} // namespace preface
