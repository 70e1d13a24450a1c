// The built preflist-report on listings that the built preflister writes
// from data files made here or by gendata: the rows it writes, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e_support.h"
#include "tests/report/run_support.h"

using namespace report_test;
using e2e::visible;

TEST(EndToEnd, CsvRowsHoldWhatTheDataFileHolds) {
    Scratch dir;
    list_planted(dir);
    Result r = report(dir, {"--csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    expect_text(r.out,
                "run,file,record,type,date,time,timestamp,station,zero_range_start,note\n"
                "1,x.dat,1,2,99123,100000,1999-05-03T10:00:00Z,0A7,0,\n"
                "1,x.dat,2,2,99123,100010,1999-05-03T10:00:10Z,0A7,0,\n"
                "1,x.dat,3,8,99123,100020,1999-05-03T10:00:20Z,0A7,0,\n"
                "1,x.dat,4,2,99123,100120,1999-05-03T10:01:20Z,0A7,0,\n"
                "1,x.dat,5,-98,00000,000000,,0A7,0,5:  23CFE\n"
                "1,x.dat,6,2,99123,100130,1999-05-03T10:01:30Z,0A7,0,\n"
                "1,x.dat,7,2,99123,100140,1999-05-03T10:01:40Z,0A7,0,\n"
                "1,x.dat,8,2,99123,100135,1999-05-03T10:01:35Z,0A7,0,\n"
                "1,x.dat,9,2,99123,100146,1999-05-03T10:01:46Z,0A7,0,\n"
                "1,x.dat,10,2,99123,100155,1999-05-03T10:01:55Z,123,0,\"ivstat,xmtr_id: 291 292\"\n"
                "1,x.dat,11,2,99123,100205,1999-05-03T10:02:05Z,123,1,\n"
                "1,x.dat,12,0,00000,000000,,123,0,\n",
                "--csv");
}

TEST(EndToEnd, GapsOnPlantedGapsOverlapsAndSteps) {
    Scratch dir;
    list_planted(dir);
    const std::string head = "run,file,station,after_record,from,to,seconds,kind\n";
    const std::string gap = "1,x.dat,0A7,3,1999-05-03T10:00:20Z,1999-05-03T10:01:20Z,50,gap\n";
    const std::string back = "1,x.dat,0A7,7,1999-05-03T10:01:40Z,1999-05-03T10:01:35Z,-15,backward\n";
    const std::string eleven = "1,x.dat,0A7,8,1999-05-03T10:01:35Z,1999-05-03T10:01:46Z,1,gap\n";
    struct Row {
        std::vector<std::string> args;
        std::string out;
    };
    // A step back is one whatever the tolerance; a least gap lists gaps alone.
    const std::vector<Row> rows = {
        {{"--gaps"}, head + gap + back},
        {{"--gaps", "--tolerance", "0"}, head + gap + back + eleven},
        {{"--tolerance=0", "--gaps"}, head + gap + back + eleven},
        {{"--gaps", "--tolerance", "14"}, head + gap + back},
        {{"--gaps", "--tolerance", "50"}, head + back},
        {{"--gaps", "--tolerance", "999999999"}, head + back},
        {{"--gaps", "--tolerance", "0", "--min-gap", "0"}, head + gap + eleven},
        {{"--gaps", "--tolerance", "0", "--min-gap", "2"}, head + gap},
        {{"--gaps", "--min-gap", "50"}, head + gap},
        {{"--gaps", "--min-gap", "51"}, head},
    };
    for (const Row& row : rows) {
        Result r = report(dir, row.args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        expect_text(r.out, row.out, row.args.back().c_str());
    }
}

TEST(EndToEnd, GendataRowsHoldWhatItsDataFileHolds) {
    Scratch dir;
    ASSERT_EQ(gendata(dir, {"mix.dat", "3000", "5"}), 0);
    list(dir, "mix.dat");
    Result r = report(dir, {"--csv"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string data = dir.read("mix.dat");
    const std::vector<std::string> rows = split_lines(r.out);
    ASSERT_EQ(rows.size(), 3001u);
    auto byte = [&](std::size_t rec, int k) { return static_cast<unsigned char>(data[(rec - 1) * 4096 + k - 1]); };
    int checked = 0;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        char file[16], date[8], time[8], ts[32] = "", station[8];
        int run = 0, type = 0, zero = 0;
        long rec = 0;
        // No row of this file has a note with a comma, so fields split on commas.
        const std::string& row = rows[i];
        int n = std::sscanf(row.c_str(), "%d,%15[^,],%ld,%d,%7[^,],%7[^,],", &run, file, &rec, &type, date, time);
        ASSERT_EQ(n, 6) << row;
        std::size_t at = 0;
        for (int c = 0; c < 6; ++c) at = row.find(',', at) + 1;
        std::sscanf(row.c_str() + at, "%31[^,]", ts);
        at = row.find(',', at) + 1;
        ASSERT_EQ(std::sscanf(row.c_str() + at, "%7[^,],%d", station, &zero), 2) << row;
        EXPECT_EQ(run, 1);
        EXPECT_STREQ(file, "mix.dat");
        EXPECT_EQ(rec, static_cast<long>(i));
        const int code = byte(i, 1) & 15;
        EXPECT_TRUE(type == code || type == code - 100) << row;
        if (type == 2 || type == 3) {
            // The BCD header: date bytes 4..6, time bytes 9..11, station bytes 12..14.
            char want[40];
            std::snprintf(want, sizeof want, "%02X%X%02X", byte(i, 4), byte(i, 5) & 15, byte(i, 6));
            EXPECT_STREQ(date, want) << row;
            std::snprintf(want, sizeof want, "%02X%02X%02X", byte(i, 9), byte(i, 10), byte(i, 11));
            EXPECT_STREQ(time, want) << row;
            std::snprintf(want, sizeof want, "%X%X%X", byte(i, 12) & 15, byte(i, 13) & 15, byte(i, 14) & 15);
            EXPECT_STREQ(station, want) << row;
            std::snprintf(want, sizeof want, "%s%02X-", byte(i, 4) >= 0x70 ? "19" : "20", byte(i, 4));
            EXPECT_EQ(std::string(ts).substr(0, 5), want) << row;
            std::snprintf(want, sizeof want, "T%02X:%02X:%02XZ", byte(i, 9), byte(i, 10), byte(i, 11));
            EXPECT_EQ(std::string(ts).substr(10), want) << row;
            EXPECT_EQ(zero, byte(i, 36) == 0 && byte(i, 37) == 0) << row;
            ++checked;
        }
        if (type < 0) {
            EXPECT_STREQ(date, "00000") << row;
        }
    }
    EXPECT_GT(checked, 1000);

    // The summary counts the same records.
    r = report(dir, {"--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\"file\":\"mix.dat\",\"records\":3000,\"ending\":\"eof\",\"ending_record\":3001,"),
              std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_EQ(split_lines(r.out).size(), 1u);
}

TEST(EndToEnd, RunsCutShortAndContinuedByTheNextRun) {
    // Each case leaves run 1 of a.dat cut short in its own way, then lists b.dat.
    const std::string a_rows = "1,a.dat,1,8,99123,100000,1999-05-03T10:00:00Z,0A7,0,\n";
    const std::string a_rec2 = "1,a.dat,2,8,99123,100010,1999-05-03T10:00:10Z,0A7,0,\n";
    const std::string b_rows = "2,b.dat,1,8,99123,110000,1999-05-03T11:00:00Z,0A7,0,\n";
    auto cut_after = [](const std::string& mark, std::size_t extra) {
        return [=](const Scratch& dir) {
            list(dir, "a.dat");
            const std::string whole = dir.read("preflist");
            dir.write("preflist", whole.substr(0, whole.find(mark) + mark.size() + extra));
        };
    };
    struct Case {
        const char* what;
        std::function<void(const Scratch&)> cut;
        std::string rows, err, first_run;  // first_run: the start of run 1's JSON object, from its file
    };
    const std::vector<Case> cases = {
        {"part-way through a listing line", cut_after("     2  8 99", 0), a_rows + b_rows,
         "preflist:7: torn line before a banner: '     2  8 99'\n", "\"file\":\"a.dat\",\"records\":1,"},
        {"between the CR and the LF of a listing line", cut_after("     2  8 99123 100010\r", 0),
         a_rows + a_rec2 + b_rows, "", "\"file\":\"a.dat\",\"records\":2,"},
        {"between the CR and the LF of its name line", cut_after(" a.dat\r", 0), b_rows, "",
         "\"file\":\"a.dat\",\"records\":0,\"ending\":\"none\""},
        {"part-way through its name line", cut_after(" a.d", 0), b_rows,
         "preflist:2: torn line before a banner: ' a.d'\n", "\"file\":\"\",\"records\":0,\"ending\":\"none\""},
        {"at its second prompt: input ended before the name line",
         [](const Scratch& dir) {
             const std::string typed = "a.dat\n";
             ASSERT_EQ(preflister(dir, {}, &typed).status, 1);
         },
         b_rows, "", "\"file\":\"\",\"records\":0,\"ending\":\"none\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scratch dir;
        dir.write("a.dat", bytes({records::nibble(8, at(10, 0, 0, 0x0A7)), records::nibble(8, at(10, 0, 10, 0x0A7))}));
        dir.write("b.dat", bytes({records::nibble(8, at(11, 0, 0, 0x0A7))}));
        c.cut(dir);
        list(dir, "b.dat");
        Result r = report(dir, {"--csv"});
        EXPECT_EQ(r.status, 0);
        expect_text(r.err, c.err, "stderr");
        expect_text(r.out, "run,file,record,type,date,time,timestamp,station,zero_range_start,note\n" + c.rows, "stdout");
        r = report(dir, {"--json"});
        const auto objects = split_lines(r.out);
        ASSERT_EQ(objects.size(), 2u) << r.out;
        EXPECT_NE(objects[0].find(",\"line\":1," + c.first_run), std::string::npos) << objects[0];
        EXPECT_NE(objects[1].find("\"file\":\"b.dat\",\"records\":1,\"ending\":\"eof\""), std::string::npos)
            << objects[1];
    }
}

TEST(EndToEnd, LongNamesAreRejoined) {
    Scratch dir;
    for (std::size_t n : {78, 79, 80}) {
        const std::string name = std::string(n - 4, 'n') + ".dat";
        dir.write(name, bytes({records::plain(0)}));
        list(dir, name);
    }
    Result r = report(dir, {"--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const auto objects = split_lines(r.out);
    ASSERT_EQ(objects.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string name = std::string(74 + i, 'n') + ".dat";
        EXPECT_NE(objects[i].find("\"file\":\"" + name + "\",\"records\":1,"), std::string::npos) << objects[i];
    }
}

TEST(EndToEnd, FileNamesInCsvAreUtf8) {
    // Bytes that are not UTF-8 become U+FFFD, as in JSON and the picture;
    // pandas and Python's csv module read the rows as UTF-8.
    struct Name {
        std::string name, field;
    };
    const std::vector<Name> names = {
        {"bad\xFF.dat", "bad\xEF\xBF\xBD.dat"},
        {"caf\xC3\xA9.dat", "caf\xC3\xA9.dat"},
        {"cut\xC3.dat", "cut\xEF\xBF\xBD.dat"},
        {"a,b\xFE.dat", "\"a,b\xEF\xBF\xBD.dat\""},
    };
    for (const Name& n : names) {
        SCOPED_TRACE(visible(n.name));
        Scratch dir;
        dir.write(n.name, bytes({records::nibble(8, at(10, 0, 0, 0x0A7)), records::nibble(8, at(10, 0, 10, 0x0A7)),
                                 records::nibble(8, at(10, 0, 20, 0x0A7)), records::nibble(8, at(10, 2, 0, 0x0A7))}));
        list(dir, n.name);
        Result r = report(dir, {"--csv"});
        EXPECT_EQ(r.status, 0);
        const auto rows = split_lines(r.out);
        ASSERT_EQ(rows.size(), 5u);
        expect_text(rows[1], "1," + n.field + ",1,8,99123,100000,1999-05-03T10:00:00Z,0A7,0,", "--csv");
        r = report(dir, {"--gaps"});
        EXPECT_EQ(r.status, 0);
        expect_text(split_lines(r.out).back(),
                    "1," + n.field + ",0A7,3,1999-05-03T10:00:20Z,1999-05-03T10:02:00Z,90,gap", "--gaps");
    }
}
