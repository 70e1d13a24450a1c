// Converting listed dates and times to seconds since 1970 and back, by the civil calendar.
#include "report/timestamp.h"


namespace report {
namespace {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long long days_from_civil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int digits(const char* s, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

} // namespace

std::optional<long long> record_time(const char* date5, const char* time6) {
    const int yy = digits(date5, 2), day = digits(date5 + 2, 3);
    const int hh = digits(time6, 2), mm = digits(time6 + 2, 2), ss = digits(time6 + 4, 2);
    if (yy < 0 || day < 0 || hh < 0 || mm < 0 || ss < 0) return std::nullopt;
    const int year = yy >= 70 ? 1900 + yy : 2000 + yy;
    if (day < 1 || day > (leap(year) ? 366 : 365) || hh > 23 || mm > 59 || ss > 59) return std::nullopt;
    return (days_from_civil(year, 1, 1) + day - 1) * 86400 + hh * 3600 + mm * 60 + ss;
}

Civil civil(long long t) {
    long long days = t >= 0 ? t / 86400 : (t - 86399) / 86400;
    long long secs = t - days * 86400;
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long y = yoe + era * 400 + (m <= 2);
    return {static_cast<int>(y), m, d, static_cast<int>(secs / 3600), static_cast<int>(secs / 60 % 60),
            static_cast<int>(secs % 60)};
}

long long from_civil(int year, int month, int day) { return days_from_civil(year, month, day) * 86400; }

void iso_time(long long t, char out[iso_size]) {
    const Civil c = civil(t);
    auto put = [&](int at, int v, int n) {
        for (int i = n - 1; i >= 0; --i, v /= 10) out[at + i] = static_cast<char>('0' + v % 10);
    };
    put(0, c.year, 4);
    out[4] = '-';
    put(5, c.month, 2);
    out[7] = '-';
    put(8, c.day, 2);
    out[10] = 'T';
    put(11, c.hour, 2);
    out[13] = ':';
    put(14, c.minute, 2);
    out[16] = ':';
    put(17, c.second, 2);
    out[19] = 'Z';
}

std::string iso_time(long long t) {
    char b[iso_size];
    iso_time(t, b);
    return std::string(b, iso_size);
}

} // namespace report
