// The compiled statements against the walk: the records that bound fills
// build, the variables that prepared writes leave and the values that
// prepared reads store, as render, write_internal and parse give them, for
// the program's own statements and many random ones.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/compiled/prepared_read.h"
#include "fmtio/compiled/prepared_write.h"
#include "fmtio/format/format.h"
#include "fmtio/format/internal.h"
#include "fmtio/format/render.h"
#include "tests/engine_support.h"

using namespace fmtio;

namespace {

using engine_support::Failed;
using engine_support::Recorder;

// The walk's records, or its error.
std::string rendered(const Format& f, const std::vector<Item>& items)
{
    Recorder r;
    try {
        render(f, items.data(), items.size(), r, Stmt::write, "u");
    } catch (const Failed& e) {
        r.out += "#" + std::to_string(static_cast<int>(e.e));
    }
    return r.out;
}

// Variables that hold the items' values, and the items bound to them:
// integers of each kind one after another in an array of their own, or with
// a variable between them, so that runs of fields find their variables
// consecutive or not; texts as they are.
struct Variables {
    std::vector<std::int32_t> ints;
    std::vector<std::int16_t> shorts;
    std::vector<Bound> items;

    Variables(const std::vector<Item>& values, bool apart)
        : ints(2 * values.size() + 1, -7), shorts(2 * values.size() + 1, -7)
    {
        const std::size_t step = apart ? 2 : 1;
        std::size_t i = 0, h = 0;
        for (const Item& it : values) {
            if (it.kind == Item::i32) {
                ints[i] = it.value;
                items.push_back(bind(ints[i]));
                i += step;
            } else if (it.kind == Item::i16) {
                shorts[h] = static_cast<std::int16_t>(it.value);
                items.push_back(bind(shorts[h]));
                h += step;
            } else {
                items.push_back(bind(it.text, it.len));
            }
        }
    }
    // New values for the same variables.
    void set(const std::vector<Item>& values)
    {
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (values[k].kind == Item::i32)
                *const_cast<std::int32_t*>(static_cast<const std::int32_t*>(items[k].var)) = values[k].value;
            else if (values[k].kind == Item::i16)
                *const_cast<std::int16_t*>(static_cast<const std::int16_t*>(items[k].var)) =
                    static_cast<std::int16_t>(values[k].value);
        }
    }
};

// A record as a statement with the items bound to variables fills it in,
// when its fill takes them (else as the walk makes it), issued with `values`
// and then again with `again` in the same variables; *ready tells which.
std::string rendered_bound(const Format& f, const std::vector<Item>& values, const std::vector<Item>& again,
                           bool apart, bool* ready)
{
    Variables v(values, apart);
    BoundFill fill;
    *ready = fill.prepare(f, v.items.data(), v.items.size());
    if (!*ready)
        return rendered(f, values) + rendered(f, again);
    std::string out;
    for (const std::vector<Item>* now : {&values, &again}) {
        v.set(*now);
        // Held to exactly its length, so that a fill past it shows under the sanitizers.
        std::vector<char> rec(fill.text(), fill.text() + fill.len());
        fill(rec.data());
        // The whole record, template copy included, as a unit's buffer takes it.
        std::vector<char> built(fill.span(), '#');
        fill.build(built.data());
        EXPECT_EQ(std::string(built.begin(), built.begin() + static_cast<std::ptrdiff_t>(fill.len())),
                  std::string(rec.begin(), rec.end()));
        out.append(rec.begin(), rec.end());
        out += fill.open() ? '>' : '|';
    }
    return out;
}

// Other values of the same kinds.
std::vector<Item> other_values(const std::vector<Item>& items, std::mt19937& rng)
{
    std::vector<Item> v = items;
    for (Item& it : v) {
        if (it.kind == Item::i32)
            it.value = static_cast<std::int32_t>(rng() % 3 ? rng() % 200000 : rng());
        else if (it.kind == Item::i16)
            it.value = static_cast<std::int16_t>(rng());
    }
    return v;
}

