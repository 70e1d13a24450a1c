// The I/O floor: the reads and writes that preflister makes for a data file,
// in the same order and of the same sizes, and nothing else. No decoding, no
// formatting; the bytes written are blanks.
//
//   iofloor PLAN DATAFILE
//
// PLAN is the log bench_probe wrote for the same data file. Like preflister,
// it runs in the current folder, writes the listing to preflist (appending)
// and the console bytes to standard output.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "bench/plan.h"

namespace {

// Both buffers start a cache line: the system copies to and from such a
// buffer fastest (a read into one misplaced by a byte costs a few per cent
// more here), and the floor must be the cheapest way to make these calls.
alignas(64) char blanks[1024];

bool write_blanks(int fd, std::uint32_t n) {
    while (n > 0) {
        std::size_t m = n < sizeof blanks ? n : sizeof blanks;
        ssize_t w = ::write(fd, blanks, m);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        n -= static_cast<std::uint32_t>(w);
    }
    return true;
}

bool load(const char* path, std::vector<std::uint32_t>& plan) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return false;
    plan.resize(static_cast<std::size_t>(st.st_size) / sizeof plan[0]);
    std::size_t want = plan.size() * sizeof plan[0];
    char* p = reinterpret_cast<char*>(plan.data());
    while (want > 0) {
        ssize_t n = ::read(fd, p, want);
        if (n <= 0) return false;
        p += n;
        want -= static_cast<std::size_t>(n);
    }
    ::close(fd);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: iofloor PLAN DATAFILE\n");
        return 2;
    }
    std::vector<std::uint32_t> plan;
    if (!load(argv[1], plan)) {
        std::fprintf(stderr, "iofloor: cannot read %s\n", argv[1]);
        return 1;
    }
    std::memset(blanks, ' ', sizeof blanks);

    // The same opens as the program: the data file read only, the listing
    // created or opened in append mode, positioned at its end and locked, so
    // that every listing write goes the same way in the system as its own.
    int data = ::open(argv[2], O_RDONLY | O_CLOEXEC);
    int listing = ::open("preflist", O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (data < 0 || listing < 0 || lseek(listing, 0, SEEK_END) < 0 || flock(listing, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "iofloor: cannot open %s or preflist\n", argv[2]);
        return 1;
    }

    alignas(64) char buf[1024];
    for (std::uint32_t e : plan) {
        std::uint32_t n = bench::count_of(e);
        bool ok = true;
        switch (bench::kind_of(e)) {
        case bench::data_read:
            for (; n > 0 && ok; --n) {
                ssize_t got;
                do {
                    got = ::read(data, buf, sizeof buf);
                } while (got < 0 && errno == EINTR);
                ok = got >= 0;
            }
            break;
        case bench::console_write: ok = write_blanks(STDOUT_FILENO, n); break;
        case bench::listing_write: ok = write_blanks(listing, n); break;
        case bench::error_write: ok = write_blanks(STDERR_FILENO, n); break;
        }
        if (!ok) {
            std::fprintf(stderr, "iofloor: %s\n", std::strerror(errno));
            return 1;
        }
    }
    ::close(listing);
    ::close(data);
    return 0;
}
