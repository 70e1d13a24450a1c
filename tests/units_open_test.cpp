// Opens and their failures, the unit table, and statements that follow the table as it changes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::FakeProcess;
using testing_support::Fatal;
using testing_support::ScratchDir;

TEST(Open, Failures) {
    FakeProcess p;
    ScratchDir dir;
    dir.write("listing", "x");
    std::string missing = dir.file("missing.dat");
    std::string no_dir = dir.file("nodir/x.dat");
    std::string listing = dir.file("listing");
    std::string folder = dir.path();
    struct Row {
        const char* what;
        int unit;
        OpenSpec spec;
        int error;
        std::string name;
    };
    const std::vector<Row> rows = {
        {"missing data file", 1, data_spec(missing.c_str()), 6416, missing},
        {"data file in a missing folder", 1, data_spec(no_dir.c_str()), 6416, no_dir},
        {"data file is a folder", 1, data_spec(folder.c_str()), 6414, folder},
        {"listing is a folder", 20, listing_spec(folder), 6414, folder},
        {"listing in a missing folder", 20, listing_spec(no_dir), 6416, no_dir},
    };
    for (const Row& r : rows) {
        Fatal f = open_failure(r.unit, r.spec);
        EXPECT_EQ(static_cast<int>(f.error), r.error) << r.what;
        EXPECT_EQ(f.stmt, Stmt::open) << r.what;
        EXPECT_EQ(f.name, r.name) << r.what;
    }
}

TEST(Open, SameFileOnTwoUnitsIsRefusedByIdentity) {
    FakeProcess p;
    ScratchDir dir;
    dir.write("preflist", "old\r\n");
    std::string path = dir.file("preflist");
    open_unit(1, data_spec(path.c_str()));
    std::string other_name = dir.path() + "/./preflist";
    Fatal f = open_failure(20, listing_spec(other_name));
    EXPECT_EQ(static_cast<int>(f.error), 6413);
    EXPECT_EQ(dir.read("preflist"), "old\r\n");
}

TEST(Open, TableHoldsSixtyOneUnits) {
    FakeProcess p;
    ScratchDir dir;
    for (int u = 100; u < 161; ++u) {
        std::string name = dir.file("f" + std::to_string(u));
        open_unit(u, listing_spec(name));
    }
    std::string extra = dir.file("extra");
    EXPECT_EQ(static_cast<int>(open_failure(200, listing_spec(extra)).error), 6418);
    EXPECT_FALSE(dir.exists("extra"));
}

// Statements find their unit's connection however the table changed since
// the unit was last looked up: reopened on another file, opened on a unit
// that reached the console before, closed, or sharing a lookup with
// another unit number.
TEST(Open, WritesFollowTheTableAsItChanges) {
    FakeProcess p;
    ScratchDir dir;
    const std::string a = dir.file("a"), b = dir.file("b"), c = dir.file("c"), d = dir.file("d");
    auto put = [](int unit, const char* text) { output_connection(unit).record(text, std::strlen(text), false); };

    open_unit(20, listing_spec(a));
    put(20, "1");
    open_unit(20, listing_spec(b));  // closes a
    put(20, "2");
    put(6, " console");
    open_unit(6, listing_spec(c));
    put(6, "3");
    open_unit(3, listing_spec(d));
    open_unit(11, listing_spec(a));  // 11 and 3 share a lookup
    for (const char* t : {"4", "5"}) {
        put(3, t);
        put(11, t);
    }
    close_units();
    EXPECT_EQ(dir.read("a"), "1\r\n4\r\n5\r\n");
    EXPECT_EQ(dir.read("b"), "2\r\n");
    EXPECT_EQ(dir.read("c"), "3\r\n");
    EXPECT_EQ(dir.read("d"), "4\r\n5\r\n");
    EXPECT_EQ(p.out, "console");

    // Closed, the file units are gone; unit 6 is the console again.
    for (int unit : {11, 3, 20}) {
        try {
            put(unit, "x");
            ADD_FAILURE() << "unit " << unit << " still connected";
        } catch (const Fatal& f) {
            EXPECT_EQ(f.error, Error::open_failed) << unit;
        }
    }
    put(6, " again");
    EXPECT_EQ(p.out, "console\r\nagain");
}

TEST(Open, NameIsTrimmedAndSpecifiersIgnoreCase) {
    FakeProcess p;
    ScratchDir dir;
    std::string padded = "  " + dir.file("preflist") + "       ";
    OpenSpec s;
    s.file = padded.c_str();
    s.access = "APPEND  ";
    open_unit(20, s);
    output_connection(20).record("abc", 3, false);
    close_units();
    EXPECT_EQ(dir.read("preflist"), "abc\r\n");
}

TEST(Open, UnknownSpecifierValueEndsTheRun) {
    FakeProcess p;
    ScratchDir dir;
    std::string name = dir.file("x");
    struct Row {
        const char* OpenSpec::*field;
        const char* value;
    };
    const Row rows[] = {
        {&OpenSpec::access, "direct"}, {&OpenSpec::status, "new"}, {&OpenSpec::form, "unformatted"},
        {&OpenSpec::mode, "write"},    {&OpenSpec::access, "app"},
    };
    for (const Row& r : rows) {
        OpenSpec s = listing_spec(name);
        s.*r.field = r.value;
        Fatal f = open_failure(20, s);
        EXPECT_EQ(static_cast<int>(f.error), 6419) << r.value;
        EXPECT_EQ(f.stmt, Stmt::open) << r.value;
        EXPECT_EQ(f.name, name) << r.value;
    }
    EXPECT_FALSE(dir.exists("x"));
}
