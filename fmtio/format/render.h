// The format engine's three statements: formatted output, list-directed output, formatted input.
#pragma once
#include <cstddef>

#include "fmtio/format/errors.h"
#include "fmtio/format/format.h"
#include "fmtio/format/items.h"
#include "fmtio/format/record_sink.h"

namespace fmtio {

// The name an internal write or read fails under.
inline constexpr char internal_name[] = "internal";

// Renders items by a compiled format. A failure (malformed format, an item the
// descriptor cannot take) ends the run through fail(err, stmt, name).
void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name);
// An internal write of a format whose one record is a run's template: the
// record is built in the variable itself, the rest of it blanked. False,
// with nothing done, for any other format or more items than the run has.
bool render_in_place(const Format& f, const Item* items, std::size_t n, char* var, std::size_t room,
                     Stmt stmt, const char* name);
// The same by walking the format op by op, as a format without a plan is:
// the reference that the planned rendering must match record for record.
void render_stepwise(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
                     const char* name);

// The list-directed layout: one leading blank, at most 79 characters after it.
void render_list(const Item* items, std::size_t n, RecordSink& sink);

// Parses one record of text by a format into the read items.
void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items,
           std::size_t n, const char* name);
// The same by walking the format op by op.
void parse_stepwise(const Format& f, const char* text, std::size_t len, const ReadItem* items,
                    std::size_t n, const char* name);

} // namespace fmtio
