// Times the --html page in headless Chromium: how long it takes to open, and to redraw after a wheel turn.
// Usage: node page_bench.js PAGE.html [RUNS]   Prints one line of medians; exits 77 without chromium.
"use strict";
const { launch, chromiumPath } = require("../tools/cdp.js");

const median = (v) => v.slice().sort((a, b) => a - b)[Math.floor(v.length / 2)];

// In the page: the time of each wheel event, and of the end of the redraw that follows it (the lanes are
// put back in one piece at the end of a redraw; an observer's callback runs right after that task).
const watch = `(() => {
    const t = document.getElementById("timeline");
    window.benchTurns = [];
    window.addEventListener("wheel", () => window.benchTurns.push({ wheel: performance.now() }), true);
    new MutationObserver(() => {
        const last = window.benchTurns[window.benchTurns.length - 1];
        if (last && last.drawn === undefined) last.drawn = performance.now();
    }).observe(t, { childList: true });
    return true;
})()`;

async function main() {
    const page = process.argv[2], runs = Number(process.argv[3] || 5);
    const chromium = chromiumPath();
    if (!chromium) {
        console.log("chromium not installed: the page was not timed");
        process.exit(77);
    }
    const browser = await launch(chromium);
    const open = [], table = [], redraw = [];
    try {
        for (let run = 0; run < runs; ++run) {
            const p = await browser.open("file://" + page);
            open.push(await p.eval(`performance.getEntriesByType("navigation")[0].loadEventEnd`));
            // The steps table is filled after the timeline's first draw.
            table.push(await p.until(`document.querySelector("#steps tr[data-kind]") ? performance.now() : 0`, 10000));
            await p.eval(watch);
            const r = await p.eval(`(() => { const b = document.querySelector("#timeline .track").getBoundingClientRect();
                return [b.left + b.width / 2, b.top + b.height / 2]; })()`);
            for (let turn = 0; turn < 5; ++turn) {
                await p.wheel(r[0], r[1], -200);
                await p.until(`window.benchTurns.length === ${turn + 1} && window.benchTurns[${turn}].drawn !== undefined`);
            }
            const turns = await p.eval(`window.benchTurns`);
            turns.forEach((t) => redraw.push(t.drawn - t.wheel));
            if (p.errors.length) throw new Error("the page's script failed: " + p.errors.join("; "));
            await p.send("Page.close").catch(() => {});
        }
    } finally {
        await browser.close();
    }
    console.log(`opened (load event ended) ${median(open).toFixed(0)} ms, steps table filled by ` +
        `${median(table).toFixed(0)} ms, redraw after a wheel turn ${median(redraw).toFixed(1)} ms ` +
        `(the longest ${Math.max(...redraw).toFixed(1)} ms); medians of ${runs} openings, ${redraw.length} turns`);
}

setTimeout(() => { console.log("no answer from chromium within 300 s"); process.exit(1); }, 300000).unref();
main().catch((e) => { console.log("page bench failed: " + e.message); process.exit(1); });
