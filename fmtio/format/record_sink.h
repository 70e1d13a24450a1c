// Where finished records go: a unit, an internal variable, or a test's recorder.
#pragma once
#include <cstddef>

namespace fmtio {

class RecordSink {
public:
    // keep_open: the record ended with the backslash mark.
    virtual void record(const char* data, std::size_t len, bool keep_open) = 0;

    // Where a record of up to n characters can be built in place, the sink's
    // own storage, or nullptr when it cannot take one there (then record()
    // takes it). A record built there is handed on by commit() with its
    // length, at most n; a statement that fails first leaves no trace.
    virtual char* room(std::size_t) { return nullptr; }
    virtual void commit(std::size_t, bool) {}

protected:
    ~RecordSink() = default;
};

} // namespace fmtio
