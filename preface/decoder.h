// The preface decoder: record type, marker tests and the three digit packings.
#pragma once

namespace preface {

// Decodes the record in `scan`: sets itype and ipref, and ivstat for the
// types that carry one. May write one line (rejection or transmitter) to the
// listing unit. A BCD digit above 9 ends the run.
void decode_preface();

// The pieces, for the dispatch and for tests.
void decode_nibbles(int first, int n);      // ipref(i) = byte(first + i - 1) AND 15
void decode_bit_serial(int n, bool gaps);   // from byte 5, one bit per byte
void station_from_digits();                 // ivstat from ipref(41..43)
void decode_bcd_header(int first);          // first date byte: 4, or 11 for type 15

} // namespace preface
