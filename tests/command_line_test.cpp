// Splitting a Windows command line into words, as the Win32 platform layer
// does with the process's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fmtio/platform/command_line.h"

using fmtio::platform::split_command_line;
using Words = std::vector<std::string>;

TEST(CommandLine, BlanksSeparateWords) {
    EXPECT_EQ(split_command_line("prog a bb  ccc"), (Words{"prog", "a", "bb", "ccc"}));
    EXPECT_EQ(split_command_line("prog\ta\t \tb"), (Words{"prog", "a", "b"}));
    EXPECT_EQ(split_command_line("prog   a   "), (Words{"prog", "a"}));
    EXPECT_EQ(split_command_line("prog"), (Words{"prog"}));
    EXPECT_EQ(split_command_line("prog   "), (Words{"prog"}));
    EXPECT_EQ(split_command_line(""), (Words{""}));
}

TEST(CommandLine, QuotesGroupBlanksAndAreDropped) {
    EXPECT_EQ(split_command_line("prog \"my data.dat\" x"), (Words{"prog", "my data.dat", "x"}));
    EXPECT_EQ(split_command_line("prog a\"b c\"d"), (Words{"prog", "ab cd"}));
    EXPECT_EQ(split_command_line("prog \"   \""), (Words{"prog", "   "}));
    EXPECT_EQ(split_command_line("prog \"\" b"), (Words{"prog", "", "b"}));
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(split_command_line("prog \"a b "), (Words{"prog", "a b "}));
}

TEST(CommandLine, BackslashesEscapeOnlyBeforeAQuote) {
    EXPECT_EQ(split_command_line("prog sub\\x.dat c:\\a\\\\b"), (Words{"prog", "sub\\x.dat", "c:\\a\\\\b"}));
    // 2n+1 backslashes: n of them and a literal quote.
    EXPECT_EQ(split_command_line("prog a\\\"b"), (Words{"prog", "a\"b"}));
    EXPECT_EQ(split_command_line("prog a\\\\\\\"b"), (Words{"prog", "a\\\"b"}));
    // 2n backslashes: n of them, and the quote opens or closes.
    EXPECT_EQ(split_command_line("prog a\\\\\"b c\""), (Words{"prog", "a\\b c"}));
    EXPECT_EQ(split_command_line("prog \"dir\\\\\" next"), (Words{"prog", "dir\\", "next"}));
    EXPECT_EQ(split_command_line("prog \"dir\\\" still\""), (Words{"prog", "dir\" still"}));
    EXPECT_EQ(split_command_line("prog trail\\"), (Words{"prog", "trail\\"}));
}

TEST(CommandLine, DoubledQuoteWithinQuotesIsAQuote) {
    EXPECT_EQ(split_command_line("prog \"a\"\"b\" c"), (Words{"prog", "a\"b", "c"}));
    EXPECT_EQ(split_command_line("prog \"\"\"\""), (Words{"prog", "\""}));
    // Outside quotes the first quote opens and the second closes.
    EXPECT_EQ(split_command_line("prog a\"\"b"), (Words{"prog", "ab"}));
}

TEST(CommandLine, ProgramNameHasNoEscapes) {
    EXPECT_EQ(split_command_line("\"C:\\Program Files\\preflister.exe\" x.dat"),
              (Words{"C:\\Program Files\\preflister.exe", "x.dat"}));
    EXPECT_EQ(split_command_line("C:\\tools\\preflister.exe\\ x.dat"), (Words{"C:\\tools\\preflister.exe\\", "x.dat"}));
    EXPECT_EQ(split_command_line("\"C:\\dir\\\" x.dat"), (Words{"C:\\dir\\", "x.dat"}));
    EXPECT_EQ(split_command_line("\"prog\" a"), (Words{"prog", "a"}));
}
