// Run-time error numbers and the one way a failing statement ends the run.
#pragma once

namespace fmtio {

// The number printed after "F" in the error report.
enum class Error : int {
    int_range = 6100,            // I input value beyond 32 bits
    int_char = 6101,             // I input field with a non-digit
    char_item = 6205,            // character item met a non-A descriptor
    int_item = 6207,             // integer item met a descriptor it cannot take
    line_too_long = 6407,        // console line longer than the 132-byte buffer
    bad_name = 6412,             // the system rejects the file name
    already_connected = 6413,    // same file already on another unit
    access_denied = 6414,        // permission, a directory, a lock
    file_exists = 6415,          // exclusive create lost the race
    not_found = 6416,            // STATUS="OLD" and no such file or path
    too_many_files = 6417,
    unit_table_full = 6418,
    bad_specifier = 6419,        // an open specifier value outside its list
    open_failed = 6420,          // any other reason an open fails
    write_denied = 6421,         // buffer write: access denied or locked region
    disk_full = 6422,
    write_failed = 6423,         // buffer or console write failed otherwise (closed pipe, I/O error)
    read_failed = 6500,          // status of a failing byte-stream read; never a termination
    end_of_input = 6501,         // console input ended
    hex_char = 6510,             // Z input field with a non-hex character
    internal_overflow = 6600,    // internal write past the end of its variable
    // Malformed formats, by the kind of fault.
    fmt_no_open_paren = 6970,
    fmt_no_close_paren = 6971,
    fmt_unbalanced = 6972,
    fmt_too_deep = 6973,
    fmt_unknown_descriptor = 6974,
    fmt_missing_width = 6975,
    fmt_zero_width = 6976,
    fmt_bad_digits = 6977,       // Z w.m with m missing or above w
    fmt_unterminated_literal = 6978,
    fmt_bad_repeat = 6979,       // repeat count of 0, or on an element that takes none
    fmt_number_too_big = 6980,
    fmt_missing_comma = 6981,
    fmt_trailing_text = 6982,    // text after the closing parenthesis
    fmt_no_data_descriptor = 6983, // items to write but the format has nowhere to put them
};

// The statement a failure happened in; it names the statement in the report.
enum class Stmt { open, read, write, close };

// The one-line description that follows "- " in the report.
const char* error_text(Error e);

// Ends the run through the termination installed for it: the units install
// the error report and the exit sequence when the run starts; tests and
// fuzzers install one that throws. With none installed, or one that returns,
// the process aborts.
// why, when given, is the description the report shows in place of the
// error's own, because it says what happened (a broken pipe, a link loop).
[[noreturn]] void fail(Error e, Stmt s, const char* name, const char* why = nullptr);

using Termination = void (*)(Error e, Stmt s, const char* name, const char* why);
// Installs t and returns the one it replaces.
Termination set_termination(Termination t);

} // namespace fmtio
