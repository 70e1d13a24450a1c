// For the format engine's tests: failures thrown instead of ending the run, and a recording sink.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "fmtio/format/errors.h"
#include "fmtio/format/record_sink.h"

namespace engine_support {

// What error termination was asked for.
struct Failed {
    fmtio::Error e{};
    fmtio::Stmt s{};
    std::string name;
};

inline void throwing_hook(fmtio::Error e, fmtio::Stmt s, const char* name, const char*)
{
    throw Failed{e, s, name ? name : ""};
}

// Installed for the whole test program.
class HookEnv : public ::testing::Environment {
    void SetUp() override { fmtio::set_termination(throwing_hook); }
};
inline const auto* hook_env = ::testing::AddGlobalTestEnvironment(new HookEnv);

// Each record is followed by '|' when ended, '>' when left open.
struct Recorder final : fmtio::RecordSink {
    std::string out;
    void record(const char* d, std::size_t n, bool open) override
    {
        out.append(d, n);
        out += open ? '>' : '|';
    }
};

} // namespace engine_support
