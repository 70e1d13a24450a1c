// Format strings, compiled once into a flat list of edit ops and reused.
#pragma once
#include <string>
#include <vector>

#include "fmtio/format/errors.h"
#include "fmtio/format/ops.h"

namespace fmtio {

class Format {
public:
    // len -1: the text ends at its first NUL. A malformed text does not
    // throw: error() tells, and the statement that uses it fails with it.
    explicit Format(const char* text, int len = -1);

    bool ok() const { return error_ == 0; }
    Error error() const { return static_cast<Error>(error_); }
    const std::vector<Op>& ops() const { return ops_; }
    const char* pool() const { return pool_.data(); }
    // Index of the op where a reversion continues: the "(" of the last group
    // opened at the top level, or the first op after the format's own "(".
    int reversion() const { return reversion_; }
    // Whether a data descriptor follows op 0, or the reversion point; every
    // statement asks, so it is found once here.
    bool has_data() const { return has_data_; }
    bool reverts_to_data() const { return reverts_to_data_; }

private:
    std::vector<Op> ops_;
    std::string pool_;
    int reversion_ = 0;
    int error_ = 0;
    bool has_data_ = false;
    bool reverts_to_data_ = false;
};

} // namespace fmtio
