// Where finished records go: a unit, an internal variable, or a test's recorder.
#pragma once
#include <cstddef>

namespace fmtio {

class RecordSink {
public:
    // keep_open: the record ended with the backslash mark.
    virtual void record(const char* data, std::size_t len, bool keep_open) = 0;

protected:
    ~RecordSink() = default;
};

} // namespace fmtio
