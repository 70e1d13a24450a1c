// For the preface decoder's tests: records built byte by byte, and a fixture that decodes them into a fresh listing.
#pragma once
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

#include "fmtio/units/units.h"
#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/fake_process.h"
#include "tools/records.h"

namespace decoder_support {

using preface::scan;
using records::Record;
using records::Stamp;

constexpr int kept = 0x555;  // ivstat before each case, to see whether it moved

inline Record with(Record r, std::initializer_list<std::pair<int, int>> kv) {
    for (auto [k, v] : kv)
        records::set(r, k, v);
    return r;
}

inline Record bytes(std::initializer_list<std::pair<int, int>> kv, int fill = 0) {
    return with(records::blank(fill), kv);
}

inline std::string zeros(int n) { return std::string(n, '0'); }

// 99123 102030 at station 0A7.
inline Stamp stamp() { return Stamp{99, 123, 10, 20, 30, 0x0A7}; }

// A BCD header of 14 bytes at its type's place, with the type's markers.
inline Record header(int type, std::initializer_list<int> h, Record r = records::blank()) {
    const bool t15 = (type & 15) == 15;
    r = t15 ? with(r, {{1, type}, {4, 204}, {5, 204}, {10, 255}})
            : with(r, {{1, type}, {2, 60}, {3, 255}});
    int k = t15 ? 11 : 4;
    for (int v : h)
        records::set(r, k++, v);
    return r;
}

// 05123 123456, station 123, transmitter as given.
inline Record example(int type, int x1 = 1, int x2 = 2, int x3 = 3) {
    return header(type, {0x05, 0x01, 0x23, 0, 0, 0x12, 0x34, 0x56, 1, 2, 3, x1, x2, x3});
}

class DecoderTest : public ::testing::Test {
protected:
    testing_support::FakeProcess proc;

    void SetUp() override {
        proc.memory_only = true;
        start();
    }

    // A fresh listing file on unit 20 and a fresh scan state.
    void start() {
        fmtio::reset_units();
        proc.files.erase("preflist");
        fmtio::OpenSpec unit20;
        unit20.file = "preflist";
        unit20.access = "append";
        fmtio::open_unit(preface::listing_unit, unit20);
        scan = preface::ScanState{};
        scan.ipos = 1;
        scan.irec = 7;
        scan.ivstat = kept;
    }

    void decode(const Record& r) {
        for (int k = 1; k <= records::size; ++k)
            scan.ibuf[k] = r[k - 1];
        preface::decode_preface();
    }

    // Digits from..to as hexadecimal characters.
    static std::string digits(int from = 1, int to = preface::max_digits) {
        static const char hex[] = "0123456789ABCDEF";
        std::string s;
        for (int i = from; i <= to; ++i)
            s += (scan.ipref[i] >= 0 && scan.ipref[i] < 16) ? hex[scan.ipref[i]] : '?';
        return s;
    }

    std::string listing() {
        fmtio::close_units();
        return proc.file("preflist");
    }
};

} // namespace decoder_support
