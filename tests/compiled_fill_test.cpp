// Bound fills against the walk, case by case: the program's statements, the edges, each fill.
#include <gtest/gtest.h>

#include <climits>
#include <iterator>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"
#include "tests/compiled_support.h"

using namespace fmtio;
using namespace compiled_support;

// The statements the program issues for every record are laid out, so that
// each takes the compiled path; formats whose record cannot be laid out
// ahead are left to the walk.
TEST(Compiled, TheProgramsStatementsAreLaidOut)
{
    const std::vector<Item> listed(13, item(7));
    std::vector<Item> zero = listed, shown = listed;
    zero.push_back(item("Range Start ZERO!"));
    shown.push_back(item("\r", 1));
    const std::vector<Item> three = {item(1), item(2), item(3)};
    const std::vector<Item> bytes = {item16(1), item16(2), item16(3)};
    struct Row {
        const char* fmt;
        std::vector<Item> items;
        bool ready;
    } rows[] = {
        {"(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,14Z1,"
         "4(2X,3Z1,1X,Z1,1X,4Z1))", listed, true},
        {"(i6,i3,1x,5z1,1x,6z1,4x,a)", zero, true},
        {"(1x,' Decoding preface:       rec #',i8,' type'                ,i3,2x,5z1,1x,6z1,"
         "' Range Start ZERO!',a1,\\)", shown, true},
        {"(1x,' Decoding preface:       rec #',i8,' type'                                       "
         ",i3,2x,5z1,1x,6z1,a1,\\)", shown, true},
        {"(3z1)", three, true},
        {"(z2,z1,z2)", bytes, true},
        {"(3z2)", bytes, true},
        // A second record, a reversion, a field that may show nothing, an
        // integer under A, a character item under Z, no items, a record
        // longer than any laid out.
        {"(i1/i1)", {item(1), item(2)}, false},
        {"(i1)", {item(1), item(2)}, false},
        {"(i3.0)", {item(0)}, false},
        {"(z3.0)", {item(5)}, false},
        {"(a4)", {item(5)}, false},
        {"(z1)", {item("x")}, false},
        {"('text')", {}, false},
        {"(2(16384x),i1)", {item(1)}, false},
    };
    for (const Row& r : rows) {
        const Format f(r.fmt);
        ASSERT_TRUE(f.ok()) << r.fmt;
        bool ready = false;
        EXPECT_EQ(rendered_bound(f, r.items, r.items, false, &ready), rendered(f, r.items) + rendered(f, r.items))
            << r.fmt;
        EXPECT_EQ(ready, r.ready) << r.fmt;
    }
}

// Hand-picked cases where a laid-out record could part from the walk: the
// final scan stopping at a field whose skips are still pending; blanks
// pending across a field that shows nothing; slashes and backslashes; an A
// field of an empty text at the end, in the middle and after a skip;
// reversion; a character item under Z.
TEST(Compiled, FillsAsTheWalk)
{
    struct Row {
        const char* fmt;
        std::vector<Item> items;
        std::string want;
    } rows[] = {
        {"(i2,2x,'a',3x,i2,'b')", {item(1)}, " 1  a|"},
        {"(i2,2x,'a',3x,i2,'b')", {item(1), item(2)}, " 1  a    2b|"},
        {"(3z1,2x,i1)", {item(1), item(2)}, "12|"},
        {"(3z1,2x,i1)", {item(1), item(2), item(3)}, "123|"},
        {"(a3,i2)", {item(""), item(4)}, "    4|"},
        {"(i2.0,1x,z2)", {item(0), item(10)}, "    A|"},
        {"(i2.0,1x)", {item(0)}, "|"},
        {"(a,2x,\\)", {item("")}, ">"},
        {"('a'/\\,'b',z1)", {}, "a|b>"},
        {"('a'/\\,'b',z1)", {item(7)}, "a|b7|"},
        {"(i1,2(1x,2z1),'e')", {item(1), item(2), item(3), item(4), item(5), item(6)}, "1 23 45e| 6|"},
        {"(i1,2(1x,2z1),'e')", {item(1), item(2), item(3), item(4), item(5), item(6), item(7), item(8)},
         "1 23 45e| 67 8|"},
        {"(i1,(3x,i1))", {item(1), item(2), item(3)}, "1   2|   3|"},
        {"('p',\\,i1,'q'/)", {item(1), item(2)}, "p1q||p2q||"},
        {"(a2,a)", {item(""), item("")}, "|"},
        {"(23x,a,a5)", {item(""), item("")}, "|"},
        {"(2x,a,a5,'t')", {item(""), item(""), item("")}, "       t||"},
        {"(a2,1x,a1,'z')", {item(""), item("")}, "    z|"},
        {"(i1,a2)", {item(5), item("")}, "5|"},
        {"(a2,i1)", {item(""), item(5)}, "  5|"},
        {"(a3,2x,a2,\\)", {item("ab"), item("")}, " ab>"},
        {"(a1,a3)", {item("xyz"), item("pqrs")}, "xpqr|"},
        {"(2z3.3)", {item("x")}, "#6205"},
        {"(i1,'a',z1)", {item(1), item("x")}, "#6205"},
        {"(i1,/,a,2('x'))", {item(1), item("s"), item(2)}, "1|#6983"},
    };
    for (const Row& r : rows) {
        Format f(r.fmt);
        EXPECT_EQ(rendered(f, r.items), r.want) << r.fmt;
        bool ready = false;
        EXPECT_EQ(rendered_bound(f, r.items, r.items, false, &ready), r.want + r.want) << r.fmt;
    }
}

