// Splitting a command line into words by the rules of the Windows C runtime.
// Used by the Win32 platform layer; kept free of system headers so that it is
// tested on every platform.
#pragma once
#include <string>
#include <vector>

namespace fmtio::platform {

// Splits the command line as the C runtime does for main: blanks between
// words; quotes group blanks into a word and are dropped; 2n backslashes
// before a quote give n and the quote acts, 2n+1 give n and a literal quote;
// other backslashes are kept; "" within quotes is a literal quote. Word 0, the
// program's name, ends at the first blank outside quotes and has no escapes.
inline std::vector<std::string> split_command_line(const char* p) {
    auto is_blank = [](char ch) { return ch == ' ' || ch == '\t'; };
    std::vector<std::string> out;
    std::string w;
    bool quoted = false;
    while (*p != '\0' && (quoted || !is_blank(*p))) {
        if (*p == '"')
            quoted = !quoted;
        else
            w += *p;
        ++p;
    }
    out.push_back(w);
    for (;;) {
        while (is_blank(*p)) ++p;
        if (*p == '\0') break;
        w.clear();
        quoted = false;
        for (;;) {
            std::size_t slashes = 0;
            while (*p == '\\') {
                ++p;
                ++slashes;
            }
            bool keep = true;
            if (*p == '"') {
                if (slashes % 2 == 0) {
                    if (quoted && p[1] == '"')
                        ++p;
                    else {
                        keep = false;
                        quoted = !quoted;
                    }
                }
                slashes /= 2;
            }
            w.append(slashes, '\\');
            if (*p == '\0' || (!quoted && is_blank(*p))) break;
            if (keep) w += *p;
            ++p;
        }
        out.push_back(w);
    }
    return out;
}

} // namespace fmtio::platform
