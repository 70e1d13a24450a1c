// Text made safe for where it goes: UTF-8 for files, printable for a terminal; percentages as shown.
#pragma once
#include <string>
#include <string_view>

namespace report {

// Valid UTF-8 as it is, each byte that is not part of it as U+FFFD.
std::string utf8_clean(std::string_view s);

// Text for a terminal: control bytes shown as \xNN.
std::string printable(const std::string& s);

// A percentage in tenths as JSON and the summary show it: 99.5, 100.0.
std::string percent(long long tenths);

} // namespace report
