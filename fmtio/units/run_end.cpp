// The start and the end of a run: the stop, the error report and the exit sequence.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fmtio/units/blank_name.h"
#include "fmtio/units/console.h"
#include "fmtio/platform/interrupts.h"
#include "fmtio/platform/system_io.h"
#include "fmtio/units/unit_table.h"
#include "fmtio/units/units.h"

namespace fmtio {

namespace {
bool report_wanted = true;
} // namespace

void drop_error_report() { report_wanted = false; }

void start_run(int argc, char** argv) {
    platform::guard_standard_streams();
    platform::set_command_line(argc, argv);
    set_termination(terminate_run);
    catch_interrupts(save_whole_records);
}

void close_units() { close_all(true); }

void reset_units() {
    close_all(false);
    report_wanted = true;
    reset_next_word();
    reset_console();
}

void exit_run(int status) {
    // A unit whose buffer cannot be written at exit ends the run with an error
    // report; the units after it are still closed by that report's own exit.
    close_units();
    end_pending_line(true);
    platform::calls().exit(status);
    std::abort();
}

void stop(int status) {
    end_pending_line(false);
    static const char msg[] = "Stop - Program terminated.\r\n";
    console_raw(msg, sizeof msg - 1);
    exit_run(status);
}

void terminate_run(Error e, Stmt s, const char* name, const char* why) {
    static const char* const stmt_text[] = {": OPEN(", ": READ(", ": WRITE(", ": CLOSE("};
    std::string report = "\r\nrun-time error F";
    char num[16];
    std::snprintf(num, sizeof num, "%04d", static_cast<int>(e));
    report += num;
    report += stmt_text[static_cast<int>(s)];
    report += name;
    report += ")\r\n- ";
    report += why ? why : error_text(e);
    report += "\r\n";
    // With standard error closed the report has nowhere to go; the exit goes on.
    if (report_wanted) write_all(platform::calls().std_handle(platform::Std::error), report.data(), report.size());
    exit_run(1);
}

} // namespace fmtio
