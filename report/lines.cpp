// Reading each kind of listing line by its fixed columns, and showing a line in a message.
#include "report/lines.h"

#include <cstdio>

namespace report {
namespace {

constexpr std::string_view station_text = "                       Station ID: ";
constexpr std::string_view eof_text = " -- eof at irec=";
constexpr std::string_view parity_text = " -- parity error at irec=";
constexpr std::string_view ending_tail = " --";

bool starts(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

bool is_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

int hex_value(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// An I field as preflister writes it: blanks, an optional minus, digits.
// Asterisks fill a field whose value was too wide.
enum class Field { number, asterisks, bad };

Field int_field(std::string_view f, long long* v) {
    if (f.find_first_not_of('*') == std::string_view::npos) return Field::asterisks;
    std::size_t i = f.find_first_not_of(' ');
    if (i == std::string_view::npos) return Field::bad;
    bool minus = f[i] == '-';
    if (minus) ++i;
    if (i == f.size()) return Field::bad;
    long long n = 0;
    for (; i < f.size(); ++i) {
        if (f[i] < '0' || f[i] > '9') return Field::bad;
        n = n * 10 + (f[i] - '0');
    }
    *v = minus ? -n : n;
    return Field::number;
}

std::string quoted(std::string_view f) { return shown(f); }

std::string trimmed(std::string_view s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string_view::npos) return "";
    return std::string(s.substr(a, s.find_last_not_of(' ') - a + 1));
}

} // namespace

std::string shown(std::string_view text) {
    constexpr std::size_t most = 48;  // bytes between the quotes
    std::string s = "'";
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        char b[8] = {static_cast<char>(c), 0};
        if (c < 32 || c > 126) std::snprintf(b, sizeof b, "\\x%02X", c);
        if (s.size() - 1 + std::char_traits<char>::length(b) > most) break;
        s += b;
    }
    s += i < text.size() ? "'..." : "'";
    return s;
}

bool is_record_type(int type) {
    if (type >= 0 && type <= 15) return true;
    switch (type + 100) {
    case 2: case 3: case 8: case 9: case 11: case 15: return true;
    default: return false;
    }
}

std::size_t glued_banner(std::string_view line) {
    if (line.size() > banner.size() && line.substr(line.size() - banner.size()) == banner)
        return line.size() - banner.size();
    return std::string_view::npos;
}

Kind kind_of(std::string_view line) {
    if (line.empty()) return Kind::empty;
    if (line == banner) return Kind::banner;
    if (line == column_header) return Kind::header;
    if (starts(line, station_text)) return Kind::station;
    if (starts(line, xmtr_text)) return Kind::transmitter;
    if (starts(line, eof_text) || starts(line, parity_text)) return Kind::ending;
    if (line.size() == 13 && line.substr(5, 2) == ": ") return Kind::rejection;
    if (line.size() == 22 || line.size() == 43) return Kind::listing;
    return Kind::other;
}

std::optional<ListingLine> read_listing(std::string_view line, std::string* why) {
    ListingLine l;
    if (line.size() == 43) {
        if (line.substr(22) != zero_text) {
            *why = "listing line: columns 23-43 are not '" + std::string(zero_text) + "'";
            return std::nullopt;
        }
        l.zero = true;
    } else if (line.size() != 22) {
        *why = "listing line: 22 or 43 characters expected";
        return std::nullopt;
    }
    long long v = 0;
    switch (int_field(line.substr(0, 6), &v)) {
    case Field::asterisks: break;
    case Field::number:
        if (v < 1) {
            *why = "listing line: record number " + quoted(line.substr(0, 6)) + " is below 1";
            return std::nullopt;
        }
        l.record = v;
        break;
    case Field::bad:
        *why = "listing line: record number " + quoted(line.substr(0, 6)) + " is not a number";
        return std::nullopt;
    }
    if (int_field(line.substr(6, 3), &v) != Field::number || !is_record_type(static_cast<int>(v))) {
        *why = "listing line: " + quoted(line.substr(6, 3)) + " is not a record type";
        return std::nullopt;
    }
    l.type = static_cast<int>(v);
    if (line[9] != ' ' || line[15] != ' ') {
        *why = "listing line: no blank in column 10 or 16";
        return std::nullopt;
    }
    for (int i = 0; i < 5; ++i) l.date[i] = line[10 + i];
    for (int i = 0; i < 6; ++i) l.time[i] = line[16 + i];
    for (int i = 10; i < 22; ++i) {
        if (i != 15 && !is_hex(line[i])) {
            *why = "listing line: date and time " + quoted(line.substr(10, 12)) + " are not digits";
            return std::nullopt;
        }
    }
    return l;
}

std::optional<int> read_station(std::string_view line, std::string* why) {
    std::string_view d = line.substr(station_text.size());
    if (d.size() != 3 || !is_hex(d[0]) || !is_hex(d[1]) || !is_hex(d[2])) {
        *why = "station line: " + quoted(d) + " is not three hexadecimal digits";
        return std::nullopt;
    }
    return hex_value(d[0]) << 8 | hex_value(d[1]) << 4 | hex_value(d[2]);
}

std::optional<Ending> read_ending(std::string_view line, std::string* why) {
    Ending e;
    std::size_t head = starts(line, eof_text) ? eof_text.size() : parity_text.size();
    e.kind = head == eof_text.size() ? Ending::eof : Ending::parity;
    if (line.size() != head + 5 + ending_tail.size() || line.substr(head + 5) != ending_tail) {
        *why = "ending line: not the form '" + std::string(line.substr(0, head)) + "nnnnn --'";
        return std::nullopt;
    }
    long long v = 0;
    switch (int_field(line.substr(head, 5), &v)) {
    case Field::asterisks: break;
    case Field::number:
        if (v >= 1) {
            e.record = v;
            break;
        }
        [[fallthrough]];
    case Field::bad:
        *why = "ending line: record number " + quoted(line.substr(head, 5)) + " is not a number from 1";
        return std::nullopt;
    }
    return e;
}

std::optional<std::string> read_rejection(std::string_view line, std::string* why) {
    long long v = 0;
    if (int_field(line.substr(0, 5), &v) == Field::bad) {
        *why = "rejection line: record number " + quoted(line.substr(0, 5)) + " is not a number";
        return std::nullopt;
    }
    // Three bytes in Z2: a blank stands before a single digit.
    for (int i = 7; i < 13; i += 2) {
        bool ok = is_hex(line[i + 1]) && (is_hex(line[i]) || line[i] == ' ');
        if (!ok) {
            *why = "rejection line: " + quoted(line.substr(7)) + " are not three hexadecimal bytes";
            return std::nullopt;
        }
    }
    return trimmed(line);
}

std::optional<std::string> read_transmitter(std::string_view line, std::string* why) {
    long long a = 0, b = 0;
    std::string_view f = line.substr(xmtr_text.size());
    if (f.size() != 8 || int_field(f.substr(0, 4), &a) != Field::number ||
        int_field(f.substr(4, 4), &b) != Field::number || a < 0 || a > 4095 || b < 0 || b > 4095) {
        *why = "transmitter line: " + quoted(f) + " are not two identifiers 0..4095";
        return std::nullopt;
    }
    return trimmed(line);
}

} // namespace report
