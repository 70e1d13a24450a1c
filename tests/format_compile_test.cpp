// Formats compiled or refused, and the termination that a failing statement calls.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "fmtio/format/format.h"
#include "tests/engine_support.h"
#include "tests/format_support.h"

using namespace fmtio;
using namespace format_support;

namespace {

using engine_support::throwing_hook;

std::string nested(std::size_t depth)
{
    return "(" + std::string(depth, '(') + "i1" + std::string(depth, ')') + ")";
}

} // namespace

// The installed termination ends the run; one that returns must not let the
// failing statement go on.
TEST(Fail, InstalledTerminationEndsTheRun)
{
    EXPECT_EQ(failure([] { fail(Error::not_found, Stmt::open, "x.dat"); }).e, Error::not_found);
    Termination before = set_termination([](Error, Stmt, const char*, const char*) {});
    EXPECT_EQ(before, &throwing_hook);
    EXPECT_DEATH(fail(Error::not_found, Stmt::open, "x.dat"), "");
    set_termination(nullptr);
    EXPECT_DEATH(fail(Error::int_char, Stmt::read, "internal"), "");
    set_termination(before);
}

TEST(Compile, Errors)
{
    struct Row {
        const char* text;
        int len;
        Error want;
    } rows[] = {
        {"", -1, Error::fmt_no_open_paren},           {"  i3", -1, Error::fmt_no_open_paren},
        {"(i3", -1, Error::fmt_no_close_paren},       {"(i3,", -1, Error::fmt_no_close_paren},
        {"(2(i3)", -1, Error::fmt_no_close_paren},    {"(2(i3", -1, Error::fmt_unbalanced},
        {"(i3))", -1, Error::fmt_unbalanced},         {"(i3)x", -1, Error::fmt_trailing_text},
        {"(i3)\0", 5, Error::fmt_trailing_text},      {"(q3)", -1, Error::fmt_unknown_descriptor},
        {"(f8.2)", -1, Error::fmt_unknown_descriptor}, {"(,i3)", -1, Error::fmt_unknown_descriptor},
        {"(i3,)", -1, Error::fmt_unknown_descriptor}, {"(i3,,i3)", -1, Error::fmt_unknown_descriptor},
        {"(2())", -1, Error::fmt_unknown_descriptor}, {"(3)", -1, Error::fmt_unknown_descriptor},
        {"(i)", -1, Error::fmt_missing_width},        {"(z,i2)", -1, Error::fmt_missing_width},
        {"(i0)", -1, Error::fmt_zero_width},          {"(a0)", -1, Error::fmt_zero_width},
        {"(0x)", -1, Error::fmt_zero_width},          {"(z2.3)", -1, Error::fmt_bad_digits},
        {"(z2.)", -1, Error::fmt_bad_digits},         {"('abc)", -1, Error::fmt_unterminated_literal},
        {"('it''s)", -1, Error::fmt_unterminated_literal}, {"(0i3)", -1, Error::fmt_bad_repeat},
        {"(0(i3))", -1, Error::fmt_bad_repeat},       {"(2'ab')", -1, Error::fmt_bad_repeat},
        {"(2/)", -1, Error::fmt_bad_repeat},          {"(2\\)", -1, Error::fmt_bad_repeat},
        {"(i32768)", -1, Error::fmt_number_too_big},  {"(99999999999999999999x)", -1, Error::fmt_number_too_big},
        {"(i3i4)", -1, Error::fmt_missing_comma},     {"('a' 'b')", -1, Error::fmt_missing_comma},
        {"(a5.2)", -1, Error::fmt_missing_comma},
    };
    for (const Row& r : rows) {
        Format f(r.text, r.len);
        EXPECT_FALSE(f.ok()) << r.text;
        EXPECT_EQ(f.error(), r.want) << r.text;
        EXPECT_TRUE(f.ops().empty()) << r.text;
    }
    EXPECT_EQ(Format(nullptr).error(), Error::fmt_no_open_paren);
    EXPECT_TRUE(Format(nested(16).c_str()).ok());
    EXPECT_EQ(Format(nested(17).c_str()).error(), Error::fmt_too_deep);
    EXPECT_TRUE(Format("(i3)\0garbage").ok());
    EXPECT_TRUE(Format("(i3)xyz", 4).ok());
}

TEST(Compile, EveryPrefixOfAGoodFormatIsRefused)
{
    for (std::string good : {"(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,"
                             "14Z1,4(2X,3Z1,1X,Z1,1X,4Z1))",
                             "(/' -- eof at irec=',i5,' --'/)", "('it''s',z3.2,a,\\)"}) {
        ASSERT_TRUE(Format(good.c_str()).ok()) << good;
        for (std::size_t n = 0; n < good.size(); ++n)
            EXPECT_FALSE(Format(good.c_str(), static_cast<int>(n)).ok()) << good.substr(0, n);
    }
}