// The integers and texts a read left, and its error if any.
std::string parsed(const Format& f, const std::string& text, const std::string& kinds)
{
    std::vector<std::int32_t> ints(kinds.size(), -555);
    std::vector<std::string> vars(kinds.size());
    std::vector<ReadItem> refs;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (kinds[k] == 'i') {
            refs.push_back(ref(ints[k]));
        } else {
            vars[k] = std::string(static_cast<std::size_t>(kinds[k] - '0'), '~');
            refs.push_back(ref(&vars[k][0], static_cast<std::int32_t>(vars[k].size())));
        }
    }
    std::string out;
    try {
        parse(f, text.data(), text.size(), refs.data(), refs.size(), "internal");
    } catch (const Failed& e) {
        out = "#" + std::to_string(static_cast<int>(e.e)) + " ";
    }
    for (std::size_t k = 0; k < kinds.size(); ++k)
        out += kinds[k] == 'i' ? std::to_string(ints[k]) + "," : "'" + vars[k] + "',";
    return out;
}

// An internal write into a variable of `room` characters as the walk's
// records make it: one record no longer than the variable, blanked after; a
// second record, or a longer one, overflows.
std::string written_by_walk(const Format& f, const std::vector<Item>& items, std::size_t room)
{
    struct Records final : RecordSink {
        std::vector<std::string> recs;
        void record(const char* d, std::size_t n, bool) override { recs.emplace_back(d, n); }
    } r;
    try {
        render(f, items.data(), items.size(), r, Stmt::write, "internal");
    } catch (const Failed& e) {
        // A second record overflows as soon as it ends, before any later error.
        if (r.recs.size() > 1 || (r.recs.size() == 1 && r.recs[0].size() > room))
            return "#6600";
        return "#" + std::to_string(static_cast<int>(e.e));
    }
    if (r.recs.size() != 1 || r.recs[0].size() > room)
        return "#6600";
    return r.recs[0] + std::string(room - r.recs[0].size(), ' ');
}

// A prepared internal write as the variable shows it, or its error.
std::string written_prepared(const Format& f, const std::vector<Item>& items, std::size_t room, bool apart = false)
{
    std::string var(room, '~');
    const Variables v(items, apart);
    const PreparedWrite w(&var[0], static_cast<int>(room), f, v.items.data(), v.items.size());
    try {
        w();
    } catch (const Failed& e) {
        return "#" + std::to_string(static_cast<int>(e.e));
    }
    return var;
}

// A prepared internal read's integers and texts, and its error, as parsed() gives them.
// The integers lie next to each other, or apart; an integer between or after
// them that the read changes shows as a fault.
std::string parsed_prepared(const Format& f, const std::string& text, const std::string& kinds, bool apart = false)
{
    const std::size_t step = apart ? 2 : 1;
    std::vector<std::int32_t> ints(kinds.size() * step + 4, -555);
    std::vector<std::string> vars(kinds.size());
    std::vector<ReadItem> refs;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (kinds[k] == 'i') {
            refs.push_back(ref(ints[k * step]));
        } else {
            vars[k] = std::string(static_cast<std::size_t>(kinds[k] - '0'), '~');
            refs.push_back(ref(&vars[k][0], static_cast<std::int32_t>(vars[k].size())));
        }
    }
    const PreparedRead r(text.data(), static_cast<int>(text.size()), f, refs.data(), refs.size());
    std::string out;
    try {
        r();
    } catch (const Failed& e) {
        out = "#" + std::to_string(static_cast<int>(e.e)) + " ";
    }
    for (std::size_t k = 0; k < kinds.size(); ++k)
        out += kinds[k] == 'i' ? std::to_string(ints[k * step]) + "," : "'" + vars[k] + "',";
    for (std::size_t k = 0; k < ints.size(); ++k)
        if ((k % step != 0 || k >= kinds.size() * step || kinds[k / step] != 'i') && ints[k] != -555)
            out += " changed " + std::to_string(k);
    return out;
}

