// The availability picture, rendered by a real SVG renderer (rsvg-convert):
// not blank, a lane for each station with its bars where its records lie in
// time, and its overlap, backward and rejected-record marks.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/image.h"
#include "tests/report/run_support.h"
#include "tests/test_support.h"

using report_test::Image;
using report_test::load_png;
using report_test::Result;
using report_test::Scratch;

namespace {

// The bar colour, and the three mark colours, told apart by their channels.
bool bluish(const unsigned char* c) { return c[2] > 150 && c[0] < 100 && c[1] < 150; }
bool purple(const unsigned char* c) { return c[0] > 110 && c[0] < 190 && c[1] > 60 && c[1] < 140 && c[2] > 150; }
bool reddish(const unsigned char* c) { return c[0] > 180 && c[1] < 80 && c[2] < 80; }
bool orange(const unsigned char* c) { return c[0] > 200 && c[1] > 110 && c[1] < 180 && c[2] < 80; }

const std::string S = "                       Station ID: ";

// Stations 001, 002 and 003 one after another, four hours each, a record a
// minute; 002 steps half a minute short once; 003 steps back once and has a
// rejected record.
std::string three_stations(const std::string& name) {
    std::string s = " new run ---------------------------------\r\n " + name + "\r\n\r\n   Rec Typ Date  Time\r\n";
    int rec = 0;
    char b[64];
    for (int station = 1; station <= 3; ++station) {
        s += S + "00" + std::to_string(station) + "\r\n";
        for (int m = (station - 1) * 240; m < station * 240; ++m) {
            int t = m * 60;
            if (station == 2 && m >= 400) t -= 30;    // an overlap, then on the new beat
            if (station == 3 && m == 600) t -= 1800;  // half an hour back
            std::snprintf(b, sizeof b, "%6d  8 05123 %02d%02d%02d\r\n", ++rec, t / 3600, t / 60 % 60, t % 60);
            s += b;
            if (station == 3 && m == 660) {
                std::snprintf(b, sizeof b, "%6d-92 00000 000000\r\n", ++rec);
                s += b;
            }
        }
    }
    std::snprintf(b, sizeof b, " -- eof at irec=%5d --\r\n", rec + 1);
    return s + b;
}

bool have_renderer(const Scratch& dir) {
    return report_test::run(dir.path(), "/bin/sh", {"-c", "command -v rsvg-convert"}).status == 0;
}

struct Band {
    int top, bottom;      // rows holding bar pixels
    int left, right;      // columns of its bar pixels
};

} // namespace

TEST(Picture, EachLaneIsDrawnWhereItsRecordsLie) {
    Scratch dir;
    if (!have_renderer(dir)) GTEST_SKIP() << "rsvg-convert not installed (Debian package librsvg2-bin)";
    if (!report_test::can_load_png())
        GTEST_SKIP() << "built without libpng: the rendered picture cannot be read";
    // A name the picture's title must escape, with a byte that is not UTF-8.
    dir.write("preflist", three_stations("a<&>\"'\xFF.dat"));
    struct Case {
        std::vector<std::string> args;
        bool steps_marked;
    };
    // A least gap leaves the overlap and the step back unmarked.
    for (const Case& c : std::vector<Case>{{{"--svg", "out.svg"}, true}, {{"--svg=out.svg", "--min-gap", "0"}, false}}) {
        SCOPED_TRACE(c.args.back());
        Result r = report_test::run(dir.path(), report_test::report_program(), c.args);
        ASSERT_EQ(r.status, 0) << r.err;
        r = report_test::run(dir.path(), "/bin/sh", {"-c", "rsvg-convert out.svg -o out.png"});
        ASSERT_EQ(r.status, 0) << r.err;
        Image img;
        ASSERT_TRUE(load_png(dir.file("out.png"), &img));
        ASSERT_GT(img.width, 300);

        long ink = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const unsigned char* c = img.at(x, y);
                if (c[0] < 200 || c[1] < 200 || c[2] < 200) ++ink;
            }
        EXPECT_GT(ink, static_cast<long>(img.width) * img.height / 50) << "the picture is nearly blank";

        // Rows with bar pixels form one band per lane, top to bottom.
        std::vector<Band> bands;
        for (int y = 0; y < img.height; ++y) {
            int left = -1, right = -1;
            for (int x = 0; x < img.width; ++x)
                if (bluish(img.at(x, y))) {
                    if (left < 0) left = x;
                    right = x;
                }
            if (left < 0) continue;
            if (right - left < 5) continue;  // the legend's swatch is a narrow one
            if (!bands.empty() && bands.back().bottom == y - 1) {
                Band& b = bands.back();
                b.bottom = y;
                b.left = std::min(b.left, left);
                b.right = std::max(b.right, right);
            } else {
                bands.push_back({y, y, left, right});
            }
        }
        // The legend's swatch is the first band; the lanes follow.
        ASSERT_EQ(bands.size(), 4u);
        bands.erase(bands.begin());
        const int left = bands[0].left, right = bands[2].right, third = (right - left) / 3;
        for (int i = 0; i < 3; ++i) {
            EXPECT_GE(bands[i].bottom - bands[i].top, 8) << "lane " << i;
            EXPECT_NEAR(bands[i].left, left + i * third, 4) << "lane " << i;
            EXPECT_NEAR(bands[i].right, left + (i + 1) * third, 4) << "lane " << i;
        }

        // The overlap is marked in the second lane, the step back and the
        // rejected record in the third.
        auto count = [&](bool (*colour)(const unsigned char*), int lane) {
            int n = 0;
            const int top = lane == 0 ? bands[0].top - 12 : (bands[lane - 1].bottom + bands[lane].top) / 2;
            const int bottom = lane == 2 ? bands[2].bottom + 12 : (bands[lane].bottom + bands[lane + 1].top) / 2;
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x <= right; ++x) n += colour(img.at(x, y));
            return n;
        };
        for (int lane = 0; lane < 3; ++lane) {
            EXPECT_EQ(count(purple, lane) > 4, c.steps_marked && lane == 1) << "lane " << lane;
            EXPECT_EQ(count(reddish, lane) > 4, c.steps_marked && lane == 2) << "lane " << lane;
            EXPECT_EQ(count(orange, lane) > 4, lane == 2) << "lane " << lane;
        }
    }
}

TEST(Picture, AListingWithoutTimesStillRenders) {
    Scratch dir;
    if (!have_renderer(dir)) GTEST_SKIP() << "rsvg-convert not installed (Debian package librsvg2-bin)";
    dir.write("preflist", " new run ---------------------------------\r\n x\r\n\r\n   Rec Typ Date  Time\r\n"
                          "     1  0 00000 000000\r\n");
    Result r = report_test::run(dir.path(), report_test::report_program(), {"--svg=out.svg", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("{\"run\":1,", 0), 0u);
    r = report_test::run(dir.path(), "/bin/sh", {"-c", "rsvg-convert out.svg -o out.png"});
    EXPECT_EQ(r.status, 0) << r.err;
}
