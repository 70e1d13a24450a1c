// The format engine against a recording sink: compile, render, list-directed, internal I/O.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/render.h"
#include "fmtio/format/internal.h"
#include "tests/engine_support.h"

using namespace fmtio;

namespace fmtio {
void PrintTo(Error e, std::ostream* os) { *os << static_cast<int>(e); }
} // namespace fmtio

namespace {

using engine_support::Failed;
using engine_support::Recorder;
using engine_support::throwing_hook;

std::string run(const char* fmt, const std::vector<Item>& items)
{
    Recorder r;
    render(Format(fmt), items.data(), items.size(), r, Stmt::write, "unit");
    return r.out;
}

// What a statement that must fail failed with.
template <class Body>
Failed failure(Body body)
{
    try {
        body();
    } catch (const Failed& e) {
        return e;
    }
    ADD_FAILURE() << "did not fail";
    return {};
}

const std::string s78(78, 'a'), s79(79, 'a'), s80 = s79 + "b", s200(200, 'c');
Item i16(int v) { return item16(static_cast<std::int16_t>(v)); }

// Items 1, 2, ..., k.
std::vector<Item> n(int k)
{
    std::vector<Item> v;
    for (int i = 1; i <= k; ++i)
        v.push_back(item(i));
    return v;
}

std::string nested(std::size_t depth)
{
    return "(" + std::string(depth, '(') + "i1" + std::string(depth, ')') + ")";
}

} // namespace

// The installed termination ends the run; one that returns must not let the
// failing statement go on.
TEST(Fail, InstalledTerminationEndsTheRun)
{
    EXPECT_EQ(failure([] { fail(Error::not_found, Stmt::open, "x.dat"); }).e, Error::not_found);
    Termination before = set_termination([](Error, Stmt, const char*, const char*) {});
    EXPECT_EQ(before, &throwing_hook);
    EXPECT_DEATH(fail(Error::not_found, Stmt::open, "x.dat"), "");
    set_termination(nullptr);
    EXPECT_DEATH(fail(Error::int_char, Stmt::read, "internal"), "");
    set_termination(before);
}

TEST(Compile, Errors)
{
    struct Row {
        const char* text;
        int len;
        Error want;
    } rows[] = {
        {"", -1, Error::fmt_no_open_paren},           {"  i3", -1, Error::fmt_no_open_paren},
        {"(i3", -1, Error::fmt_no_close_paren},       {"(i3,", -1, Error::fmt_no_close_paren},
        {"(2(i3)", -1, Error::fmt_no_close_paren},    {"(2(i3", -1, Error::fmt_unbalanced},
        {"(i3))", -1, Error::fmt_unbalanced},         {"(i3)x", -1, Error::fmt_trailing_text},
        {"(i3)\0", 5, Error::fmt_trailing_text},      {"(q3)", -1, Error::fmt_unknown_descriptor},
        {"(f8.2)", -1, Error::fmt_unknown_descriptor}, {"(,i3)", -1, Error::fmt_unknown_descriptor},
        {"(i3,)", -1, Error::fmt_unknown_descriptor}, {"(i3,,i3)", -1, Error::fmt_unknown_descriptor},
        {"(2())", -1, Error::fmt_unknown_descriptor}, {"(3)", -1, Error::fmt_unknown_descriptor},
        {"(i)", -1, Error::fmt_missing_width},        {"(z,i2)", -1, Error::fmt_missing_width},
        {"(i0)", -1, Error::fmt_zero_width},          {"(a0)", -1, Error::fmt_zero_width},
        {"(0x)", -1, Error::fmt_zero_width},          {"(z2.3)", -1, Error::fmt_bad_digits},
        {"(z2.)", -1, Error::fmt_bad_digits},         {"('abc)", -1, Error::fmt_unterminated_literal},
        {"('it''s)", -1, Error::fmt_unterminated_literal}, {"(0i3)", -1, Error::fmt_bad_repeat},
        {"(0(i3))", -1, Error::fmt_bad_repeat},       {"(2'ab')", -1, Error::fmt_bad_repeat},
        {"(2/)", -1, Error::fmt_bad_repeat},          {"(2\\)", -1, Error::fmt_bad_repeat},
        {"(i32768)", -1, Error::fmt_number_too_big},  {"(99999999999999999999x)", -1, Error::fmt_number_too_big},
        {"(i3i4)", -1, Error::fmt_missing_comma},     {"('a' 'b')", -1, Error::fmt_missing_comma},
        {"(a5.2)", -1, Error::fmt_missing_comma},
    };
    for (const Row& r : rows) {
        Format f(r.text, r.len);
        EXPECT_FALSE(f.ok()) << r.text;
        EXPECT_EQ(f.error(), r.want) << r.text;
        EXPECT_TRUE(f.ops().empty()) << r.text;
    }
    EXPECT_EQ(Format(nullptr).error(), Error::fmt_no_open_paren);
    EXPECT_TRUE(Format(nested(16).c_str()).ok());
    EXPECT_EQ(Format(nested(17).c_str()).error(), Error::fmt_too_deep);
    EXPECT_TRUE(Format("(i3)\0garbage").ok());
    EXPECT_TRUE(Format("(i3)xyz", 4).ok());
}