// Random formats over the whole grammar: groups with and without repeats,
// nested, every edit with and without its optional parts, skips, literals
// in both quotes, slashes with and without commas, the backslash and $.
struct Gen {
    std::mt19937 rng;
    int below(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    std::string number(int lo, int hi) { return std::to_string(lo + below(hi - lo + 1)); }
    std::string repeat() { return below(3) == 0 ? number(1, 4) : ""; }

    std::string element(int depth)
    {
        switch (below(depth < 3 ? 10 : 9)) {
        case 0:
        case 1: {
            std::string w = number(1, 9);
            std::string e = repeat() + (below(2) ? "I" : "i") + w;
            if (below(3) == 0)
                e += "." + number(0, std::stoi(w));
            return e;
        }
        case 2:
        case 3: {
            std::string w = number(1, 9);
            std::string e = repeat() + (below(4) ? "Z" : "z") + w;
            if (below(3) == 0)
                e += "." + number(0, std::stoi(w));
            return e;
        }
        case 4: return repeat() + "A" + (below(2) ? number(1, 6) : "");
        case 5: return (below(3) ? number(1, 5) : "") + "X";
        case 6: {
            const char* texts[] = {"", "a", "bc", " d ", "it''s", "xyz "};
            return below(4) ? "'" + std::string(texts[below(6)]) + "'" : "\"q\"\"r\"";
        }
        case 7: return below(2) ? "/" : (below(2) ? "\\" : "$");
        case 8: return below(2) ? "/" : number(1, 3) + "X";
        default: return repeat() + "(" + list(depth + 1) + ")";
        }
    }

    std::string list(int depth)
    {
        std::string s = element(depth);
        for (int k = below(5); k > 0; --k) {
            std::string e = element(depth);
            // A comma may be left out beside a slash.
            bool slash = e == "/" || s.back() == '/';
            s += (slash && below(2) ? "" : ",") + e;
        }
        return s;
    }

    std::string format() { return "(" + (below(12) ? list(0) : std::string()) + ")"; }

    std::vector<Item> items(std::vector<std::string>& texts, bool ints_only)
    {
        static const char* strs[] = {"", "x", "ab", "hello", "\r", "Range Start ZERO!"};
        std::vector<Item> v;
        texts.reserve(16);
        for (int k = below(14); k > 0; --k) {
            switch (ints_only ? below(2) : below(5)) {
            case 0: {
                const std::int32_t vals[] = {0, 1, 9, 10, 15, 255, -1, -98, 4095, 99999, 123456789, INT_MIN, INT_MAX};
                v.push_back(below(2) ? item(vals[below(13)]) : item(static_cast<std::int32_t>(rng())));
                break;
            }
            case 1: v.push_back(item16(static_cast<std::int16_t>(rng()))); break;
            case 2:
            case 3:
                texts.emplace_back(strs[below(6)]);
                v.push_back(item(texts.back()));
                break;
            default: v.push_back(item("neg", -below(3))); break;
            }
        }
        return v;
    }
};

} // namespace

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

// Formats of one record of Z, I and A fields, skips, literals and the
// backslash, as the program's lines are, with an item for every field of
// the kind the field takes: the bound fills lay the whole record out and
// fill it as the walk writes it.
TEST(Compiled, RandomRecordsOfFieldsAsTheWalk)
{
    Gen g{std::mt19937(20261210)};
    const char* parts[] = {"Z1", "Z2", "2X", "I3", "A", "A2", "'ab'", "\\", "I6", "Z3.2"};
    const char* texts[] = {"Range Start ZERO!", "x", "ab", "", "hello", "\r"};
    for (int round = 0; round < 20000; ++round) {
        std::string text = "(";
        std::vector<Item> items;
        for (int k = 1 + g.below(7); k > 0; --k) {
            const int part = g.below(10);
            const int repeat = part < 2 ? 1 + g.below(6) : 1;
            text += (text.size() > 1 ? "," : "") + (part < 2 ? std::to_string(repeat) : "") + parts[part];
            for (int r = 0; r < repeat; ++r) {
                if (part == 4 || part == 5)
                    items.push_back(item(texts[g.below(g.below(8) ? 3 : 6)]));
                else if (part < 2 || part == 3 || part > 7)
                    items.push_back(g.below(4) ? item(g.below(5000) - 100) : item16(static_cast<std::int16_t>(g.rng())));
            }
        }
        text += ")";
        Format f(text.c_str());
        ASSERT_TRUE(f.ok()) << text;
        const std::vector<Item> again = other_values(items, g.rng);
        bool ready = false;
        ASSERT_EQ(rendered_bound(f, items, again, g.below(2) == 0, &ready), rendered(f, items) + rendered(f, again))
            << text << " with " << items.size() << " items, bound";
        // Only a format without a data field, given no items, is left to the walk.
        ASSERT_EQ(ready, !items.empty()) << text;
    }
}

