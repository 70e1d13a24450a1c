// Prepared internal writes and reads against the walk, at the edges of their short ways.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"
#include "tests/compiled_support.h"

using namespace fmtio;
using namespace compiled_support;

// Prepared statements against the walk, at the edges of their short ways:
// variables of 7, 8, 16 and 17 characters, a template that does not fit, a
// character item under Z, fewer items than the run, digits with blanks, bad
// characters, fields past the text, a character variable.
TEST(Compiled, PreparedStatementsDoAsTheWalk)
{
    const std::vector<Item> nibbles = {item(10), item(0), item(7)};
    const std::vector<Item> bytes = {item16(0x95), item16(0x12), item16(0x07)};
    struct Write {
        const char* fmt;
        std::vector<Item> items;
        std::size_t room;
        const char* want;
    } writes[] = {
        {"(3z1)", nibbles, 10, "A07       "},
        {"(3z1)", nibbles, 8, "A07     "},
        {"(3z1)", nibbles, 16, "A07             "},
        {"(3z1)", nibbles, 7, "A07    "},
        {"(3z1)", nibbles, 17, "A07              "},
        {"(3z1)", nibbles, 2, "#6600"},
        {"(3z1)", {item(1), item("x"), item(3)}, 10, "#6205"},
        {"(3z1)", {item(1), item(2)}, 10, "12        "},
        {"(z2,z1,z2)", bytes, 10, "952 7     "},
        {"(3z2)", {item16(0x23), item16(0x05), item16(-1)}, 10, "23 5FF    "},
        {"(i5,a2,z2)", {item(-42), item("ok"), item(0x1f)}, 12, "  -42ok1F   "},
        {"('ab',i9)", {item(7)}, 11, "ab        7"},
        {"('ab',i9)", {item(7)}, 10, "#6600"},
    };
    for (const Write& w : writes) {
        Format f(w.fmt);
        EXPECT_EQ(written_prepared(f, w.items, w.room), w.want) << w.fmt << " into " << w.room;
        EXPECT_EQ(written_by_walk(f, w.items, w.room), w.want) << w.fmt << " into " << w.room;
    }
    struct Read {
        const char* fmt;
        const char* text;
        const char* kinds;
        const char* want;
    } reads[] = {
        {"(5i1)", "952 7     ", "iiiii", "9,5,2,0,7,"},
        {"(6i1)", "12\t456    ", "iiiiii", "1,2,0,4,5,6,"},
        {"(5i1)", "95A27", "iiiii", "#6101 9,5,-555,-555,-555,"},
        {"(5i1)", "9521", "iiiii", "9,5,2,1,0,"},
        {"(5i1)", "95217", "ii3ii", "#6205 9,5,'~~~',-555,-555,"},
        {"(z3)", "A07       ", "i", "2567,"},
        {"(z3)", "a0f", "i", "2575,"},
        {"(z3)", "A 7", "i", "167,"},
        {"(z3)", "AG7", "i", "#6510 -555,"},
        {"(z3)", "A0", "i", "160,"},
        {"(z3)", "A07", "3", "#6205 '~~~',"},
        {"(2z2)", "1F0a", "ii", "31,10,"},
        {"(8z1)", "12345678", "iiiiiiii", "1,2,3,4,5,6,7,8,"},
        {"(9i1)", "123456789", "iiiiiiiii", "1,2,3,4,5,6,7,8,9,"},
        // Blanks, early ends, reversion, and a reversion point with no data
        // edit after it, which must fail rather than loop.
        {"(i1,2('x'))", "12345", "ii", "#6983 1,-555,"},
        {"(5i1)", "1A", "iiiii", "#6101 1,-555,-555,-555,-555,"},
        {"(z2)", "1g", "i", "#6510 -555,"},
        {"(5i1)", " 5123", "iiiii", "0,5,1,2,3,"},
        {"(z3)", "A5 ", "i", "165,"},
        {"(z3)", " A5", "i", "165,"},
        {"(z3)", "   ", "i", "0,"},
        {"(i1,(3x,i1))", "1   2   3", "iii", "1,2,0,"},
        {"(a3,i2)", "abc42", "3i", "'abc',42,"},
        {"(6i1)", "12 4\t6", "iiiiii", "1,2,0,4,0,6,"},
        {"(5i1)", "12", "iiiii", "1,2,0,0,0,"},
        {"(5i1)", "1,2", "iiiii", "1,0,2,0,0,"},
        {"(4i1)", "9-12", "iiii", "9,0,1,2,"},
        {"(3i1)", "123", "i3i", "#6205 1,'~~~',-555,"},
        {"(10x,3i1)", "12", "iii", "0,0,0,"},
        {"(3x,3i1)", "abc456", "iii", "4,5,6,"},
        {"(z3)", "1g2", "i", "#6510 -555,"},
        {"(z3)", "", "i", "0,"},
        {"(z2)", "a", "i", "10,"},
        {"(2z3)", "ABCdef", "ii", "2748,3567,"},
        {"(2z4)", "12345", "ii", "4660,5,"},
        {"(z8)", "FFFFFFFF", "i", "-1,"},
        {"(i1,z3)", "7abc", "ii", "7,2748,"},
    };
    for (const Read& r : reads) {
        Format f(r.fmt);
        EXPECT_EQ(parsed_prepared(f, r.text, r.kinds), r.want) << r.fmt << " on '" << r.text << "'";
        EXPECT_EQ(parsed(f, r.text, r.kinds), r.want) << r.fmt << " on '" << r.text << "'";
    }
    // Each count of digits and each width of a hexadecimal field that has a
    // short way of its own, and one beyond them.
    for (int n = 1; n <= 9; ++n) {
        const std::string digits = "(" + std::to_string(n) + "i1)", hex = "(z" + std::to_string(n) + ")";
        const std::string text = std::string("987654321").substr(0, static_cast<std::size_t>(n)) + "  ";
        const std::string hex_text = std::string("89ABCDEF1").substr(0, static_cast<std::size_t>(n)) + "  ";
        const std::string kinds(static_cast<std::size_t>(n), 'i');
        EXPECT_EQ(parsed_prepared(Format(digits.c_str()), text, kinds), parsed(Format(digits.c_str()), text, kinds))
            << digits;
        EXPECT_EQ(parsed_prepared(Format(hex.c_str()), hex_text, "i"), parsed(Format(hex.c_str()), hex_text, "i"))
            << hex;
    }
    // Digits into integers next to each other or apart, from texts of 7 to
    // 9 characters: each count with blanks and tabs, and with a character
    // that is not a digit at each place, the last digit's and the first
    // one past the fields included.
    for (int n = 1; n <= 9; ++n) {
        const Format f(("(" + std::to_string(n) + "i1)").c_str());
        const std::string kinds(static_cast<std::size_t>(n), 'i');
        for (std::size_t len = 7; len <= 9; ++len) {
            std::vector<std::string> texts = {std::string("90817 \t65").substr(0, len)};
            for (std::size_t at = 0; at < len; ++at) {
                texts.push_back(std::string("123456789").substr(0, len));
                texts.back()[at] = at % 2 ? 'A' : '/';
            }
            for (const std::string& t : texts)
                for (const bool apart : {false, true})
                    EXPECT_EQ(parsed_prepared(f, t, kinds, apart), parsed(f, t, kinds))
                        << n << " digits on '" << t << "'" << (apart ? ", apart" : "");
        }
    }
}
