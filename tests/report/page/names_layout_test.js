// Names from outside in the page's layout, in headless Chromium: a name's direction controls stay inside
// the name, and a name without spaces does not widen the page.
// Usage: node names_layout_test.js PREFLIST-REPORT
"use strict";
const assert = require("assert");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { execFileSync } = require("child_process");
const { launch, checkPage, chromiumPath } = require("../../../tools/cdp.js");

const report = process.argv[2];

// A run of station 0A1 from the data file given: twenty records a minute apart from 01:00:00 of 2005-05-03.
function run(file) {
    let s = " new run ---------------------------------\r\n " + file + "\r\n\r\n   Rec Typ Date  Time\r\n";
    s += "                       Station ID: 0A1\r\n";
    for (let rec = 1; rec <= 20; ++rec) {
        const t = 3600 + rec * 60;
        const hhmmss = [t / 3600, t / 60 % 60, t % 60].map((v) => String(Math.floor(v)).padStart(2, "0")).join("");
        s += String(rec).padStart(6) + "  8 05123 " + hhmmss + "\r\n";
    }
    return s + " -- eof at irec=   21 --\r\n";
}

// Where text is drawn inside an element: the left edges of its first and last characters, or null.
const edges = (id, text) => `(() => {
    const walk = document.createTreeWalker(document.getElementById("${id}"), NodeFilter.SHOW_TEXT);
    for (let n; (n = walk.nextNode());) {
        const at = n.data.indexOf(${JSON.stringify(text)});
        if (at < 0) continue;
        const r = document.createRange(), left = (k) => { r.setStart(n, k); r.setEnd(n, k + 1); return r.getBoundingClientRect().left; };
        return [left(at), left(at + ${text.length - 1})];
    }
    return null;
})()`;
const rightToLeft = "\u202E";
const span = "2005-05-03T01:01:00Z";

// [name, {listing name: [data file names]}, check(page)]
const cases = [
    ["a right-to-left override in a listing's name leaves the span after it left to right",
     { [rightToLeft + "evil.lst"]: ["a.dat"] }, async (p) => {
        const e = await p.eval(edges("subtitle", span));
        assert.ok(e && e[0] < e[1], "the span reads backwards: first character at " + (e && e[0]) + ", last at " + (e && e[1]));
    }],
    ["a right-to-left override in one name leaves the next name as it is",
     { [rightToLeft + "a.lst"]: ["a.dat"], "b-later.lst": ["b.dat"] }, async (p) => {
        for (const id of ["subtitle", "title"]) {
            const e = await p.eval(edges(id, "b-later.lst"));
            assert.ok(e && e[0] < e[1], "the next name reads backwards in #" + id);
        }
    }],
    ["a listing's name without spaces does not widen the page",
     { ["x".repeat(200) + ".lst"]: ["a.dat"] }, async (p) => {
        const w = await p.eval(`[document.documentElement.scrollWidth, innerWidth]`);
        assert.ok(w[0] <= w[1], "the page is " + w[0] + " pixels wide in a window of " + w[1]);
    }],
    ["the runs table wraps names without spaces instead of widening",
     { "runs.lst": ["y".repeat(200) + ".dat"], ["z".repeat(200) + ".lst"]: ["b.dat"] }, async (p) => {
        await p.eval(`document.getElementById("runs-box").open = true`);
        const w = await p.eval(`(() => { const s = document.querySelector("#runs-box .scroll"); return [s.scrollWidth, s.clientWidth]; })()`);
        assert.ok(w[0] <= w[1], "the runs table is " + w[0] + " pixels wide in a box of " + w[1]);
    }],
];

async function main() {
    const chromium = chromiumPath();
    if (!chromium) {
        console.log("chromium is not installed (Debian package chromium): the page's layout of names is not tested");
        process.exit(77);
    }
    const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "page-names."));
    const browser = await launch(chromium);
    let failed = 0;
    try {
        for (const [n, [name, listings, check]] of cases.entries()) {
            const dir = path.join(scratch, String(n));
            fs.mkdirSync(dir);
            for (const [listing, files] of Object.entries(listings)) fs.writeFileSync(path.join(dir, listing), files.map(run).join(""));
            execFileSync(report, ["--html", "page.html"].concat(Object.keys(listings)), { cwd: dir, stdio: "ignore" });
            if (!(await checkPage(browser, "file://" + path.join(dir, "page.html"), name, check))) ++failed;
        }
    } finally {
        await browser.close();
        fs.rmSync(scratch, { recursive: true, force: true });
    }
    console.log(`${cases.length - failed} of ${cases.length} passed`);
    process.exit(failed ? 1 : 0);
}

// A browser that hangs fails the test rather than the suite.
setTimeout(() => { console.log("FAIL: no answer from chromium within 60 s"); process.exit(1); }, 60000).unref();
main().catch((e) => { console.log("FAIL: " + e.stack); process.exit(1); });
