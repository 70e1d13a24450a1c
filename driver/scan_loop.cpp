#include "driver/scan_loop.h"

#include "driver/listed_fields.h"
#include "driver/progress.h"
#include "driver/run_state.h"
#include "fmtio/compiled/prepared_unit_write.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "preface/decoder.h"
#include "preface/scan_state.h"

namespace driver {
namespace {

using fmtio::Format;
using fmtio::item;
using preface::listing_unit;
using preface::scan;

// The full form has room for all 89 digits; given 13 items it stops after the time.
const Format listing_fmt(
    "(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,14Z1,"
    "4(2X,3Z1,1X,Z1,1X,4Z1))");
const Format zero_fmt("(i6,i3,1x,5z1,1x,6z1,4x,a)");
const Format station_fmt("(23x,a,z3.3)");
const Format eof_console_fmt("(/' -- eof at irec=',i5,' --'/)");
const Format eof_listing_fmt("(' -- eof at irec=',i5,' --')");
const Format parity_console_fmt("(/' -- parity error at irec=',i5,' --')");
const Format parity_listing_fmt("(' -- parity error at irec=',i5,' --')");

constexpr std::int32_t record_limit = 999999999;

// The listed fields, and the zero form's text after them; issued for every record.
const char zero_text[] = "Range Start ZERO!";
const auto listed = listed_fields(fmtio::bind(zero_text, sizeof zero_text - 1));
const fmtio::PreparedUnitWrite listing_line(listing_unit, listing_fmt, listed.data(), listed_items);
const fmtio::PreparedUnitWrite zero_line(listing_unit, zero_fmt, listed.data(), listed_items + 1);

// k: the record's first range-start byte, or 0.
void list_record(int k) {
    const auto& b = scan.ibuf;
    if (k != 0 && b[k] == 0 && b[k + 1] == 0)
        zero_line();
    else
        listing_line();
}

} // namespace

void scan_records() {
    if (run.maxrec == 0) run.maxrec = record_limit;
    const std::int32_t passes = run.maxrec;
    for (std::int32_t pass = 1; pass <= passes; ++pass) {
        scan.irec = pass;
        // The bytes go straight into ibuf, whose unsigned bytes are the
        // values 0..255. Clearing it first would change nothing: a whole
        // record overwrites it, and a read that stops short ends the loop.
        run.ios = fmtio::read_bytes(preface::data_unit, scan.ibuf + 1, preface::record_size);
        if (run.ios > 0) {
            fmtio::write_formatted(fmtio::default_unit, parity_console_fmt, {item(scan.irec)});
            fmtio::write_formatted(listing_unit, parity_listing_fmt, {item(scan.irec)});
            // The listing is incomplete, and a script must be able to tell.
            fmtio::stop(read_error_status);
        }
        if (run.ios == -1) {
            run.ieof = 1;
            fmtio::write_formatted(fmtio::default_unit, eof_console_fmt, {item(scan.irec)});
            fmtio::write_formatted(listing_unit, eof_listing_fmt, {item(scan.irec)});
            fmtio::stop();
        }
        scan.ipos = 1;

        scan.ivstat_prev = scan.ivstat;
        preface::decode_preface();
        if (scan.ivstat != scan.ivstat_prev)
            fmtio::write_formatted(listing_unit, station_fmt,
                                   {item("Station ID: "), item(scan.ivstat)});
        // Both lines show the same fields, taken once the record is decoded.
        const int k = range_start_byte();
        list_record(k);
        show_progress(k);
    }
    fmtio::write_list_directed(fmtio::default_unit, {item("  ")});
    fmtio::write_list_directed(fmtio::default_unit, {item(" exited \"do 100\" loop.")});
    fmtio::write_list_directed(fmtio::default_unit, {item("  ")});
    fmtio::stop();
}

} // namespace driver
