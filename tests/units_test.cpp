// The units layer: console carriage control, text files, byte-stream reads,
// opens and their failures, the blank-name prompt, the stop and the error report.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "fmtio/compiled/prepared_unit_write.h"
#include "fmtio/format/format.h"
#include "fmtio/platform/platform.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"

using namespace fmtio;
using testing_support::Exited;
using testing_support::FakeProcess;
using testing_support::Fatal;
using testing_support::ScratchDir;

namespace {

void set_words(std::vector<std::string> words) {
    static std::vector<std::string> keep;
    static std::vector<char*> ptrs;
    keep = std::move(words);
    ptrs.clear();
    for (auto& w : keep) ptrs.push_back(w.data());
    platform::set_command_line(static_cast<int>(ptrs.size()), ptrs.data());
}

void console(const std::string& text, bool keep_open = false) {
    output_connection(default_unit).record(text.data(), text.size(), keep_open);
}

OpenSpec listing_spec(const std::string& path) {
    OpenSpec s;
    s.file = path.c_str();
    s.access = "append";
    return s;
}

OpenSpec data_spec(const char* path) {
    OpenSpec s;
    s.file = path;
    s.status = "OLD";
    s.form = "binary";
    s.mode = "read";
    return s;
}

Fatal open_failure(int unit, const OpenSpec& spec) {
    try {
        open_unit(unit, spec);
    } catch (const Fatal& f) {
        return f;
    }
    ADD_FAILURE() << "open succeeded";
    return {};
}

} // namespace

TEST(Console, CarriageControlWorkedExample) {
    FakeProcess p;
    struct Step {
        std::string record;
        bool keep_open;
        std::string bytes;
    };
    const std::vector<Step> steps = {
        {" x.dat", false, "x.dat"},
        {" text\r", true, "\r\ntext\r"},
        {" text\r", true, " text\r"},
        {"", false, " "},
        {" message", false, "\r\nmessage"},
        {"", false, "\r\n"},
    };
    for (const Step& s : steps) {
        std::size_t before = p.out.size();
        console(s.record, s.keep_open);
        EXPECT_EQ(p.out.substr(before), s.bytes) << "record [" << s.record << "]";
    }
    std::size_t before = p.out.size();
    EXPECT_THROW(stop(), Exited);
    EXPECT_EQ(p.out.substr(before), "\r\nStop - Program terminated.\r\n\r\n");
}

TEST(Console, CarriageControlCharacters) {
    struct Row {
        bool pending;
        std::string record;
        std::string bytes;
    };
    const std::vector<Row> rows = {
        {false, "0a", "\r\na"},         {true, "0a", "\r\n\r\na"},
        {false, "1a", "\r\n\f\r \ra"},  {true, "1a", "\r\n\f\r \ra"},
        {false, "+a", "\ra"},           {true, "+a", "\ra"},
        {false, " a", "a"},             {true, " a", "\r\na"},
        {false, "\ra", "a"},            {true, "\ra", "\r\na"},
        {true, "xa", "\r\na"},
    };
    for (const Row& r : rows) {
        FakeProcess p;
        if (r.pending) console(" ");
        std::size_t before = p.out.size();
        console(r.record);
        EXPECT_EQ(p.out.substr(before), r.bytes) << "record [" << r.record << "] pending " << r.pending;
    }
}

TEST(Console, LongRecordKeepsItsBytes) {
    FakeProcess p;
    std::string rec = " " + std::string(300, 'q');
    console(rec);
    EXPECT_EQ(p.out, std::string(300, 'q'));
}

TEST(Console, StopFromFreshWritesNoLineEnds) {
    FakeProcess p;
    try {
        stop();
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 0);
    }
    EXPECT_EQ(p.out, "Stop - Program terminated.\r\n");
}

TEST(Console, StopWithAStatusForAFailedScan) {
    FakeProcess p;
    console(" m");
    try {
        stop(2);
        FAIL();
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 2);
    }
    EXPECT_EQ(p.out, "m\r\nStop - Program terminated.\r\n\r\n");
}

TEST(Console, LineReadEndsAPendingLineOnInteractiveConsole) {
    struct Row {
        bool interactive;
        std::string expect_out;
    };
    // Interactive: the read ends the line. Redirected: the next record does. Same bytes.
    for (const Row& r : std::vector<Row>{{true, "q\r\nz"}, {false, "q\r\nz"}}) {
        FakeProcess p("answer\n", r.interactive);
        console(" q");
        const char* text = nullptr;
        std::size_t n = read_console_line(default_unit, &text);
        EXPECT_EQ(std::string(text, n), "answer");
        console(" z");
        EXPECT_EQ(p.out, r.expect_out) << "interactive " << r.interactive;
    }
}

