// Record times: the listed date and time digits as seconds since 1970, and back as text.
#pragma once
#include <optional>
#include <string>

namespace report {

// The five date digits (two of the year, three of the day of the year) and
// six time digits, when they are a valid date and time: years 70-99 are
// 1970-1999, 00-69 are 2000-2069.
std::optional<long long> record_time(const char* date5, const char* time6);

// YYYY-MM-DDTHH:MM:SSZ.
std::string iso_time(long long t);
constexpr int iso_size = 20;
void iso_time(long long t, char out[iso_size]);  // the same, without its terminating zero

// Calendar parts of a time, for the picture's tick labels.
struct Civil {
    int year, month, day, hour, minute, second;
};
Civil civil(long long t);
long long from_civil(int year, int month, int day);  // the day's start

} // namespace report
