// Units: opening them, the records they take and give, the command line, the stop and the exit.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fmtio/units/connection.h"
#include "fmtio/format/errors.h"
#include "fmtio/units/unit_numbers.h"

namespace fmtio {

// Open specifiers; a null pointer means the specifier is not given.
struct OpenSpec {
    const char* file = nullptr;
    int file_len = -1;            // -1: up to the first NUL
    const char* status = nullptr; // "OLD"
    const char* access = nullptr; // "append"
    const char* form = nullptr;   // "binary"
    const char* mode = nullptr;   // "read"
};

// Program start: takes the command-line words, installs the run's termination
// (terminate_run) and makes an interrupt write out the listing's whole records
// before the process ends.
void start_run(int argc, char** argv);

// Connects a unit, or ends the run through fail() with Stmt::open.
void open_unit(int unit, const OpenSpec& spec);

// The connection a write statement on this unit (or default_unit) hands its
// records to; its name is the one an error report shows ("CON" for the console).
Connection& output_connection(int unit);

// The file name of the unit as an error report shows it ("CON" for the console).
const char* unit_name(int unit);

// Byte-stream read of n bytes into dest: 0 all read, -1 end of file, 6500 a
// failing read. Bytes not reached keep what they held; *stored, when asked
// for, tells how many were reached.
int read_bytes(int unit, std::uint8_t* dest, std::size_t n, std::size_t* stored = nullptr);

// One line from the console input, without its line end. The text stays valid
// until the next console read. Ends the run on end of input or a long line.
std::size_t read_console_line(int unit, const char** text);

// Command-line words, word 0 being the program's name.
int arg_count();
// Word n into text[0, len), cut or blank-padded; the word's full length, or -1.
std::int16_t arg_word(std::int16_t n, char* text, int len);

// "Stop - Program terminated." and the exit sequence; status 0 unless the
// caller has a failure to tell a script about.
[[noreturn]] void stop(int status = 0);
// The exit sequence: units written out and closed, a pending console line ended.
[[noreturn]] void exit_run(int status);
// The run's termination: the error report on standard error (why, when
// given, as its description), then the exit sequence with status 1.
[[noreturn]] void terminate_run(Error e, Stmt s, const char* name, const char* why);

// From here on the error report is not written: standard error is a file of
// the run, which a refused open must leave unchanged.
void drop_error_report();

// Writes out the text files' buffers and closes every unit of the table, as the
// exit sequence does; the process goes on (tests and fuzzing use this).
void close_units();
// Back to the state at program start: no units, fresh console, next_word 1.
void reset_units();

} // namespace fmtio
