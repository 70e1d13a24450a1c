// Internal writes into a character variable and internal reads from one, and their failures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/internal.h"
#include "tests/engine_support.h"
#include "tests/format_support.h"

using namespace fmtio;
using namespace format_support;

using engine_support::Failed;

TEST(Internal, Write)
{
    struct Row {
        const char* fmt;
        int len;
        std::vector<Item> items;
        std::string want;  // empty: an overflow
    } rows[] = {
        {"(3z1)", 10, {item(1), item(10), item(3)}, "1A3       "},
        {"(z2,z1,z2)", 10, {i16(5), i16(3), i16(100)}, " 5364     "},
        {"(3z2)", 10, {i16(0x12), i16(0x34), i16(0x56)}, "123456    "},
        {"(i5)", 5, {item(12345)}, "12345"},
        {"(a)", 3, {item("")}, "   "},
        {"(a,\\)", 4, {item("ab")}, "ab  "},
        {"(i6)", 5, {item(1)}, ""},
        {"(a)", 2, {item("abc")}, ""},
        {"(i1/i1)", 10, {item(1), item(2)}, ""},
        {"(i1,/)", 10, {item(1)}, ""},
        {"(i1)", 10, {item(1), item(2)}, ""},
    };
    for (const Row& r : rows) {
        std::string var(static_cast<std::size_t>(r.len), 'X');
        auto write = [&] { write_internal(&var[0], r.len, Format(r.fmt), r.items.data(), r.items.size()); };
        if (!r.want.empty()) {
            write();
            EXPECT_EQ(var, r.want) << r.fmt;
            continue;
        }
        Failed e = failure(write);
        EXPECT_EQ(e.e, Error::internal_overflow) << r.fmt;
        EXPECT_EQ(e.s, Stmt::write);
        EXPECT_EQ(e.name, "internal");
    }
}

TEST(Internal, ReadIntegers)
{
    struct Row {
        const char* fmt;
        std::string text;
        std::vector<std::int32_t> want;
    } rows[] = {
        {"(z3)", "A5        ", {165}},      {"(z3)", " A5       ", {165}},
        {"(z3)", "          ", {0}},        {"(z3)", "a5", {165}},
        {"(z8)", "FFFFFFFF", {-1}},         {"(5i1)", " 5364     ", {0, 5, 3, 6, 4}},
        {"(6i1)", "102030    ", {1, 0, 2, 0, 3, 0}},
        {"(i11)", "-2147483648", {INT_MIN}}, {"(i10)", "2147483647", {INT_MAX}},
        {"(i5)", " -12 ", {-12}},           {"(i5)", "+7", {7}},
        {"(i5)", "1 2\t3", {123}},          {"(i5,i5)", "12,34", {12, 34}},
        {"(i3,i3)", "1\r\n2", {1, 0}},      {"(1x,i1)", "12", {2}},
        {"(i1/i1)", "12", {1, 0}},          {"(i1)", "123", {1, 0, 0}},
        {"(i3)", "", {0}},                  {"('ab',i1)", "ab7", {7}},
        {"(a)", "abcd", {0x64636261}},
    };
    for (const Row& r : rows) {
        std::vector<std::int32_t> got(r.want.size(), -555);
        std::vector<ReadItem> refs;
        for (std::int32_t& v : got)
            refs.push_back(ref(v));
        read_internal(r.text.data(), static_cast<int>(r.text.size()), Format(r.fmt), refs.data(), refs.size());
        EXPECT_EQ(got, r.want) << r.fmt << " on '" << r.text << "'";
    }
}

TEST(Internal, ReadFailures)
{
    struct Row {
        const char* fmt;
        const char* text;
        Error want;
    } rows[] = {
        {"(i3)", "1.5", Error::int_char},          {"(i3)", "*", Error::int_char},
        {"(i3)", "1-", Error::int_char},           {"(i3)", "--1", Error::int_char},
        {"(i11)", "2147483648", Error::int_range}, {"(i11)", "-2147483649", Error::int_range},
        {"(i20)", "99999999999999999999", Error::int_range},
        {"(z3)", "-1", Error::hex_char},           {"(z3)", "G", Error::hex_char},
        {"(z9)", "123456789", Error::int_range},   {"(i3", "1", Error::fmt_no_close_paren},
    };
    for (const Row& r : rows) {
        std::int32_t v = 0;
        Failed e = failure([&] { read_internal(r.text, static_cast<int>(std::strlen(r.text)), Format(r.fmt), {ref(v)}); });
        EXPECT_EQ(e.e, r.want) << r.fmt << " on '" << r.text << "'";
        EXPECT_EQ(e.s, Stmt::read);
        EXPECT_EQ(e.name, "internal");
    }
    // A hex letter met by I stops the read at the second field; the first is stored.
    std::int32_t d[5] = {-1, -1, -1, -1, -1};
    Failed e = failure([&] {
        read_internal("1A        ", 10, Format("(5i1)"), {ref(d[0]), ref(d[1]), ref(d[2]), ref(d[3]), ref(d[4])});
    });
    EXPECT_EQ(e.e, Error::int_char);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[1], -1);
    char v[3];
    EXPECT_EQ(failure([&] { read_internal("12", 2, Format("(i2)"), {ref(v, 3)}); }).e, Error::char_item);
}

TEST(Internal, ReadCharacters)
{
    struct Row {
        const char* fmt;
        const char* text;
        int len;
        std::string want;
    } rows[] = {
        {"(a)", "hello world", 5, "hello"}, {"(a3)", "abcdef", 5, "abc  "},
        {"(a8)", "abcdefgh", 3, "fgh"},     {"(a)", "ab", 5, "ab   "},
        {"(a6)", "abcd", 3, "d  "},         {"(a)", "", 4, "    "},
    };
    for (const Row& r : rows) {
        std::string var(static_cast<std::size_t>(r.len), 'X');
        read_internal(r.text, static_cast<int>(std::strlen(r.text)), Format(r.fmt), {ref(&var[0], r.len)});
        EXPECT_EQ(var, r.want) << r.fmt << " on '" << r.text << "'";
    }
}
