#include "driver/setup.h"

#include <cstring>

#include "driver/run_state.h"
#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "preface/scan_state.h"

namespace driver {

RunState run;

namespace {

using fmtio::Format;
using fmtio::item;

const Format banner_fmt("(' new run ---------------------------------')");
const Format header_fmt("(/,3X,'Rec Typ Date  Time')");
const Format name_fmt("(a)");

// Length up to the last non-blank character.
int len_trim(const char* s, int n) {
    while (n > 0 && s[n - 1] == ' ') --n;
    return n;
}

} // namespace

void run_setup() {
    using preface::scan;
    run.ieof = 0;
    scan.itype = 0;
    scan.ivstat = 0;
    run.rstart = -1.0f;

    // A blank name: the first command-line word, or the console asks.
    fmtio::OpenSpec data;
    data.file = " ";
    data.file_len = 1;
    data.status = "OLD";
    data.form = "binary";
    data.mode = "read";
    fmtio::open_unit(preface::data_unit, data);

    fmtio::OpenSpec con;
    con.file = "CON";
    fmtio::open_unit(preface::console_unit, con);

    std::memcpy(run.flist, "preflist       ", sizeof run.flist);
    // Append mode keeps what the file held: one listing collects every run.
    fmtio::OpenSpec listing;
    listing.file = run.flist;
    listing.file_len = sizeof run.flist;
    listing.access = "append";
    fmtio::open_unit(preface::listing_unit, listing);

    fmtio::write_formatted(preface::listing_unit, banner_fmt, {});

    run.nargs = fmtio::arg_count();
    run.iarg = 1;
    if (run.nargs >= run.iarg + 1) {
        fmtio::arg_word(static_cast<std::int16_t>(run.iarg), run.fname, sizeof run.fname);
        fmtio::write_list_directed(fmtio::default_unit,
                                   {item(run.fname, len_trim(run.fname, sizeof run.fname))});
    } else {
        // This answer only goes into the listing; the data file came from the prompt.
        fmtio::write_list_directed(fmtio::default_unit, {item(" enter the input filename:")});
        fmtio::read_formatted(fmtio::default_unit, name_fmt,
                              {fmtio::ref(run.fname, sizeof run.fname)});
    }
    fmtio::write_list_directed(preface::listing_unit,
                               {item(run.fname, len_trim(run.fname, sizeof run.fname))});
    fmtio::write_formatted(preface::listing_unit, header_fmt, {});
}

} // namespace driver
