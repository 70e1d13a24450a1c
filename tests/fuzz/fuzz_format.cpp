// Format strings and item lists through the format engine: compile, render,
// list-directed output, internal write and internal read.
//
// The compiled statements must do what the walk does: where the fields can
// be laid out for items bound to variables, the bound fills must build the
// record the walk hands on; a prepared internal write must leave the
// variable as the walk's internal write does, and a prepared internal read
// must store the values and fail with the error that the walk's read does.
//
// Input: byte 0 the internal variable's length, byte 1 the format's length,
// the format text, then the items, each a kind byte and its value bytes. The
// bytes after the format also serve as the text that the internal read parses.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/compiled/prepared_read.h"
#include "fmtio/compiled/prepared_write.h"
#include "fmtio/format/errors.h"
#include "fmtio/format/format.h"
#include "fmtio/format/internal.h"
#include "fmtio/format/items.h"
#include "fmtio/format/render.h"

namespace {

using fmtio::Error;
using fmtio::Format;
using fmtio::Item;
using fmtio::OpKind;
using fmtio::ReadItem;

struct Failed {
    Error error;
    fmtio::Stmt stmt;
};

void throw_failed(Error e, fmtio::Stmt s, const char*, const char*) { throw Failed{e, s}; }

[[noreturn]] void finding(const char* what, int detail = 0) {
    std::fprintf(stderr, "fuzz_format: %s (%d)\n", what, detail);
    std::abort();
}

bool is_format_error(Error e) {
    int n = static_cast<int>(e);
    return n >= 6970 && n <= 6992;
}

// Errors a write statement may end with.
void expect_write_error(const Failed& f, bool internal) {
    if (f.stmt != fmtio::Stmt::write) finding("write failed as another statement", static_cast<int>(f.error));
    if (is_format_error(f.error) || f.error == Error::char_item || f.error == Error::int_item) return;
    if (internal && f.error == Error::internal_overflow) return;
    finding("unexpected write error", static_cast<int>(f.error));
}

void expect_read_error(const Failed& f) {
    if (f.stmt != fmtio::Stmt::read) finding("read failed as another statement", static_cast<int>(f.error));
    if (is_format_error(f.error) || f.error == Error::char_item || f.error == Error::int_range ||
        f.error == Error::int_char || f.error == Error::hex_char)
        return;
    finding("unexpected read error", static_cast<int>(f.error));
}

// Keeps every record it is given; only the last record of a statement may be
// left open, since a record ended by a slash or a reversion never carries the mark.
struct Recorder final : fmtio::RecordSink {
    std::vector<std::string> records;
    bool open_before_end = false;
    bool last_open = false;
    std::size_t bytes = 0;

