// The format engine: renders items into records and parses records into items.
#pragma once
#include <cstddef>

#include "fmtio/errors.h"
#include "fmtio/format.h"
#include "fmtio/items.h"

namespace fmtio {

// Where finished records go: a unit, an internal variable, or a test's recorder.
class RecordSink {
public:
    // keep_open: the record ended with the backslash mark.
    virtual void record(const char* data, std::size_t len, bool keep_open) = 0;

protected:
    ~RecordSink() = default;
};

// Renders items by a compiled format. A failure (malformed format, an item the
// descriptor cannot take) ends the run through fail(err, stmt, name).
void render(const Format& f, const Item* items, std::size_t n, RecordSink& sink, Stmt stmt,
            const char* name);

// The list-directed layout: one leading blank, at most 79 characters after it.
void render_list(const Item* items, std::size_t n, RecordSink& sink);

// Parses one record of text by a format into the read items.
void parse(const Format& f, const char* text, std::size_t len, const ReadItem* items,
           std::size_t n, const char* name);

} // namespace fmtio
