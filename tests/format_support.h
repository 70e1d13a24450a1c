// For the format engine's tests: what a failing statement failed with, errors shown by number, 16-bit items.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "fmtio/format/errors.h"
#include "fmtio/format/items.h"
#include "tests/engine_support.h"

namespace fmtio {
inline void PrintTo(Error e, std::ostream* os) { *os << static_cast<int>(e); }
} // namespace fmtio

namespace format_support {

// What a statement that must fail failed with.
template <class Body>
engine_support::Failed failure(Body body)
{
    try {
        body();
    } catch (const engine_support::Failed& e) {
        return e;
    }
    ADD_FAILURE() << "did not fail";
    return {};
}

inline fmtio::Item i16(int v) { return fmtio::item16(static_cast<std::int16_t>(v)); }

} // namespace format_support
