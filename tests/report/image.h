// A PNG file's pixels, for the tests that look at what a renderer or a browser drew.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace report_test {

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// Whether this build can read PNG files (it has libpng).
bool can_load_png();
bool load_png(const std::string& path, Image* img);

} // namespace report_test
