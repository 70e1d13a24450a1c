// The format scan, the output edits, list-directed output and the input fields.
#include "fmtio/render.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace fmtio {

namespace {

constexpr int max_depth = 16;
constexpr char hex_digits[] = "0123456789ABCDEF";

// The record buffer, reserved once and reused by every statement; it keeps
// its size, so a record no longer than the run's longest so far costs no
// allocation and no clearing. A sink that writes another statement from
// inside record() gets a buffer of its own.
class Buffer {
public:
    Buffer()
    {
        static std::string shared = [] {
            std::string s;
            s.reserve(512);
            return s;
        }();
        static bool busy = false;
        if (busy) {
            text_ = &own_;
        } else {
            busy = true;
            busy_ = &busy;
            text_ = &shared;
        }
    }
    ~Buffer()
    {
        if (busy_)
            *busy_ = false;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    std::string& text() { return *text_; }

private:
    std::string own_;
    std::string* text_ = nullptr;
    bool* busy_ = nullptr;
};

// The record under construction on output: the first len_ characters of the
// buffer, whose size is only room. This runs for every field of every record,
// so characters go straight into place rather than through string appends.
class Out {
public:
    Out(std::string& buf, RecordSink& sink) : buf_(buf), sink_(sink), data_(&buf[0]), size_(buf.size())
    {
    }

    void text(const char* p, std::size_t n)
    {
        if (n == 0)
            return;
        std::memcpy(place(n), p, n);
    }
    void put(char c) { *place(1) = c; }
    void fill(char c, std::size_t n)
    {
        if (n == 0)
            return;
        std::memset(place(n), c, n);
    }
    void blanks(std::size_t n) { pending_ += n; }
    void mark_open() { open_ = true; }

    // Slash and reversion. The backslash mark belongs to the record it was
    // met in, so a record ended here never carries it.
    void next_record() { end(false); }
    void finish() { end(open_); }

    // Where the next n characters (n > 0) go, for the caller to write; the
    // pending blanks before them are written now that text follows them.
    char* place(std::size_t n)
    {
        std::size_t need = len_ + pending_ + n;
        if (need > size_) {
            buf_.resize(need > buf_.capacity() ? need : buf_.capacity());
            data_ = &buf_[0];
            size_ = buf_.size();
        }
        char* p = data_ + len_;
        if (pending_ > 0) {
            std::memset(p, ' ', pending_);
            p += pending_;
            pending_ = 0;
        }
        len_ = need;
        return p;
    }

private:
    // Blanks still pending when a record ends are never written, with or
    // without the mark: a record holds only what later text pushed out.
    void end(bool keep_open)
    {
        pending_ = 0;
        open_ = false;
        std::size_t len = len_;
        len_ = 0;
        sink_.record(data_, len, keep_open);
    }

    std::string& buf_;
    RecordSink& sink_;
    char* data_;        // buf_'s characters and how many it holds
    std::size_t size_;
    std::size_t len_ = 0;
    std::size_t pending_ = 0;
    bool open_ = false;
};

// The record being read: a position that may run past the end, where every
// character reads as a blank.
struct In {
    const char* s;
    std::size_t n;
    std::size_t pos = 0;

    // A literal in an input format steps over as many characters, so text
    // written by a format reads back through the same format.
    void text(const char*, std::size_t len) { pos += len; }
    void blanks(std::size_t len) { pos += len; }
    void mark_open() {}
    // There is only one record: what follows it reads as blanks.
    void next_record() { pos = pos > n ? pos : n; }
    char at(std::size_t p) const { return p < n ? s[p] : ' '; }
};

// Walks the compiled format: hands out the data descriptor for each waiting
// item and carries out everything between them on the record.
template <class Rec>
class Scan {
public:
    Scan(const Format& f, Rec& rec, Stmt stmt, const char* name)
        : ops_(f.ops().data()), pool_(f.pool()), reversion_(f.reversion()), rec_(rec), stmt_(stmt),
          name_(name)
    {
        // Without a data descriptor after the reversion point, items left
        // over after the first pass would send the scan round for ever.
        revert_ok_ = f.reverts_to_data();
    }

