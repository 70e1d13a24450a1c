// Byte-stream reads of a data file: statuses by the file's size, reads of mixed sizes, a failing read.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fmtio/units/units.h"
#include "tests/fake_process.h"
#include "tests/test_support.h"
#include "tests/units_support.h"

using namespace fmtio;
using namespace units_support;
using testing_support::FakeProcess;
using testing_support::ScratchDir;

TEST(ByteStream, StatusesBySize) {
    struct Row {
        std::size_t size;
        std::vector<int> statuses;
        std::size_t last_filled;  // destinations filled by the last read with status -1
    };
    const std::vector<Row> rows = {
        {0, {-1, -1}, 0},
        {4096, {0, -1, -1}, 0},
        {5000, {0, -1, -1}, 904},
        {3 * 4096 + 100, {0, 0, 0, -1}, 100},
    };
    for (const Row& r : rows) {
        FakeProcess p;
        ScratchDir dir;
        std::string bytes(r.size, '\0');
        for (std::size_t i = 0; i < r.size; ++i) bytes[i] = static_cast<char>(i % 251);
        dir.write("d", bytes);
        std::string path = dir.file("d");
        open_unit(1, data_spec(path.c_str()));
        std::size_t offset = 0;
        for (std::size_t i = 0; i < r.statuses.size(); ++i) {
            std::uint8_t dest[4096];
            std::memset(dest, 0xEE, sizeof dest);
            int status = read_bytes(1, dest, sizeof dest);
            EXPECT_EQ(status, r.statuses[i]) << "size " << r.size << " read " << i;
            std::size_t filled = status == 0 ? 4096 : r.size - offset;
            if (status == -1 && offset < r.size) {
                EXPECT_EQ(filled, r.last_filled);
            }
            for (std::size_t k = 0; k < filled; ++k)
                ASSERT_EQ(dest[k], static_cast<std::uint8_t>((offset + k) % 251)) << k;
            for (std::size_t k = filled; k < sizeof dest; ++k) ASSERT_EQ(dest[k], 0xEE) << k;
            offset += filled;
        }
    }
}

// Reads of other sizes than the record's leave the buffer part-used, so later
// reads take bytes from it and from the file; every byte comes once, in order,
// and the count of bytes reached matches the destinations filled.
TEST(ByteStream, MixedSizesKeepTheStreamInOrder) {
    FakeProcess p;
    ScratchDir dir;
    std::string bytes(5000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
    dir.write("d", bytes);
    std::string path = dir.file("d");
    open_unit(1, data_spec(path.c_str()));
    struct Step {
        std::size_t want;
        int status;
        std::size_t reached;
    };
    const Step steps[] = {{100, 0, 100}, {4096, 0, 4096}, {4096, -1, 804}, {10, -1, 0}};
    std::size_t offset = 0;
    for (const Step& s : steps) {
        std::uint8_t dest[4096];
        std::memset(dest, 0xEE, sizeof dest);
        std::size_t reached = 12345;
        EXPECT_EQ(read_bytes(1, dest, s.want, &reached), s.status) << "at " << offset;
        EXPECT_EQ(reached, s.reached) << "at " << offset;
        for (std::size_t k = 0; k < s.reached; ++k)
            ASSERT_EQ(dest[k], static_cast<std::uint8_t>((offset + k) % 251)) << offset + k;
        for (std::size_t k = s.reached; k < sizeof dest; ++k) ASSERT_EQ(dest[k], 0xEE) << k;
        offset += s.reached;
    }
}

TEST(ByteStream, FailingReadHasStatus6500) {
    FakeProcess p;
    open_unit(1, data_spec("/proc/self/mem"));
    std::uint8_t dest[4096];
    EXPECT_EQ(read_bytes(1, dest, sizeof dest), 6500);
}
