// Times: record times from listed digits, the times and stations the
// options take, and which records the filter keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/filter.h"
#include "report/timestamp.h"

using namespace report;

TEST(RecordTime, ValidDatesAndTimes) {
    struct T {
        const char* date;
        const char* time;
        const char* iso;  // empty: no timestamp
    };
    const std::vector<T> rows = {
        {"00000", "000000", ""},             // day 0
        {"99366", "000000", ""},             // 1999 is no leap year
        {"00367", "000000", ""},
        {"05123", "240000", ""},
        {"05123", "236000", ""},
        {"05123", "235960", ""},
        {"0512A", "000000", ""},
        {"05123", "0000B0", ""},
        {"70001", "000000", "1970-01-01T00:00:00Z"},
        {"69365", "235959", "2069-12-31T23:59:59Z"},
        {"00366", "120000", "2000-12-31T12:00:00Z"},  // 2000 is a leap year
        {"04060", "000000", "2004-02-29T00:00:00Z"},
        {"05060", "000000", "2005-03-01T00:00:00Z"},
        {"99001", "000001", "1999-01-01T00:00:01Z"},
        {"05123", "123456", "2005-05-03T12:34:56Z"},
    };
    for (const T& row : rows) {
        auto t = record_time(row.date, row.time);
        EXPECT_EQ(t ? iso_time(*t) : "", row.iso) << row.date << " " << row.time;
    }
    EXPECT_EQ(*record_time("70001", "000100"), 60);
    EXPECT_EQ(*record_time("70002", "000000"), 86400);
}

TEST(OptionValues, TimesAndStations) {
    struct T {
        const char* text;
        bool day_end;
        const char* iso;  // empty: refused
    };
    const std::vector<T> rows = {
        {"", false, ""},
        {"2024-03-01T00:00:00", false, ""},
        {"2024-03-01 00:00:00Z", false, ""},
        {"2024-3-01", false, ""},
        {"2024-03-1", false, ""},
        {"2024-13-01", false, ""},
        {"2024-00-01", false, ""},
        {"2023-02-29", false, ""},
        {"2024-04-31", false, ""},
        {"2024-03-01T24:00:00Z", false, ""},
        {"2024-03-01T23:60:00Z", false, ""},
        {"2024-03-01T23:59:60Z", false, ""},
        {"2024-03-01T12:00:00z", false, ""},
        {"+024-03-01", false, ""},
        {"2024-02-29", false, "2024-02-29T00:00:00Z"},
        {"2024-02-29", true, "2024-02-29T23:59:59Z"},
        {"1999-12-31T23:59:59Z", false, "1999-12-31T23:59:59Z"},
        {"1999-12-31T23:59:59Z", true, "1999-12-31T23:59:59Z"},
        {"1970-01-01T00:00:00Z", false, "1970-01-01T00:00:00Z"},
    };
    for (const T& row : rows) {
        const auto t = parse_time(row.text, row.day_end);
        EXPECT_EQ(t ? iso_time(*t) : "", row.iso) << row.text;
    }

    struct S {
        const char* text;
        int id;  // -1: refused
    };
    const std::vector<S> stations = {
        {"0A7", 0x0A7}, {"0a7", 0x0A7}, {"fFf", 0xFFF}, {"000", 0}, {"A7", -1}, {"0A70", -1}, {"0G7", -1}, {"", -1},
        {" A7", -1},
    };
    for (const S& s : stations) EXPECT_EQ(parse_station(s.text).value_or(-1), s.id) << s.text;
}

TEST(OptionValues, FilterKeepsRecordsByStationAndTime) {
    // One run: untimed records go with the run's timed record before them.
    struct R {
        int station;
        const char* time;  // HHMMSS on 1999-05-03, or "" for an untimed record
    };
    const std::vector<R> run = {
        {0x0A7, ""}, {0x0A7, "100000"}, {0x0A7, ""}, {0x123, "100010"}, {0x123, ""}, {0x0A7, "100020"},
        {0x123, "100030"}, {0x0A7, ""},
    };
    struct F {
        const char* what;
        std::vector<int> stations;
        const char* start;  // HHMMSS on the same day, or ""
        const char* end;
        std::string kept;   // one letter per record: y kept, n left out
    };
    const std::vector<F> rows = {
        {"no filter", {}, "", "", "yyyyyyyy"},
        {"a station", {0x0A7}, "", "", "yyynnyny"},
        {"two stations", {0x0A7, 0x123}, "", "", "yyyyyyyy"},
        {"a start: untimed records before any time are left out", {}, "100010", "", "nnnyyyyy"},
        {"an end, inclusive", {}, "", "100010", "nyyyynnn"},
        {"a window of one second", {}, "100020", "100020", "nnnnnynn"},
        {"a station and a window", {0x123}, "100000", "100010", "nnnyynnn"},
    };
    for (const F& f : rows) {
        Filter filter;
        for (int s : f.stations) filter.choose(s);
        auto at = [](const char* hms) {
            return *record_time("99123", hms);
        };
        if (*f.start) filter.start = at(f.start);
        if (*f.end) filter.end = at(f.end);
        EXPECT_EQ(filter.active(), !f.stations.empty() || *f.start || *f.end) << f.what;
        std::string kept;
        for (int pass = 0; pass < 2; ++pass) {  // a second run starts afresh
            filter.begin_run();
            kept.clear();
            for (const R& r : run) {
                Record rec;
                rec.station = r.station;
                if (*r.time) rec.when = at(r.time);
                kept += filter.keep(rec) ? 'y' : 'n';
            }
            EXPECT_EQ(kept, f.kept) << f.what << (pass ? " (second run)" : "");
        }
    }
}
