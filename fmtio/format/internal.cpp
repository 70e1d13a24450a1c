// Internal write and read: a character variable as the one record of a statement.
#include "fmtio/format/internal.h"

#include <cstring>

#include "fmtio/format/render.h"

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
    VariableSink sink(var, var && len > 0 ? static_cast<std::size_t>(len) : 0);
    render(f, items, n, sink, Stmt::write, internal_name);
}

void read_internal(const char* var, int len, const Format& f, const ReadItem* items, std::size_t n)
{
    parse(f, var, var && len > 0 ? static_cast<std::size_t>(len) : 0, items, n, internal_name);
}

} // namespace fmtio
