// The console: carriage control, line reads, the stop, and the error report on standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::Exited;
using testing_support::FakeProcess;
using testing_support::Fatal;

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