TEST(Compile, EveryPrefixOfAGoodFormatIsRefused)
{
    for (std::string good : {"(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,"
                             "14Z1,4(2X,3Z1,1X,Z1,1X,4Z1))",
                             "(/' -- eof at irec=',i5,' --'/)", "('it''s',z3.2,a,\\)"}) {
        ASSERT_TRUE(Format(good.c_str()).ok()) << good;
        for (std::size_t n = 0; n < good.size(); ++n)
            EXPECT_FALSE(Format(good.c_str(), static_cast<int>(n)).ok()) << good.substr(0, n);
    }
}

struct RenderRow {
    const char* fmt;
    std::vector<Item> items;
    std::string want;
};

void check(const std::vector<RenderRow>& rows)
{
    for (const RenderRow& r : rows) {
        try {
            EXPECT_EQ(run(r.fmt, r.items), r.want) << r.fmt;
        } catch (const Failed& f) {
            ADD_FAILURE() << r.fmt << " failed with " << static_cast<int>(f.e);
        }
    }
}

TEST(Render, HexEdit)
{
    check({
        {"(z1)", {item(7)}, "7|"},           {"(z1)", {item(26)}, "A|"},
        {"(z1)", {item(62)}, "E|"},          {"(z1)", {item(-98)}, "E|"},
        {"(z1)", {item(255)}, "F|"},         {"(z2)", {item(5)}, " 5|"},
        {"(z2)", {item(0)}, " 0|"},          {"(z2)", {item(511)}, "FF|"},
        {"(z3)", {item(165)}, " A5|"},       {"(z3.3)", {item(5)}, "005|"},
        {"(z3.3)", {item(4660)}, "234|"},    {"(z3.3)", {item(0)}, "000|"},
        {"(z2)", {i16(255)}, "FF|"},         {"(z2)", {i16(256)}, "00|"},
        {"(z2)", {i16(-1)}, "FF|"},          {"(z10)", {i16(-1)}, "      FFFF|"},
        {"(z10)", {item(-1)}, "  FFFFFFFF|"}, {"(z8)", {item(INT_MIN)}, "80000000|"},
        {"(z3.0,'x')", {item(0)}, "   x|"},  {"(z4)", {item(0xabc)}, " ABC|"},
    });
}

TEST(Render, IntAndCharEdits)
{
    check({
        {"(i3)", {item(-98)}, "-98|"},          {"(i3)", {item(-100)}, "***|"},
        {"(i6)", {item(1000000)}, "******|"},   {"(i5)", {item(0)}, "    0|"},
        {"(i1)", {item(10)}, "*|"},             {"(i3)", {i16(-5)}, " -5|"},
        {"(i6)", {i16(-32768)}, "-32768|"},     {"(i11)", {item(INT_MIN)}, "-2147483648|"},
        {"(i10)", {item(INT_MIN)}, "**********|"}, {"(i5.3)", {item(7)}, "  007|"},
        {"(i5.3)", {item(-7)}, " -007|"},       {"(i2.2)", {item(-7)}, "**|"},
        {"(i3.0,'x')", {item(0)}, "   x|"},
        {"(a1)", {item("x")}, "x|"},            {"(a)", {item("")}, "|"},
        {"(a,'x')", {item("")}, "x|"},          {"(a5)", {item("abc")}, "  abc|"},
        {"(a2)", {item("abc")}, "ab|"},         {"(a,'x')", {item("abc", -3)}, "x|"},
        {"(a)", {item(0x64636261)}, "abcd|"},   {"(a3)", {i16(0x6261)}, " ab|"},
    });
}

