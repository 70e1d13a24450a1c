// The page holds names from listings as text: whatever a data file or a listing is called, it makes no
// element and runs nothing; and the page loads nothing from outside itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/report/browser.h"
#include "tests/report/run_support.h"

using namespace report_test;

namespace {

// A run of station 0A1, a record a minute with a gap of ten minutes, from a data file of the name given.
std::string run_of(const std::string& name) {
    std::string s = " new run ---------------------------------\r\n " + name + "\r\n\r\n   Rec Typ Date  Time\r\n";
    s += "                       Station ID: 0A1\r\n";
    char b[64];
    for (int rec = 1; rec <= 20; ++rec) {
        const int t = 3600 + rec * 60 + (rec > 10 ? 600 : 0);
        std::snprintf(b, sizeof b, "%6d  8 05123 %02d%02d%02d\r\n", rec, t / 3600, t / 60 % 60, t % 60);
        s += b;
    }
    return s + " -- eof at irec=   21 --\r\n";
}

const std::vector<std::string> hostile = {
    "</script><img src=x onerror=alert(1)>.dat",
    "<!-- \"quoted\" 'and' <script>alert(2)</script>",
    "\xFF\xFE bytes, \xE2\x80\xA8 a line separator, & <marquee>x",
};

} // namespace

TEST(PageNames, AreTextNotMarkup) {
    if (chromium().empty()) GTEST_SKIP() << "chromium not installed (Debian package chromium)";
    Scratch dir;
    dir.write("plain.lst", run_of("plain.dat"));
    std::string listing;
    for (const std::string& name : hostile) listing += run_of(name);
    // The listing's own name is a name from outside too.
    const std::string listing_name = "<marquee>x<b>.lst";
    dir.write(listing_name, listing);

    ASSERT_EQ(report(dir, {"--html", "plain.html", "plain.lst"}).status, 0);
    const Result made = report(dir, {"--html", "hostile.html", listing_name});
    ASSERT_EQ(made.status, 0) << made.err;
    const Result plain = dump_dom(dir, "file://" + dir.file("plain.html"));
    const Result r = dump_dom(dir, "file://" + dir.file("hostile.html"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.err, "Uncaught"), 0u) << r.err;
    EXPECT_EQ(count(r.err, "alert"), 0u) << r.err;
    // No element the names would make; as many scripts as the plain page has.
    for (const char* tag : {"<img", "<marquee", "<b>"}) EXPECT_EQ(count(r.out, tag), 0u) << tag;
    EXPECT_EQ(count(r.out, "<script"), count(plain.out, "<script"));
    EXPECT_EQ(attribute("data-station", r.out), std::vector<std::string>{"0A1"}) << "the page ran as usual";
    // The names are shown, as text.
    EXPECT_NE(r.out.find("&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;.dat"), std::string::npos);
    EXPECT_NE(r.out.find("&lt;marquee&gt;x&lt;b&gt;.lst"), std::string::npos);
}

TEST(PageNames, ThePageLoadsNothingFromOutside) {
    Scratch dir;
    dir.write("preflist", run_of("x.dat"));
    dir.write("hostile.lst", run_of(hostile[0]));
    const Result to_file = report(dir, {"--html", "page.html"});
    ASSERT_EQ(to_file.status, 0) << to_file.err;
    const std::string page = dir.read("page.html");
    // Standard output gets the same page, and nothing else.
    const Result to_out = report(dir, {"--html", "-"});
    EXPECT_EQ(to_out.status, 0);
    EXPECT_TRUE(to_out.out == page) << "--html - differs from --html FILE";
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    for (const char* outside : {"http:", "https:", "<link", " src=", "url(", "@import", "//cdn"})
        EXPECT_EQ(count(page, outside), 0u) << outside;
    // The name's markup reaches the page only as escaped JSON.
    ASSERT_EQ(report(dir, {"--html", "hostile.html", "hostile.lst"}).status, 0);
    const std::string hostile_page = dir.read("hostile.html");
    EXPECT_EQ(count(hostile_page, "</script><img"), 0u);
    EXPECT_NE(hostile_page.find("\\u003C/script\\u003E\\u003Cimg src=x onerror=alert(1)\\u003E.dat"), std::string::npos);
}
