// Internal writes prepared once: the record's template and fields into a short variable.
#include "fmtio/compiled/prepared_write.h"

#include <cstring>

#include "fmtio/format/internal.h"

namespace fmtio {

namespace {
// The variables the short way takes: two moves of 8 that overlap cover them.
constexpr std::size_t least_room = 8;
constexpr std::size_t most_room = fill_block;
} // namespace

PreparedWrite::PreparedWrite(char* var, int len, const Format& f, const Bound* items, std::size_t n)
    : var_(var), len_(len), f_(f), items_(items, items + n), values_(n)
{
    const std::size_t room = var && len > 0 ? static_cast<std::size_t>(len) : 0;
    if (!fill_.prepare(f, items, n) || room < least_room || room > most_room || fill_.len() > room)
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
    const char* const padded = fill_.text();
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
    values_of(items_.data(), items_.size(), values_.data());
    write_internal(var_, len_, f_, values_.data(), values_.size());
}

} // namespace fmtio
