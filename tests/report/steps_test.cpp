// The gap rule: each kind of step at and around the tolerance, the irregular
// steps and segments of planted record times, the availability figures, and
// the order rows leave in over several stations.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "report/in_order.h"
#include "report/step_log.h"
#include "report/steps.h"
#include "report/tally.h"

using namespace report;

TEST(GapRule, KindsAtAndAroundTheTolerance) {
    struct K {
        long long step, typical, tolerance;
        StepKind kind;
    };
    const StepKind gap = StepKind::gap, over = StepKind::overlap, back = StepKind::backward, ok = StepKind::regular;
    const std::vector<K> rows = {
        {12, 10, 1, gap},  {11, 10, 1, ok},    {10, 10, 1, ok},    {9, 10, 1, ok},     {8, 10, 1, over},
        {1, 10, 1, over},  {0, 10, 1, back},   {-1, 10, 1, back},  {-600, 10, 1, back}, {11, 10, 0, gap},
        {10, 10, 0, ok},   {9, 10, 0, over},   {1, 10, 9, ok},     {0, 10, 9, back},    {1, 10, 10, ok},
        {0, 10, 10, back}, {0, 10, 50, back},  {-5, 10, 50, back}, {60, 10, 50, ok},    {61, 10, 50, gap},
        {0, 0, 0, back},   {-1, 0, 5, back},   {1, 0, 0, gap},     {3, 2, 1, ok},       {1, 2, 1, ok},
        {4, 2, 1, gap},    {1, 3, 1, over},
    };
    for (const K& k : rows)
        EXPECT_EQ(step_kind(k.step, k.typical, k.tolerance), k.kind)
            << "step " << k.step << ", typical " << k.typical << ", tolerance " << k.tolerance;
    EXPECT_STREQ(kind_name(StepKind::gap), "gap");
    EXPECT_STREQ(kind_name(StepKind::overlap), "overlap");
    EXPECT_STREQ(kind_name(StepKind::backward), "backward");
}

namespace {

struct Step {
    long long after, next, from, to, seconds;
    const char* kind;
    bool operator==(const Step& o) const {
        return after == o.after && next == o.next && from == o.from && to == o.to && seconds == o.seconds &&
               std::string(kind) == o.kind;
    }
};

std::ostream& operator<<(std::ostream& os, const Step& s) {
    return os << "{" << s.after << ", " << s.next << ", " << s.from << ", " << s.to << ", " << s.seconds << ", "
              << s.kind << "}";
}

struct Seg {
    long long first, last, start, end, records;
    bool operator==(const Seg& o) const {
        return first == o.first && last == o.last && start == o.start && end == o.end && records == o.records;
    }
};

std::ostream& operator<<(std::ostream& os, const Seg& s) {
    return os << "{" << s.first << ", " << s.last << ", " << s.start << ", " << s.end << ", " << s.records << "}";
}

using Times = std::vector<std::pair<long long, long long>>;  // record number, time

Steps steps_of(const Times& t, bool spans = true) {
    Steps s(spans);
    for (const auto& [rec, when] : t) s.add(rec, when);
    return s;
}

} // namespace

