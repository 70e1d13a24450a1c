// The value of each character as a hexadecimal digit: the one table of Z input, for the walk and the compiled reads.
#pragma once

namespace fmtio {

constexpr int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// hex_value by character code, -1 for every character that is no digit.
struct HexTable {
    signed char v[256];
    constexpr HexTable() : v()
    {
        for (int c = 0; c < 256; ++c)
            v[c] = static_cast<signed char>(hex_value(static_cast<char>(c)));
    }
};
inline constexpr HexTable hex_table{};

} // namespace fmtio
