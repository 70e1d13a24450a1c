// Text files: append mode, the buffer, formatted records built in it, and a full disk at close.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fmtio/format/format.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::Exited;
using testing_support::FakeProcess;
using testing_support::ScratchDir;

TEST(TextFile, AppendKeepsWhatTheFileHeld) {
    struct Row {
        std::string before;
        std::vector<std::pair<std::string, bool>> records;
        std::string after;
    };
    const std::vector<Row> rows = {
        {"", {{"a", false}, {"", false}, {"b", false}}, "a\r\n\r\nb\r\n"},
        {"old\r\n", {{"new", false}}, "old\r\nnew\r\n"},
        {"no line end", {{" more", false}}, "no line end more\r\n"},
        {"x\x1a", {{"y", false}}, "x\x1ay\r\n"},
        {"", {{"open", true}, {"next", false}}, "opennext\r\n"},
    };
    for (const Row& r : rows) {
        FakeProcess p;
        ScratchDir dir;
        if (!r.before.empty()) dir.write("preflist", r.before);
        std::string path = dir.file("preflist");
        open_unit(20, listing_spec(path));
        for (const auto& rec : r.records) output_connection(20).record(rec.first.data(), rec.first.size(), rec.second);
        close_units();
        EXPECT_EQ(dir.read("preflist"), r.after);
    }
}

TEST(TextFile, BufferIsWrittenOnlyWhenFullOrAtClose) {
    FakeProcess p;
    ScratchDir dir;
    std::string path = dir.file("preflist");
    open_unit(20, listing_spec(path));
    std::string rec(98, 'r');  // 100 bytes with its line end
    for (int i = 0; i < 10; ++i) output_connection(20).record(rec.data(), rec.size(), false);
    EXPECT_EQ(dir.read("preflist").size(), 0u);
    output_connection(20).record(rec.data(), rec.size(), false);
    EXPECT_EQ(dir.read("preflist").size(), 1024u);
    close_units();
    EXPECT_EQ(dir.read("preflist").size(), 1100u);
}

// A formatted statement builds its record in the unit's buffer when it fits
// there: the file gets the bytes, and the writes, that the same records
// handed to a unit one by one give, the buffer's edge falling anywhere.
TEST(TextFile, FormattedRecordsAsRecordsHandedOn) {
    struct Row {
        const char* fmt;
        std::vector<Item> items;
        std::string record;  // as the statement makes it
        bool keep_open;
    };
    const std::string long_text(60, 'x');
    const std::vector<Row> rows = {
        {"(a60)", {item(long_text)}, long_text, false},
        {"(i6,i3,1x,5z1)", {item(12), item(3), item(1), item(2), item(3), item(4), item(5)}, "    12  3 12345", false},
        {"(a3)", {item("")}, "", false},
        {"('p',i2,\\)", {item(7)}, "p 7", true},
        {"(1000x,'e')", {}, std::string(1000, ' ') + "e", false},
    };
    FakeProcess p;
    ScratchDir dir;
    const std::string by_statement = dir.file("statements"), by_record = dir.file("records");
    open_unit(20, listing_spec(by_statement));
    open_unit(21, listing_spec(by_record));
    for (int k = 0; k < 200; ++k) {
        const Row& r = rows[static_cast<std::size_t>(k * 7 % 11 % 5)];
        write_formatted(20, Format(r.fmt), r.items.data(), r.items.size());
        output_connection(21).record(r.record.data(), r.record.size(), r.keep_open);
        ASSERT_EQ(dir.read("statements").size(), dir.read("records").size()) << k;
    }
    close_units();
    EXPECT_EQ(dir.read("statements"), dir.read("records"));
    EXPECT_GT(dir.read("records").size(), 10000u);
}

TEST(TextFile, FullDiskAtCloseIsReported) {
    FakeProcess p;
    p.let_failures_terminate();
    // The spec points into the name: it must outlive the open.
    const std::string full = "/dev/full";
    OpenSpec s = listing_spec(full);
    open_unit(20, s);
    output_connection(20).record("abc", 3, false);
    try {
        exit_run(0);
        FAIL();
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 1);
    }
    EXPECT_EQ(p.err, "\r\nrun-time error F6422: CLOSE(/dev/full)\r\n- disk full\r\n");
}