TEST(GapRule, PlantedStepsAndSegments) {
    struct G {
        const char* what;
        Times records;
        long long tolerance, typical;
        std::vector<Step> irregular;
        std::vector<Seg> segments;
    };
    const std::vector<G> rows = {
        {"no record", {}, 1, 0, {}, {}},
        {"one record: no step, one segment", {{1, 100}}, 1, 0, {}, {{1, 1, 100, 100, 1}}},
        {"steady", {{1, 100}, {2, 110}, {3, 120}, {4, 130}}, 1, 10, {}, {{1, 4, 100, 130, 4}}},
        {"a gap, a step back and an overlap",
         {{1, 100}, {2, 110}, {3, 120}, {4, 180}, {5, 190}, {6, 160}, {7, 170}, {8, 175}, {9, 185}},
         1, 10,
         {{3, 4, 120, 180, 50, "gap"}, {5, 6, 190, 160, -40, "backward"}, {7, 8, 170, 175, -5, "overlap"}},
         {{1, 3, 100, 120, 3}, {4, 5, 180, 190, 2}, {6, 7, 160, 170, 2}, {8, 9, 175, 185, 2}}},
        {"time repeated is a step back", {{1, 100}, {2, 110}, {3, 110}, {4, 120}}, 1, 10,
         {{2, 3, 110, 110, -10, "backward"}}, {{1, 2, 100, 110, 2}, {3, 4, 110, 120, 2}}},
        {"a step back inside a large tolerance is still one", {{1, 100}, {2, 110}, {3, 109}, {4, 119}}, 20, 10,
         {{2, 3, 110, 109, -11, "backward"}}, {{1, 2, 100, 110, 2}, {3, 4, 109, 119, 2}}},
        {"steps inside the tolerance", {{1, 100}, {2, 110}, {3, 121}, {4, 130}, {5, 140}}, 1, 10, {},
         {{1, 5, 100, 140, 5}}},
        {"the same steps with no tolerance", {{1, 100}, {2, 110}, {3, 121}, {4, 130}, {5, 140}}, 0, 10,
         {{2, 3, 110, 121, 1, "gap"}, {3, 4, 121, 130, -1, "overlap"}},
         {{1, 2, 100, 110, 2}, {3, 3, 121, 121, 1}, {4, 5, 130, 140, 2}}},
        {"just outside the tolerance", {{1, 100}, {2, 110}, {3, 122}, {4, 130}, {5, 140}}, 1, 10,
         {{2, 3, 110, 122, 2, "gap"}, {3, 4, 122, 130, -2, "overlap"}},
         {{1, 2, 100, 110, 2}, {3, 3, 122, 122, 1}, {4, 5, 130, 140, 2}}},
        {"a tie keeps the smaller step", {{1, 0}, {2, 5}, {3, 10}, {4, 20}, {5, 30}}, 0, 5,
         {{3, 4, 10, 20, 5, "gap"}, {4, 5, 20, 30, 5, "gap"}},
         {{1, 3, 0, 10, 3}, {4, 4, 20, 20, 1}, {5, 5, 30, 30, 1}}},
        {"no positive step: the typical is 0, and every step is backward", {{1, 50}, {2, 50}, {3, 40}}, 1, 0,
         {{1, 2, 50, 50, 0, "backward"}, {2, 3, 50, 40, -10, "backward"}},
         {{1, 1, 50, 50, 1}, {2, 2, 50, 50, 1}, {3, 3, 40, 40, 1}}},
        {"records of other stations between: the records on either side of a step",
         {{1, 0}, {4, 10}, {7, 20}, {10, 30}, {13, 100}, {16, 110}, {19, 120}, {21, 140}, {23, 150}},
         1, 10, {{10, 13, 30, 100, 60, "gap"}, {19, 21, 120, 140, 10, "gap"}},
         {{1, 10, 0, 30, 4}, {13, 19, 100, 120, 3}, {21, 23, 140, 150, 2}}},
        {"a run of equal gaps", {{1, 0}, {2, 10}, {3, 20}, {4, 30}, {5, 100}, {6, 170}, {7, 240}, {8, 250}}, 1, 10,
         {{4, 5, 30, 100, 60, "gap"}, {5, 6, 100, 170, 60, "gap"}, {6, 7, 170, 240, 60, "gap"}},
         {{1, 4, 0, 30, 4}, {5, 5, 100, 100, 1}, {6, 6, 170, 170, 1}, {7, 8, 240, 250, 2}}},
    };
    for (const G& row : rows) {
        SCOPED_TRACE(row.what);
        const Steps s = steps_of(row.records);
        EXPECT_EQ(s.typical(), row.typical);
        EXPECT_EQ(s.has_steps(), row.records.size() > 1);
        std::vector<Step> got;
        Steps::Walk walk(s, row.tolerance, 0x0A7);
        for (Irregular i; walk.next(i);) {
            EXPECT_EQ(i.station, 0x0A7);
            got.push_back({i.after_record, i.next_record, i.from, i.to, i.seconds, kind_name(i.kind)});
        }
        EXPECT_EQ(got, row.irregular);
        std::vector<Seg> segs;
        Steps::Segments segments(s, row.tolerance, 0x0A7);
        for (Segment g; segments.next(g);) {
            EXPECT_EQ(g.station, 0x0A7);
            segs.push_back({g.first_record, g.last_record, g.start, g.end, g.records});
        }
        EXPECT_EQ(segs, row.segments);

        // The figures count what the walks list, with or without the spans.
        Figures want;
        for (const Step& i : row.irregular) {
            const std::string k = i.kind;
            ++(k == "gap" ? want.gaps : k == "overlap" ? want.overlaps : want.backward);
            if (k == "gap") want.gap_seconds += i.seconds;
            if (k == "gap") want.max_gap = std::max(want.max_gap, i.seconds);
        }
        for (bool spans : {true, false}) {
            const Figures f = steps_of(row.records, spans).figures(row.tolerance);
            EXPECT_EQ(f.gaps, want.gaps);
            EXPECT_EQ(f.overlaps, want.overlaps);
            EXPECT_EQ(f.backward, want.backward);
            EXPECT_EQ(f.gap_seconds, want.gap_seconds);
            EXPECT_EQ(f.max_gap, want.max_gap);
            EXPECT_EQ(f.segments, static_cast<long long>(row.segments.size()));
        }
    }
}

