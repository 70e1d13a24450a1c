// Choosing records by station and time, and reading the values that choose them.
#include "report/filter.h"

#include "report/timestamp.h"

namespace report {
namespace {

// n decimal digits at s[at], or -1.
int digits(const std::string& s, std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

int days_in_month(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

} // namespace

bool Filter::keep_in_time(const Record& r) {
    if (r.when) last_timed_in_ = (!start || *r.when >= *start) && (!end || *r.when <= *end);
    return last_timed_in_ && chosen(r.station);
}

std::optional<int> parse_station(const std::string& s) {
    if (s.size() != 3) return std::nullopt;
    int v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

std::optional<long long> parse_time(const std::string& s, bool day_end) {
    if (s.size() != 10 && s.size() != 20) return std::nullopt;
    const int year = digits(s, 0, 4), month = digits(s, 5, 2), day = digits(s, 8, 2);
    if (year < 0 || month < 1 || month > 12 || day < 1 || s[4] != '-' || s[7] != '-' ||
        day > days_in_month(year, month))
        return std::nullopt;
    const long long midnight = from_civil(year, month, day);
    if (s.size() == 10) return day_end ? midnight + 86399 : midnight;
    const int hh = digits(s, 11, 2), mm = digits(s, 14, 2), ss = digits(s, 17, 2);
    if (s[10] != 'T' || s[13] != ':' || s[16] != ':' || s[19] != 'Z' || hh < 0 || hh > 23 || mm < 0 || mm > 59 ||
        ss < 0 || ss > 59)
        return std::nullopt;
    return midnight + hh * 3600 + mm * 60 + ss;
}

} // namespace report
