// The decoder's BCD headers: the digits, the transmitter line, and a letter that ends the run.
#include <gtest/gtest.h>

#include <string>

#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/decoder_support.h"
#include "tests/fake_process.h"
#include "tools/records.h"

namespace {

using namespace decoder_support;
using testing_support::Fatal;

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
