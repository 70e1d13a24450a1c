#include "preface/decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "fmtio/compiled/prepared_read.h"
#include "fmtio/compiled/prepared_write.h"
#include "fmtio/platform/vector_unit.h"
#include "fmtio/units/statements.h"
#include "preface/scan_state.h"

namespace preface {
namespace {

using fmtio::Format;
using fmtio::item;
using fmtio::item16;
using fmtio::ref;

// Compiled once for the run; every record reuses them.
const Format rej_fmt("(i5,a,3z2)");
const Format hex3_fmt("(3z1)");
const Format hex3_read("(z3)");
const Format date_fmt("(z2,z1,z2)");
const Format date_read("(5i1)");
const Format time_fmt("(3z2)");
const Format time_read("(6i1)");
const Format xmtr_fmt("(a,2i4)");

// Nibbles and packed decimal are converted by writing them as hexadecimal
// text here and reading the text back.
constexpr int cwork_len = 10;

// The conversions' text and values share one cache line: a record's
// conversions fetch one line for them, not four.
struct alignas(64) Work {
    char cwork[cwork_len];
    std::int16_t bcd_byte[3];
    std::int32_t nibble[3];
    std::int32_t xmtr_id;
};
Work work = {};
char (&cwork)[cwork_len] = work.cwork;

int ndig = 57;
std::int32_t& xmtr_id = work.xmtr_id;

// Byte k of the record, counted from 1. The preface always starts the
// record, so positions are record byte numbers whatever ipos holds.
inline int byte(int k) { return scan.ibuf[k]; }

// The values the conversions write: three nibbles, or three record bytes as
// 16-bit integers.
std::int32_t (&nibble)[3] = work.nibble;
std::int16_t (&bcd_byte)[3] = work.bcd_byte;
const fmtio::Bound nibble_items[3] = {fmtio::bind(nibble[0]), fmtio::bind(nibble[1]), fmtio::bind(nibble[2])};
const fmtio::Bound bcd_items[3] = {fmtio::bind(bcd_byte[0]), fmtio::bind(bcd_byte[1]), fmtio::bind(bcd_byte[2])};
const fmtio::ReadItem date_digits[5] = {ref(scan.ipref[1]), ref(scan.ipref[2]), ref(scan.ipref[3]),
                                        ref(scan.ipref[4]), ref(scan.ipref[5])};
const fmtio::ReadItem time_digits[6] = {ref(scan.ipref[6]), ref(scan.ipref[7]), ref(scan.ipref[8]),
                                        ref(scan.ipref[9]), ref(scan.ipref[10]), ref(scan.ipref[11])};
const fmtio::ReadItem station_id[1] = {ref(scan.ivstat)};
const fmtio::ReadItem transmitter_id[1] = {ref(xmtr_id)};

// The conversions' statements, prepared once for cwork: every record issues
// them again.
const fmtio::PreparedWrite hex3_write(cwork, cwork_len, hex3_fmt, nibble_items, 3);
const fmtio::PreparedRead station_read(cwork, cwork_len, hex3_read, station_id, 1);
const fmtio::PreparedRead transmitter_read(cwork, cwork_len, hex3_read, transmitter_id, 1);
const fmtio::PreparedWrite date_write(cwork, cwork_len, date_fmt, bcd_items, 3);
const fmtio::PreparedRead date_digits_read(cwork, cwork_len, date_read, date_digits, 5);
const fmtio::PreparedWrite time_write(cwork, cwork_len, time_fmt, bcd_items, 3);
const fmtio::PreparedRead time_digits_read(cwork, cwork_len, time_read, time_digits, 6);

// Three low nibbles as one 12-bit value, through cwork: "(3z1)" then "(z3)"
// by `read`.
void hex3(int a, int b, int c, const fmtio::PreparedRead& read) {
    nibble[0] = a & 15;
    nibble[1] = b & 15;
    nibble[2] = c & 15;
    hex3_write();
    read();
}

// Three record bytes from p on, as 16-bit items, through cwork by `write`,
// read back as digits by `read`.
void bcd3(const std::uint8_t* p, const fmtio::PreparedWrite& write, const fmtio::PreparedRead& read) {
    for (int j = 0; j < 3; ++j)
        bcd_byte[j] = p[j];
    write();
    read();
}

// A transmitter that differs from its station is rare: its line is written
// out of line, so the header's decoding sets up nothing for it.
[[gnu::noinline, gnu::cold]] void write_transmitter_line() {
    fmtio::write_formatted(listing_unit, xmtr_fmt, {item(" ivstat,xmtr_id:"), item(scan.ivstat), item(xmtr_id)});
}

} // namespace

void decode_nibbles(int first, int n) {
    // Never past the digit slots or the end of the record. Two plain mins:
    // GCC 12 at -O1 and above drops this loop when the bound is written as
    // std::min({...}).
    if (first < 1)
        return;
    n = std::min(std::min(n, max_digits), record_size - first + 1);
    for (int i = 1; i <= n; ++i)
        scan.ipref[i] = byte(first + i - 1) & 15;
}

// ipref(1..89) to 0.
#if PREFLISTER_SSE2
template <std::size_t... k>
inline void clear_blocks(std::index_sequence<k...>) {
    const __m128i zero = _mm_setzero_si128();
    (_mm_storeu_si128(reinterpret_cast<__m128i*>(&scan.ipref[1 + 4 * k]), zero), ...);
}

// Sixteen bytes a store: a plain memset of this size is a string instruction
// that steps one word at a time.
inline void clear_digits() {
    clear_blocks(std::make_index_sequence<max_digits / 4>{});
    for (int i = max_digits / 4 * 4 + 1; i <= max_digits; ++i)
        scan.ipref[i] = 0;
}
#else
inline void clear_digits() { std::memset(scan.ipref + 1, 0, sizeof scan.ipref[0] * max_digits); }
#endif

// Bytes 0..7 from p as one word, byte k in bits 8k..8k+7 whatever the
// machine's byte order.
inline std::uint64_t load_le64(const std::uint8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    const std::uint16_t one = 1;
    std::uint8_t low;
    std::memcpy(&low, &one, 1);
    return low == 1 ? w : __builtin_bswap64(w);
}

// The bit 0s of four bytes in the low 8k.. bits of a word, byte k at bit
// 8k, gathered by one multiply into bits 24..27: the first byte lowest.
inline std::int32_t gather4(std::uint32_t w) {
    return static_cast<std::int32_t>(((w & 0x01010101u) * 0x01020408u) >> 24);
}

// Digits first..last from byte p on, four bytes each, two at a time.
void bit_run(int first, int last, int p) {
    int i = first;
    for (; i < last; i += 2, p += 8) {
        std::uint64_t w = load_le64(&scan.ibuf[p]);
        scan.ipref[i] = gather4(static_cast<std::uint32_t>(w));
        scan.ipref[i + 1] = gather4(static_cast<std::uint32_t>(w >> 32));
    }
    if (i == last) {
        std::uint64_t w = load_le64(&scan.ibuf[p - 4]);
        scan.ipref[i] = gather4(static_cast<std::uint32_t>(w >> 32));
    }
}

void decode_bit_serial(int n, bool gaps) {
    // With 89 digits and two gaps the run ends at byte 616, well inside the record.
    n = std::min(n, max_digits);
    if (!gaps) {
        bit_run(1, n, 5);
        return;
    }
    // Bits come in 128-byte blocks of 32 digits, each followed by a block we
    // skip; the first block also carries bytes 1..4, so it holds 31.
    bit_run(1, std::min(n, 31), 5);
    if (n >= 32)
        bit_run(32, std::min(n, 63), 257);
    if (n >= 64)
        bit_run(64, n, 513);
}

void station_from_digits() {
    hex3(scan.ipref[41], scan.ipref[42], scan.ipref[43], station_read);
}

void decode_bcd_header(int first) {
    if (first < 1 || first + 13 > record_size)
        return;

    // Date: year, the low nibble of the day's hundreds, tens and units. A
    // nibble above 9 gives a letter that "i1" refuses, which ends the run.
    const std::uint8_t* const p = &scan.ibuf[first];
    bcd3(p, date_write, date_digits_read);

    // Time: hour, minute, second; bytes first+3 and first+4 carry nothing we list.
    bcd3(p + 5, time_write, time_digits_read);

    hex3(p[8], p[9], p[10], station_read);
    hex3(p[11], p[12], p[13], transmitter_read);

    if (scan.ivstat != xmtr_id)
        write_transmitter_line();
}

void decode_preface() {
    clear_digits();
    ndig = 57;

    int& itype = scan.itype;
    itype = byte(1) & 15;

    // One test of the type picks its packing; a type with a byte-2 marker
    // that is wrong is rejected without a line.
    switch (itype) {
    case 8:
    case 9:
    case 11:
        if (byte(2) != 60) {
            itype -= 100;
            break;
        }
        decode_nibbles(4, ndig);
        station_from_digits();
        break;
    case 10:
        ndig = 89;
        [[fallthrough]];
    case 12:
    case 13:
        decode_bit_serial(ndig, itype != 13);
        station_from_digits();
        break;
    case 15:
        if (byte(4) == 204 && byte(5) == 204) {
            if (byte(10) == 255) {
                decode_bcd_header(11);
            } else {
                decode_nibbles(9, 89);
                station_from_digits();
            }
        } else {
            itype = -85;
        }
        break;
    case 2:
    case 3:
        if (byte(2) != 60) {
            itype -= 100;
        } else if (byte(3) == 255) {
            decode_bcd_header(4);
        } else {
            // Only a record that passed byte 2 and failed byte 3 gets the
            // rejection line; stored listings depend on exactly that.
            itype -= 100;
            fmtio::write_formatted(listing_unit, rej_fmt,
                                   {item(scan.irec), item(": "), item16(scan.ibuf[1]),
                                    item16(scan.ibuf[2]), item16(scan.ibuf[3])});
        }
        break;
    default:
        break;
    }
}

} // namespace preface
