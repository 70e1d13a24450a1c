// Builds 4096-byte data-file records of every type family, for tests and generated data.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>

namespace records {

constexpr int size = 4096;
constexpr int max_digits = 89;

using Record = std::array<std::uint8_t, size>;
// Digit i of a preface at index i (1..89), each 0..15; index 0 is unused.
using Digits = std::array<std::uint8_t, max_digits + 1>;

// Byte k of a record, counted from 1 as the decoder counts.
inline void set(Record& r, int k, int v) { r[k - 1] = static_cast<std::uint8_t>(v); }
inline int get(const Record& r, int k) { return r[k - 1]; }

inline Record blank(int fill = 0) {
    Record r;
    r.fill(static_cast<std::uint8_t>(fill));
    return r;
}

// Good marker values.
constexpr int mark2 = 60;     // byte 2 of types 2, 3, 8, 9, 11
constexpr int mark_bcd = 255; // byte 3 of types 2, 3; byte 10 of the type-15 BCD form
constexpr int mark15 = 204;   // bytes 4 and 5 of type 15

// Makes marker byte k wrong by flipping its low bit: 60 -> 61, 255 -> 254, 204 -> 205.
inline void spoil(Record& r, int k) { r[k - 1] ^= 1; }

// Where a type keeps its range start: bytes 36/37 for 2 and 3, 43/44 for 15.
inline int range_byte(int type) { return (type & 15) == 15 ? 43 : 36; }
inline void set_range(Record& r, int first, int hi, int lo) {
    set(r, first, hi);
    set(r, first + 1, lo);
}

// What a preface says, in the form people read it.
struct Stamp {
    int year = 0;     // 0..99
    int day = 1;      // 0..999
    int hour = 0;     // 0..99 each, for the BCD pairs
    int minute = 0;
    int second = 0;
    int station = 0;  // 0..4095
    int xmtr = -1;    // BCD headers only; -1: the same as station
};

// The digits a nibble or bit-serial preface holds for a stamp: 1..11 the
// date and time, 41..43 the station, everything else 0.
inline Digits digits(const Stamp& s) {
    Digits d{};
    const int v[11] = {s.year / 10 % 10, s.year % 10,
                       s.day / 100 % 10, s.day / 10 % 10, s.day % 10,
                       s.hour / 10 % 10, s.hour % 10,
                       s.minute / 10 % 10, s.minute % 10,
                       s.second / 10 % 10, s.second % 10};
    for (int i = 0; i < 11; ++i)
        d[i + 1] = static_cast<std::uint8_t>(v[i]);
    d[41] = static_cast<std::uint8_t>(s.station >> 8 & 15);
    d[42] = static_cast<std::uint8_t>(s.station >> 4 & 15);
    d[43] = static_cast<std::uint8_t>(s.station & 15);
    return d;
}

// Digits 1..n into the low 4 bits of bytes first..first+n-1; the high 4
// bits keep what the record held.
inline void put_nibbles(Record& r, int first, const Digits& d, int n) {
    for (int i = 1; i <= n && i <= max_digits; ++i) {
        auto& b = r[first + i - 2];
        b = static_cast<std::uint8_t>((b & 0xF0) | (d[i] & 15));
    }
}

// First byte of bit-serial digit i: from byte 5, four bytes a digit, and
// with gaps a skipped 128-byte block after digits 31 and 63.
inline int bit_byte(int i, bool gaps) {
    int p = 5 + 4 * (i - 1);
    if (gaps)
        p += 128 * (i / 32);
    return p;
}

// Digits 1..n one bit per byte into bit 0, least significant bit first; bits
// 1..7 keep what the record held. Gap bytes are not touched.
inline void put_bits(Record& r, const Digits& d, int n, bool gaps) {
    for (int i = 1; i <= n && i <= max_digits; ++i) {
        int p = bit_byte(i, gaps);
        for (int k = 0; k < 4; ++k) {
            auto& b = r[p + k - 1];
            b = static_cast<std::uint8_t>((b & 0xFE) | (d[i] >> k & 1));
        }
    }
}

inline int bcd(int v) { return (v / 10 % 10) << 4 | v % 10; }

// A BCD header whose first date byte is `first` (4 for types 2 and 3, 11 for
// type 15). The identifier bytes keep their high 4 bits; the two bytes
// between date and time are not touched.
inline void put_bcd(Record& r, int first, const Stamp& s) {
    set(r, first, bcd(s.year));
    set(r, first + 1, s.day / 100 % 10);
    set(r, first + 2, bcd(s.day % 100));
    set(r, first + 5, bcd(s.hour));
    set(r, first + 6, bcd(s.minute));
    set(r, first + 7, bcd(s.second));
    const int xmtr = s.xmtr < 0 ? s.station : s.xmtr;
    for (int j = 0; j < 3; ++j) {
        const int shift = 8 - 4 * j;
        auto& st = r[first + 8 + j - 1];
        auto& tx = r[first + 11 + j - 1];
        st = static_cast<std::uint8_t>((st & 0xF0) | (s.station >> shift & 15));
        tx = static_cast<std::uint8_t>((tx & 0xF0) | (xmtr >> shift & 15));
    }
}

// Types 0, 1, 4, 5, 6, 7, 14 (or any type byte): only byte 1 is set. Type
// arguments are the whole byte 1, so high bits can be given too.
inline Record plain(int type, Record r = blank()) {
    set(r, 1, type);
    return r;
}

// Types 8, 9, 11: byte 2 = 60, digits 1..57 in bytes 4..60.
inline Record nibble(int type, const Digits& d, Record r = blank()) {
    set(r, 1, type);
    set(r, 2, mark2);
    put_nibbles(r, 4, d, 57);
    return r;
}
inline Record nibble(int type, const Stamp& s, Record r = blank()) {
    return nibble(type, digits(s), r);
}

// Type 15, long nibble form: bytes 4, 5 = 204, digits 1..89 in bytes 9..97.
// Byte 10 is digit 2: with a base whose high bits are all set and digit 2 =
// 15 it would read as 255, the BCD form.
inline Record long_nibble(const Digits& d, Record r = blank(), int type = 15) {
    set(r, 1, type);
    set(r, 4, mark15);
    set(r, 5, mark15);
    put_nibbles(r, 9, d, 89);
    return r;
}
inline Record long_nibble(const Stamp& s, Record r = blank(), int type = 15) {
    return long_nibble(digits(s), r, type);
}

// Types 10 (89 digits, gaps after 31 and 63), 12 (57, gap after 31), 13 (57, no gap).
inline Record bit_serial(int type, const Digits& d, Record r = blank()) {
    const int t = type & 15;
    set(r, 1, type);
    put_bits(r, d, t == 10 ? 89 : 57, t != 13);
    return r;
}
inline Record bit_serial(int type, const Stamp& s, Record r = blank()) {
    return bit_serial(type, digits(s), r);
}

// Types 2 and 3 (markers at bytes 2 and 3, header at 4) and the type-15 BCD
// form (markers at bytes 4, 5 and 10, header at 11), chosen by the type.
inline Record bcd_header(int type, const Stamp& s, Record r = blank()) {
    set(r, 1, type);
    if ((type & 15) == 15) {
        set(r, 4, mark15);
        set(r, 5, mark15);
        set(r, 10, mark_bcd);
        put_bcd(r, 11, s);
    } else {
        set(r, 2, mark2);
        set(r, 3, mark_bcd);
        put_bcd(r, 4, s);
    }
    return r;
}

// splitmix64: the same stream from the same seed on every platform, unlike
// the standard distributions.
struct Rng {
    std::uint64_t s;
    std::uint64_t next() {
        std::uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(int per_mille) { return below(1000) < per_mille; }
};

// Sample data after the preface; the decoder must not care what it holds.
inline Record noise(Rng& rng) {
    Record r;
    for (int k = 0; k < size; k += 8) {
        std::uint64_t v = rng.next();
        std::memcpy(&r[k], &v, 8);
    }
    return r;
}

} // namespace records
