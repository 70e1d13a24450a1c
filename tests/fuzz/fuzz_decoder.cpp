// One record through the preface decoder, with the listing in memory.
//
// Input: the record's bytes; a shorter input is padded with zeros to 4096.
// Checked after every record: the type code and its rejected forms, the digit
// and station ranges, the digits of types that decode none, and at most one
// whole decoder line in the listing. A BCD digit above 9 ends the run with
// error 6101 by design; any other failure is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fmtio/format/errors.h"
#include "fmtio/units/units.h"
#include "preface/decoder.h"
#include "preface/scan_state.h"
#include "tests/fake_process.h"

namespace {

using preface::scan;

[[noreturn]] void finding(const char* what, int detail = 0) {
    std::fprintf(stderr, "fuzz_decoder: %s (%d)\n", what, detail);
    std::abort();
}

bool one_of(int v, std::initializer_list<int> set) {
    for (int s : set)
        if (v == s) return true;
    return false;
}

// Types whose prefaces carry nothing to decode.
bool decodes_nothing(int type) { return one_of(type, {0, 1, 4, 5, 6, 7, 14}); }

// A BCD header's date or time byte with a nibble above 9 (the day's hundreds
// byte only by its low nibble).
bool bad_bcd(const std::uint8_t* r, int first) {
    auto hi = [&](int k) { return r[k - 1] >> 4; };
    auto lo = [&](int k) { return r[k - 1] & 15; };
    const int pairs[] = {first, first + 2, first + 5, first + 6, first + 7};
    for (int k : pairs)
        if (hi(k) > 9 || lo(k) > 9) return true;
    return lo(first + 1) > 9;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t rec[preface::record_size] = {};
    std::memcpy(rec, data, size < sizeof rec ? size : sizeof rec);

    testing_support::FakeProcess proc;
    proc.memory_only = true;
    fmtio::OpenSpec listing;
    listing.file = "preflist";
    listing.access = "append";
    fmtio::open_unit(preface::listing_unit, listing);

    scan = {};
    const int before = 0x5A5;  // an identifier from an earlier record
    scan.ivstat = before;
    scan.irec = 1;
    scan.ipos = 1;
    for (int k = 1; k <= preface::record_size; ++k) scan.ibuf[k] = rec[k - 1];

    const int code = rec[0] & 15;
    bool ended = false;
    try {
        preface::decode_preface();
    } catch (const testing_support::Fatal& f) {
        // Only a BCD header reads digits back as decimal.
        bool bcd23 = (code == 2 || code == 3) && rec[1] == 60 && rec[2] == 255;
        bool bcd15 = code == 15 && rec[3] == 204 && rec[4] == 204 && rec[9] == 255;
        if (f.error != fmtio::Error::int_char || f.stmt != fmtio::Stmt::read || f.name != "internal")
            finding("decoder failed", static_cast<int>(f.error));
        if (!(bcd23 && bad_bcd(rec, 4)) && !(bcd15 && bad_bcd(rec, 11)))
            finding("6101 without a bad BCD digit");
        ended = true;
    }
    fmtio::reset_units();  // writes the listing's buffer out

    const std::string out = proc.file("preflist");
    std::size_t lines = 0;
    for (std::size_t at = out.find("\r\n"); at != std::string::npos; at = out.find("\r\n", at + 2)) ++lines;
    if (lines > 1) finding("more than one decoder line", static_cast<int>(lines));
    if (!out.empty() && (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0))
        finding("decoder line not whole");
    if (ended) return 0;

    const int t = scan.itype;
    if (!(t >= 0 && t <= 15) && !one_of(t, {-98, -97, -92, -91, -89, -85})) finding("itype", t);
    if ((t >= 0 ? t : t + 100) != code) finding("itype is not the type code", t);
    for (int i = 1; i <= preface::max_digits; ++i)
        if (scan.ipref[i] < 0 || scan.ipref[i] > 15) finding("digit out of range", i);
    if (scan.ivstat < 0 || scan.ivstat > 4095) finding("ivstat", scan.ivstat);
    // Rejected records and the types without a preface decode nothing and
    // keep the station.
    if (t < 0 || decodes_nothing(t)) {
        for (int i = 1; i <= preface::max_digits; ++i)
            if (scan.ipref[i] != 0) finding("digit set for a record that decodes none", i);
        if (scan.ivstat != before) finding("station changed by a record without one", scan.ivstat);
    }
    // Only a rejected type 2 or 3 that passed byte 2, and a BCD header whose
    // transmitter differs, write a line.
    if (lines == 1) {
        bool rejection = (t == -98 || t == -97) && rec[1] == 60;
        bool xmtr = out.compare(0, 16, " ivstat,xmtr_id:") == 0 && (t == 2 || t == 3 || t == 15);
        if (!rejection && !xmtr) finding("unexpected decoder line", t);
    } else if ((t == -98 || t == -97) && rec[1] == 60) {
        finding("rejection without its line", t);
    }
    return 0;
}