TEST(Console, LineReadLimitsAndEnd) {
    struct Row {
        std::string input;
        bool interactive;
        int error;  // 0: read succeeds
        std::string line;
    };
    const std::vector<Row> rows = {
        {std::string(130, 'a') + "\n", true, 0, std::string(130, 'a')},
        {std::string(131, 'a') + "\n", true, 6407, ""},
        {std::string(131, 'a') + "\n", false, 0, std::string(130, 'a')},
        {"name\r\n", false, 0, "name"},
        {"last line without end", false, 0, "last line without end"},
        {"", false, 6501, ""},
        {"", true, 6501, ""},
        {"ab\x1a\n", true, 6501, ""},
    };
    for (const Row& r : rows) {
        FakeProcess p(r.input, r.interactive);
        const char* text = nullptr;
        try {
            std::size_t n = read_console_line(default_unit, &text);
            EXPECT_EQ(r.error, 0) << r.input.size();
            EXPECT_EQ(std::string(text, n), r.line);
        } catch (const Fatal& f) {
            EXPECT_EQ(static_cast<int>(f.error), r.error) << r.input.size();
            EXPECT_EQ(f.stmt, Stmt::read);
            EXPECT_EQ(f.name, "CON");
        }
    }
}

TEST(Console, RedirectedLongLineSkipsItsRest) {
    FakeProcess p(std::string(200, 'a') + "\nsecond\n");
    const char* text = nullptr;
    read_console_line(default_unit, &text);
    std::size_t n = read_console_line(default_unit, &text);
    EXPECT_EQ(std::string(text, n), "second");
}

TEST(ByteStream, StatusesBySize) {
    struct Row {
        std::size_t size;
        std::vector<int> statuses;
        std::size_t last_filled;  // destinations filled by the last read with status -1
    };
    const std::vector<Row> rows = {
        {0, {-1, -1}, 0},
        {4096, {0, -1, -1}, 0},
        {5000, {0, -1, -1}, 904},
        {3 * 4096 + 100, {0, 0, 0, -1}, 100},
    };
    for (const Row& r : rows) {
        FakeProcess p;
        ScratchDir dir;
        std::string bytes(r.size, '\0');
        for (std::size_t i = 0; i < r.size; ++i) bytes[i] = static_cast<char>(i % 251);
        dir.write("d", bytes);
        std::string path = dir.file("d");
        open_unit(1, data_spec(path.c_str()));
        std::size_t offset = 0;
        for (std::size_t i = 0; i < r.statuses.size(); ++i) {
            std::uint8_t dest[4096];
            std::memset(dest, 0xEE, sizeof dest);
            int status = read_bytes(1, dest, sizeof dest);
            EXPECT_EQ(status, r.statuses[i]) << "size " << r.size << " read " << i;
            std::size_t filled = status == 0 ? 4096 : r.size - offset;
            if (status == -1 && offset < r.size) {
                EXPECT_EQ(filled, r.last_filled);
            }
            for (std::size_t k = 0; k < filled; ++k)
                ASSERT_EQ(dest[k], static_cast<std::uint8_t>((offset + k) % 251)) << k;
            for (std::size_t k = filled; k < sizeof dest; ++k) ASSERT_EQ(dest[k], 0xEE) << k;
            offset += filled;
        }
    }
}

