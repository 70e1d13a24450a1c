// Item lists: the values a write renders and the variables a read fills.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

namespace fmtio {

// A write item, captured by value when the statement is issued.
struct Item {
    enum Kind : std::uint8_t { i32, i16, chars };
    Kind kind;
    std::int32_t value;   // i32 and i16 (an i16 holds a sign-extended 16-bit value)
    const char* text;     // chars
    std::int32_t len;     // chars; a negative length counts as 0
};

inline Item item(std::int32_t v) { return {Item::i32, v, nullptr, 0}; }
inline Item item16(std::int16_t v) { return {Item::i16, v, nullptr, 0}; }
inline Item item(const char* s, std::int32_t n) { return {Item::chars, 0, s, n < 0 ? 0 : n}; }
inline Item item(std::string_view s) { return item(s.data(), static_cast<std::int32_t>(s.size())); }

// A read item: a 32-bit integer or a fixed-length character variable.
struct ReadItem {
    std::int32_t* ival;   // set for an integer
    char* text;           // set for a character variable
    std::int32_t len;
};

inline ReadItem ref(std::int32_t& v) { return {&v, nullptr, 0}; }
inline ReadItem ref(char* s, std::int32_t n) { return {nullptr, s, n}; }

} // namespace fmtio
