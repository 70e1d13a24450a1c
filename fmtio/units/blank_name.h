// The blank-name rule: the name of a file opened under a blank FILE text.
#pragma once
#include <string>

namespace fmtio {

// The next command-line word that holds something, else an answer to the
// console prompt; the run ends when standard input ends first.
std::string blank_name(int unit);

// Back to the first command-line word.
void reset_next_word();

} // namespace fmtio
