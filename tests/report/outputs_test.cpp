// Where the built preflist-report's outputs go, and what a failing or
// refused output leaves behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

namespace {

const std::string usage_end = "Try 'preflist-report --help' for more.\n";

// The names in the folder, sorted: what a run left there.
std::string names_in(const Scratch& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.path().c_str());
    while (dirent* e = d ? readdir(d) : nullptr)
        if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    if (d) closedir(d);
    std::sort(names.begin(), names.end());
    std::string s;
    for (const auto& n : names) s += n + " ";
    return s;
}

// Runs a shell command line in the folder with $0 the program under test.
Result shell(const Scratch& dir, const std::string& line, const std::string* input = nullptr) {
    return run(dir.path(), "/bin/sh", {"-c", line, report_program()}, input);
}

} // namespace

TEST(Outputs, FailedWritesFailTheRun) {
    Scratch dir;
    list_planted(dir);
    Result r = run(dir.path(), report_program(), {"--csv"}, nullptr, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot write standard output: No space left on device\n");

    r = report(dir, {"--svg", "no/such/folder.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot write no/such/folder.svg: No such file or directory\n");
    EXPECT_NE(r.out.find("total: 1 run in 1 listing\n"), std::string::npos);
    EXPECT_EQ(names_in(dir), "preflist x.dat ");

    // The page waits for the picture: a failed picture leaves it unwritten.
    r = report(dir, {"--svg", "no/such/folder.svg", "--html", "days.html"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "preflist-report: cannot write no/such/folder.svg: No such file or directory\n"
                     "preflist-report: days.html not written, as the run failed\n");
    EXPECT_EQ(names_in(dir), "preflist x.dat ");
}

TEST(Outputs, AnOutputThatIsAListingReadIsRefused) {
    // Refused before anything is written: the listing keeps its history.
    struct Case {
        const char* what;
        std::string line;  // shell command line; $0 is the program
        std::string message;
    };
    const std::vector<Case> cases = {
        {"the picture over the default listing", "exec \"$0\" --svg preflist",
         "--svg preflist would write over the listing preflist"},
        {"the picture over a listing named", "exec \"$0\" --svg=preflist --csv preflist",
         "--svg preflist would write over the listing preflist"},
        {"the picture over a listing under another name", "ln preflist alias && exec \"$0\" --svg ./alias",
         "--svg ./alias would write over the listing preflist"},
        {"the picture over standard input", "exec \"$0\" --svg /dev/stdin - < preflist",
         "--svg /dev/stdin would write over the listing (standard input)"},
        {"standard output appended to the listing", "exec \"$0\" --csv >> preflist",
         "standard output would write over the listing preflist"},
        {"the picture over standard output", "exec \"$0\" --svg out.svg > out.svg",
         "--svg out.svg is standard output too"},
        {"the page over a listing under another name", "ln preflist alias && exec \"$0\" --html alias",
         "--html alias would write over the listing preflist"},
        {"the page over the picture", "exec \"$0\" --svg out --html ./out", "--html ./out is the --svg file too"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch dir;
        list_planted(dir);
        const std::string listing = dir.read("preflist");
        Result r = shell(dir, c.line);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "preflist-report: " + c.message + "\n") << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), usage_end.size())), usage_end);
        EXPECT_TRUE(dir.read("preflist") == listing) << "the listing changed";
    }
}

