// A blank file name in an open: the command line's word or the prompt's answer; the words themselves.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fmtio/units/statements.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::FakeProcess;
using testing_support::Fatal;
using testing_support::ScratchDir;

TEST(BlankName, CommandLineWordOrPrompt) {
    struct Row {
        std::vector<std::string> words;
        std::string input;
        bool pending;     // a console record written before the open
        int error;        // 0: opened
        std::string out;  // console bytes
    };
    const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT 1? ";
    ScratchDir dir;
    dir.write("x.dat", "");
    const std::string x = dir.file("x.dat");
    const std::vector<Row> rows = {
        {{"prog", x}, "", false, 0, ""},
        {{"prog", "  " + x + "  "}, "", false, 0, ""},
        {{"prog"}, x + "\n", false, 0, prompt},
        {{"prog"}, "\n   \n  " + x + "  \n", false, 0, prompt + prompt + prompt},
        {{"prog", "   "}, x + "\n", false, 0, prompt},
        {{"prog"}, x + "\n", true, 0, "m\r\n" + prompt},
        {{"prog"}, "", false, 6501, prompt},
        {{"prog"}, "  \n", false, 6501, prompt + prompt},
    };
    for (const Row& r : rows) {
        FakeProcess p(r.input);
        set_words(r.words);
        if (r.pending) console(" m");
        OpenSpec s = data_spec(" ");
        s.file_len = 1;
        try {
            open_unit(1, s);
            EXPECT_EQ(r.error, 0);
            EXPECT_STREQ(unit_name(1), x.c_str());
        } catch (const Fatal& f) {
            EXPECT_EQ(static_cast<int>(f.error), r.error);
            EXPECT_EQ(f.stmt, Stmt::open);
            EXPECT_EQ(f.name, "");
        }
        EXPECT_EQ(p.out, r.out) << r.input;
        // The prompt leaves the console state alone.
        std::size_t before = p.out.size();
        if (r.error == 0) {
            console(" z");
            EXPECT_EQ(p.out.substr(before), r.pending ? "\r\nz" : "z");
        }
    }
    set_words({"prog"});
}

TEST(Args, WordsCutAndPadded) {
    set_words({"prog", "abcdef"});
    struct Row {
        int n;
        int len;
        int status;
        std::string text;
    };
    const std::vector<Row> rows = {
        {1, 8, 6, "abcdef  "}, {1, 3, 6, "abc"}, {0, 4, 4, "prog"}, {2, 4, -1, "...."}, {-1, 4, -1, "...."},
    };
    EXPECT_EQ(arg_count(), 2);
    for (const Row& r : rows) {
        std::string text(static_cast<std::size_t>(r.len), '.');
        EXPECT_EQ(arg_word(static_cast<std::int16_t>(r.n), text.data(), r.len), r.status) << r.n;
        EXPECT_EQ(text, r.text) << r.n;
    }
    set_words({"prog"});
}