// Random formats over the whole grammar with random items: where the bound
// fills take a statement, they build what the walk writes.
TEST(Compiled, RandomFormatsAsTheWalk)
{
    Gen g{std::mt19937(20260213)};
    int bound = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string text = g.format();
        Format f(text.c_str());
        ASSERT_TRUE(f.ok()) << text;
        std::vector<std::string> texts;
        const std::vector<Item> items = g.items(texts, g.below(3) != 0);
        const std::vector<Item> again = other_values(items, g.rng);
        bool ready = false;
        ASSERT_EQ(rendered_bound(f, items, again, g.below(2) == 0, &ready), rendered(f, items) + rendered(f, again))
            << text << " with " << items.size() << " items, bound";
        bound += ready;
    }
    EXPECT_GT(bound, 1000);
}

// Formats of long runs of one-column and two-column fields among I fields,
// skips and literals, as the program's listing and conversions are, with
// runs of items that now and then hold a character item.
TEST(Compiled, RandomColumnRunsAsTheWalk)
{
    Gen g{std::mt19937(20260216)};
    int bound = 0;
    const char* parts[] = {"Z1", "Z2", "1X", "2X", "I3", "I6", "A1", "'ab'", "I1"};
    for (int round = 0; round < 20000; ++round) {
        std::string text = "(";
        for (int k = 1 + g.below(8); k > 0; --k) {
            if (text.size() > 1)
                text += ",";
            const int part = g.below(9);
            if (part < 2 || part == 8)
                text += std::to_string(1 + g.below(20));
            text += parts[part];
        }
        text += ")";
        Format f(text.c_str());
        ASSERT_TRUE(f.ok()) << text;
        std::vector<std::string> texts;
        std::vector<Item> items;
        for (int k = g.below(40); k > 0; --k) {
            const int kind = g.below(40);
            items.push_back(kind == 0 ? item("c") : kind < 8 ? item16(static_cast<std::int16_t>(g.rng()))
                                                             : item(static_cast<std::int32_t>(g.rng() % 70000) - 200));
        }
        const std::string walk = rendered(f, items);
        const std::vector<Item> again = other_values(items, g.rng);
        bool ready = false;
        ASSERT_EQ(rendered_bound(f, items, again, g.below(2) == 0, &ready), walk + rendered(f, again))
            << text << " with " << items.size() << " items, bound";
        bound += ready;
        const std::size_t room = static_cast<std::size_t>(g.below(48));
        ASSERT_EQ(written_prepared(f, items, room, g.below(2) == 0), written_by_walk(f, items, room))
            << text << " with " << items.size() << " items into " << room;
    }
    EXPECT_GT(bound, 4000);
}

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

TEST(Compiled, RandomPreparedStatementsAsTheWalk)
{
    Gen g{std::mt19937(20261209)};
    const std::string chars = "0123456789abcdefABCDEFG +-,\r\n\t*.";
    for (int round = 0; round < 20000; ++round) {
        const std::string text = g.format();
        Format f(text.c_str());
        ASSERT_TRUE(f.ok()) << text;
        std::vector<std::string> texts;
        const std::vector<Item> items = g.items(texts, g.below(4) != 0);
        // Mostly the short ways' own sizes.
        const std::size_t room = static_cast<std::size_t>(g.below(3) ? 6 + g.below(13) : g.below(24));
        ASSERT_EQ(written_prepared(f, items, room, g.below(2) == 0), written_by_walk(f, items, room))
            << text << " with " << items.size() << " items into " << room;
        std::string record;
        for (int k = g.below(16); k > 0; --k)
            record += chars[static_cast<std::size_t>(g.below(static_cast<int>(chars.size())))];
        std::string kinds;
        for (int k = g.below(10); k > 0; --k)
            kinds += g.below(6) ? 'i' : static_cast<char>('0' + g.below(5));
        ASSERT_EQ(parsed_prepared(f, record, kinds, g.below(2) == 0), parsed(f, record, kinds))
            << text << " on '" << record << "' into " << kinds;
    }
}