    void record(const char* data, std::size_t len, bool keep_open) override {
        if (last_open) open_before_end = true;
        records.emplace_back(data, len);  // reads every byte: a bad pointer shows here
        last_open = keep_open;
        bytes += len;
    }
};

// A bound on the work a statement does outside its data fields: every op
// counted as often as its enclosing groups repeat it, weighted by the
// characters it moves. The program's own formats are fixed and small; a
// nesting of repeat counts of 32767 would run for ever, which is no fault.
double expansion(const Format& f) {
    double total = 0, mult = 1;
    std::vector<double> stack;
    for (const auto& op : f.ops()) {
        switch (op.kind) {
        case OpKind::group_open:
            stack.push_back(mult);
            mult *= op.repeat;
            break;
        case OpKind::group_close:
            mult = stack.empty() ? 1 : stack.back();
            if (!stack.empty()) stack.pop_back();
            break;
        case OpKind::skip: total += mult * (op.width + 1); break;
        case OpKind::literal: total += mult * (op.len + 1); break;
        default: total += mult; break;
        }
    }
    return total;
}

struct Reader {
    const std::uint8_t* p;
    std::size_t n;
    std::size_t i = 0;
    bool more() const { return i < n; }
    std::uint8_t byte() { return i < n ? p[i++] : 0; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    fmtio::set_termination(throw_failed);

    const std::size_t var_len = data[0];
    const std::size_t fmt_len = data[1] < size - 2 ? data[1] : size - 2;
    // The format in a block of its own size, so a read past it is caught.
    std::unique_ptr<char[]> fmt_text(new char[fmt_len + 1]);
    std::memcpy(fmt_text.get(), data + 2, fmt_len);
    fmt_text[fmt_len] = '\0';
    const std::uint8_t* rest = data + 2 + fmt_len;
    const std::size_t rest_len = size - 2 - fmt_len;

    // Items, each holding its text in a block of its exact size.
    std::vector<Item> items;
    std::vector<std::unique_ptr<char[]>> texts;
    std::vector<ReadItem> reads;
    std::vector<std::int32_t> ints(32);
    std::vector<std::unique_ptr<char[]>> vars;
    Reader in{rest, rest_len};
    while (in.more() && items.size() < 24) {
        std::uint8_t kind = in.byte();
        switch (kind % 4) {
        case 0: {
            std::uint32_t v = 0;
            for (int k = 0; k < 4; ++k) v = v << 8 | in.byte();
            items.push_back(fmtio::item(static_cast<std::int32_t>(v)));
            reads.push_back(fmtio::ref(ints[reads.size()]));
            break;
        }
        case 1: {
            std::uint16_t v = static_cast<std::uint16_t>(in.byte() << 8 | in.byte());
            items.push_back(fmtio::item16(static_cast<std::int16_t>(v)));
            reads.push_back(fmtio::ref(ints[reads.size()]));
            break;
        }
        case 2: {
            std::size_t len = in.byte() % 48;
            texts.emplace_back(new char[len ? len : 1]);
            for (std::size_t k = 0; k < len; ++k) texts.back()[k] = static_cast<char>(in.byte());
            items.push_back(fmtio::item(texts.back().get(), static_cast<std::int32_t>(len)));
            vars.emplace_back(new char[len ? len : 1]);
            reads.push_back(fmtio::ref(vars.back().get(), static_cast<std::int32_t>(len)));
            break;
        }
        default:
            // A character item with a negative length, or none at all.
            items.push_back(Item{Item::chars, 0, kind & 4 ? nullptr : "x", -(kind >> 3)});
            reads.push_back(fmtio::ref(vars.emplace_back(new char[1]).get(), 0));
            break;
        }
    }

    Format f(fmt_text.get(), static_cast<int>(fmt_len));
    // The same text read up to its NUL must compile the same way when it has none.
    if (std::memchr(fmt_text.get(), '\0', fmt_len) == nullptr) {
        Format g(fmt_text.get());
        if (g.ok() != f.ok() || g.ops().size() != f.ops().size()) finding("NUL-ended format differs");
    }
    if (f.ok() && expansion(f) * static_cast<double>(items.size() + 1) > 2e6) return 0;

    // Render to a recorder.
    Recorder rec;
    bool rendered = false;
    try {
        fmtio::render(f, items.data(), items.size(), rec, fmtio::Stmt::write, "fuzz");
        rendered = true;
    } catch (const Failed& e) {
        expect_write_error(e, false);
        if (!f.ok() && e.error != f.error()) finding("format error not the compiled one");
    }
    if (rec.open_before_end) finding("a record before the last kept the line open");
    if (!f.ok() && rendered) finding("malformed format rendered");

    // The items bound to variables of their own, each in a block of its
    // size; the fills build the record in a block of exactly its length.
    std::vector<std::unique_ptr<std::int32_t>> wide;
    std::vector<std::unique_ptr<std::int16_t>> narrow;
    std::vector<fmtio::Bound> bound;
    for (const Item& it : items) {
        if (it.kind == Item::i32)
            bound.push_back(fmtio::bind(*wide.emplace_back(new std::int32_t(it.value))));
        else if (it.kind == Item::i16)
            bound.push_back(fmtio::bind(*narrow.emplace_back(new std::int16_t(static_cast<std::int16_t>(it.value)))));
        else
            bound.push_back(fmtio::bind(it.text, it.len));
    }
    {
        fmtio::BoundFill fill;
        if (fill.prepare(f, bound.data(), bound.size())) {
            if (!rendered) finding("bound fills took items the renderer refused");
            std::unique_ptr<char[]> built(new char[fill.span()]);
            fill.build(built.get());
            if (rec.records.size() != 1 || rec.records[0] != std::string(built.get(), fill.len()) ||
                rec.last_open != fill.open())
                finding("bound fills differ from the renderer", static_cast<int>(rec.records.size()));
        }
    }

    // Internal write: one record that fits, else the overflow error; the
    // variable ends up holding the record and blanks. The same statement
    // prepared leaves the same, or fails the same way.
    std::unique_ptr<char[]> var(new char[var_len ? var_len : 1]);
    std::memset(var.get(), '#', var_len ? var_len : 1);
    std::unique_ptr<char[]> prepared_var(new char[var_len ? var_len : 1]);
    std::memcpy(prepared_var.get(), var.get(), var_len ? var_len : 1);
    int write_error = 0, prepared_error = 0;
    try {
        const fmtio::PreparedWrite w(prepared_var.get(), static_cast<int>(var_len), f, bound.data(), bound.size());
        w();
    } catch (const Failed& e) {
        prepared_error = static_cast<int>(e.error);
    }
    try {
        fmtio::write_internal(var.get(), static_cast<int>(var_len), f, items.data(), items.size());
        if (!rendered) finding("internal write succeeded where render failed");
        if (rec.records.size() != 1 || rec.records[0].size() > var_len)
            finding("internal write took more than its variable", static_cast<int>(rec.records.size()));
        std::string want = rec.records[0] + std::string(var_len - rec.records[0].size(), ' ');
        if (std::memcmp(var.get(), want.data(), var_len) != 0) finding("internal write text differs");
    } catch (const Failed& e) {
        expect_write_error(e, true);
        write_error = static_cast<int>(e.error);
        if (rendered && e.error != Error::internal_overflow) finding("internal write failed otherwise", static_cast<int>(e.error));
        if (rendered && rec.records.size() == 1 && rec.records[0].size() <= var_len)
            finding("internal write overflowed a record that fits");
    }
    if (prepared_error != write_error || std::memcmp(var.get(), prepared_var.get(), var_len) != 0)
        finding("prepared internal write differs from the walk's", prepared_error);

    // List-directed output: records of at most 80 characters, each starting with a blank.
    {
        Recorder list;
        fmtio::render_list(items.data(), items.size(), list);
        if (list.records.empty()) finding("list-directed write made no record");
        for (const auto& r : list.records)
            if (r.empty() || r[0] != ' ' || r.size() > 80) finding("list-directed record", static_cast<int>(r.size()));
    }

    // Internal read of the bytes after the format by the walk, then the same
    // statement prepared, into the same variables reset: the same values and
    // the same error.
    std::unique_ptr<char[]> text(new char[rest_len ? rest_len : 1]);
    if (rest_len) std::memcpy(text.get(), rest, rest_len);
    auto snapshot = [&]() {
        std::string s;
        for (const ReadItem& r : reads) {
            if (r.ival) s += std::to_string(*r.ival) + ",";
            else s += std::string(r.text, static_cast<std::size_t>(r.len)) + ",";
        }
        return s;
    };
    std::fill(ints.begin(), ints.end(), -7);
    for (const ReadItem& r : reads) if (!r.ival && r.len > 0) std::memset(r.text, '~', static_cast<std::size_t>(r.len));
    int read_error = 0;
    try {
        fmtio::read_internal(text.get(), static_cast<int>(rest_len), f, reads.data(), reads.size());
    } catch (const Failed& e) {
        expect_read_error(e);
        read_error = static_cast<int>(e.error);
    }
    const std::string walked = snapshot();
    std::fill(ints.begin(), ints.end(), -7);
    for (const ReadItem& r : reads) if (!r.ival && r.len > 0) std::memset(r.text, '~', static_cast<std::size_t>(r.len));
    int prepared_read_error = 0;
    try {
        const fmtio::PreparedRead r(text.get(), static_cast<int>(rest_len), f, reads.data(), reads.size());
        r();
    } catch (const Failed& e) {
        prepared_read_error = static_cast<int>(e.error);
    }
    if (walked != snapshot() || read_error != prepared_read_error) finding("prepared read differs from the walk");

    fmtio::set_termination(nullptr);
    return 0;
}
