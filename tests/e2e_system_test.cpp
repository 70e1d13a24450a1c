// The built program against the operating system's side of a run: words from
// the command line, an interrupt, and, for a Windows build (PREFLISTER_BIN_SYSTEM
// set to "windows", as make test-windows does), that system's rules for names.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/test_support.h"

// The run's fixed texts and the comparisons.
using namespace e2e;
using testing_support::ScratchDir;

namespace {

const std::string question = " enter the input filename:";
const std::string eof_console = "\r\n\r\n-- eof at irec=    1 --\r\n\r\nStop - Program terminated.\r\n\r\n";
const std::string eof_line = " -- eof at irec=    1 --\r\n";

} // namespace

// Quoted words keep their blanks: the data file's name is the whole word.
TEST(System, NameWithBlanksIsOneWord) {
    for (const char* name : {"my data.dat", "two  blanks .dat"}) {
        ScratchDir dir;
        dir.write(name, "");
        e2e::Result r = e2e::run(dir.path(), {name, "second word"});
        EXPECT_EQ(r.status, 0) << name << "\n" << e2e::visible(r.err);
        EXPECT_EQ(r.err, "") << name;
        expect_bytes(r.out, name + eof_console, name);
        expect_bytes(dir.read("preflist"), banner + " " + name + crlf + header + eof_line, name);
    }
}

// Ctrl-C while the second question waits for its answer: the listing's buffer
// holds the banner, a whole record, which reaches the file before the process
// ends by the interrupt.
TEST(System, InterruptWritesTheWholeListingRecords) {
    ScratchDir dir;
    dir.write("x.dat", "");
    e2e::Session run(dir.path(), {}, e2e::Session::Output::file, e2e::Session::Input::pipe);
    ASSERT_TRUE(run.type("x.dat\n"));
    const bool seen = run.wait_for_output(question);
    run.send(seen ? SIGINT : SIGKILL);
    e2e::Result r = run.finish();
    ASSERT_TRUE(seen) << visible(r.out);
    if (windows_build())
        // STATUS_CONTROL_C_EXIT (0xC000013A), of which a POSIX parent sees the low byte.
        EXPECT_EQ(r.status, 0x3A);
    else
        EXPECT_EQ(r.signal, SIGINT);
    EXPECT_EQ(r.err, "");
    expect_bytes(r.out, prompt + question, "stdout");
    expect_bytes(dir.read("preflist"), banner, "preflist");
}

// No file can carry a console name there: as a data file it is refused as an
// invalid name, in any case, with an extension, or in a folder.
TEST(Windows, ConsoleNamesAreNoDataFiles) {
    if (!windows_build()) GTEST_SKIP() << "Windows names";
    for (const char* name : {"con", "CON.dat", "Con .txt", "sub/con.x", "sub\\CON", "conout$"}) {
        ScratchDir dir;
        e2e::Result r = e2e::run(dir.path(), {name});
        EXPECT_EQ(r.status, 1) << name;
        expect_report(r.err, std::string("F6412: OPEN(") + name + ")");
        EXPECT_EQ(r.out, "") << name;
        EXPECT_FALSE(dir.exists("preflist")) << name;
    }
}

// Backslashes separate folders, also in a quoted word.
TEST(Windows, BackslashesSeparateFolders) {
    if (!windows_build()) GTEST_SKIP() << "Windows names";
    for (const char* name : {"sub\\x.dat", "my dir\\x.dat"}) {
        ScratchDir dir;
        ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
        ASSERT_EQ(mkdir(dir.file("my dir").c_str(), 0755), 0);
        dir.write("sub/x.dat", "");
        dir.write("my dir/x.dat", "");
        e2e::Result r = e2e::run(dir.path(), {name});
        EXPECT_EQ(r.status, 0) << name << "\n" << e2e::visible(r.err);
        expect_bytes(r.out, name + eof_console, name);
    }
}

// Names that differ only in case, or reach the file through the current
// folder, are the same file: the listing cannot be the data file.
TEST(Windows, ListingUnderAnotherNameIsRefused) {
    if (!windows_build()) GTEST_SKIP() << "Windows names";
    ScratchDir dir;
    dir.write("preflist", "kept\r\n");
    ASSERT_EQ(mkdir(dir.file("sub").c_str(), 0755), 0);
    for (const char* name : {"PREFLIST", ".\\preflist", "sub\\..\\Preflist"}) {
        e2e::Result r = e2e::run(dir.path(), {name});
        EXPECT_EQ(r.status, 1) << name;
        expect_report(r.err, "F6413: OPEN(preflist)");
        EXPECT_EQ(dir.read("preflist"), "kept\r\n") << name;
    }
}

// Names of up to 259 characters; a longer one is invalid, even where the file
// it names exists.
TEST(Windows, NamesUpTo259Characters) {
    if (!windows_build()) GTEST_SKIP() << "Windows names";
    ScratchDir dir;
    const std::string folder(50, 'd');
    std::string path;
    for (int i = 0; i < 4; ++i) {
        path += folder + "/";
        ASSERT_EQ(mkdir(dir.file(path).c_str(), 0755), 0);
    }
    for (std::size_t length : {259u, 260u}) {
        std::string name = path + std::string(length - path.size(), 'f');
        dir.write(name, "");
        e2e::Result r = e2e::run(dir.path(), {name});
        if (length == 259) {
            EXPECT_EQ(r.status, 0) << "\n" << e2e::visible(r.err);
            EXPECT_EQ(r.err, "");
        } else {
            EXPECT_EQ(r.status, 1);
            expect_report(r.err, "F6412: OPEN(" + name + ")");
        }
    }
}