TEST(Availability, SpansAndPercentages) {
    struct A {
        const char* what;
        Times records;
        long long tolerance;
        long long span;           // -1: none
        const char* percent;      // "" when none
    };
    const std::vector<A> rows = {
        {"no record", {}, 1, -1, ""},
        {"one record", {{1, 100}}, 1, -1, ""},
        {"steady: the span counts the last record's step", {{1, 0}, {2, 10}, {3, 20}}, 1, 30, "100.0"},
        {"a gap of 50 s in 100 s", {{1, 0}, {2, 10}, {3, 20}, {4, 80}, {5, 90}}, 1, 100, "50.0"},
        {"two of three records", {{1, 0}, {2, 10}, {3, 30}}, 1, 40, "75.0"},
        {"rounded to one decimal", {{1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 5}, {7, 8}}, 0, 9, "77.8"},
        {"a step back shortens the span", {{1, 100}, {2, 110}, {3, 120}, {4, 50}, {5, 60}, {6, 70}}, 1, -1, ""},
        {"a clock that only went back", {{1, 100}, {2, 90}}, 1, -1, ""},
        {"the same time twice", {{1, 100}, {2, 100}}, 1, -1, ""},
    };
    for (const A& row : rows) {
        SCOPED_TRACE(row.what);
        const Figures f = steps_of(row.records).figures(row.tolerance);
        EXPECT_EQ(f.span.value_or(-1), row.span < 0 ? -1 : row.span);
        const auto tenths = f.availability_tenths();
        EXPECT_EQ(tenths ? std::to_string(*tenths / 10) + "." + std::to_string(*tenths % 10) : "", row.percent);
    }

    // Rounded half up, kept within 0 and 100.
    struct R {
        long long span, gap_seconds, tenths;
    };
    const std::vector<R> rounding = {
        {3, 1, 667}, {3, 2, 333}, {6, 1, 833}, {2000, 1, 1000}, {2000, 3, 999}, {2000, 2, 999}, {1, 5, 0},
        {10, 10, 0}, {7, 0, 1000}, {1000, 1, 999}, {200, 1, 995},
    };
    for (const R& r : rounding) {
        Figures f;
        f.span = r.span;
        f.gap_seconds = r.gap_seconds;
        EXPECT_EQ(f.availability_tenths(), r.tenths) << r.span << " s, " << r.gap_seconds << " s in gaps";
    }
    Figures none;
    none.gap_seconds = 5;
    EXPECT_FALSE(none.availability_tenths());

    // A run's figures are its stations' together.
    Figures run, a, b, c;
    a.span = 100, a.gap_seconds = 20, a.max_gap = 15, a.segments = 3, a.backward = 1, a.gaps = 2;
    b.span = 300, b.gap_seconds = 40, b.max_gap = 40, b.segments = 2, b.gaps = 1, b.overlaps = 4;
    c.segments = 1;  // one timed record: no span
    for (const Figures& f : {a, b, c}) run.add(f);
    EXPECT_EQ(run.span, 400);
    EXPECT_EQ(run.gap_seconds, 60);
    EXPECT_EQ(run.max_gap, 40);
    EXPECT_EQ(run.segments, 6);
    EXPECT_EQ(run.backward, 1);
    EXPECT_EQ(run.gaps, 3);
    EXPECT_EQ(run.overlaps, 4);
    EXPECT_EQ(run.availability_tenths(), 850);
    Figures empty;
    empty.add(c);
    EXPECT_FALSE(empty.span);
}

TEST(GapRule, StationsTogetherInRecordOrder) {
    // Three stations taking turns, each with irregular steps of its own.
    Tally tally;
    auto add = [&](long long number, int station, long long when) {
        report::Record r;
        r.number = number;
        r.station = station;
        r.when = when;
        tally.add(r);
    };
    const long long a = 0xA, b = 0xB, c = 0xC;
    const std::vector<std::tuple<long long, int, long long>> records = {
        {1, a, 0}, {2, b, 0}, {3, c, 0}, {4, a, 10}, {5, b, 100}, {6, c, 10}, {7, a, 20}, {8, b, 110},
        {9, c, 5}, {10, a, 90}, {11, b, 120}, {12, c, 15}, {13, a, 100}, {14, b, 130}, {15, c, 25},
    };
    for (const auto& [n, s, t] : records) add(n, static_cast<int>(s), t);
    const RunReport rep = finish_run(report::Run{}, Ending{}, std::move(tally), 1);
    std::vector<long long> after;
    InOrderSteps steps(rep, rep.tolerance);
    for (Irregular i; steps.next(i);) after.push_back(i.after_record * 100 + i.station);
    EXPECT_EQ(after, (std::vector<long long>{2 * 100 + b, 6 * 100 + c, 7 * 100 + a}));
    std::vector<long long> first;
    InOrderSegments segments(rep, rep.tolerance);
    for (Segment s; segments.next(s);) first.push_back(s.first_record * 100 + s.station);
    EXPECT_EQ(first, (std::vector<long long>{1 * 100 + a, 2 * 100 + b, 3 * 100 + c, 5 * 100 + b, 9 * 100 + c,
                                             10 * 100 + a}));
    EXPECT_EQ(rep.figures.segments, 6);
    EXPECT_EQ(rep.figures.gaps, 2);
    EXPECT_EQ(rep.figures.backward, 1);
}

