// The page driven as a user drives it, in headless Chromium: the wheel, dragging, keys, buttons, hover,
// the steps table, the station boxes and the address's fragment, each checked against the timeline's window.
// Usage: node interaction_test.js PAGE.html   (a page of a recorder's day with gaps on several stations)
"use strict";
const assert = require("assert");
const { launch, checkPage, chromiumPath } = require("../../../tools/cdp.js");

const pageFile = process.argv[2];

// The window shown, in seconds, and the lanes drawn.
const state = `(() => {
    const t = document.getElementById("timeline");
    return { start: Date.parse(t.getAttribute("data-start")) / 1000, end: Date.parse(t.getAttribute("data-end")) / 1000,
             lanes: Array.from(t.querySelectorAll("[data-station]")).map((l) => l.getAttribute("data-station")),
             hash: location.hash };
})()`;
// A lane's drawing area on screen.
const track = (n) => `(() => { const r = document.querySelectorAll("#timeline .track")[${n}].getBoundingClientRect();
    return { x: r.left, y: r.top + r.height / 2, w: r.width }; })()`;
const tooltip = `(() => { const t = document.getElementById("tooltip"); return t.hidden ? null : t.textContent; })()`;
const iso = (s) => new Date(s * 1000).toISOString().replace(".000Z", "Z");
const changed = (before) => `(() => { const t = document.getElementById("timeline");
    return t.getAttribute("data-start") !== "${iso(before.start)}" || t.getAttribute("data-end") !== "${iso(before.end)}"; })()`;

// Each case gets a fresh page; near(a, b, tolerance) allows for rounding to whole seconds and pixels.
const near = (a, b, tol, what) => assert.ok(Math.abs(a - b) <= tol, `${what}: ${a} is not within ${tol} of ${b}`);

