#include "driver/progress.h"

#include "driver/listed_fields.h"
#include "driver/run_state.h"
#include "fmtio/compiled/prepared_unit_write.h"
#include "fmtio/units/statements.h"
#include "preface/scan_state.h"

namespace driver {
namespace {

using fmtio::Format;
using fmtio::item;
using preface::console_unit;
using preface::scan;

// Both end with the return character and the backslash: the next record
// overwrites this one in place.
const Format zero_fmt(
    "(1x,' Decoding preface:       rec #',i8,' type'                ,i3,2x,5z1,1x,6z1,"
    "' Range Start ZERO!',a1,\\)");
const Format plain_fmt(
    "(1x,' Decoding preface:       rec #',i8,' type'                                       "
    ",i3,2x,5z1,1x,6z1,a1,\\)");
const Format return_fmt("(a1,\\)");

const char return_char[] = "\r";

// Both show the listed fields and the return character, issued for every record.
const auto shown = listed_fields(fmtio::bind(return_char, 1));
const fmtio::PreparedUnitWrite zero_line(console_unit, zero_fmt, shown.data(), shown.size());
const fmtio::PreparedUnitWrite plain_line(console_unit, plain_fmt, shown.data(), shown.size());

} // namespace

void show_progress(int k) {
    const auto& b = scan.ibuf;
    run.rstart_prev = run.rstart;
    if (k != 0) run.rstart = static_cast<float>(b[k] * 100 + b[k + 1]);

    // A new range start leaves the old line on screen and starts the next one.
    if (run.rstart != run.rstart_prev) {
        fmtio::write_list_directed(console_unit, {});
        fmtio::write_formatted(console_unit, return_fmt, {item(return_char, 1)});
    }

    if (k != 0 && run.rstart == 0.0f)
        zero_line();
    else
        plain_line();
}

} // namespace driver
