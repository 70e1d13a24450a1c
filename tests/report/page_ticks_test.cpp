// The page's time ticks (its script, under node) against the picture's: the same times and labels for
// spans from seconds to a century, across days, leap days, month and year ends, and before 1970.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/ticks.h"
#include "tests/report/run_support.h"

using namespace report_test;

TEST(PageTicks, AreThePicturesTicks) {
    Scratch dir;
    if (run(dir.path(), "/bin/sh", {"-c", "command -v node"}).status != 0)
        GTEST_SKIP() << "node not installed: the page's ticks are not compared";
    struct Span {
        long long a, b;
        int most;
    };
    std::vector<Span> spans;
    for (long long base : {1709251200LL, 951782400LL, -34560000LL, 1735689599LL, 1709308799LL})
        for (long long width : {5LL, 37LL, 600LL, 3599LL, 7200LL, 86399LL, 259200LL, 864000LL, 3888000LL,
                                34560000LL, 259200000LL, 3456000000LL})
            for (int most : {2, 5, 8, 13}) spans.push_back({base - width / 3, base + width - width / 3, most});
    std::string list = "[", want;
    for (const Span& s : spans) {
        list += (list.size() > 1 ? ",[" : "[") + std::to_string(s.a) + "," + std::to_string(s.b) + "," +
                std::to_string(s.most) + "]";
        for (const report::Tick& k : report::time_ticks(s.a, s.b, s.most))
            want += std::to_string(k.when) + " " + k.label + " " + k.date + "\n";
        want += "--\n";
    }
    list += "]";
    const std::string script =
        "const L = require(process.argv[1]);"
        "for (const [a, b, most] of JSON.parse(process.argv[2])) {"
        "  for (const k of L.ticks(a, b, most)) console.log(k.when + ' ' + k.label + ' ' + k.date);"
        "  console.log('--');"
        "}";
    const Result r = run(dir.path(), "/usr/bin/env", {"node", "-e", script, PAGE_LOGIC_JS, list});
    ASSERT_EQ(r.status, 0) << r.err;
    expect_text(r.out, want, "the page's ticks against the picture's");
}
