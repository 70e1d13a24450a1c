// Reads a listing file in large pieces through the line splitter.
#include "report/split.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace report {

bool read_all(std::FILE* f, Reader& reader, std::string* error) {
    Splitter split;
    auto take = [&](std::string_view l) { reader.line(l); };
    std::vector<char> buf(1 << 16);
    for (;;) {
        std::size_t n = std::fread(buf.data(), 1, buf.size(), f);
        split.feed(buf.data(), n, take);
        if (n < buf.size()) break;
    }
    if (std::ferror(f)) {
        *error = std::strerror(errno);
        split.finish(take);
        reader.finish();
        return false;
    }
    split.finish(take);
    reader.finish();
    return true;
}

} // namespace report
