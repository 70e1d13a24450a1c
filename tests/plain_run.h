// A run over records that carry no preface, and what it writes: each listing
// line is the record's number and type, so a line out of place shows.
#pragma once
#include <cstdio>
#include <string>

#include "tools/records.h"

namespace plain_run {

// The listing's head for a run given x.dat on the command line.
inline const std::string head =
    " new run ---------------------------------\r\n x.dat\r\n\r\n   Rec Typ Date  Time\r\n";

// Record n's type: the types vary from record to record.
inline int type_of(int n) {
    static const int types[] = {0, 1, 4, 5, 6, 7, 14};
    return types[(n - 1) % 7];
}

inline std::string record(int n) {
    records::Record r = records::plain(type_of(n));
    return std::string(reinterpret_cast<const char*>(r.data()), r.size());
}

inline std::string records_from(int first, int last) {
    std::string s;
    for (int n = first; n <= last; ++n) s += record(n);
    return s;
}

inline std::string listing_lines(int last) {
    std::string s;
    char b[64];
    for (int n = 1; n <= last; ++n) {
        std::snprintf(b, sizeof b, "%6d%3d 00000 000000\r\n", n, type_of(n));
        s += b;
    }
    return s;
}

// The console from the echo to record last's progress record, still open.
inline std::string progress_to(int last) {
    std::string s = "x.dat";
    char b[128];
    for (int n = 1; n <= last; ++n) {
        // The first record's blank is its carriage control, after the echo's
        // line end; later ones are written whole.
        std::snprintf(b, sizeof b, "%s Decoding preface:       rec #%8d type%3d  00000 000000\r",
                      n == 1 ? "\r\n" : " ", n, type_of(n));
        s += b;
    }
    return s;
}

// The listing's end-of-file line.
inline std::string eof_line(int irec) {
    char b[64];
    std::snprintf(b, sizeof b, " -- eof at irec=%5d --\r\n", irec);
    return b;
}

// The console after the last progress record, still open: the end-of-file
// message, the stop and the exit's line end.
inline std::string eof_end(int irec) {
    char b[64];
    std::snprintf(b, sizeof b, " \r\n-- eof at irec=%5d --\r\n\r\n", irec);
    return b + std::string("Stop - Program terminated.\r\n\r\n");
}

} // namespace plain_run
