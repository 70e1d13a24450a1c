// Bound fills, prepared writes and prepared reads against the walk on many random statements.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/format/items.h"
#include "tests/compiled_support.h"

using namespace fmtio;
using namespace compiled_support;

namespace {

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
