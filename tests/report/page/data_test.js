// The page's data against --json, for the same listing and options: every run's figures are the same, and
// the irregular steps the page's script finds between the segments are --json's, one for one.
// Usage: node data_test.js LOGIC.js PAGE.html RUNS.jsonl [PAGE.html RUNS.jsonl]...
"use strict";
const assert = require("assert");
const fs = require("fs");
const logic = require(process.argv[2]);

function pageData(file) {
    const html = fs.readFileSync(file, "utf8");
    const open = '<script type="application/json" id="page-data">';
    const start = html.indexOf(open) + open.length, end = html.indexOf("</script>", start);
    assert.ok(start >= open.length && end > start, file + ": no data element");
    return JSON.parse(html.slice(start, end));
}

const iso = (t) => logic.formatTime(t);
const byRecord = (a, b) => a.after_record - b.after_record || (a.station < b.station ? -1 : a.station > b.station ? 1 : 0);

function check(pageFile, jsonFile) {
    const data = pageData(pageFile);
    const runs = fs.readFileSync(jsonFile, "utf8").split("\n").filter((l) => l).map((l) => JSON.parse(l));
    assert.strictEqual(data.runs.length, runs.length, "runs");
    const steps = logic.deriveSteps(data);
    const stationTotals = {};
    data.runs.forEach((run, k) => {
        const want = runs[k], irregular = want.irregular;
        const mine = Object.assign({}, run), theirs = Object.assign({}, want);
        delete mine.lanes;
        delete theirs.irregular;
        assert.deepStrictEqual(mine, theirs, `run ${run.run}: the figures differ from --json`);
        const found = steps.filter((s) => s.run === run.run).map((s) => ({ station: s.station,
            after_record: s.after_record, from: iso(s.from), to: iso(s.to), seconds: s.seconds, kind: s.kind }));
        assert.deepStrictEqual(found.sort(byRecord), irregular.slice().sort(byRecord), `run ${run.run}: steps`);
        // Each lane has its station's segments; the stations' totals add up the runs.
        run.lanes.forEach((lane) => {
            const st = run.stations.find((s) => s.station === lane.station);
            assert.strictEqual(lane.segments.length, st.segments, `run ${run.run} station ${lane.station}: segments`);
        });
        run.stations.forEach((s) => {
            const t = stationTotals[s.station] || (stationTotals[s.station] = { runs: 0, records: 0, gaps: 0, segments: 0 });
            t.runs += 1;
            t.records += s.records;
            t.gaps += s.gaps;
            t.segments += s.segments;
        });
    });
    data.stations.forEach((s) => {
        const t = stationTotals[s.station];
        assert.deepStrictEqual([s.runs, s.records, s.gaps, s.segments], [t.runs, t.records, t.gaps, t.segments],
            "totals of station " + s.station);
    });
    assert.strictEqual(data.stations.length, Object.keys(stationTotals).length, "stations in the totals");
    return steps.length;
}

let failed = 0;
for (let i = 3; i + 1 < process.argv.length; i += 2) {
    try {
        const n = check(process.argv[i], process.argv[i + 1]);
        console.log(`ok   ${process.argv[i]}: ${n} steps`);
    } catch (e) {
        ++failed;
        console.log(`FAIL ${process.argv[i]}: ${e.message}`);
    }
}
process.exit(failed ? 1 : 0);
