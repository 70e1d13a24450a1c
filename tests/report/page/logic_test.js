// Table tests of the page's pure functions, run by node or, through run(), in a browser.
var PageLogicTest = (function () {
    "use strict";

    var L = typeof require === "function" ? require(process.argv[2] || "../../../report/page/logic.js") : Page.logic;

    // Seconds since 1970 for the times the tables name, as `date -u +%s` gives them.
    var march1 = 1709251200, feb28 = 1709078400;

    function iso(s) {
        var t = L.parseTime(s);
        if (t === null) throw new Error("bad time in a test table: " + s);
        return t;
    }

    // Ticks as "label/date" strings, the date left out where none is shown.
    function tickText(a, b, most) {
        return L.ticks(a, b, most).map(function (k) { return k.date ? k.label + "/" + k.date : k.label; });
    }

    var tickCases = [
        ["ten seconds: 2 s steps, the date under the first", "2024-03-01T00:00:00Z", "2024-03-01T00:00:10Z", 8,
         ["00:00:00/2024-03-01", "00:00:02", "00:00:04", "00:00:06", "00:00:08", "00:00:10"]],
        ["a minute: 10 s steps", "2024-03-01T00:00:00Z", "2024-03-01T00:01:00Z", 8,
         ["00:00:00/2024-03-01", "00:00:10", "00:00:20", "00:00:30", "00:00:40", "00:00:50", "00:01:00"]],
        ["ticks start at the first multiple after a", "2024-03-01T00:00:03Z", "2024-03-01T00:00:09Z", 4,
         ["00:00:04/2024-03-01", "00:00:06", "00:00:08"]],
        ["an hour: 10 minute steps without seconds", "2024-03-01T00:00:00Z", "2024-03-01T01:00:00Z", 8,
         ["00:00/2024-03-01", "00:10", "00:20", "00:30", "00:40", "00:50", "01:00"]],
        ["across midnight: the date again where the day changes", "2024-03-01T23:00:00Z", "2024-03-02T01:00:00Z", 8,
         ["23:00/2024-03-01", "23:30", "00:00/2024-03-02", "00:30", "01:00"]],
        ["a leap day", "2024-02-28T00:00:00Z", "2024-03-02T00:00:00Z", 8,
         ["00:00/2024-02-28", "12:00", "00:00/2024-02-29", "12:00", "00:00/2024-03-01", "12:00", "00:00/2024-03-02"]],
        ["fifty days: weeks from Monday", "2024-03-01T00:00:00Z", "2024-04-20T00:00:00Z", 8,
         ["2024-03-04", "2024-03-11", "2024-03-18", "2024-03-25", "2024-04-01", "2024-04-08", "2024-04-15"]],
        ["a year: two-month steps from January", "2024-01-15T00:00:00Z", "2024-12-31T00:00:00Z", 8,
         ["2024-03", "2024-05", "2024-07", "2024-09", "2024-11"]],
        ["thirty years: five-year steps", "2000-01-01T00:00:00Z", "2030-06-01T00:00:00Z", 8,
         ["2000", "2005", "2010", "2015", "2020", "2025", "2030"]],
        ["a century: twenty-year steps", "1970-01-01T00:00:00Z", "2069-12-31T00:00:00Z", 8,
         ["1980", "2000", "2020", "2040", "2060"]],
        ["a month at most two ticks: quarters", "2024-02-01T00:00:00Z", "2024-09-01T00:00:00Z", 2,
         ["2024-04", "2024-07"]],
        ["one point", "2024-03-01T00:00:00Z", "2024-03-01T00:00:00Z", 8, ["00:00:00/2024-03-01"]]
    ];

    var timeCases = [
        ["1970-01-01T00:00:00Z", 0], ["2024-03-01T00:00:00Z", march1], ["2024-02-28T00:00:00Z", feb28],
        ["2000-02-29T00:00:00Z", 951782400], ["2069-12-31T00:00:00Z", 3155673600],
        ["9999-12-31T23:59:59Z", 253402300799], ["2024-03-01T23:00:00Z", 1709334000]
    ];

    var badTimes = [
        "2024-02-30T00:00:00Z", "2023-02-29T00:00:00Z", "2100-02-29T00:00:00Z", "2024-03-01T00:00:00",
        "2024-03-01 00:00:00Z", "2024-13-01T00:00:00Z", "2024-00-01T00:00:00Z", "2024-03-00T00:00:00Z",
        "2024-03-01T24:00:00Z", "2024-03-01T00:60:00Z", "2024-03-01T00:00:60Z", "2024-3-01T00:00:00Z",
        "2024-03-01T00:00:00z", " 2024-03-01T00:00:00Z", "2024-03-01T00:00:00Z\n", "", "20240301T000000Z"
    ];

    var fragmentCases = [
        ["empty", "", { start: null, end: null, stations: null }, ""],
        ["a whole view", "#start=2024-03-01T00:00:00Z&end=2024-03-01T01:00:00Z&station=15B,0A1",
         { start: march1, end: march1 + 3600, stations: ["0A1", "15B"] },
         "start=2024-03-01T00:00:00Z&end=2024-03-01T01:00:00Z&station=0A1,15B"],
        ["lower case and duplicates", "#station=15b,0a1,15B", { start: null, end: null, stations: ["0A1", "15B"] },
         "station=0A1,15B"],
        ["bad stations left out", "#station=XYZ,15B,1234,,7", { start: null, end: null, stations: ["15B"] },
         "station=15B"],
        ["only bad stations: all of them", "#station=XYZ", { start: null, end: null, stations: null }, ""],
        ["an empty station list: none", "#station=", { start: null, end: null, stations: [] }, "station="],
        ["no such day", "#start=2024-02-30T00:00:00Z&end=2024-03-01T00:00:00Z",
         { start: null, end: march1, stations: null }, "end=2024-03-01T00:00:00Z"],
        ["an end before the start: neither", "#start=2024-03-01T01:00:00Z&end=2024-03-01T00:00:00Z",
         { start: null, end: null, stations: null }, ""],
        ["escaped colons", "#start=2024-03-01T00%3A00%3A00Z", { start: march1, end: null, stations: null },
         "start=2024-03-01T00:00:00Z"],
        ["a broken escape and unknown keys", "#start=%E0%A4%A&zoom=3&x&end=2024-03-01T00:00:00Z",
         { start: null, end: march1, stations: null }, "end=2024-03-01T00:00:00Z"],
        ["no hash sign", "start=2024-02-28T00:00:00Z", { start: feb28, end: null, stations: null },
         "start=2024-02-28T00:00:00Z"]
    ];

    // [name, starts, ends, scale, bars as [x0, x1, first, last]]
    var barCases = [
        ["a pixel apart merge", [0, 1], [0, 1], 1, [[0, 1, 0, 1]]],
        ["two pixels apart do not", [0, 2], [0, 2], 1, [[0, 1, 0, 0], [2, 3, 1, 1]]],
        ["a single record is a pixel wide", [10], [10], 0.5, [[5, 6, 0, 0]]],
        ["overlapping bars are one", [0, 5, 8], [10, 7, 20], 1, [[0, 20, 0, 2]]],
        ["a step back inside a bar", [0, 30], [40, 35], 1, [[0, 40, 0, 1]]]
    ];

    // [name, times, scale, columns as [x, first, count]]
    var markCases = [
        ["marks per pixel column", [0, 0.4, 1, 3], 1, [[0, 0, 2], [1, 2, 1], [3, 3, 1]]],
        ["a thousand in one column", Array.apply(null, Array(1000)).map(function (_, i) { return i; }), 0.0001,
         [[0, 0, 1000]]],
        ["none", [], 1, []]
    ];

    // [name, starts, ends, t0, t1, slice]
    var sliceCases = [
        ["a long interval that starts before", [0, 10, 20], [5, 100, 25], 50, 60, [1, 3]],
        ["before all", [0, 10, 20], [5, 100, 25], -10, -1, [0, 0]],
        ["after all", [0, 10, 20], [5, 100, 25], 200, 300, [3, 3]],
        ["touching an end", [0, 10, 20], [5, 100, 25], 5, 5, [0, 1]],
        ["touching a start", [0, 10, 20], [5, 12, 25], 13, 20, [2, 3]],
        ["empty", [], [], 0, 10, [0, 0]]
    ];

    var lim = { lo: 0, hi: 1000, min: 10 };
    // [name, function, expected view]
    var zoomCases = [
        ["in about the centre", function () { return L.zoomAbout({ start: 0, end: 1000 }, 0.5, 500, lim); }, [250, 750]],
        ["in about the left edge", function () { return L.zoomAbout({ start: 0, end: 1000 }, 0.5, 0, lim); }, [0, 500]],
        ["in about a point keeps it in place", function () { return L.zoomAbout({ start: 100, end: 300 }, 0.5, 150, lim); },
         [125, 225]],
        ["not below the smallest window", function () { return L.zoomAbout({ start: 0, end: 20 }, 0.1, 10, lim); }, [5, 15]],
        ["not beyond the whole span", function () { return L.zoomAbout({ start: 0, end: 1000 }, 2, 500, lim); }, [0, 1000]],
        ["out near an edge stays inside", function () { return L.zoomAbout({ start: 900, end: 1000 }, 4, 1000, lim); },
         [600, 1000]],
        ["pan stops at the start", function () { return L.pan({ start: 0, end: 100 }, -50, lim); }, [0, 100]],
        ["pan stops at the end", function () { return L.pan({ start: 0, end: 100 }, 950, lim); }, [900, 1000]],
        ["an empty window grows", function () { return L.clampView(5, 5, lim); }, [0, 10]],
        ["limits pad by a hundredth", function () { var l = L.limits(0, 10000); return { start: l.lo, end: l.hi }; },
         [-100, 10100]],
        ["limits of a short span pad 30 s", function () { var l = L.limits(100, 110); return { start: l.lo, end: l.hi }; },
         [70, 140]]
    ];

    function seg(first, last, start, end, records, kind, seconds) {
        return kind ? [first, last, start, end, records, kind, seconds] : [first, last, start, end, records];
    }
    function lane(station, segments) { return { station: station, typical_step: 60, segments: segments, rejected: [] }; }

    // [name, runs, steps as "station run kind after next from to seconds" with times after base 1000]
    var stepCases = [
        ["a gap and a step back", [{ run: 1, lanes: [
            lane("0A1", [seg(1, 3, 0, 120, 3), seg(5, 7, 1380, 1800, 2, "gap", 1200)]),
            lane("15B", [seg(2, 6, 3540, 3600, 2), seg(8, 8, 3570, 3570, 1, "backward", -90)])] }],
         ["0A1 1 gap 3 5 1120 2380 1200", "15B 1 backward 6 8 4600 4570 -90"]],
        ["a run's first segment has no step before it", [
            { run: 1, lanes: [lane("0A1", [seg(1, 2, 0, 60, 2)])] },
            { run: 2, lanes: [lane("0A1", [seg(1, 2, 30, 90, 2, "overlap", -30), seg(3, 3, 200, 200, 1, "overlap", -20)])] }],
         ["0A1 2 overlap 2 3 1090 1200 -20"]],
        ["a step hidden by the smallest gap is not listed", [{ run: 4, lanes: [
            lane("001", [seg(1, 2, 0, 60, 2), seg(3, 4, 200, 260, 2), seg(5, 5, 900, 900, 1, "gap", 580)])] }],
         ["001 4 gap 4 5 1260 1900 580"]],
        ["no runs", [], []]
    ];

    // Two runs in one lane: segments sorted by start over both, marks by time, each mark naming its step.
    var laneData = { base: 1000, runs: [
        { run: 1, lanes: [lane("0A1", [seg(1, 2, 500, 560, 2), seg(3, 3, 530, 530, 1, "backward", -90)]),
                          { station: "001", segments: [], rejected: [[40, 2, 7]] }] },
        { run: 2, lanes: [lane("0A1", [seg(1, 1, 100, 100, 1), seg(2, 4, 900, 1000, 3, "gap", 740)])] }] };
    var laneWant = [
        ["001", "", "", "", "1040"],
        ["0A1", "1100 1500 1530 1900", "1100 1560 1560 2000", "1100-1900", "", "1530"]
    ];

    var steps = [
        { station: "0A1", run: 1, kind: "gap", from: 50, to: 60, seconds: 300 },
        { station: "15B", run: 1, kind: "backward", from: 10, to: 5, seconds: -500 },
        { station: "0A1", run: 2, kind: "overlap", from: 30, to: 31, seconds: -20 },
        { station: "15B", run: 1, kind: "gap", from: 20, to: 30, seconds: 1000 }
    ];
    // [name, station, kind, key, descending, expected order of `from`]
    var selectCases = [
        ["all by time", null, null, "time", false, [10, 20, 30, 50]],
        ["all by time, latest first", null, null, "time", true, [50, 30, 20, 10]],
        ["all by size, largest first", null, null, "size", true, [20, 10, 50, 30]],
        ["one station", "0A1", null, "time", false, [30, 50]],
        ["one kind", null, "gap", "size", false, [50, 20]],
        ["a station and a kind", "15B", "gap", "time", false, [20]],
        ["nothing matches", "999", null, "time", false, []]
    ];

    function same(a, b) { return JSON.stringify(a) === JSON.stringify(b); }

    // Runs every table; gives one line per failed case, none when all pass.
    function run() {
        var fails = [];
        function check(group, name, got, want) {
            if (!same(got, want)) fails.push(group + ": " + name + ": got " + JSON.stringify(got) + ", want " + JSON.stringify(want));
        }
        tickCases.forEach(function (c) { check("ticks", c[0], tickText(iso(c[1]), iso(c[2]), c[3]), c[4]); });
        timeCases.forEach(function (c) {
            check("parse", c[0], L.parseTime(c[0]), c[1]);
            check("format", c[0], L.formatTime(c[1]), c[0]);
        });
        badTimes.forEach(function (s) { check("reject", JSON.stringify(s), L.parseTime(s), null); });
        check("format", "beyond four digits", L.formatTime(253402300800), null);
        fragmentCases.forEach(function (c) {
            var f = L.parseFragment(c[1]);
            check("fragment", c[0], f, c[2]);
            check("fragment written", c[0], L.writeFragment(f), c[3]);
            check("fragment round trip", c[0], L.parseFragment(L.writeFragment(f)), f);
        });
        barCases.forEach(function (c) { check("bars", c[0], L.mergeBars(c[1], c[2], 0, c[1].length, 0, c[3]), c[4]); });
        markCases.forEach(function (c) { check("marks", c[0], L.markColumns(c[1], 0, c[1].length, 0, c[2]), c[3]); });
        sliceCases.forEach(function (c) { check("slice", c[0], L.visibleSlice(c[1], L.prefixMax(c[2]), c[3], c[4]), c[5]); });
        zoomCases.forEach(function (c) { var v = c[1](); check("zoom", c[0], [v.start, v.end], c[2]); });
        stepCases.forEach(function (c) {
            var got = L.deriveSteps({ base: 1000, runs: c[1] }).map(function (s) {
                return [s.station, s.run, s.kind, s.after_record, s.next_record, s.from, s.to, s.seconds].join(" ");
            });
            check("steps", c[0], got, c[2]);
        });
        var dl = L.deriveSteps(laneData);
        L.buildLanes(laneData, dl).forEach(function (ln, n) {
            var want = laneWant[n] || [];
            check("lanes", ln.station, [ln.station, ln.seg[0].join(" "), ln.segMax.join(" "),
                  ln.gap[0].map(function (t, k) { return t + "-" + ln.gap[1][k]; }).join(" "),
                  ln.rejected[0].join(" ")].concat(ln.station === "0A1" ? [ln.backward[0].join(" ")] : []), want);
            if (ln.backward[1].length) check("lanes", "a mark names its step", dl[ln.backward[1][0]].kind, "backward");
        });
        selectCases.forEach(function (c) {
            check("select", c[0], L.selectSteps(steps, c[1], c[2], c[3], c[4]).map(function (s) { return s.from; }), c[5]);
        });
        return fails;
    }

    function count() {
        return tickCases.length + 2 * timeCases.length + badTimes.length + 1 + 3 * fragmentCases.length +
            barCases.length + markCases.length + sliceCases.length + zoomCases.length + stepCases.length + selectCases.length + 3;
    }

    return { run: run, count: count };
})();

if (typeof module === "object" && module.exports) {
    module.exports = PageLogicTest;
    if (require.main === module) {
        var fails = PageLogicTest.run();
        fails.forEach(function (f) { console.log("FAIL " + f); });
        console.log((PageLogicTest.count() - fails.length) + " of " + PageLogicTest.count() + " checks passed");
        process.exit(fails.length ? 1 : 0);
    }
}
