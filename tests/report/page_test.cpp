// The --html page in headless Chromium: its lanes, rows and window after its script has run, the
// window and lanes a fragment asks for, and a screenshot that shows bars.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "tests/report/browser.h"
#include "tests/report/image.h"
#include "tests/report/run_support.h"

using namespace report_test;

namespace {

// A recorder's day of four stations with planted gaps, overlaps and steps back, listed.
void list_recorder(const Scratch& dir) {
    ASSERT_EQ(gendata(dir, {"--recorder", "r.dat", "--span", "1d"}), 0);
    list(dir, "r.dat");
}

std::vector<std::string> matches(const std::string& s, const std::string& pattern) {
    const std::regex re(pattern);
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

// What --json says the page must show: the stations, and the kinds of the irregular steps.
struct Expected {
    std::vector<std::string> stations, kinds;
    std::string first, last;
};

Expected expected(const Scratch& dir, const std::vector<std::string>& options = {}) {
    std::vector<std::string> args = options;
    args.push_back("--json");
    const Result r = report(dir, args);
    EXPECT_EQ(r.status, 0) << r.err;
    Expected e;
    e.stations = matches(r.out, "\\{\"station\":\"([0-9A-F]{3})\",\"records\"");
    std::sort(e.stations.begin(), e.stations.end());
    e.stations.erase(std::unique(e.stations.begin(), e.stations.end()), e.stations.end());
    e.kinds = matches(r.out, "\"kind\":\"([a-z]+)\"");
    e.first = matches(r.out, "\"first\":\"([^\"]+)\"").at(0);
    e.last = matches(r.out, "\"last\":\"([^\"]+)\"").at(0);
    return e;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Makes the page and has the browser run it.
Result browsed(const Scratch& dir, const std::vector<std::string>& options, const std::string& fragment = "") {
    std::vector<std::string> args = options;
    args.insert(args.end(), {"--html", "page.html"});
    const Result made = report(dir, args);
    EXPECT_EQ(made.status, 0) << made.err;
    const Result r = dump_dom(dir, "file://" + dir.file("page.html") + fragment);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "Uncaught"), 0u) << "the page's script failed:\n" << r.err;
    return r;
}

// Pixels of the bars' blue, #2f6db5, and of the gaps' cyan, #17a5b8, give or take smoothing.
struct Inks {
    long bar = 0, gap = 0;
    std::size_t colours = 0;
};

Inks inks(const Image& img) {
    Inks k;
    std::map<unsigned, long> colours;
    auto near = [](const unsigned char* c, int r, int g, int b) {
        return std::abs(c[0] - r) < 12 && std::abs(c[1] - g) < 12 && std::abs(c[2] - b) < 12;
    };
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* c = img.at(x, y);
            ++colours[(unsigned{c[0]} << 16) | (unsigned{c[1]} << 8) | c[2]];
            k.bar += near(c, 0x2f, 0x6d, 0xb5);
            k.gap += near(c, 0x17, 0xa5, 0xb8);
        }
    k.colours = colours.size();
    return k;
}

#define NEED_CHROMIUM()                                                                      \
    if (chromium().empty()) GTEST_SKIP() << "chromium not installed (Debian package chromium)"

} // namespace

TEST(Page, ShowsALanePerStationAndARowPerIrregularStep) {
    NEED_CHROMIUM();
    Scratch dir;
    list_recorder(dir);
    const Expected want = expected(dir);
    ASSERT_EQ(want.stations.size(), 4u);
    ASSERT_FALSE(want.kinds.empty());
    const std::string dom = browsed(dir, {}).out;
    EXPECT_EQ(attribute("data-station", dom), want.stations) << "a lane per station, in ascending order";
    EXPECT_EQ(sorted(attribute("data-kind", dom)), sorted(want.kinds)) << "a row per irregular step";
    // The whole span is shown, and the window is marked once, in the fragment's form.
    const std::vector<std::string> start = attribute("data-start", dom), end = attribute("data-end", dom);
    ASSERT_EQ(start.size(), 1u);
    ASSERT_EQ(end.size(), 1u);
    const std::regex iso("\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ");
    EXPECT_TRUE(std::regex_match(start[0], iso)) << start[0];
    EXPECT_TRUE(std::regex_match(end[0], iso)) << end[0];
    EXPECT_LE(start[0], want.first);
    EXPECT_GE(end[0], want.last);
}