TEST(StepLog, GivesBackWhatItWasGiven) {
    // Patterns that repeat, with and without breaks, and steps that do not.
    auto periodic = [](std::vector<Token> pattern, int times) {
        std::vector<Token> v;
        for (int i = 0; i < times; ++i) v.insert(v.end(), pattern.begin(), pattern.end());
        return v;
    };
    std::vector<Token> random_steps;
    unsigned long long x = 7;
    for (int i = 0; i < 5000; ++i) {
        x = x * 6364136223846793005ull + 1442695040888963407ull;
        random_steps.push_back({1 + static_cast<long long>(x >> 62), static_cast<long long>(x >> 33) % 7 - 2});
    }
    std::vector<Token> broken = periodic({{1, 10}, {3, 10}, {2, 10}}, 50);
    broken[70].stride = 4;  // a record of another kind in between
    broken.push_back({-5, -1000000000000});
    const std::vector<Token> long_period = periodic({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8},
                                                     {9, 9}, {10, 10}, {11, 11}, {12, 12}, {13, 13}, {14, 14},
                                                     {15, 15}, {16, 16}, {17, 17}},
                                                    20);
    struct L {
        const char* what;
        std::vector<Token> tokens;
        std::size_t most_bytes;
    };
    const std::vector<L> rows = {
        {"nothing", {}, 0},
        {"one step", {{1, 10}}, 2},
        {"a steady station", periodic({{1, 10}}, 100000), 16},
        {"two stations taking turns", periodic({{2, 20}}, 100000), 16},
        {"four stations of four steps interleaved", periodic({{1, 10}, {2, 10}, {1, 10}, {3, 10}, {2, 10}, {1, 10}}, 20000),
         64},
        {"a pattern broken once, and a large step back", broken, 200},
        {"a period longer than the longest kept", long_period, 17 * 20 * 2},
        {"random steps", random_steps, 5000 * 2},
        {"a period of the longest kept", periodic({{1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {1, 8},
                                                   {1, 9}, {1, 10}, {1, 11}, {1, 12}, {1, 13}, {1, 14}, {1, 15},
                                                   {1, 16}},
                                                  1000),
         2 * 16 * 3 + 16},
    };
    for (const L& row : rows) {
        StepLog log;
        for (const Token& t : row.tokens) log.add(t);
        EXPECT_LE(log.bytes(), row.most_bytes) << row.what;
        std::vector<Token> back;
        StepLog::Cursor c(log);
        Token t;
        long long count = 0;
        while (c.next(t, count)) {
            ASSERT_GE(count, 1) << row.what;
            back.insert(back.end(), static_cast<std::size_t>(count), t);
        }
        EXPECT_TRUE(back == row.tokens) << row.what << ": " << back.size() << " tokens back of " << row.tokens.size();
    }
}

TEST(GapRule, SteadyAndInterleavedStationsKeepFewBytes) {
    // Four stations of steps 10, 15, 20 and 30 s, each listed as it falls
    // due: the records of each lie at distances that change from step to
    // step but repeat every minute, so a long listing costs no more than a
    // short one.
    const int steps[] = {10, 15, 20, 30};
    Steps stations[4];
    long long due[4] = {0, 0, 0, 0};
    for (long long record = 1; record <= 200000; ++record) {
        int next = 0;
        for (int i = 1; i < 4; ++i)
            if (due[i] < due[next]) next = i;
        stations[next].add(record, due[next]);
        due[next] += steps[next];
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_LE(stations[i].log_bytes(), 100u) << "station of " << steps[i] << " s";
        Steps::Segments segments(stations[i], 1, i);
        Segment s;
        ASSERT_TRUE(segments.next(s));
        EXPECT_EQ(s.records, stations[i].timed());
        EXPECT_FALSE(segments.next(s));
        long long runs = 0, count = 0;
        stations[i].each([&](long long, long long, long long, long long step, long long n) {
            ++runs;
            count += n;
            EXPECT_EQ(step, steps[i]);
        });
        EXPECT_EQ(count, stations[i].timed() - 1);
    }
}