    // The data descriptor that takes the waiting item; with no item waiting
    // (the final scan), nullptr once the scan stops. Inlined: a call per item
    // costs more than the scan it makes.
    [[gnu::always_inline]] const Op* next(bool waiting)
    {
        if (waiting && left_ > 0) {
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
                if (depth_ == max_depth)  // the compiler refuses deeper formats
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
                if (!waiting)
                    return nullptr;
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
    Rec& rec_;
    Stmt stmt_;
    const char* name_;
    bool revert_ok_ = false;
    int pos_ = 0;
    Frame stack_[max_depth];
    int depth_ = 0;
    const Op* cur_ = nullptr;
    int left_ = 0;
};

std::uint32_t magnitude(std::int32_t v)
{
    return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

void edit_int(Out& out, const Op& op, std::int32_t v)
{
    char digits[10];
    std::size_t nd = 0;
    for (std::uint32_t m = magnitude(v); m != 0; m /= 10)
        digits[nd++] = static_cast<char>('0' + m % 10);
    std::size_t body = nd > static_cast<std::size_t>(op.digits) ? nd : static_cast<std::size_t>(op.digits);
    std::size_t len = body + (v < 0 ? 1 : 0);
    std::size_t w = static_cast<std::size_t>(op.width);
    if (len > w) {
        out.fill('*', w);
        return;
    }
    out.blanks(w - len);
    if (len == 0)
        return;
    // Sign, leading zeros and digits go straight into the record.
    char* p = out.place(len);
    if (v < 0)
        *p++ = '-';
    for (std::size_t k = nd; k < body; ++k)
        *p++ = '0';
    for (std::size_t k = nd; k > 0; --k)
        *p++ = digits[k - 1];
}

void edit_hex(Out& out, const Op& op, const Item& it)
{
    std::uint32_t bits = it.kind == Item::i16 ? static_cast<std::uint16_t>(it.value)
                                              : static_cast<std::uint32_t>(it.value);
    // Z1, most fields of every record: the lowest digit, a zero included.
    if (op.width == 1 && op.digits == 1) {
        out.put(hex_digits[bits & 15]);
        return;
    }
    char rev[8];
    std::size_t nd = 0;
    for (; bits != 0; bits >>= 4)
        rev[nd++] = hex_digits[bits & 15];
    std::size_t m = static_cast<std::size_t>(op.digits);
    std::size_t w = static_cast<std::size_t>(op.width);
    std::size_t len = nd > m ? nd : m;
    // Too wide for the field: the low-order w digits, never asterisks.
    if (len > w)
        len = w;
    std::size_t shown = nd < len ? nd : len;
    out.blanks(w - len);
    if (len == 0)
        return;
    char* p = out.place(len);
    for (std::size_t k = shown; k < len; ++k)
        *p++ = '0';
    for (std::size_t k = shown; k > 0; --k)
        *p++ = rev[k - 1];
}

void edit_chars(Out& out, const Op& op, const char* p, std::size_t n)
{
    std::size_t w = op.width == 0 ? n : static_cast<std::size_t>(op.width);
    if (w <= n) {
        out.text(p, w);
    } else {
        out.blanks(w - n);
        out.text(p, n);
    }
}

// An integer under A shows its bytes, lowest first, as the item is stored on
// the machine the program was written for.
std::size_t int_bytes(const Item& it, char* b)
{
    std::uint32_t v = static_cast<std::uint32_t>(it.value);
    std::size_t n = it.kind == Item::i16 ? 2 : 4;
    for (std::size_t k = 0; k < n; ++k)
        b[k] = static_cast<char>((v >> (8 * k)) & 0xFF);
    return n;
}

void edit(Out& out, const Op& op, const Item& it, Stmt stmt, const char* name)
{
    if (it.kind == Item::chars) {
        if (op.kind != OpKind::char_edit)
            fail(Error::char_item, stmt, name);
        std::size_t n = it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0;
        edit_chars(out, op, it.text, n);
        return;
    }
    switch (op.kind) {
    case OpKind::int_edit:
        edit_int(out, op, it.value);
        break;
    case OpKind::hex_edit:
        edit_hex(out, op, it);
        break;
    case OpKind::char_edit: {
        char b[4];
        std::size_t n = int_bytes(it, b);
        edit_chars(out, op, b, n);
        break;
    }
    default:
        fail(Error::int_item, stmt, name);
    }
}

// The characters of an I or Z input field, with blanks and tabs skipped.
// The field ends after w characters, at a comma (taken), or before a CR or LF.
template <class Take>
void field(In& in, std::size_t w, Take take)
{
    std::size_t end = in.pos + w;
    std::size_t p = in.pos;
    std::size_t stop = end < in.n ? end : in.n;
    for (; p < stop; ++p) {
        char c = in.s[p];
        if (c == ' ' || c == '\t')
            continue;
        if (c == '\r' || c == '\n') {
            in.pos = p;
            return;
        }
        if (c == ',') {
            in.pos = p + 1;
            return;
        }
        take(c);
    }
    in.pos = end;
}

std::int32_t read_int(In& in, const Op& op, const char* name)
{
    // I1 over a digit, as every packed-decimal date and time digit is read.
    if (op.width == 1 && in.pos < in.n && in.s[in.pos] >= '0' && in.s[in.pos] <= '9')
        return in.s[in.pos++] - '0';
    bool neg = false;
    bool sign = false;
    bool digits = false;
    std::int64_t v = 0;
    const std::int64_t limit = 2147483647;
    field(in, static_cast<std::size_t>(op.width), [&](char c) {
        if ((c == '+' || c == '-') && !sign && !digits) {
            sign = true;
            neg = c == '-';
            return;
        }
        if (c < '0' || c > '9')
            fail(Error::int_char, Stmt::read, name);
        digits = true;
        v = v * 10 + (c - '0');
        if (v > limit + (neg ? 1 : 0))
            fail(Error::int_range, Stmt::read, name);
    });
    return static_cast<std::int32_t>(neg ? -v : v);
}

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::int32_t read_hex(In& in, const Op& op, const char* name)
{
    std::uint32_t v = 0;
    field(in, static_cast<std::size_t>(op.width), [&](char c) {
        int d = hex_value(c);
        if (d < 0)
            fail(Error::hex_char, Stmt::read, name);
        // More than 8 significant digits do not fit the item: refuse rather
        // than drop the high ones.
        if (v >> 28)
            fail(Error::int_range, Stmt::read, name);
        v = v << 4 | static_cast<std::uint32_t>(d);
    });
    return static_cast<std::int32_t>(v);
}

// A w into a variable of length L: the first w characters from the left, or
// the last L when the field is wider; positions past the record read blanks.
void read_chars(In& in, const Op& op, char* dest, std::size_t len)
{
    std::size_t w = op.width == 0 ? len : static_cast<std::size_t>(op.width);
    std::size_t from = in.pos + (w > len ? w - len : 0);
    for (std::size_t k = 0; k < len; ++k)
        dest[k] = k < w ? in.at(from + k) : ' ';
    in.pos += w;
}

void read_item(In& in, const Op& op, const ReadItem& it, const char* name)
{
    if (it.ival) {
        switch (op.kind) {
        case OpKind::int_edit:
            *it.ival = read_int(in, op, name);
            break;
        case OpKind::hex_edit:
            *it.ival = read_hex(in, op, name);
            break;
        default: {
            // The counterpart of A output: the characters are the bytes, lowest first.
            char b[4];
            read_chars(in, op, b, 4);
            std::uint32_t v = 0;
            for (int k = 3; k >= 0; --k)
                v = v << 8 | static_cast<unsigned char>(b[k]);
            *it.ival = static_cast<std::int32_t>(v);
        }
        }
        return;
    }
    if (op.kind != OpKind::char_edit)
        fail(Error::char_item, Stmt::read, name);
    std::size_t len = it.text && it.len > 0 ? static_cast<std::size_t>(it.len) : 0;
    read_chars(in, op, it.text, len);
}

void append_list(std::string& buf, std::size_t& room, RecordSink& sink, const char* p, std::size_t n,
                 bool split)
{
    if (n >= room && !split && buf.size() > 1) {
        sink.record(buf.data(), buf.size(), false);
        buf.assign(1, ' ');
        room = 79;
    }
    while (n >= room && split) {
        buf.append(p, room);
        p += room;
        n -= room;
        sink.record(buf.data(), buf.size(), false);
        buf.assign(1, ' ');
        room = 79;
    }
    buf.append(p, n);
    room -= n < room ? n : room;
}

} // namespace

void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name)
{
    if (!f.ok())
        fail(f.error(), stmt, name);
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, stmt, name);
    Buffer buf;
    Out out(buf.text(), sink);
    Scan<Out> scan(f, out, stmt, name);
    for (std::size_t k = 0; k < n; ++k)
        edit(out, *scan.next(true), items[k], stmt, name);
    scan.next(false);
    out.finish();
}

void render_list(const Item* items, std::size_t n, RecordSink& sink)
{
    Buffer b;
    std::string& buf = b.text();
    buf.assign(1, ' ');
    std::size_t room = 79;
    for (std::size_t k = 0; k < n; ++k) {
        const Item& it = items[k];
        if (it.kind == Item::chars) {
            std::size_t len = it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0;
            append_list(buf, room, sink, it.text, len, true);
            continue;
        }
        // A number is a blank and its decimal digits, never split across records.
        char text[12];
        std::size_t at = sizeof text;
        std::int32_t v = it.value;
        for (std::uint32_t m = magnitude(v);; m /= 10) {
            text[--at] = static_cast<char>('0' + m % 10);
            if (m < 10)
                break;
        }
        if (v < 0)
            text[--at] = '-';
        text[--at] = ' ';
        append_list(buf, room, sink, text + at, sizeof text - at, false);
    }
    sink.record(buf.data(), buf.size(), false);
}

void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items, std::size_t n,
           const char* name)
{
    if (!f.ok())
        fail(f.error(), Stmt::read, name);
    if (n > 0 && !f.has_data())
        fail(Error::fmt_no_data_descriptor, Stmt::read, name);
    In in{text, text ? len : 0};
    Scan<In> scan(f, in, Stmt::read, name);
    for (std::size_t k = 0; k < n; ++k)
        read_item(in, *scan.next(true), items[k], name);
}

} // namespace fmtio