TEST(Render, ListingFormats)
{
    const char* full = "(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,14Z1,"
                       "4(2X,3Z1,1X,Z1,1X,4Z1))";
    std::vector<Item> zeros(11, item(0));
    std::vector<Item> rec7{item(7), item(-98)}, rec7bad{item(7), item(-100)}, progress{item(3), item(0)};
    for (auto* v : {&rec7, &rec7bad, &progress})
        v->insert(v->end(), zeros.begin(), zeros.end());
    progress.push_back(item("\r"));
    std::vector<Item> zero_form{item(12), item(15)};
    for (int d : {9, 9, 0, 4, 10, 1, 2, 11, 0, 0, 7})
        zero_form.push_back(item(d));
    zero_form.push_back(item("Range Start ZERO!"));
    check({
        {full, rec7, "     7-98 00000 000000|"},
        {full, rec7bad, "     7*** 00000 000000|"},
        {"(i6,i3,1x,5z1,1x,6z1,4x,a)", zero_form, "    12 15 9904A 12B007    Range Start ZERO!|"},
        {"(23x,a,z3.3)", {item("Station ID: "), item(31)}, std::string(23, ' ') + "Station ID: 01F|"},
        {"(/,3X,'Rec Typ Date  Time')", {}, "|   Rec Typ Date  Time|"},
        {"(/' -- eof at irec=',i5,' --'/)", {item(1234)}, "| -- eof at irec= 1234 --||"},
        {"(/' -- eof at irec=',i5,' --'/)", {item(123456)}, "| -- eof at irec=***** --||"},
        {"(' new run ---------------------------------')", {}, " new run " + std::string(33, '-') + "|"},
        {"(i5,a,3z2)", {item(7), item(": "), i16(2), i16(60), i16(0)}, "    7:  23C 0|"},
        {"(a1,\\)", {item("\r")}, "\r>"},
        {"(1x,' Decoding preface:       rec #',i8,' type'                                       ,i3,2x,"
         "5z1,1x,6z1,a1,\\)",
         progress, "  Decoding preface:       rec #       3 type  0  00000 000000\r>"},
    });
}

TEST(Render, ScanAndRecords)
{
    std::vector<Item> n12;
    for (int k = 0; k < 12; ++k)
        n12.push_back(item(k));
    check({
        // Items run out: literals and X up to the next data descriptor, X only if text follows.
        {"(i1,'a',1x,'b',2x,i1,'c')", {item(1)}, "1a b|"},
        {"(i1,2x,'e')", {item(1)}, "1  e|"},
        {"('abc')", {}, "abc|"},                  {"(1x)", {}, "|"},
        {"()", {}, "|"},                          {"(/)", {}, "||"},
        {"(i1/)", {item(1)}, "1||"},              {"(i1/i1)", {item(1), item(2)}, "1|2|"},
        {"(i1,/,i1)", {item(1), item(2)}, "1|2|"}, {"(i1,3x/'b')", {item(1)}, "1|b|"},
        // Reversion: to the last top-level group with its repeat, else to the start.
        {"(i2)", {item(1), item(2), item(3)}, " 1| 2| 3|"},
        {"(i1,2x)", {item(1), item(2)}, "1|2|"},
        {"('a',i1,2('b',i1),'c')", {n12.begin() + 1, n12.begin() + 8}, "a1b2b3c|b4b5c|b6b7c|"},
        {"(i1,(i2),(i3))", {n12.begin() + 1, n12.begin() + 5}, "1 2  3|  4|"},
        {"(i1,2(i1,3(i2)))", {item(1), item(2), item(3), item(4), item(5), item(6), item(7), item(8),
                              item(9), item(1), item(1)},
         "12 3 4 56 7 8 9|1 1|"},
        {"(2(i1,2(i2)))", {n12.begin() + 1, n12.begin() + 7}, "1 2 34 5 6|"},
        {"(2(1x,6z1))", n12, " 012345 6789AB|"},
        // Backslash: only in the final scan; the mark belongs to its record.
        {"(i1,\\)", {item(1)}, "1>"},             {"(i1,$)", {item(1)}, "1>"},
        {"(i1,\\,i1)", {item(1), item(2)}, "12|"}, {"(i1,\\,'x')", {item(1)}, "1x>"},
        {"(i1,2x,\\)", {item(1)}, "1>"},          {"(i1,\\/)", {item(1)}, "1||"},
        {"('a',\\)", {}, "a>"},
        // Case, blanks, tabs and quoting.
        {"( I 1 0 , z 2 . 2 )", {item(42), item(5)}, "        4205|"},
        {"(\ti2\t,\t'x')", {item(3)}, " 3x|"},
        {"(' type'                ,i3)", {item(7)}, " type  7|"},
        {"('it''s')", {}, "it's|"},               {"(\"say \"\"hi\"\"\")", {}, "say \"hi\"|"},
        {"('a\"b',\"c'd\")", {}, "a\"bc'd|"},      {"('',i1)", {item(4)}, "4|"},
    });
}

// rXw is r descriptors Xw in a row: when the items run out with uses left,
// the final scan stops there, before anything after it.
TEST(Render, RepeatsLeftWhenItemsRunOut)
{
    check({
        {"(3i4,' end')", {item(1)}, "   1|"},        {"(3i4,' end')", {n(3)}, "   1   2   3 end|"},
        {"(2i1,\\)", {item(1)}, "1|"},               {"(2i1,\\)", {n(2)}, "12>"},
        {"(3i1,/,'x')", {item(1)}, "1|"},             {"(3i1,/,'x')", {n(3)}, "123|x|"},
        {"(2i1,3x,'a')", {item(1)}, "1|"},            {"(2i1,3x,'a')", {n(2)}, "12   a|"},
        {"(2(2i1),'x')", {item(1)}, "1|"},            {"(2(2i1),'x')", {n(2)}, "12|"},
        {"(2(2i1),'x')", {n(4)}, "1234x|"},           {"(3z2,'x')", {n(2)}, " 1 2|"},
        {"(2a,'x')", {item("s")}, "s|"},              {"(2i1)", {n(3)}, "12|3|"},
    });
}

