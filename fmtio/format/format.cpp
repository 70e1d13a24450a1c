// Compiles a format string into the flat op list that the walk and the compiled statements read.
#include "fmtio/format/format.h"

#include <cstring>

namespace fmtio {

namespace {

// Widths, digit counts, skips and repeats above this are refused: no record
// needs them, and it keeps a hostile format from asking for gigabyte fields.
constexpr int max_number = 32767;

struct Parser {
    const char* s;
    std::size_t n;
    std::size_t i = 0;
    std::vector<Op>& ops;
    std::string& pool;
    Error err{};
    bool bad = false;

    bool fault(Error e)
    {
        if (!bad) {
            err = e;
            bad = true;
        }
        return false;
    }

    // Blanks and tabs mean nothing outside quoted text, even inside a number.
    void skip_blanks()
    {
        while (i < n && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    }

    bool at_end()
    {
        skip_blanks();
        return i >= n;
    }

    static bool is_digit(char c) { return c >= '0' && c <= '9'; }

    // Reads an unsigned number if one starts here; false when there is none
    // (or it is too big, which also sets the error).
    bool number(int& v)
    {
        if (at_end() || !is_digit(s[i]))
            return false;
        long long acc = 0;
        while (i < n && is_digit(s[i])) {
            acc = acc * 10 + (s[i] - '0');
            if (acc > max_number)
                return fault(Error::fmt_number_too_big);
            ++i;
            skip_blanks();
        }
        v = static_cast<int>(acc);
        return true;
    }

    static char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

    bool width(Op& op, bool required)
    {
        int w = 0;
        if (!number(w)) {
            if (bad)
                return false;
            if (required)
                return fault(Error::fmt_missing_width);
            return true;
        }
        if (w == 0)
            return fault(Error::fmt_zero_width);
        op.width = w;
        return true;
    }

    // Optional ".m" after the width of I and Z.
    bool digits(Op& op)
    {
        if (at_end() || s[i] != '.')
            return true;
        ++i;
        int m = 0;
        if (!number(m)) {
            if (bad)
                return false;
            return fault(Error::fmt_bad_digits);
        }
        if (m > op.width)
            return fault(Error::fmt_bad_digits);
        op.digits = m;
        return true;
    }

    bool literal(char q)
    {
        ++i;
        Op op{OpKind::literal};
        op.pos = static_cast<std::int32_t>(pool.size());
        for (;;) {
            if (i >= n)
                return fault(Error::fmt_unterminated_literal);
            char c = s[i++];
            if (c == q) {
                if (i < n && s[i] == q) {
                    ++i;
                } else {
                    break;
                }
            }
            pool.push_back(c);
        }
        op.len = static_cast<std::int32_t>(pool.size()) - op.pos;
        ops.push_back(op);
        return true;
    }

    bool run(int& reversion)
    {
        if (at_end() || s[i] != '(')
            return fault(Error::fmt_no_open_paren);
        ++i;

        // after_open: just after "("; after_comma: an element must follow;
        // after_element: a separator must follow; after_slash: either.
        enum { after_open, after_comma, after_element, after_slash } state = after_open;
        int depth = 0;
        int last_top = -1;

        for (;;) {
            if (at_end())
                return fault(depth > 0 ? Error::fmt_unbalanced : Error::fmt_no_close_paren);
            char c = s[i];
            if (c == ',') {
                if (state != after_element && state != after_slash)
                    return fault(Error::fmt_unknown_descriptor);
                state = after_comma;
                ++i;
                continue;
            }
            if (c == ')') {
                // "()" is allowed for the whole format only; a group needs content.
                if (state == after_comma || (state == after_open && depth > 0))
                    return fault(Error::fmt_unknown_descriptor);
                ++i;
                if (depth == 0) {
                    ops.push_back(Op{OpKind::end});
                    break;
                }
                --depth;
                ops.push_back(Op{OpKind::group_close});
                state = after_element;
                continue;
            }
            if (c == '/') {
                ops.push_back(Op{OpKind::slash});
                state = after_slash;
                ++i;
                continue;
            }
            if (state == after_element)
                return fault(Error::fmt_missing_comma);

            int r = 0;
            bool has_r = number(r);
            if (bad)
                return false;
            if (at_end())
                return fault(depth > 0 ? Error::fmt_unbalanced : Error::fmt_no_close_paren);
            c = upper(s[i]);
            Op op{OpKind::end};
            switch (c) {
            case '(':
                if (has_r && r == 0)
                    return fault(Error::fmt_bad_repeat);
                if (depth == max_group_depth)
                    return fault(Error::fmt_too_deep);
                ++i;
                if (depth == 0)
                    last_top = static_cast<int>(ops.size());
                ++depth;
                op.kind = OpKind::group_open;
                op.repeat = has_r ? r : 1;
                ops.push_back(op);
                state = after_open;
                continue;
            case 'I':
            case 'Z':
                ++i;
                op.kind = c == 'I' ? OpKind::int_edit : OpKind::hex_edit;
                if (!width(op, true) || !digits(op))
                    return false;
                break;
            case 'A':
                ++i;
                op.kind = OpKind::char_edit;
                if (!width(op, false))
                    return false;
                break;
            case 'X':
                ++i;
                if (has_r && r == 0)
                    return fault(Error::fmt_zero_width);
                op.kind = OpKind::skip;
                op.width = has_r ? r : 1;
                ops.push_back(op);
                state = after_element;
                continue;
            case '\'':
            case '"':
            case '\\':
            case '$':
            case '/':
                if (has_r)
                    return fault(Error::fmt_bad_repeat);
                if (c == '\\' || c == '$') {
                    ++i;
                    ops.push_back(Op{OpKind::keep_open});
                } else if (!literal(c)) {
                    return false;
                }
                state = after_element;
                continue;
            default:
                return fault(Error::fmt_unknown_descriptor);
            }
            // A data descriptor.
            if (has_r && r == 0)
                return fault(Error::fmt_bad_repeat);
            op.repeat = has_r ? r : 1;
            ops.push_back(op);
            state = after_element;
        }

        if (!at_end())
            return fault(s[i] == ')' ? Error::fmt_unbalanced : Error::fmt_trailing_text);
        reversion = last_top >= 0 ? last_top : 0;
        return true;
    }
};

} // namespace

Format::Format(const char* text, int len)
{
    std::size_t n = 0;
    if (text)
        n = len < 0 ? std::strlen(text) : static_cast<std::size_t>(len);
    Parser p{text, n, 0, ops_, pool_};
    if (!p.run(reversion_)) {
        error_ = static_cast<int>(p.err);
        ops_.clear();
        pool_.clear();
        reversion_ = 0;
        return;
    }
    for (std::size_t k = 0; k < ops_.size(); ++k) {
        OpKind kind = ops_[k].kind;
        if (kind == OpKind::int_edit || kind == OpKind::hex_edit || kind == OpKind::char_edit) {
            has_data_ = true;
            if (k >= static_cast<std::size_t>(reversion_))
                reverts_to_data_ = true;
        }
    }
}

} // namespace fmtio