const cases = [
    ["the fragment follows every view", async (p) => {
        const s = await p.eval(state);
        assert.strictEqual(s.hash, "#start=" + iso(s.start) + "&end=" + iso(s.end));
    }],
    ["the wheel zooms in about the pointer", async (p) => {
        const before = await p.eval(state), t = await p.eval(track(0));
        const x = t.x + t.w / 4, at = before.start + (before.end - before.start) / 4;
        await p.wheel(x, t.y, -300);
        await p.until(changed(before));
        const after = await p.eval(state), w = after.end - after.start;
        assert.ok(w < (before.end - before.start) * 0.7, "narrower");
        near(after.start + w / 4, at, (before.end - before.start) / 200, "the time under the pointer stays");
        assert.strictEqual(after.hash, "#start=" + iso(after.start) + "&end=" + iso(after.end));
    }],
    ["dragging moves the window and keeps its width", async (p) => {
        const before = await p.eval(state), t = await p.eval(track(1)), w = before.end - before.start;
        await p.wheel(t.x + t.w / 2, t.y, -600);  // first in, so that there is room to move
        await p.until(changed(before));
        const zoomed = await p.eval(state), zw = zoomed.end - zoomed.start;
        await p.drag(t.x + t.w / 2, t.y, t.x + t.w / 2 - 200);
        await p.until(changed(zoomed));
        const after = await p.eval(state);
        near(after.end - after.start, zw, 1, "width");
        near(after.start - zoomed.start, 200 * zw / t.w, zw / 100, "moved by 200 pixels' worth, to later times");
        assert.ok(zw < w);
    }],
    ["keys zoom, move and reset", async (p) => {
        const full = await p.eval(state), w = full.end - full.start;
        await p.eval(`document.getElementById("timeline").focus()`);
        const steps = [["+", 0.5], ["+", 0.25], ["ArrowRight", 0.25], ["-", 0.5], ["0", 1]];
        let last = full;
        for (const [key, width] of steps) {
            await p.key(key);
            await p.until(changed(last));
            const s = await p.eval(state);
            near(s.end - s.start, w * width, 2, `width after ${key}`);
            if (key === "ArrowRight") near(s.start - last.start, 0.1 * (last.end - last.start), 2, "moved a tenth");
            last = s;
        }
        assert.deepStrictEqual([last.start, last.end], [full.start, full.end]);
    }],
    ["the buttons zoom in, out and reset", async (p) => {
        const full = await p.eval(state);
        const button = async (id) => {
            const r = await p.eval(`(() => { const r = document.getElementById("${id}").getBoundingClientRect();
                return [r.left + r.width / 2, r.top + r.height / 2]; })()`);
            const before = await p.eval(state);
            await p.click(r[0], r[1]);
            await p.until(changed(before));
            return p.eval(state);
        };
        near((await button("zoom-in")).end - (await p.eval(state)).start, (full.end - full.start) / 2, 2, "in");
        const out = await button("zoom-out");
        near(out.end - out.start, full.end - full.start, 2, "out");
        await button("zoom-in");
        const reset = await button("zoom-reset");
        assert.deepStrictEqual([reset.start, reset.end], [full.start, full.end]);
    }],
    ["pointing at a bar tells its segment; the focus shows the same", async (p) => {
        const t = await p.eval(track(0)), station = (await p.eval(state)).lanes[0];
        await p.mouse("mouseMoved", t.x + t.w / 2, t.y);
        const text = await p.until(tooltip);
        // At the whole span, segments closer than a pixel are told as one.
        assert.ok(text && text.includes("station " + station) && /\d records?\b/.test(text), text);
        await p.mouse("mouseMoved", t.x + t.w / 2, t.y - 200);
        assert.strictEqual(await p.until(`${tooltip} === null`), true, "the tooltip goes with the pointer");
        await p.eval(`document.getElementById("timeline").focus()`);
        await p.key("ArrowDown");
        const focused = await p.until(tooltip);
        assert.ok(focused && focused.includes("station " + station), focused);
    }],
    ["zooming from a mark keeps the focus on that mark", async (p) => {
        await p.eval(`document.getElementById("timeline").focus()`);
        await p.key("ArrowDown");
        let text = await p.until(tooltip);
        for (let k = 0; k < 400 && !/^(Overlap|Backward step),/.test(text); ++k) {
            await p.key("ArrowRight");
            text = await p.eval(tooltip);
        }
        assert.ok(/^(Overlap|Backward step),/.test(text), "no single overlap or backward step in the first lane: " + text);
        for (const key of ["Enter", "-", "+"]) {
            const before = await p.eval(state);
            await p.key(key);
            await p.until(changed(before));
            if (!await p.until(`${tooltip} === ${JSON.stringify(text)}`)) {
                assert.fail("after " + key + " the focus is on: " + await p.eval(tooltip) + "\ninstead of: " + text);
            }
        }
    }],
    ["choosing a gap's row zooms to it, and pointing there tells the gap", async (p) => {
        const row = await p.eval(`(() => { const r = document.querySelector("#steps tr[data-kind=gap]");
            r.scrollIntoView({ block: "center" }); const b = r.getBoundingClientRect();
            return { x: b.left + 20, y: b.top + b.height / 2, text: r.textContent }; })()`);
        const before = await p.eval(state);
        await p.click(row.x, row.y);
        await p.until(changed(before));
        const s = await p.eval(state);
        assert.ok(s.end - s.start < (before.end - before.start) / 20, "zoomed in");
        const lane = s.lanes.findIndex((id) => row.text.includes(id));
        assert.ok(lane >= 0, "the row's station has a lane: " + row.text);
        await p.eval(`document.getElementById("timeline").scrollIntoView({ block: "center" })`);
        const t = await p.eval(track(lane));
        await p.mouse("mouseMoved", t.x + t.w / 2, t.y);
        const text = await p.until(`(${tooltip} || "").startsWith("Gap")`) && await p.eval(tooltip);
        assert.ok(text && text.includes("missing") && text.includes("after record"), String(text));
    }],
    ["a station's box takes its lane out of the document and the fragment names the rest", async (p) => {
        const s = await p.eval(state);
        await p.eval(`document.querySelector("#station-picker input").click()`);
        const after = await p.until(`(() => { const s = ${state}; return s.lanes.length === ${s.lanes.length - 1} && s; })()`);
        assert.deepStrictEqual(after.lanes, s.lanes.slice(1));
        assert.ok(after.hash.endsWith("&station=" + s.lanes.slice(1).join(",")), after.hash);
    }],
    ["a fragment typed into the address moves the view", async (p) => {
        const before = await p.eval(state);
        await p.eval(`location.hash = "#start=2024-03-01T06:00:00Z&end=2024-03-01T07:30:00Z"`);
        await p.until(changed(before));
        const s = await p.eval(state);
        assert.deepStrictEqual([iso(s.start), iso(s.end)], ["2024-03-01T06:00:00Z", "2024-03-01T07:30:00Z"]);
    }],
];

async function main() {
    const chromium = chromiumPath();
    if (!chromium) {
        console.log("chromium is not installed (Debian package chromium): the page's interaction tests are skipped");
        process.exit(77);
    }
    const browser = await launch(chromium);
    let failed = 0;
    try {
        for (const [name, run] of cases)
            if (!(await checkPage(browser, "file://" + pageFile, name, run))) ++failed;
    } finally {
        await browser.close();
    }
    console.log(`${cases.length - failed} of ${cases.length} passed`);
    process.exit(failed ? 1 : 0);
}

// A browser that hangs fails the test rather than the suite.
setTimeout(() => { console.log("FAIL: no answer from chromium within 120 s"); process.exit(1); }, 120000).unref();
main().catch((e) => { console.log("FAIL: " + e.stack); process.exit(1); });