TEST(Page, AFragmentChoosesTheWindowAndTheLanes) {
    NEED_CHROMIUM();
    Scratch dir;
    list_recorder(dir);
    const Expected want = expected(dir);
    ASSERT_GE(want.stations.size(), 3u);
    struct Case {
        std::string fragment;
        std::string start, end;
        std::vector<std::string> lanes;
    };
    const std::string a = want.stations[0], c = want.stations[2];
    const std::string lower_c = std::string(1, static_cast<char>(std::tolower(c[0]))) + c.substr(1);
    const std::vector<Case> cases = {
        {"#start=2024-03-01T02:00:00Z&end=2024-03-01T03:00:00Z&station=" + a + "," + c, "2024-03-01T02:00:00Z",
         "2024-03-01T03:00:00Z", {a, c}},
        {"#station=" + c + "&end=2024-03-01T00:10:00Z&start=2024-03-01T00:09:00Z", "2024-03-01T00:09:00Z",
         "2024-03-01T00:10:00Z", {c}},
        // Either case, and a station the page does not hold is passed over.
        {"#start=2024-03-01T12:00:00Z&end=2024-03-01T13:00:00Z&station=" + lower_c + ",FFF", "2024-03-01T12:00:00Z",
         "2024-03-01T13:00:00Z", {c}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.fragment);
        const std::string dom = browsed(dir, {}, k.fragment).out;
        EXPECT_EQ(attribute("data-start", dom), std::vector<std::string>{k.start});
        EXPECT_EQ(attribute("data-end", dom), std::vector<std::string>{k.end});
        EXPECT_EQ(attribute("data-station", dom), k.lanes) << "only the chosen stations have lanes";
    }
}

TEST(Page, TheCommandLineFiltersDecideWhatGoesIn) {
    NEED_CHROMIUM();
    Scratch dir;
    list_recorder(dir);
    const std::string station = expected(dir).stations.at(1);
    struct Case {
        std::vector<std::string> options;
    };
    for (const Case& k : std::vector<Case>{{{"--station", station}},
                                           {{"--start", "2024-03-01T06:00:00Z", "--end", "2024-03-01T12:00:00Z"}},
                                           {{"--min-gap", "600"}}}) {
        SCOPED_TRACE(k.options.front());
        const Expected want = expected(dir, k.options);
        const std::string dom = browsed(dir, k.options).out;
        EXPECT_EQ(attribute("data-station", dom), want.stations);
        EXPECT_EQ(sorted(attribute("data-kind", dom)), sorted(want.kinds));
    }
}

TEST(Page, TheScreenshotShowsBarsAndMarks) {
    NEED_CHROMIUM();
    if (!can_load_png()) GTEST_SKIP() << "built without libpng: the screenshot cannot be read";
    Scratch dir;
    list_recorder(dir);
    ASSERT_EQ(report(dir, {"--html", "page.html"}).status, 0);
    const Result r = screenshot(dir, "file://" + dir.file("page.html"), "page.png");
    ASSERT_EQ(r.status, 0) << r.err;
    Image img;
    ASSERT_TRUE(load_png(dir.file("page.png"), &img));
    EXPECT_EQ(img.width, 1280);
    const Inks k = inks(img);
    EXPECT_GT(k.colours, 8u) << "a blank page";
    EXPECT_GT(k.bar, 2000) << "no bars in view";
}

// The page in the other browser it is made for: its script draws the lanes and takes the fragment's view.
TEST(Page, FirefoxDrawsItToo) {
    if (firefox().empty()) GTEST_SKIP() << "firefox not installed (Debian package firefox-esr)";
    if (!can_load_png()) GTEST_SKIP() << "built without libpng: the screenshot cannot be read";
    Scratch dir;
    list_recorder(dir);
    ASSERT_EQ(report(dir, {"--html", "page.html"}).status, 0);
    // The first gap, and ten minutes on each side of it.
    const Result gaps = report(dir, {"--gaps"});
    const std::vector<std::string> gap = matches(gaps.out, ",([0-9:TZ-]+,[0-9:TZ-]+),[0-9]+,gap\n");
    ASSERT_FALSE(gap.empty()) << gaps.out;
    const std::string from = gap[0].substr(0, 20), to = gap[0].substr(21);
    const auto shifted = [](const std::string& t, int minutes) {
        const int m = std::stoi(t.substr(14, 2)) + minutes, h = std::stoi(t.substr(11, 2)) + (m < 0 ? -1 : m / 60);
        char b[32];
        std::snprintf(b, sizeof b, "%s%02d:%02d%s", t.substr(0, 11).c_str(), h, (m + 60) % 60, t.substr(16).c_str());
        return std::string(b);
    };
    ASSERT_TRUE(from.substr(0, 11) == to.substr(0, 11) && from.substr(11, 2) > "00" && to.substr(11, 2) < "23")
        << "the planted gap is not where this test expects it: " << gap[0];
    const std::string fragment = "#start=" + shifted(from, -10) + "&end=" + shifted(to, 10);
    Image whole, zoomed;
    for (auto [url, img] : {std::pair{std::string(""), &whole}, std::pair{fragment, &zoomed}}) {
        const Result r = firefox_screenshot(dir, "file://" + dir.file("page.html") + url, "ff.png");
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(load_png(dir.file("ff.png"), img));
    }
    const Inks a = inks(whole), b = inks(zoomed);
    EXPECT_GT(a.bar, 2000) << "no bars drawn";
    // Zoomed to the gap, its band is a fifth of the lane long, where at the whole day it is a sliver (the
    // legend's swatch is in both).
    EXPECT_GT(b.gap, a.gap + 300) << "the fragment's view was not taken";
}
