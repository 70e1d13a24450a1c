// Error texts and the one way a failing statement ends the run.
#include "fmtio/format/errors.h"

#include <cstdlib>

namespace fmtio {

namespace {
Termination termination = nullptr;
}

const char* error_text(Error e)
{
    switch (e) {
    case Error::int_range: return "integer input value out of range";
    case Error::int_char: return "invalid character in integer input";
    case Error::char_item: return "character item for a numeric edit descriptor";
    case Error::int_item: return "integer item for a non-numeric edit descriptor";
    case Error::line_too_long: return "input line too long";
    case Error::bad_name: return "invalid file name";
    case Error::already_connected: return "file already connected to another unit";
    case Error::access_denied: return "access denied";
    case Error::file_exists: return "file already exists";
    case Error::not_found: return "file not found";
    case Error::too_many_files: return "too many open files";
    case Error::unit_table_full: return "too many units connected";
    case Error::bad_specifier: return "invalid open specifier value";
    case Error::open_failed: return "cannot open file";
    case Error::write_denied: return "write access denied";
    case Error::disk_full: return "disk full";
    case Error::write_failed: return "write failed";
    case Error::read_failed: return "read failed";
    case Error::end_of_input: return "end of file on input";
    case Error::hex_char: return "invalid character in hexadecimal input";
    case Error::internal_overflow: return "output overflows internal variable";
    case Error::fmt_no_open_paren: return "format does not begin with (";
    case Error::fmt_no_close_paren: return "format does not end with )";
    case Error::fmt_unbalanced: return "unbalanced parentheses in format";
    case Error::fmt_too_deep: return "format groups nested too deep";
    case Error::fmt_unknown_descriptor: return "unknown or missing edit descriptor in format";
    case Error::fmt_missing_width: return "field width missing in format";
    case Error::fmt_zero_width: return "zero field width in format";
    case Error::fmt_bad_digits: return "invalid minimum digits in format";
    case Error::fmt_unterminated_literal: return "unterminated quoted text in format";
    case Error::fmt_bad_repeat: return "invalid repeat count in format";
    case Error::fmt_number_too_big: return "number too large in format";
    case Error::fmt_missing_comma: return "comma missing in format";
    case Error::fmt_trailing_text: return "text after the end of format";
    case Error::fmt_no_data_descriptor: return "no data edit descriptor in format for the items";
    }
    return "unknown run-time error";
}

Termination set_termination(Termination t)
{
    Termination before = termination;
    termination = t;
    return before;
}

void fail(Error e, Stmt s, const char* name, const char* why)
{
    if (termination)
        termination(e, s, name, why);
    std::abort();
}

} // namespace fmtio
