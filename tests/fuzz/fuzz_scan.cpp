// A whole data file through run setup and the record loop, with the data
// file, the listing, the console and standard error in memory, and the run's
// end (stop or error termination) turned into an exception by the exit call.
//
// Input: the data file. An input that ends in a 4-byte piece (length 4 more
// than a multiple of 4096) takes that piece as a fault plan instead of data:
// byte 0 mod 4 picks none, the data file's nth 1024-byte read failing (n from
// bytes 1-2), a full disk at the listing's nth buffer write, or a closed pipe
// at standard output's nth write (n from byte 1).
//
// Checked after every run: the exit status and standard error fit what
// happened, the listing holds whole lines in the order the loop writes them,
// one listing line per record read, and the ending that belongs to the status.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/run_state.h"
#include "driver/scan_loop.h"
#include "driver/setup.h"
#include "fmtio/platform/platform.h"
#include "preface/scan_state.h"
#include "tests/fake_process.h"

namespace {

constexpr std::size_t rec_size = preface::record_size;

[[noreturn]] void finding(const char* what, int detail = 0) {
    std::fprintf(stderr, "fuzz_scan: %s (%d)\n", what, detail);
    std::abort();
}

bool starts(const std::string& s, const std::string& p) { return s.compare(0, p.size(), p) == 0; }
bool ends(const std::string& s, const std::string& p) {
    return s.size() >= p.size() && s.compare(s.size() - p.size(), p.size(), p) == 0;
}

std::string fmt(const char* f, int v) {
    char b[64];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

bool hex_digits(const std::string& s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

struct Listing {
    int listed = 0;           // listing lines, records 1..listed in order
    std::string ending;       // the eof or parity line, when there is one
};

// Walks the listing after its head: per record an optional decoder line, an
// optional station line and the listing line; then at most the ending line.
Listing walk(const std::string& text) {
    const std::string head =
        " new run ---------------------------------\r\n x.dat\r\n\r\n   Rec Typ Date  Time\r\n";
    if (!starts(text, head)) finding("listing head");
    Listing l;
    enum { between, after_decoder, after_station } state = between;
    std::size_t at = head.size();
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) finding("listing line not whole");
        std::string line = text.substr(at, end - at);
        at = end + 2;
        if (!l.ending.empty()) finding("line after the ending");
        const std::string num = fmt("%6d", l.listed + 1);
        if ((line.size() == 22 || line.size() == 43) && starts(line, num)) {
            if (line.size() == 43 && line.compare(22, 21, "    Range Start ZERO!") != 0)
                finding("zero form tail");
            if (!hex_digits(line.substr(10, 5)) || !hex_digits(line.substr(16, 6))) finding("digits");
            ++l.listed;
            state = between;
        } else if (line.size() == 38 && starts(line, std::string(23, ' ') + "Station ID: ") &&
                   hex_digits(line.substr(35))) {
            if (state == after_station) finding("two station lines for one record");
            state = after_station;
        } else if (state == between && (starts(line, " ivstat,xmtr_id:") ||
                                        (line.size() == 13 && line.compare(0, 7, fmt("%5d: ", l.listed + 1)) == 0))) {
            state = after_decoder;
        } else if (state == between && (line == fmt(" -- eof at irec=%5d --", l.listed + 1) ||
                                        line == fmt(" -- parity error at irec=%5d --", l.listed + 1))) {
            l.ending = line;
        } else {
            finding("unexpected listing line", l.listed);
        }
    }
    if (state != between) finding("record left without its listing line", l.listed);
    return l;
}

// Each report is "\r\nrun-time error Fnnnn: STMT(NAME)\r\n- text\r\n"; the
// heads, "run-time error Fnnnn: STMT(NAME)", in the order written.
std::vector<std::string> report_heads(const std::string& err) {
    std::vector<std::string> heads;
    std::size_t at = 0;
    while (at < err.size()) {
        const std::string start = "\r\nrun-time error F";
        if (err.compare(at, start.size(), start) != 0) finding("report start");
        std::size_t close = err.find(")\r\n- ", at);
        if (close == std::string::npos) finding("report shape");
        std::size_t last = err.find("\r\n", close + 5);
        if (last == std::string::npos) finding("report end");
        heads.push_back(err.substr(at + 2, close + 1 - at - 2));
        at = last + 2;
    }
    return heads;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using testing_support::Fault;
    using fmtio::platform::Failure;
    std::vector<Fault> plan;
    std::size_t data_size = size;
    if (size % rec_size == 4) {
        const std::uint8_t* t = data + size - 4;
        data_size = size - 4;
        switch (t[0] % 4) {
        case 1: plan.push_back({"x.dat", Fault::Call::read, 1 + (t[1] << 8 | t[2]) % 64}); break;
        case 2:
            plan.push_back({"preflist", Fault::Call::write, 1 + t[1] % 4, Fault::Action::fail, Failure::disk_full});
            break;
        case 3:
            plan.push_back({testing_support::stdout_name, Fault::Call::write, 1 + t[1], Fault::Action::fail,
                            Failure::broken_pipe});
            break;
        }
    }
    const int records = static_cast<int>(data_size / rec_size);

    static char prog[] = "preflister", name[] = "x.dat";
    static char* argv[] = {prog, name, nullptr};
    fmtio::platform::set_command_line(2, argv);
    driver::run = {};
    preface::scan = {};

    testing_support::FakeProcess proc;
    proc.memory_only = true;
    proc.let_failures_terminate();
    proc.add_file("x.dat", std::string(reinterpret_cast<const char*>(data), data_size));
    proc.faults = plan;
    int status = -1;
    try {
        driver::run_setup();
        driver::scan_records();
    } catch (const testing_support::Exited& e) {
        status = e.status;
    }
    if (status < 0) finding("the run ended without an exit");
    auto faulted = [&](const std::string& file) {
        return !proc.faults.empty() && proc.faults[0].hit && proc.faults[0].file == file;
    };
    const bool data_faulted = faulted("x.dat");
    const bool listing_faulted = faulted("preflist");
    const bool console_faulted = faulted(testing_support::stdout_name);
    const std::string listing = proc.file("preflist");

    std::string stop = "Stop - Program terminated.\r\n\r\n";
    if (status == 0 || status == 2) {
        if (!proc.err.empty()) finding("a report on a run that did not fail", status);
        // The line end that the exit writes last may fail unreported: the
        // process is ending and has no one left to tell.
        const bool last_write =
            console_faulted && proc.calls_of(testing_support::stdout_name, Fault::Call::write) == plan[0].nth;
        if (listing_faulted || (console_faulted && !last_write))
            finding("a failing write went unreported", status);
        if (console_faulted) stop.resize(stop.size() - 2);
        Listing l = walk(listing);
        if (status == 0) {
            if (data_faulted) finding("a failing read ended as the end of the file");
            if (l.listed != records) finding("records listed", l.listed);
            if (l.ending != fmt(" -- eof at irec=%5d --", records + 1)) finding("eof line");
            if (!ends(proc.out, fmt("-- eof at irec=%5d --\r\n\r\n", records + 1) + stop)) finding("eof console");
        } else {
            if (!data_faulted) finding("parity ending without a failing read");
            if (l.listed != (plan[0].nth - 1) / 4) finding("parity irec", l.listed);
            if (l.ending != fmt(" -- parity error at irec=%5d --", l.listed + 1)) finding("parity line");
            if (!ends(proc.out, fmt("-- parity error at irec=%5d --\r\n", l.listed + 1) + stop))
                finding("parity console");
        }
        return 0;
    }
    if (status != 1) finding("exit status", status);

    std::vector<std::string> heads = report_heads(proc.err);
    if (heads.empty()) finding("failed without a report");
    // The exit after a failure still writes the listing out: a full disk
    // there is a second failure, reported after the first.
    const std::string close_full = "run-time error F6422: CLOSE(preflist)";
    if (heads.size() > 2 || (heads.size() == 2 && (heads[1] != close_full || heads[0] == close_full)))
        finding("reports", static_cast<int>(heads.size()));
    const std::string& head = heads[0];
    if (heads.size() == 2 && !listing_faulted) finding("full disk reported without one");
    if (head == "run-time error F6101: READ(internal)") {
        if (listing_faulted && heads.size() != 2) finding("listing fault not reported");
        if (!listing_faulted) {
            Listing l = walk(listing);
            if (!l.ending.empty()) finding("ending line after a failed record");
            if (l.listed != preface::scan.irec - 1) finding("records listed before the bad digit", l.listed);
        }
    } else if (head == close_full || head == "run-time error F6422: WRITE(preflist)") {
        if (!listing_faulted) finding("full disk reported without one");
    } else if (head == "run-time error F6423: WRITE(CON)") {
        if (!console_faulted) finding("closed pipe reported without one");
        // Everything written to the listing before the failure is kept.
        const std::string banner = " new run ---------------------------------\r\n";
        if (listing != banner) {
            Listing l = walk(listing);
            if (l.listed > records) finding("more records listed than read", l.listed);
        }
    } else {
        finding("unexpected run-time error");
    }
    return 0;
}
