// Runs built programs in a scratch folder for the report's end-to-end tests,
// and makes the data files and listings they read.
#pragma once
#include <string>
#include <vector>

#include "tests/test_support.h"
#include "tools/records.h"

namespace report_test {

using Scratch = testing_support::ScratchDir;

struct Result {
    std::string out, err;
    int status = -1;  // exit status, or -1 when ended by a signal
};

// Runs program with args in dir; standard input is input (or /dev/null when
// null), standard output goes to out_path when given (else is captured).
Result run(const std::string& dir, const std::string& program, const std::vector<std::string>& args,
           const std::string* input = nullptr, const char* out_path = nullptr);

// The preflist-report under test: PREFLIST_REPORT_BIN from the environment,
// else this build's.
std::string report_program();

// Runs it in the folder.
Result report(const Scratch& dir, const std::vector<std::string>& args, const std::string* input = nullptr);

// Runs the built preflister in the folder.
Result preflister(const Scratch& dir, const std::vector<std::string>& args, const std::string* input = nullptr);
// Lists the data file with it, appending to the folder's listing.
void list(const Scratch& dir, const std::string& data);
// Runs the built gendata in the folder; its exit status.
int gendata(const Scratch& dir, const std::vector<std::string>& args);

// A record time on 1999-05-03 (day 123) of the station.
records::Stamp at(int hour, int minute, int second, int station, int xmtr = -1);
std::string bytes(const std::vector<records::Record>& recs);
// A type-2 record; zero: with a zero range start.
records::Record bcd2(const records::Stamp& s, bool zero = false);

// Station 0A7 every 10 s with a gap of 50 s after record 3, a rejected
// record, a step back after record 7 and a step of 11 s after record 8;
// then station 123, with a transmitter that differs and a zero range start.
std::string planted();
// Writes it as x.dat in the folder and lists it there.
void list_planted(const Scratch& dir);

void expect_text(const std::string& got, const std::string& want, const char* what);
std::vector<std::string> split_lines(const std::string& s);

} // namespace report_test
