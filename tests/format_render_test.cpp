// Records as the walk renders them against a recording sink: each edit, the scan, repeats, failures, list-directed.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/render.h"
#include "tests/engine_support.h"
#include "tests/format_support.h"

using namespace fmtio;
using namespace format_support;

namespace {

using engine_support::Failed;
using engine_support::Recorder;

std::string run(const char* fmt, const std::vector<Item>& items)
{
    Recorder r;
    render(Format(fmt), items.data(), items.size(), r, Stmt::write, "unit");
    return r.out;
}

const std::string s78(78, 'a'), s79(79, 'a'), s80 = s79 + "b", s200(200, 'c');

// Items 1, 2, ..., k.
std::vector<Item> n(int k)
{
    std::vector<Item> v;
    for (int i = 1; i <= k; ++i)
        v.push_back(item(i));
    return v;
}

} // namespace

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
