#include "driver/progress.h"

#include "driver/listed_fields.h"
#include "driver/run_state.h"
#include "fmtio/statements.h"
#include "preface/scan_state.h"

namespace driver {
namespace {

using fmtio::Format;
using fmtio::Item;
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

} // namespace

// Flattened, as the listing line is: the statements' calls through the units
// and the engine cost more than the fields themselves.
[[gnu::flatten]] void show_progress(Item* items) {
    const auto& b = scan.ibuf;
    run.rstart_prev = run.rstart;
    const int k = range_start_byte();
    if (k != 0) run.rstart = static_cast<float>(b[k] * 100 + b[k + 1]);

    // A new range start leaves the old line on screen and starts the next one.
    if (run.rstart != run.rstart_prev) {
        fmtio::write_list_directed(console_unit, {});
        fmtio::write_formatted(console_unit, return_fmt, {item(return_char, 1)});
    }

    items[listed_items] = item(return_char, 1);
    fmtio::write_formatted(console_unit, k != 0 && run.rstart == 0.0f ? zero_fmt : plain_fmt, items,
                           listed_items + 1);
}

} // namespace driver