// The same, over every edit kind and many item counts: rXw and Xw written r
// times give the same records, whatever follows them.
TEST(Render, RepeatCountIsThatManyDescriptors)
{
    std::mt19937 rng(20261209);
    const char* kinds[] = {"i3", "z2", "z4.3", "a", "a2"};
    const char* tails[] = {"", ",'t'", ",2x,'t'", ",/", ",\\", ",/,'t'"};
    for (int round = 0; round < 400; ++round) {
        const std::string kind = kinds[rng() % 5];
        const std::string tail = tails[rng() % 6];
        const int r = 1 + static_cast<int>(rng() % 5);
        const std::size_t count = rng() % (2 * r + 2);
        std::string repeated = "(" + std::to_string(r) + kind + tail + ")";
        std::string spelled = "(" + kind;
        for (int k = 1; k < r; ++k)
            spelled += "," + kind;
        spelled += tail + ")";
        std::vector<Item> items;
        std::vector<std::string> texts(count);
        for (std::size_t k = 0; k < count; ++k) {
            texts[k] = std::string(1 + rng() % 3, static_cast<char>('a' + k % 26));
            items.push_back(kind[0] == 'a' ? item(texts[k]) : item(static_cast<std::int32_t>(rng() % 3000) - 1000));
        }
        EXPECT_EQ(run(repeated.c_str(), items), run(spelled.c_str(), items)) << repeated << " with " << count;
    }
}

TEST(Render, Failures)
{
    struct Row {
        const char* fmt;
        std::vector<Item> items;
        Error want;
    } rows[] = {
        {"(i3)", {item("abc")}, Error::char_item},
        {"(z3)", {item("abc")}, Error::char_item},
        {"('abc')", {item(1)}, Error::fmt_no_data_descriptor},
        {"(i1,2('x'))", {item(1), item(2)}, Error::fmt_no_data_descriptor},
        {"(i3", {item(1)}, Error::fmt_no_close_paren},
        {"(q)", {}, Error::fmt_unknown_descriptor},
    };
    for (const Row& r : rows) {
        Recorder rec;
        Failed e = failure([&] { render(Format(r.fmt), r.items.data(), r.items.size(), rec, Stmt::write, "u"); });
        EXPECT_EQ(e.e, r.want) << r.fmt;
        EXPECT_EQ(e.s, Stmt::write) << r.fmt;
        EXPECT_EQ(e.name, "u") << r.fmt;
        if (std::strcmp(r.fmt, "('abc')") == 0) {
            EXPECT_EQ(rec.out, "") << "wrote before refusing";
        }
    }
}

// A sink that writes a statement of its own while taking a record.
TEST(Render, StatementInsideASink)
{
    struct Nested final : RecordSink {
        Recorder inner, outer;
        void record(const char* d, std::size_t n, bool open) override
        {
            Item nine = item(9);
            render(Format("(i2,'z')"), &nine, 1, inner, Stmt::write, "in");
            outer.record(d, n, open);
        }
    } sink;
    std::vector<Item> items{item(1), item(2)};
    render(Format("('ab',i1)"), items.data(), 2, sink, Stmt::write, "out");
    EXPECT_EQ(sink.outer.out, "ab1|ab2|");
    EXPECT_EQ(sink.inner.out, " 9z| 9z|");
}

TEST(ListDirected, Layout)
{
    struct Row {
        std::vector<Item> items;
        std::string want;
    } rows[] = {
        {{}, " |"},
        {{item("")}, " |"},
        {{item("abc")}, " abc|"},
        {{item("ab"), item("cd")}, " abcd|"},
        {{item(s79)}, " " + s79 + "| |"},
        {{item(s80)}, " " + s79 + "| b|"},
        {{item(s78), item("xyz")}, " " + s78 + "x| yz|"},
        {{item(s200)}, " " + s200.substr(0, 79) + "| " + s200.substr(0, 79) + "| " + s200.substr(0, 42) + "|"},
        {{item(5), item(-12)}, "  5 -12|"},
        {{item(s78), item(42)}, " " + s78 + "|  42|"},
    };
    for (const Row& r : rows) {
        Recorder rec;
        render_list(r.items.data(), r.items.size(), rec);
        EXPECT_EQ(rec.out, r.want);
    }
}

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
