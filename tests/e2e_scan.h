// For the end-to-end cases of a scan: data files made of records, and the listing's and the console's fixed parts.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/plain_run.h"
#include "tools/records.h"

namespace e2e_scan {

// The listing's head for a run given name.
inline std::string head(const std::string& name) { return e2e::banner + " " + name + e2e::crlf + e2e::header; }

// The listing's end-of-file line.
using plain_run::eof_line;

// Console bytes of the end-of-file ending after a pending line.
inline std::string eof_console(int irec) {
    char b[64];
    std::snprintf(b, sizeof b, "\r\n\r\n-- eof at irec=%5d --\r\n", irec);
    return b + e2e::crlf + e2e::stop_text + e2e::crlf;
}

// A data file of these records, and tail bytes of a record cut short.
inline std::string file_bytes(const std::vector<records::Record>& recs, std::size_t tail = 0) {
    std::string s;
    for (const auto& r : recs) s.append(reinterpret_cast<const char*>(r.data()), r.size());
    s.append(tail, '\x07');
    return s;
}

// A record's date, time and station.
inline records::Stamp stamp(int year, int day, int hour, int minute, int second, int station) {
    return records::Stamp{year, day, hour, minute, second, station};
}

} // namespace e2e_scan