// Each fill: I fields at the edges of what fits them and of their short
// ways, Z1 runs of every count that has a fill of its own and beyond, runs
// that join and runs that do not, Z2 of 16-bit items, a character item late
// in a Z1 run, templates of a whole block, one byte over, and past the
// longest copy of a known count of blocks.
TEST(Compiled, EachFillAsTheWalk)
{
    // Items 3, 10, 17, 24, ...: their low hexadecimal digits 3, A, 1, 8, ...
    auto digits = [](int n) {
        std::vector<Item> v;
        for (int k = 0; k < n; ++k)
            v.push_back(item(k * 7 + 3));
        return v;
    };
    struct Row {
        const char* fmt;
        std::vector<Item> items;
        std::string want;
    } rows[] = {
        {"(i3)", {item(999)}, "999|"},
        {"(i3)", {item(1000)}, "***|"},
        {"(i3)", {item(-99)}, "-99|"},
        {"(i3)", {item(-100)}, "***|"},
        {"(i3.3)", {item(-1)}, "***|"},
        {"(i3.3)", {item(5)}, "005|"},
        {"(i1)", {item(-1)}, "*|"},
        {"(i2.2)", {item(0)}, "00|"},
        {"(i8)", {item(12345)}, "   12345|"},
        {"(i8)", {item(10000)}, "   10000|"},
        {"(i8)", {item(99999999)}, "99999999|"},
        {"(i8)", {item(100000000)}, "********|"},
        {"(i6,i3)", {item(100904), item(7)}, "100904  7|"},
        // Values below 100 as one pair, a blank before one digit, never
        // into the column before a field of one column.
        {"(i2,i2,i1)", {item(99), item(5), item(7)}, "99 57|"},
        {"(i3,i2,i2)", {item(0), item(10), item(-5)}, "  010-5|"},
        {"(i2,i4)", {item(100), item(100)}, "** 100|"},
        {"(i2.0,i2.2)", {item(0), item(7)}, "  07|"},
        {"(i5)", {item(9999)}, " 9999|"},
        {"(i5)", {item(1000)}, " 1000|"},
        {"(i9)", {item(999999999)}, "999999999|"},
        {"(i9)", {item(1000000000)}, "*********|"},
        {"(i10)", {item(INT_MAX)}, "2147483647|"},
        {"(i10)", {item(INT_MIN)}, "**********|"},
        {"(i11)", {item(INT_MIN)}, "-2147483648|"},
        {"(i12.11)", {item(-5)}, "-00000000005|"},
        {"(1z1)", digits(1), "3|"},
        {"(2z1)", digits(2), "3A|"},
        {"(5z1)", digits(5), "3A18F|"},
        {"(11z1)", digits(11), "3A18F6D4B29|"},
        {"(12z1)", digits(12), "3A18F6D4B290|"},
        {"(13z1)", digits(13), "3A18F6D4B2907|"},
        {"(16z1)", digits(16), "3A18F6D4B2907E5C|"},
        {"(16z1)", digits(9), "3A18F6D4B|"},
        {"(5z1,1x,6z1)", digits(8), "3A18F 6D4|"},
        // Two runs one column apart, as the lines' fields are: the column
        // between keeps its text, whatever the runs' lengths and the values'
        // kinds.
        {"(5z1,1x,6z1)", digits(11), "3A18F 6D4B29|"},
        {"(5z1,1x,6z1)", {item(-1), item(INT_MIN), item(INT_MAX), item(16), item(255), item(0x12345), item(9),
                          item(10), item(0x10000), item(-16), item(0xabc)}, "F0F0F 59A00C|"},
        {"(1z1,'-',7z1)", digits(8), "3-A18F6D4|"},
        {"(7z1,'/',z1)", digits(8), "3A18F6D/4|"},
        {"(4z1,1x,8z1)", digits(12), "3A18 F6D4B290|"},
        {"(8z1,1x,5z1)", digits(13), "3A18F6D4 B2907|"},
        {"(3z1,1x,3z1)", digits(6), "3A1 8F6|"},
        {"(5z1,2x,6z1)", digits(11), "3A18F  6D4B29|"},
        {"(5z1,1x,6z1)", {item16(3), item16(10), item16(17), item16(24), item16(31), item16(38), item16(45),
                          item16(52), item16(59), item16(66), item16(-1)}, "3A18F 6D4B2F|"},
        {"(3z1,'x',2z1)", {item(0), item(1), item(2), item(3)}, "012x3|"},
        {"(3z2)", {item16(-1), item(5), item(31)}, "FF 51F|"},
        {"(z2,z1,z2)", {item16(0x95), item16(0x12), item16(0x07)}, "952 7|"},
        {"(z2,z1,z2)", {item16(0x95), item16(0x12)}, "952|"},
        // Z1 and Z2 fields side by side over 16-bit values, as a packed date
        // is written: runs of each, mixed, a column apart, and 16-bit and
        // 32-bit values in one run of columns.
        {"(4z2)", {item16(0x0f), item16(0x10), item16(-1), item16(0x100)}, " F10FF00|"},
        {"(z1,z2,z1)", {item16(0x3a), item16(0x05), item16(0xfff)}, "A 5F|"},
        {"(2z1,2z2)", {item16(1), item16(2), item16(0x7fff), item16(-32768)}, "12FF00|"},
        {"(z2,z2)", {item16(0), item16(16)}, " 010|"},
        {"(z2,3z1)", {item16(0xe1), item16(0xb), item16(0x1c), item16(-3)}, "E1BCD|"},
        {"(z1,z2)", {item16(0xab), item16(0xcd)}, "BCD|"},
        {"(5z2)", {item16(1), item16(0x22), item16(3), item16(0x44), item16(-2)}, " 122 344FE|"},
        {"(z2,1x,z2)", {item16(0x12), item16(0x34)}, "12 34|"},
        {"(3z2)", {item16(0x12), item(0x34), item16(0x56)}, "123456|"},
        {"(z1,2x,z2,'-',z1,z2)", {item(0x1b), item(0xc4), item(0x3e), item(0x0f)}, "B  C4-E F|"},
        {"(2z1,z2,3z1)", digits(6), "3A118F6|"},
        {"(5z1)", {item(1), item(2), item(3), item(4), item("x")}, "#6205"},
        {"(i2,11z1)", {item(1), item(2), item(3), item(4), item(5), item(6), item(7), item(8), item(9),
                       item(10), item(11), item("x")}, "#6205"},
        // Templates of a whole block, one byte over, and past the longest
        // copy of a known count of blocks.
        {"(z1,14x,z1)", digits(2), "3" + std::string(14, ' ') + "A|"},
        {"(z1,15x,z1)", digits(2), "3" + std::string(15, ' ') + "A|"},
        {"(i3,120x,'end')", {item(7)}, "  7" + std::string(120, ' ') + "end|"},
        {"(i3,125x,'end')", {item(7)}, "  7" + std::string(125, ' ') + "end|"},
    };
    int ready_rows = 0;
    for (const Row& r : rows) {
        Format f(r.fmt);
        EXPECT_EQ(rendered(f, r.items), r.want) << r.fmt;
        for (const bool apart : {false, true}) {
            bool ready = false;
            EXPECT_EQ(rendered_bound(f, r.items, r.items, apart, &ready), r.want + r.want) << r.fmt;
            ready_rows += ready;
        }
    }
    // All but the character items under Z and the field that may show
    // nothing, each twice.
    EXPECT_EQ(ready_rows, 2 * (static_cast<int>(std::size(rows)) - 3));
}