// Reads of other sizes than the record's leave the buffer part-used, so later
// reads take bytes from it and from the file; every byte comes once, in order,
// and the count of bytes reached matches the destinations filled.
TEST(ByteStream, MixedSizesKeepTheStreamInOrder) {
    FakeProcess p;
    ScratchDir dir;
    std::string bytes(5000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    dir.write("d", bytes);
    std::string path = dir.file("d");
    open_unit(1, data_spec(path.c_str()));
    struct Step {
        std::size_t want;
        int status;
        std::size_t reached;
    };
    const Step steps[] = {{100, 0, 100}, {4096, 0, 4096}, {4096, -1, 804}, {10, -1, 0}};
    std::size_t offset = 0;
    for (const Step& s : steps) {
        std::uint8_t dest[4096];
        std::memset(dest, 0xEE, sizeof dest);
        std::size_t reached = 12345;
        EXPECT_EQ(read_bytes(1, dest, s.want, &reached), s.status) << "at " << offset;
        EXPECT_EQ(reached, s.reached) << "at " << offset;
        for (std::size_t k = 0; k < s.reached; ++k)
            ASSERT_EQ(dest[k], static_cast<std::uint8_t>((offset + k) % 251)) << offset + k;
        for (std::size_t k = s.reached; k < sizeof dest; ++k) ASSERT_EQ(dest[k], 0xEE) << k;
        offset += s.reached;
    }
}

TEST(ByteStream, FailingReadHasStatus6500) {
    FakeProcess p;
    open_unit(1, data_spec("/proc/self/mem"));
    std::uint8_t dest[4096];
    EXPECT_EQ(read_bytes(1, dest, sizeof dest), 6500);
}

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

TEST(BlankName, CommandLineWordOrPrompt) {
    struct Row {
        std::vector<std::string> words;
        std::string input;
        bool pending;     // a console record written before the open
        int error;        // 0: opened
        std::string out;  // console bytes
    };
    const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT 1? ";
    ScratchDir dir;
    dir.write("x.dat", "");
    const std::string x = dir.file("x.dat");
    const std::vector<Row> rows = {
        {{"prog", x}, "", false, 0, ""},
        {{"prog", "  " + x + "  "}, "", false, 0, ""},
        {{"prog"}, x + "\n", false, 0, prompt},
        {{"prog"}, "\n   \n  " + x + "  \n", false, 0, prompt + prompt + prompt},
        {{"prog", "   "}, x + "\n", false, 0, prompt},
        {{"prog"}, x + "\n", true, 0, "m\r\n" + prompt},
        {{"prog"}, "", false, 6501, prompt},
        {{"prog"}, "  \n", false, 6501, prompt + prompt},
    };
    for (const Row& r : rows) {
        FakeProcess p(r.input);
        set_words(r.words);
        if (r.pending) console(" m");
        OpenSpec s = data_spec(" ");
        s.file_len = 1;
        try {
            open_unit(1, s);
            EXPECT_EQ(r.error, 0);
            EXPECT_STREQ(unit_name(1), x.c_str());
        } catch (const Fatal& f) {
            EXPECT_EQ(static_cast<int>(f.error), r.error);
            EXPECT_EQ(f.stmt, Stmt::open);
            EXPECT_EQ(f.name, "");
        }
        EXPECT_EQ(p.out, r.out) << r.input;
        // The prompt leaves the console state alone.
        std::size_t before = p.out.size();
        if (r.error == 0) {
            console(" z");
            EXPECT_EQ(p.out.substr(before), r.pending ? "\r\nz" : "z");
        }
    }
    set_words({"prog"});
}

TEST(Args, WordsCutAndPadded) {
    set_words({"prog", "abcdef"});
    struct Row {
        int n;
        int len;
        int status;
        std::string text;
    };
    const std::vector<Row> rows = {
        {1, 8, 6, "abcdef  "}, {1, 3, 6, "abc"}, {0, 4, 4, "prog"}, {2, 4, -1, "...."}, {-1, 4, -1, "...."},
    };
    EXPECT_EQ(arg_count(), 2);
    for (const Row& r : rows) {
        std::string text(static_cast<std::size_t>(r.len), '.');
        EXPECT_EQ(arg_word(static_cast<std::int16_t>(r.n), text.data(), r.len), r.status) << r.n;
        EXPECT_EQ(text, r.text) << r.n;
    }
    set_words({"prog"});
}

TEST(ErrorReport, BytesOnStandardError) {
    FakeProcess p;
    p.let_failures_terminate();
    try {
        fail(Error::not_found, Stmt::open, "missing.dat");
    } catch (const Exited& e) {
        EXPECT_EQ(e.status, 1);
    }
    const std::string head = "\r\nrun-time error F6416: OPEN(missing.dat)\r\n- ";
    ASSERT_GT(p.err.size(), head.size() + 2);
    EXPECT_EQ(p.err.substr(0, head.size()), head);
    EXPECT_EQ(p.err.substr(p.err.size() - 2), "\r\n");
    EXPECT_EQ(p.err.find('\n', head.size()), p.err.size() - 1);
    EXPECT_EQ(p.out, "");
}
