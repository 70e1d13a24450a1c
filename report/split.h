// Cuts a listing's bytes into lines: LF or CR LF ends a line, and a last line without one still counts.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "report/reader.h"

namespace report {

class Splitter {
public:
    // No line of a listing comes near this; a longer one keeps only its start.
    static constexpr std::size_t longest = 4096;

    template <class Take>
    void feed(const char* p, std::size_t n, Take&& take) {
        const char* end = p + n;
        while (p < end) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!nl) {
                keep(p, static_cast<std::size_t>(end - p));
                return;
            }
            if (!held_) {
                take(line(p, static_cast<std::size_t>(nl - p)));
            } else {
                keep(p, static_cast<std::size_t>(nl - p));
                take(line(part_.data(), part_.size()));
                part_.clear();
                held_ = false;
            }
            p = nl + 1;
        }
    }

    template <class Take>
    void finish(Take&& take) {
        if (held_) take(line(part_.data(), part_.size()));
        part_.clear();
        held_ = false;
    }

private:
    static std::string_view line(const char* p, std::size_t n) {
        if (n && p[n - 1] == '\r') --n;
        return std::string_view(p, n);
    }
    void keep(const char* p, std::size_t n) {
        held_ = true;
        part_.append(p, std::min(n, longest - std::min(part_.size(), longest)));
    }

    std::string part_;
    bool held_ = false;  // the start of a line is in part_
};

// Reads a whole listing from f into the reader; false with *error set when
// reading fails part-way (what was read by then has been reported).
bool read_all(std::FILE* f, Reader& reader, std::string* error);

} // namespace report
