// The lines preflister writes to a listing, one reading function per kind.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace report {

inline constexpr std::string_view banner = " new run ---------------------------------";
inline constexpr std::string_view column_header = "   Rec Typ Date  Time";
inline constexpr std::string_view zero_text = "    Range Start ZERO!";
inline constexpr std::string_view xmtr_text = " ivstat,xmtr_id:";

// A listing line: I6 record number, I3 type, five date and six time digits.
struct ListingLine {
    std::optional<long long> record;  // empty when the field shows asterisks
    int type = 0;
    char date[6] = {};                // the listed digits, as text
    char time[7] = {};
    bool zero = false;                // the "Range Start ZERO!" form
};

struct Ending {
    enum Kind { none, eof, parity } kind = none;
    std::optional<long long> record;  // the record that was not read; empty for asterisks
};

// Each returns what the line holds, or an empty value with *why set to what
// is wrong with it. They are only called on a line of their kind's shape.
std::optional<ListingLine> read_listing(std::string_view line, std::string* why);
std::optional<int> read_station(std::string_view line, std::string* why);
std::optional<Ending> read_ending(std::string_view line, std::string* why);
// The decoder's lines, as the note of the next record: blanks at the ends removed.
std::optional<std::string> read_rejection(std::string_view line, std::string* why);
std::optional<std::string> read_transmitter(std::string_view line, std::string* why);

// The kind a line has by its shape (length and fixed text), before its
// fields are read.
enum class Kind { banner, empty, header, station, listing, rejection, transmitter, ending, other };
Kind kind_of(std::string_view line);

// Where a banner glued to the end of a torn line starts, or npos.
std::size_t glued_banner(std::string_view line);

// A piece of a line as a message shows it, in single quotes: bytes outside
// printable ASCII as \xNN, and cut (with "..." after the quote) so that a
// message stays short whatever the line holds.
std::string shown(std::string_view text);

// A record type preflister can list: 0..15, or a rejected type's code minus 100.
bool is_record_type(int type);

} // namespace report
