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

// A write item bound to a variable of the program, or to a text, when a
// statement is prepared: the statement takes its value each time it is
// issued, as the plain statement takes an Item's.
struct Bound {
    Item::Kind kind;
    const void* var;      // i32: a std::int32_t; i16: a std::int16_t; chars: the text
    std::int32_t len;     // chars
};

inline Bound bind(const std::int32_t& v) { return {Item::i32, &v, 0}; }
inline Bound bind(const std::int16_t& v) { return {Item::i16, &v, 0}; }
inline Bound bind(const char* s, std::int32_t n) { return {Item::chars, s, n < 0 ? 0 : n}; }

// The item a bound one is now.
inline Item value_of(const Bound& b)
{
    switch (b.kind) {
    case Item::i32: return item(*static_cast<const std::int32_t*>(b.var));
    case Item::i16: return item16(*static_cast<const std::int16_t*>(b.var));
    default: return item(static_cast<const char*>(b.var), b.len);
    }
}

// The items bound ones are now, as a plain statement takes them.
inline void values_of(const Bound* b, std::size_t n, Item* values)
{
    for (std::size_t k = 0; k < n; ++k)
        values[k] = value_of(b[k]);
}

// A read item: a 32-bit integer or a fixed-length character variable.
struct ReadItem {
    std::int32_t* ival;   // set for an integer
    char* text;           // set for a character variable
    std::int32_t len;
};

inline ReadItem ref(std::int32_t& v) { return {&v, nullptr, 0}; }
inline ReadItem ref(char* s, std::int32_t n) { return {nullptr, s, n}; }

} // namespace fmtio
