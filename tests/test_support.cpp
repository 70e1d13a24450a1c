#include "tests/test_support.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>


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

} // namespace testing_support
