// List-directed output: items in records of one blank and at most 79 characters.
#include <cstdint>
#include <cstring>

#include "fmtio/format/field_text.h"
#include "fmtio/format/render.h"

namespace fmtio {

namespace {

constexpr std::size_t record_room = 79;

class ListRecord {
public:
    explicit ListRecord(RecordSink& sink) : sink_(sink) {}

    // Text that does not fit completes the record; the rest starts the next.
    void text(const char* p, std::size_t n)
    {
        while (n >= room()) {
            std::size_t m = room();
            std::memcpy(rec_ + len_, p, m);
            len_ += m;
            p += m;
            n -= m;
            end();
        }
        if (n > 0)
            std::memcpy(rec_ + len_, p, n);
        len_ += n;
    }

    // A number is never split: one that does not fit starts a new record.
    void whole(const char* p, std::size_t n)
    {
        if (n >= room() && len_ > 1)
            end();
        std::memcpy(rec_ + len_, p, n);
        len_ += n;
    }

    void end()
    {
        sink_.record(rec_, len_, false);
        len_ = 1;
    }

private:
    std::size_t room() const { return 1 + record_room - len_; }

    RecordSink& sink_;
    char rec_[1 + record_room] = {' '};
    std::size_t len_ = 1;
};

} // namespace

void render_list(const Item* items, std::size_t n, RecordSink& sink)
{
    ListRecord rec(sink);
    for (std::size_t k = 0; k < n; ++k) {
        const Item& it = items[k];
        if (it.kind == Item::chars) {
            rec.text(it.text, it.len > 0 && it.text ? static_cast<std::size_t>(it.len) : 0);
            continue;
        }
        // A number is a blank, its sign and its decimal digits.
        char text[12];
        char* const end = text + sizeof text;
        char* p = decimal_digits(end, magnitude(it.value));
        if (it.value < 0)
            *--p = '-';
        *--p = ' ';
        rec.whole(p, static_cast<std::size_t>(end - p));
    }
    rec.end();
}

} // namespace fmtio
