// For the units layer's tests: the command line's words, console records, and the opens of a listing and a data file.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fmtio/platform/platform.h"
#include "fmtio/units/units.h"
#include "tests/fake_process.h"

namespace units_support {

using fmtio::OpenSpec;

inline void set_words(std::vector<std::string> words) {
    static std::vector<std::string> keep;
    static std::vector<char*> ptrs;
    keep = std::move(words);
    ptrs.clear();
    for (auto& w : keep) ptrs.push_back(w.data());
    fmtio::platform::set_command_line(static_cast<int>(ptrs.size()), ptrs.data());
}

inline void console(const std::string& text, bool keep_open = false) {
    fmtio::output_connection(fmtio::default_unit).record(text.data(), text.size(), keep_open);
}

inline OpenSpec listing_spec(const std::string& path) {
    OpenSpec s;
    s.file = path.c_str();
    s.access = "append";
    return s;
}

inline OpenSpec data_spec(const char* path) {
    OpenSpec s;
    s.file = path;
    s.status = "OLD";
    s.form = "binary";
    s.mode = "read";
    return s;
}

inline testing_support::Fatal open_failure(int unit, const OpenSpec& spec) {
    try {
        fmtio::open_unit(unit, spec);
    } catch (const testing_support::Fatal& f) {
        return f;
    }
    ADD_FAILURE() << "open succeeded";
    return {};
}

} // namespace units_support