TEST(Outputs, NoOutputFileIsCreatedOrReplacedByAFailingRun) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        bool listed;       // whether the folder has a listing
        bool old_picture;  // whether out.svg is there before
        int status;
        bool replaced;     // out.svg holds the new picture afterwards
    };
    const std::vector<Case> cases = {
        {"no listing: the option taken for a switch", {"--svg", "out.svg"}, false, false, 1, false},
        {"no listing, and a file there before", {"--svg", "out.svg"}, false, true, 1, false},
        {"a listing missing among others", {"--svg", "out.svg", "preflist", "missing"}, true, true, 1, false},
        {"a file that is not a listing", {"--svg", "out.svg", "preflist", "x.dat"}, true, true, 1, false},
        {"success creates it", {"--svg", "out.svg"}, true, false, 0, true},
        {"success replaces it", {"--svg", "out.svg"}, true, true, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch dir;
        dir.write("x.dat", planted());
        if (c.listed) list(dir, "x.dat");
        if (c.old_picture) {
            dir.write("out.svg", "old");
            ASSERT_EQ(chmod(dir.file("out.svg").c_str(), 0640), 0);
        }
        const std::string before = names_in(dir);
        Result r = report(dir, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(names_in(dir), c.replaced && !c.old_picture ? "out.svg " + before : before)
            << "no temporary file may be left";
        if (c.status != 0) {
            EXPECT_NE(r.err.find("preflist-report: out.svg not written, as the run failed\n"), std::string::npos)
                << r.err;
        }
        if (c.replaced) {
            EXPECT_EQ(dir.read("out.svg").rfind("<?xml", 0), 0u);
            struct stat st;
            ASSERT_EQ(stat(dir.file("out.svg").c_str(), &st), 0);
            if (c.old_picture) {
                EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";
            }
        } else if (c.old_picture) {
            EXPECT_EQ(dir.read("out.svg"), "old");
        }
    }

    // Standard output failing: the picture is not written either.
    Scratch dir;
    list_planted(dir);
    Result r = run(dir.path(), report_program(), {"--svg", "out.svg"}, nullptr, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(dir.exists("out.svg"));
}

TEST(Outputs, PictureToStandardOutputOrAFifo) {
    Scratch dir;
    list_planted(dir);
    Result r = report(dir, {"--svg", "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg ", 0), 0u) << r.out.substr(0, 100);
    EXPECT_EQ(r.out.substr(r.out.size() - 7), "</svg>\n");
    ASSERT_EQ(report(dir, {"--svg", "out.svg"}).status, 0);
    EXPECT_EQ(dir.read("out.svg"), r.out);

    // Standard output holds the picture alone: no other output beside it.
    for (const char* other : {"--csv", "--gaps", "--json"}) {
        r = report(dir, {"--svg=-", other});
        EXPECT_EQ(r.status, 2) << other;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
                  std::string("preflist-report: --svg - and ") + other + " both write to standard output")
            << visible(r.err);
    }

    // A FIFO is written, not replaced by a file.
    ASSERT_EQ(mkfifo(dir.file("out.fifo").c_str(), 0644), 0);
    r = shell(dir, "cat out.fifo > got.svg & \"$0\" --svg out.fifo; s=$?; wait; exit $s");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(dir.read("got.svg"), dir.read("out.svg"));
    struct stat st;
    ASSERT_EQ(lstat(dir.file("out.fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(Outputs, ALongTitleIsCutBetweenCharacters) {
    // The listings' names make the title, cut to 87 bytes with "...", that is after 67 bytes of a name:
    // here once inside an "é" and once before one; neither may leave half a character (U+FFFD) behind.
    for (int ascii : {66, 67}) {
        SCOPED_TRACE(ascii);
        Scratch dir;
        list_planted(dir);
        std::string name(static_cast<std::size_t>(ascii), 'x');
        for (int k = 0; k < 10; ++k) name += "\xC3\xA9";
        ASSERT_EQ(std::rename(dir.file("preflist").c_str(), dir.file(name).c_str()), 0);
        const Result r = report(dir, {"--svg", "-", name});
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string open = "font-weight=\"bold\">";
        const std::size_t from = r.out.find(open + "preflist-report: ") + open.size();
        const std::string title = r.out.substr(from, r.out.find("</text>", from) - from);
        EXPECT_EQ(title.find("\xEF\xBF\xBD"), std::string::npos) << title;
        EXPECT_EQ(title.substr(title.size() - 3), "...");
        EXPECT_LE(title.size(), 87u);
    }
}
