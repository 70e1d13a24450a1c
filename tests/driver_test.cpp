// The driver in-process, where a run can be given a small record limit.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

#include "driver/run_state.h"
#include "driver/scan_loop.h"
#include "driver/setup.h"
#include "fmtio/platform.h"
#include "tests/test_support.h"
#include "tools/records.h"

using testing_support::Exited;
using testing_support::FakeProcess;
using testing_support::ScratchDir;

namespace {

// Runs setup and the loop in dir with a record limit; returns the exit status.
int scan_with_limit(const ScratchDir& dir, std::int32_t limit) {
    static char prog[] = "preflister", name[] = "x.dat";
    static char* argv[] = {prog, name};
    fmtio::platform::set_command_line(2, argv);
    std::string here(4096, '\0');
    if (!getcwd(here.data(), here.size()) || chdir(dir.path().c_str()) != 0) return -1;
    int status = -1;
    try {
        driver::run_setup();
        driver::run.maxrec = limit;
        driver::scan_records();
    } catch (const Exited& e) {
        status = e.status;
    }
    if (chdir(here.c_str()) != 0) return -1;
    return status;
}

} // namespace

TEST(RecordLimit, EndsAfterTheLastPassWithoutAListingLine) {
    ScratchDir dir;
    std::string bytes;
    for (int i = 0; i < 3; ++i) {
        records::Record r = records::plain(0);
        bytes.append(reinterpret_cast<const char*>(r.data()), r.size());
    }
    dir.write("x.dat", bytes);
    FakeProcess p;
    EXPECT_EQ(scan_with_limit(dir, 2), 0);
    const std::string tail = "   \r\n exited \"do 100\" loop.\r\n  \r\nStop - Program terminated.\r\n\r\n";
    ASSERT_GE(p.out.size(), tail.size());
    EXPECT_EQ(p.out.substr(p.out.size() - tail.size()), tail);
    EXPECT_EQ(dir.read("preflist"),
              " new run ---------------------------------\r\n x.dat\r\n\r\n   Rec Typ Date  Time\r\n"
              "     1  0 00000 000000\r\n     2  0 00000 000000\r\n");
}
