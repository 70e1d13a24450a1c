#include "fmtio/units/blank_name.h"

#include <cstdio>

#include "fmtio/units/console.h"
#include "fmtio/format/errors.h"
#include "fmtio/units/text.h"

namespace fmtio {
namespace {

int next_word = 1;

} // namespace

std::string blank_name(int unit) {
    if (next_word < platform::word_count()) {
        std::size_t len = 0;
        const char* w = platform::word(next_word, &len);
        ++next_word;
        std::string name = trimmed(w, len);
        if (!name.empty()) return name;
    }
    // The prompt leaves pending and continued as they are.
    end_pending_line(false);
    char prompt[96];
    int plen = std::snprintf(prompt, sizeof prompt,
                             "File name missing or blank - please enter file name\r\nUNIT %d? ", unit);
    static char answer[4096];
    for (;;) {
        console_raw(prompt, static_cast<std::size_t>(plen));
        std::size_t len = 0;
        bool cut = false;
        if (!read_stdin_line(answer, sizeof answer, &len, &cut)) fail(Error::end_of_input, Stmt::open, "");
        std::string name = trimmed(answer, len);
        if (!name.empty()) return name;
    }
}

void reset_next_word() { next_word = 1; }

} // namespace fmtio
