// Prepared writes on a unit against the plain statement, on files and the console.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fmtio/compiled/prepared_unit_write.h"
#include "fmtio/format/format.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::FakeProcess;
using testing_support::Fatal;
using testing_support::ScratchDir;

// A prepared write gives what the plain statement gives with the variables'
// values of the moment: in the unit's buffer wherever its edge falls, on the
// console with its carriage control, and the general way for what its fill
// does not take (a field of a later pass, a text of no width, an empty text
// last, a character item under I).
TEST(PreparedWrite, AsThePlainStatementOnFilesAndConsole) {
    const Format listing("(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1))");
    const Format zero("(i6,i3,1x,5z1,1x,6z1,4x,a)");
    const Format progress("(1x,' rec #',i8,' type',i3,2x,5z1,1x,6z1,a1,\\)");
    const Format station("(23x,a,z3.3)");
    const Format empty_last("(i2,a3)");
    std::int32_t irec = 0, itype = 0, ivstat = 0;
    std::int32_t digits[11] = {};
    const char cr[] = "\r";
    const char zero_text[] = "Range Start ZERO!";
    const char label[] = "Station ID: ";
    std::vector<Bound> shown = {bind(irec), bind(itype)};
    for (std::int32_t& d : digits) shown.push_back(bind(d));
    auto with = [&](Bound last) {
        std::vector<Bound> v = shown;
        v.push_back(last);
        return v;
    };
    const std::vector<Bound> zero_items = with(bind(zero_text, 17)), progress_items = with(bind(cr, 1));
    const std::vector<Bound> station_items = {bind(label, 12), bind(ivstat)};
    const std::vector<Bound> empty_items = {bind(irec), bind("", 0)};
    struct Statement {
        int unit;
        const Format& f;
        const std::vector<Bound>& items;
        std::size_t n;
    };
    const Statement statements[] = {
        {20, listing, shown, 13},        {20, zero, zero_items, 14},    {20, station, station_items, 2},
        {20, empty_last, empty_items, 2}, {6, progress, progress_items, 14}, {20, listing, shown, 11},
    };
    std::vector<PreparedUnitWrite> prepared;
    for (const Statement& s : statements) prepared.emplace_back(s.unit, s.f, s.items.data(), s.n);

    // The same statements with the same values, prepared or plain, each
    // way in a process of its own: the listing and the console as each left them.
    auto run = [&](bool prepare) {
        FakeProcess p;
        ScratchDir dir;
        open_unit(20, listing_spec(dir.file("preflist")));
        for (int k = 0; k < 3000; ++k) {
            irec = k * 37 - 50;
            itype = k % 23 - 3;
            ivstat = k * 131;
            for (std::int32_t& d : digits) d = (k + static_cast<int>(&d - digits) * 5) % 19;
            const std::size_t which = static_cast<std::size_t>(k * 7 % 13 % 6);
            const Statement& s = statements[which];
            if (prepare) {
                prepared[which]();
            } else {
                std::vector<Item> now;
                for (std::size_t j = 0; j < s.n; ++j) now.push_back(value_of(s.items[j]));
                write_formatted(s.unit, s.f, now.data(), now.size());
            }
        }
        close_units();
        return std::make_pair(dir.read("preflist"), p.out);
    };
    const auto by_prepared = run(true), by_plain = run(false);
    EXPECT_EQ(by_prepared.first, by_plain.first);
    EXPECT_EQ(by_prepared.second, by_plain.second);
    EXPECT_GT(by_plain.first.size(), 50000u);
    EXPECT_GT(by_plain.second.size(), 15000u);
}

// The unit is looked up at each issue: a prepared write follows the unit to
// the file it is opened on next, and fails as the plain statement does where
// the unit is not connected or an item cannot go under its field.
TEST(PreparedWrite, FollowsTheUnitAndFailsAsThePlainStatement) {
    const Format f("(i3,2z1)");
    std::int32_t a = 7, b = 10, c = 11;
    const Bound items[] = {bind(a), bind(b), bind(c)};
    const PreparedUnitWrite w(20, f, items, 3);
    FakeProcess p;
    ScratchDir dir;
    open_unit(20, listing_spec(dir.file("one")));
    w();
    a = 8;
    open_unit(20, listing_spec(dir.file("two")));
    w();
    close_units();
    EXPECT_EQ(dir.read("one"), "  7AB\r\n");
    EXPECT_EQ(dir.read("two"), "  8AB\r\n");
    try {
        w();
        ADD_FAILURE() << "unit 20 still connected";
    } catch (const Fatal& e) {
        EXPECT_EQ(e.error, Error::open_failed);
    }

    const Bound wrong[] = {bind("x", 1), bind(b), bind(c)};
    const PreparedUnitWrite bad(20, f, wrong, 3);
    open_unit(20, listing_spec(dir.file("three")));
    try {
        bad();
        ADD_FAILURE() << "a character item under I was taken";
    } catch (const Fatal& e) {
        EXPECT_EQ(e.error, Error::char_item);
        EXPECT_EQ(e.stmt, Stmt::write);
        EXPECT_EQ(e.name, dir.file("three"));
    }
    close_units();
    EXPECT_EQ(dir.read("three"), "");
}
