// Output text gathered in memory and handed to a stream in large pieces.
#pragma once
#include <cstdio>
#include <string>

namespace report {

struct Out {
    explicit Out(std::FILE* to = nullptr) : to(to) {}

    std::string text;  // not yet written
    std::FILE* to;     // none: the text stays, as tests read it

    // Writes what is gathered once there is much of it: a long list costs
    // this much memory, not its length.
    void spill() {
        if (to && text.size() >= (1u << 16)) flush();
    }
    void flush() {
        if (!to) return;
        if (!text.empty()) std::fwrite(text.data(), 1, text.size(), to);
        text.clear();
    }
};

} // namespace report
