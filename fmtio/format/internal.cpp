// Internal write and read: a character variable as the one record.
#include <cstring>

#include "fmtio/compiled/prepared.h"
#include "fmtio/format/render.h"
#include "fmtio/units/statements.h"

namespace fmtio {

namespace {

// Copies the one record into the variable and blanks the rest of it; a record
// longer than the variable, or a second record, is an overflow.
class VariableSink final : public RecordSink {
public:
    VariableSink(char* var, std::size_t len) : var_(var), len_(len) {}

    void record(const char* data, std::size_t len, bool) override
    {
        if (done_ || len > len_)
            fail(Error::internal_overflow, Stmt::write, internal_name);
        done_ = true;
        if (len > 0)
            std::memcpy(var_, data, len);
        if (len_ > len)
            std::memset(var_ + len, ' ', len_ - len);
    }

private:
    char* var_;
    std::size_t len_;
    bool done_ = false;
};

} // namespace

void write_internal(char* var, int len, const Format& f, const Item* items, std::size_t n)
{
    std::size_t room = var && len > 0 ? static_cast<std::size_t>(len) : 0;
    if (render_in_place(f, items, n, var, room, Stmt::write, internal_name))
        return;
    VariableSink sink(var, room);
    render(f, items, n, sink, Stmt::write, internal_name);
}

void read_internal(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n)
{
    parse(f, var, var && len > 0 ? static_cast<std::size_t>(len) : 0, items, n, internal_name);
}

PreparedWrite::PreparedWrite(char* var, int len, const Format& f, const Bound* items, std::size_t n)
    : var_(var), len_(len), f_(f), items_(items, items + n), values_(n)
{
    const std::size_t room = var && len > 0 ? static_cast<std::size_t>(len) : 0;
    if (!fill_.prepare(f, items, n) || !fill_.whole() || room < 8 || room > static_cast<std::size_t>(blanks_after) ||
        fill_.template_len() > room)
        fill_ = BoundFill();
}

void PreparedWrite::operator()() const
{
    if (!fill_.ready()) {
        general();
        return;
    }
    // Everything the statement needs is fetched before the variable is
    // written, which could otherwise be anything the fetches read.
    char* const var = var_;
    const std::size_t room = static_cast<std::size_t>(len_);
    const char* const padded = fill_.padded();
    const Fill* const chain = fill_.chain();
    const auto first = chain->fn;
    // The template and the blanks after it, as two moves of 8 that overlap.
    std::memcpy(var, padded, 8);
    std::memcpy(var + room - 8, padded + room - 8, 8);
    first(var, chain);
}

// Out of line: the short way then saves no registers for it.
[[gnu::noinline]] void PreparedWrite::general() const
{
    for (std::size_t k = 0; k < items_.size(); ++k)
        values_[k] = value_of(items_[k]);
    write_internal(var_, len_, f_, values_.data(), values_.size());
}

} // namespace fmtio
