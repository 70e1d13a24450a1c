// The decoder's nibble and bit-serial packings: each digit's bytes and bits, and pieces that stay inside the record.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/decoder_support.h"
#include "tools/records.h"

namespace {

using namespace decoder_support;

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

} // namespace
