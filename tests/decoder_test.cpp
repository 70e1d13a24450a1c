// Preface decoder: types and markers, the three digit packings, and the
// lines it writes to the listing.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "fmtio/units/units.h"
#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/fake_process.h"
#include "tools/records.h"

namespace {

using preface::scan;
using records::Record;
using records::Stamp;
using testing_support::Fatal;

constexpr int kept = 0x555;  // ivstat before each case, to see whether it moved

Record with(Record r, std::initializer_list<std::pair<int, int>> kv) {
    for (auto [k, v] : kv)
        records::set(r, k, v);
    return r;
}

Record bytes(std::initializer_list<std::pair<int, int>> kv, int fill = 0) {
    return with(records::blank(fill), kv);
}

std::string zeros(int n) { return std::string(n, '0'); }

// 99123 102030 at station 0A7.
Stamp stamp() { return Stamp{99, 123, 10, 20, 30, 0x0A7}; }

// A BCD header of 14 bytes at its type's place, with the type's markers.
Record header(int type, std::initializer_list<int> h, Record r = records::blank()) {
    const bool t15 = (type & 15) == 15;
    r = t15 ? with(r, {{1, type}, {4, 204}, {5, 204}, {10, 255}})
            : with(r, {{1, type}, {2, 60}, {3, 255}});
    int k = t15 ? 11 : 4;
    for (int v : h)
        records::set(r, k++, v);
    return r;
}

// 05123 123456, station 123, transmitter as given.
Record example(int type, int x1 = 1, int x2 = 2, int x3 = 3) {
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

TEST_F(DecoderTest, TypesAndMarkers) {
    Record serial = records::blank(0xFF);
    struct Row {
        const char* what;
        Record rec;
        int itype;
        int ivstat;
        std::string d11;   // digits 1..11
        std::string line;  // what the decoder wrote to the listing
    };
    const Row rows[] = {
        {"all zero bytes", bytes({}), 0, kept, zeros(11), ""},
        {"all 255 bytes", records::blank(255), -85, kept, zeros(11), ""},
        {"high bits of byte 1 ignored", records::nibble(0x38, stamp()), 8, 0x0A7, "99123102030", ""},
        {"type 2, byte 3 wrong", bytes({{1, 2}, {2, 60}, {3, 254}}), -98, kept, zeros(11),
         "    7:  23CFE\r\n"},
        {"type 2, byte 2 wrong", bytes({{1, 2}, {2, 61}, {3, 255}}), -98, kept, zeros(11), ""},
        {"type 3, byte 3 zero", bytes({{1, 3}, {2, 60}, {3, 0}}), -97, kept, zeros(11),
         "    7:  33C 0\r\n"},
        {"type 3, byte 2 wrong", with(example(3), {{2, 0}}), -97, kept, zeros(11), ""},
        {"type 2 with high bits, byte 3 wrong", bytes({{1, 0xF2}, {2, 60}, {3, 0xAB}}), -98, kept,
         zeros(11), "    7: F23CAB\r\n"},
        {"type 8, byte 2 zero", with(records::nibble(8, stamp()), {{2, 0}}), -92, kept, zeros(11), ""},
        {"type 9, byte 2 wrong", with(records::nibble(9, stamp()), {{2, 61}}), -91, kept, zeros(11), ""},
        {"type 11, byte 2 wrong", with(records::nibble(11, stamp()), {{2, 59}}), -89, kept, zeros(11), ""},
        {"type 8, byte 3 anything", with(records::nibble(8, stamp()), {{3, 0x77}}), 8, 0x0A7,
         "99123102030", ""},
        {"type 15, byte 5 is 205", with(records::long_nibble(stamp()), {{5, 205}}), -85, kept, zeros(11), ""},
        {"type 15, byte 4 is 205", with(records::long_nibble(stamp()), {{4, 205}}), -85, kept, zeros(11), ""},
        {"type 15 BCD form, byte 4 wrong", with(example(15), {{4, 0}}), -85, kept, zeros(11), ""},
        {"type 15, byte 10 zero: nibble form", with(records::long_nibble(stamp()), {{10, 0}}), 15, 0x0A7,
         "90123102030", ""},
        {"type 10, bytes 2..4 anything", records::bit_serial(10, stamp(), serial), 10, 0x0A7,
         "99123102030", ""},
        {"type 12, bytes 2..4 anything", records::bit_serial(12, stamp(), serial), 12, 0x0A7,
         "99123102030", ""},
        {"type 13, bytes 2..4 anything", records::bit_serial(13, stamp(), serial), 13, 0x0A7,
         "99123102030", ""},
        {"type 2 accepted", example(2), 2, 0x123, "05123123456", ""},
        {"type 3 with high bits accepted", example(0x73), 3, 0x123, "05123123456", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        start();
        decode(row.rec);
        EXPECT_EQ(scan.itype, row.itype);
        EXPECT_EQ(scan.ivstat, row.ivstat);
        EXPECT_EQ(digits(1, 11), row.d11);
        EXPECT_EQ(listing(), row.line);
    }
}

TEST_F(DecoderTest, PlainTypesDecodeNothing) {
    for (int t : {0, 1, 4, 5, 6, 7, 14}) {
        SCOPED_TRACE(t);
        // Every other byte set, so any digit read by mistake shows.
        decode(records::plain(t, records::blank(0xFF)));
        EXPECT_EQ(scan.itype, t);
        EXPECT_EQ(scan.ivstat, kept);
        EXPECT_EQ(digits(), zeros(89));
    }
    EXPECT_EQ(listing(), "");
}

TEST_F(DecoderTest, RejectionLine) {
    struct Row {
        int irec, b1, b2, b3;
        const char* line;
    };
    const Row rows[] = {
        {7, 2, 60, 0, "    7:  23C 0|"},
        {7, 2, 60, 254, "    7:  23CFE|"},
        {12345, 0x13, 60, 0x10, "12345: 133C10|"},
        {123456, 3, 60, 1, "*****:  33C 1|"},
        {1, 0xE3, 60, 0xFE, "    1: E33CFE|"},
    };
    std::string want;
    for (const Row& row : rows) {
        scan.irec = row.irec;
        decode(bytes({{1, row.b1}, {2, row.b2}, {3, row.b3}}, 0xFF));
        EXPECT_EQ(scan.itype, (row.b1 & 15) - 100) << row.line;
        want += std::string(row.line, std::string(row.line).size() - 1) + "\r\n";
    }
    EXPECT_EQ(listing(), want);
}

TEST_F(DecoderTest, NibbleDigits) {
    // Byte k holds k in its low 4 bits and A in its high 4 bits.
    Record pattern;
    for (int k = 1; k <= records::size; ++k)
        records::set(pattern, k, 0xA0 | (k & 15));
    const std::string from4 = "456789ABCDEF" "0123456789ABCDEF" "0123456789ABCDEF" "0123456789ABC";
    const std::string from9 = "9ABCDEF" "0123456789ABCDEF" "0123456789ABCDEF" "0123456789ABCDEF"
                              "0123456789ABCDEF" "0123456789ABCDEF" "01";
    struct Row {
        const char* what;
        Record rec;
        int itype;
        std::string digits;
        int ivstat;
    };
    const Row rows[] = {
        {"type 8: bytes 4..60", with(pattern, {{1, 8}, {2, 60}}), 8, from4 + zeros(32), 0xCDE},
        {"type 9", with(pattern, {{1, 9}, {2, 60}}), 9, from4 + zeros(32), 0xCDE},
        {"type 11", with(pattern, {{1, 11}, {2, 60}}), 11, from4 + zeros(32), 0xCDE},
        {"type 15 long form: bytes 9..97", with(pattern, {{1, 15}, {4, 204}, {5, 204}}), 15, from9, 0x123},
        {"station 1 2 3", bytes({{1, 8}, {2, 60}, {44, 1}, {45, 2}, {46, 3}}), 8,
         zeros(40) + "123" + zeros(46), 291},
        {"station bytes 255", bytes({{1, 8}, {2, 60}, {44, 255}, {45, 255}, {46, 255}}), 8,
         zeros(40) + "FFF" + zeros(46), 4095},
        {"type 15 station bytes 49..51", bytes({{1, 15}, {4, 204}, {5, 204}, {49, 0x3F}, {50, 0x20}, {51, 0x1A}}),
         15, zeros(40) + "F0A" + zeros(46), 0xF0A},
        {"station 0 replaces the one before", bytes({{1, 8}, {2, 60}}), 8, zeros(89), 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        scan.ivstat = kept;
        decode(row.rec);
        EXPECT_EQ(scan.itype, row.itype);
        EXPECT_EQ(digits(), row.digits);
        EXPECT_EQ(scan.ivstat, row.ivstat);
    }
    EXPECT_EQ(listing(), "");
}

TEST_F(DecoderTest, BitSerialDigitPositions) {
    // Bytes 1, 0, 0, 1 from the digit's first byte make it 9; every other
    // digit stays 0.
    struct Row {
        int type, digit, first;
    };
    const Row rows[] = {
        {10, 1, 5},    {10, 31, 125}, {10, 32, 257}, {10, 41, 293}, {10, 63, 381},
        {10, 64, 513}, {10, 89, 613}, {12, 1, 5},    {12, 31, 125}, {12, 32, 257},
        {12, 57, 357}, {13, 31, 125}, {13, 32, 129}, {13, 41, 165}, {13, 57, 229},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.type) + " digit " + std::to_string(row.digit));
        decode(bytes({{1, row.type}, {row.first, 1}, {row.first + 3, 1}}));
        std::string want = zeros(89);
        want[row.digit - 1] = '9';
        EXPECT_EQ(digits(), want);
        EXPECT_EQ(scan.ivstat, row.digit == 41 ? 0x900 : 0);
    }
}

TEST_F(DecoderTest, BitSerialReadsOnlyItsBytes) {
    // Bytes the decoder reads hold 254 (bit 0 clear); all others 255. Any
    // byte read by mistake, or any bit but bit 0, would make a digit non-zero.
    struct Row {
        int type;
        std::vector<std::pair<int, int>> read;
    };
    const Row rows[] = {
        {10, {{5, 128}, {257, 384}, {513, 616}}},
        {12, {{5, 128}, {257, 360}}},
        {13, {{5, 232}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.type);
        Record r = records::blank(255);
        records::set(r, 1, row.type);
        for (auto [a, b] : row.read)
            for (int k = a; k <= b; ++k)
                records::set(r, k, 254);
        scan.ivstat = kept;
        decode(r);
        EXPECT_EQ(scan.itype, row.type);
        EXPECT_EQ(digits(), zeros(89));
        EXPECT_EQ(scan.ivstat, 0);
    }
}

TEST_F(DecoderTest, BitSerialRandomBytesAsBitByBit) {
    // Every digit of random records, against the packing read one bit at a
    // time: four bytes a digit, the first byte's bit 0 lowest.
    std::uint64_t seed = 20261210;
    const auto next = [&] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>(seed >> 33);
    };
    for (int round = 0; round < 60; ++round) {
        const int type = round % 3 == 0 ? 10 : round % 3 == 1 ? 12 : 13;
        Record r = records::blank();
        for (int k = 2; k <= records::size; ++k)
            records::set(r, k, next() & 255);
        records::set(r, 1, type);
        decode(r);
        const int n = type == 10 ? 89 : 57;
        std::string want;
        for (int d = 1; d <= n; ++d) {
            const int first = type == 13 || d <= 31 ? 5 + 4 * (d - 1) : d <= 63 ? 257 + 4 * (d - 32) : 513 + 4 * (d - 64);
            int v = 0;
            for (int b = 0; b < 4; ++b)
                v |= (records::get(r, first + b) & 1) << b;
            want += "0123456789ABCDEF"[v];
        }
        EXPECT_EQ(digits(), want + zeros(89 - n)) << "type " << type << ", round " << round;
    }
}

TEST_F(DecoderTest, PiecesOfEveryLengthAsByteByByte) {
    // Every count of digits, so that each step of the pieces and each tail
    // after the steps runs: the digits from a record of random bytes, one
    // byte (nibbles) or four (bits) at a time, and the digit slots after them
    // untouched.
    std::uint64_t seed = 20261211;
    const auto next = [&] {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<int>(seed >> 33);
    };
    Record r = records::blank();
    for (int k = 1; k <= records::size; ++k)
        records::set(r, k, next() & 255);
    const auto untouched = [](int from) {
        for (int i = from; i <= preface::max_digits; ++i)
            scan.ipref[i] = -1;
    };
    const auto got = [](int n) {
        std::string s;
        for (int i = 1; i <= n; ++i)
            s += scan.ipref[i] < 0 ? '-' : "0123456789ABCDEF"[scan.ipref[i] & 15];
        return s;
    };
    decode(r);
    for (int n = 1; n <= preface::max_digits; ++n) {
        for (const int first : {4, 9, 101}) {
            untouched(1);
            preface::decode_nibbles(first, n);
            std::string want;
            for (int i = 1; i <= n; ++i)
                want += "0123456789ABCDEF"[records::get(r, first + i - 1) & 15];
            EXPECT_EQ(got(preface::max_digits), want + std::string(preface::max_digits - n, '-'))
                << n << " nibbles from byte " << first;
        }
        for (const bool gaps : {false, true}) {
            untouched(1);
            preface::decode_bit_serial(n, gaps);
            std::string want;
            for (int d = 1; d <= n; ++d) {
                const int first = records::bit_byte(d, gaps);
                int v = 0;
                for (int b = 0; b < 4; ++b)
                    v |= (records::get(r, first + b) & 1) << b;
                want += "0123456789ABCDEF"[v];
            }
            EXPECT_EQ(got(preface::max_digits), want + std::string(preface::max_digits - n, '-'))
                << n << " bit-serial digits" << (gaps ? " with gaps" : "");
        }
    }
}

TEST_F(DecoderTest, BitSerialBitOrder) {
    struct Row {
        int b[4];
        char digit;
    };
    const Row rows[] = {
        {{1, 0, 0, 1}, '9'}, {{255, 254, 255, 254}, '5'}, {{0, 0, 0, 1}, '8'},
        {{3, 2, 2, 2}, '1'}, {{255, 255, 255, 255}, 'F'},
    };
    for (const Row& row : rows) {
        decode(bytes({{1, 13}, {5, row.b[0]}, {6, row.b[1]}, {7, row.b[2]}, {8, row.b[3]}}));
        EXPECT_EQ(digits(1, 2), std::string(1, row.digit) + "0");
    }
}

TEST_F(DecoderTest, BcdHeader) {
    struct Row {
        const char* what;
        Record rec;
        int itype;
        std::string d11;
        int ivstat;
        std::string line;
    };
    const Row rows[] = {
        {"type 2: 05123 123456", example(2), 2, "05123123456", 291, ""},
        {"type 3", example(3), 3, "05123123456", 291, ""},
        {"type 15", example(15), 15, "05123123456", 291, ""},
        {"hundreds of the day: low 4 bits only",
         header(2, {0x05, 0x21, 0x23, 0, 0, 0x12, 0x34, 0x56, 1, 2, 3, 1, 2, 3}), 2, "05123123456", 291, ""},
        {"hundreds of the day: high 4 bits ignored",
         header(2, {0x05, 0xF3, 0x23, 0, 0, 0x12, 0x34, 0x56, 1, 2, 3, 1, 2, 3}), 2, "05323123456", 291, ""},
        {"bytes between date and time anything",
         header(2, {0x05, 0x01, 0x23, 0xFF, 0xAB, 0x12, 0x34, 0x56, 1, 2, 3, 1, 2, 3}), 2, "05123123456", 291,
         ""},
        {"bytes below 16",
         header(2, {0x00, 0x00, 0x09, 0, 0, 0x00, 0x01, 0x09, 0, 0, 0, 0, 0, 0}), 2, "00009000109", 0, ""},
        {"largest digits",
         header(3, {0x99, 0x09, 0x99, 0, 0, 0x99, 0x99, 0x99, 15, 15, 15, 15, 15, 15}), 3, "99999999999",
         4095, ""},
        {"identifier high bits ignored",
         header(2, {0x05, 0x01, 0x23, 0, 0, 0x12, 0x34, 0x56, 0x41, 0x42, 0x43, 0x01, 0xF2, 0x73}), 2,
         "05123123456", 291, ""},
        {"transmitter differs", example(2, 1, 2, 4), 2, "05123123456", 291, " ivstat,xmtr_id: 291 292\r\n"},
        {"type 15 transmitter differs", example(15, 0, 0, 0), 15, "05123123456", 291,
         " ivstat,xmtr_id: 291   0\r\n"},
        {"four-digit identifiers run together",
         header(2, {0x05, 0x01, 0x23, 0, 0, 0x12, 0x34, 0x56, 15, 15, 15, 15, 15, 14}), 2, "05123123456",
         4095, " ivstat,xmtr_id:40954094\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        start();
        decode(row.rec);
        EXPECT_EQ(scan.itype, row.itype);
        EXPECT_EQ(digits(1, 11), row.d11);
        EXPECT_EQ(digits(12), zeros(78));
        EXPECT_EQ(scan.ivstat, row.ivstat);
        EXPECT_EQ(listing(), row.line);
    }
}

TEST_F(DecoderTest, BcdLetterEndsRun) {
    // The transmitter differs, so a decoder that went on would write a line.
    struct Row {
        const char* what;
        int type, k, v;
    };
    const Row rows[] = {
        {"year units", 2, 4, 0x9A},
        {"year tens", 2, 4, 0xA9},
        {"hundreds of the day", 2, 5, 0x1A},
        {"tens of the day", 3, 6, 0xB0},
        {"hour tens", 2, 9, 0xC0},
        {"second units", 3, 11, 0x5F},
        {"type 15 hundreds of the day", 15, 12, 0x1A},
        {"type 15 second tens", 15, 18, 0xE0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        start();
        try {
            decode(with(example(row.type, 0, 0, 0), {{row.k, row.v}}));
            ADD_FAILURE() << "decoded without an error";
        } catch (const Fatal& f) {
            EXPECT_EQ(f.error, fmtio::Error::int_char);
            EXPECT_EQ(f.stmt, fmtio::Stmt::read);
            EXPECT_EQ(f.name, "internal");
        }
        EXPECT_EQ(scan.ivstat, kept);
        EXPECT_EQ(listing(), "");
    }
}

TEST_F(DecoderTest, NothingCarriesOverButStation) {
    decode(records::nibble(8, stamp()));
    EXPECT_EQ(scan.ivstat, 0x0A7);

    // Rejected and plain records keep the station and clear the digits.
    decode(bytes({{1, 2}, {2, 60}, {3, 0}}));
    EXPECT_EQ(scan.itype, -98);
    EXPECT_EQ(scan.ivstat, 0x0A7);
    EXPECT_EQ(digits(), zeros(89));

    decode(records::bit_serial(10, stamp(), records::blank(1)));
    EXPECT_EQ(scan.itype, 10);
    EXPECT_EQ(digits(1, 11), "99123102030");
    decode(with(records::nibble(9, stamp()), {{2, 0}}));
    EXPECT_EQ(scan.itype, -91);
    EXPECT_EQ(scan.ivstat, 0x0A7);
    EXPECT_EQ(digits(), zeros(89));

    // After 89 digits of type 10, type 8 is back to 57.
    decode(records::bit_serial(10, stamp(), records::blank(1)));
    decode(bytes({{1, 8}, {2, 60}}, 0x0F));
    EXPECT_EQ(digits(), std::string(57, 'F') + zeros(32));
    EXPECT_EQ(scan.ivstat, 4095);

    decode(records::blank(255));
    EXPECT_EQ(scan.itype, -85);
    EXPECT_EQ(scan.ivstat, 4095);

    EXPECT_EQ(listing(), "    7:  23C 0\r\n");
}

TEST_F(DecoderTest, PiecesStayInsideRecord) {
    // Called with positions near the end, the pieces stop at byte 4096 and
    // digit 89 instead of reading or writing past them.
    decode(bytes({{4093, 1}, {4094, 2}, {4095, 3}, {4096, 4}}));
    preface::decode_nibbles(4093, 200);
    EXPECT_EQ(digits(), "1234" + zeros(85));
    preface::decode_nibbles(0, 10);
    EXPECT_EQ(digits(), "1234" + zeros(85));

    scan.ivstat = kept;
    preface::decode_bcd_header(4090);
    EXPECT_EQ(scan.ivstat, kept);

    decode(records::blank(1));
    preface::decode_bit_serial(500, true);
    EXPECT_EQ(digits(), std::string(89, 'F'));
    EXPECT_EQ(listing(), "");
}

TEST_F(DecoderTest, LinesBeforeBadDigitStay) {
    scan.irec = 1;
    decode(example(2, 1, 2, 4));
    scan.irec = 2;
    decode(bytes({{1, 3}, {2, 60}, {3, 1}}));
    scan.irec = 3;
    EXPECT_THROW(decode(with(example(2), {{10, 0x3A}})), Fatal);
    EXPECT_EQ(listing(), " ivstat,xmtr_id: 291 292\r\n    2:  33C 1\r\n");
}

} // namespace
