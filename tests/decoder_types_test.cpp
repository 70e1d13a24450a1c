// The decoder on each record type: its markers, the records it rejects and their lines, what carries over.
#include <gtest/gtest.h>

#include <string>

#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/decoder_support.h"
#include "tools/records.h"

namespace {

using namespace decoder_support;

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

} // namespace
