// The walk: a compiled format carried out op by op on its items, into records or out of one; and list-directed output.
#pragma once
#include <cstddef>

#include "fmtio/format/errors.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"
#include "fmtio/format/record_sink.h"

namespace fmtio {

// The name an internal write or read fails under.
inline constexpr char internal_name[] = "internal";

// Renders items by a compiled format into records for the sink. It is the
// reference and the general path: a compiled statement does what this does.
// A failure (malformed format, an item the descriptor cannot take) ends the
// run through fail(err, stmt, name).
void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name);

// The list-directed layout: one leading blank, at most 79 characters after it.
void render_list(const Item* items, std::size_t n, RecordSink& sink);

// Parses one record of text by a format into the read items.
void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items,
           std::size_t n, const char* name);

} // namespace fmtio
