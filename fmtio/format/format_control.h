// The format controller: walks a compiled format for one statement.
#pragma once
#include "fmtio/format/errors.h"
#include "fmtio/format/format.h"

namespace fmtio {

// Hands out the data descriptor for each waiting item and carries out
// everything between them (literals, skips, slashes, groups, reversion) on
// the record: the output record, the input record being read, or the record
// that a compiled statement lays out ahead. This is the one place where
// literals, skips, slashes and the backslash are interpreted. A record type
// whose `reverts` is false takes one pass of the format only.
template <class Rec>
class FormatControl {
public:
    FormatControl(const Format& f, Rec& rec, Stmt stmt, const char* name)
        : ops_(f.ops().data()), pool_(f.pool()), reversion_(f.reversion()),
          revert_ok_(f.reverts_to_data()), rec_(rec), stmt_(stmt), name_(name)
    {
    }

    // The data descriptor that takes the waiting item; with no item waiting
    // (the final scan), nullptr once the scan stops; nullptr as well for an
    // item left over at the end of a record type that does not revert.
    // Inlined: a call per item costs more than the scan it makes.
    [[gnu::always_inline]] const Op* next(bool waiting)
    {
        // rIw is r descriptors in a row: with uses left it takes the item,
        // and the final scan stops right here, before anything after it.
        if (left_ > 0) {
            if (!waiting)
                return nullptr;
            --left_;
            return cur_;
        }
        for (;;) {
            const Op& op = ops_[pos_];
            switch (op.kind) {
            case OpKind::literal:
                rec_.text(pool_ + op.pos, static_cast<std::size_t>(op.len));
                ++pos_;
                break;
            case OpKind::skip:
                rec_.blanks(static_cast<std::size_t>(op.width));
                ++pos_;
                break;
            case OpKind::slash:
                rec_.next_record();
                ++pos_;
                break;
            case OpKind::keep_open:
                if (!waiting)
                    rec_.mark_open();
                ++pos_;
                break;
            case OpKind::group_open:
                if (depth_ == max_group_depth)  // the compiler refuses deeper formats
                    fail(Error::fmt_too_deep, stmt_, name_);
                stack_[depth_++] = Frame{pos_, op.repeat};
                ++pos_;
                break;
            case OpKind::group_close: {
                Frame& g = stack_[depth_ - 1];
                if (--g.left > 0) {
                    pos_ = g.open + 1;
                } else {
                    --depth_;
                    ++pos_;
                }
                break;
            }
            case OpKind::int_edit:
            case OpKind::hex_edit:
            case OpKind::char_edit:
                if (!waiting)
                    return nullptr;
                cur_ = &op;
                left_ = op.repeat - 1;
                ++pos_;
                return cur_;
            case OpKind::end:
                if (!waiting || !Rec::reverts)
                    return nullptr;
                // Without a data descriptor after the reversion point, the
                // items left over would send the scan round for ever.
                if (!revert_ok_)
                    fail(Error::fmt_no_data_descriptor, stmt_, name_);
                rec_.next_record();
                pos_ = reversion_;
                depth_ = 0;
                break;
            }
        }
    }

private:
    struct Frame {
        int open;  // index of the group's "(" op
        int left;  // passes still to run, this one included
    };

    const Op* ops_;
    const char* pool_;
    int reversion_;
    bool revert_ok_;
    Rec& rec_;
    Stmt stmt_;
    const char* name_;
    int pos_ = 0;
    Frame stack_[max_group_depth];
    int depth_ = 0;
    const Op* cur_ = nullptr;
    int left_ = 0;
};

} // namespace fmtio
