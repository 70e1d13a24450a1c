#include "tests/test_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "fmtio/platform.h"
#include "fmtio/units.h"

namespace testing_support {

ScratchDir::ScratchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/preflister-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

ScratchDir::~ScratchDir() {
    std::string cmd = "rm -rf '" + path_ + "'";
    if (std::system(cmd.c_str()) != 0) {
    }
}

void ScratchDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(file(name), std::ios::binary);
    f << bytes;
}

std::string ScratchDir::read(const std::string& name) const {
    std::ifstream f(file(name), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

bool ScratchDir::exists(const std::string& name) const {
    struct stat st;
    return lstat(file(name).c_str(), &st) == 0;
}

namespace {

using fmtio::platform::Calls;
using fmtio::platform::Failure;
using fmtio::platform::Handle;
using fmtio::platform::Std;

FakeProcess* current = nullptr;
constexpr Handle fake_in = 1000000, fake_out = 1000001, fake_err = 1000002;

Handle fake_std(Std which) {
    switch (which) {
    case Std::input: return fake_in;
    case Std::output: return fake_out;
    case Std::error: return fake_err;
    }
    return fmtio::platform::no_handle;
}

bool fake_char_device(Handle h) {
    if (h == fake_in || h == fake_out) return current->interactive;
    return fmtio::platform::native_calls().is_char_device(h);
}

Failure fake_read(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    if (h != fake_in) return fmtio::platform::native_calls().read(h, buf, cap, got);
    // An interactive console hands over one line at a time.
    std::size_t left = current->in.size() - current->in_pos;
    std::size_t n = left < cap ? left : cap;
    if (current->interactive) {
        std::size_t nl = current->in.find('\n', current->in_pos);
        if (nl != std::string::npos && nl + 1 - current->in_pos < n) n = nl + 1 - current->in_pos;
    }
    std::memcpy(buf, current->in.data() + current->in_pos, n);
    current->in_pos += n;
    *got = n;
    return Failure::none;
}

Failure fake_write(Handle h, const void* buf, std::size_t n) {
    const char* p = static_cast<const char*>(buf);
    if (h == fake_out) {
        if (current->out_failure) return static_cast<Failure>(current->out_failure);
        current->out.append(p, n);
        return Failure::none;
    }
    if (h == fake_err) {
        current->err.append(p, n);
        return Failure::none;
    }
    return fmtio::platform::native_calls().write(h, buf, n);
}

void fake_exit(int status) { throw Exited{status}; }

void throw_fatal(fmtio::Error e, fmtio::Stmt s, const char* name) { throw Fatal{e, s, name}; }

} // namespace

FakeProcess::FakeProcess(std::string input, bool interactive_console)
    : in(std::move(input)), interactive(interactive_console) {
    current = this;
    Calls& c = fmtio::platform::calls();
    c = fmtio::platform::native_calls();
    c.std_handle = fake_std;
    c.is_char_device = fake_char_device;
    c.read = fake_read;
    c.write = fake_write;
    c.exit = fake_exit;
    fmtio::set_fail_hook(throw_fatal);
    fmtio::reset_units();
}

void FakeProcess::let_failures_terminate() { fmtio::set_fail_hook(nullptr); }

FakeProcess::~FakeProcess() {
    fmtio::set_fail_hook(nullptr);
    fmtio::reset_units();
    fmtio::platform::calls() = fmtio::platform::native_calls();
    current = nullptr;
}

} // namespace testing_support
