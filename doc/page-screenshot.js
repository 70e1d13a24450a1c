// Takes the README's picture of the --html page: zoomed to a gap by its fragment, the pointer on the gap.
// Usage: node doc/page-screenshot.js PAGE.html FRAGMENT STATION OUT.png
"use strict";
const fs = require("fs");
const { launch, chromiumPath } = require("../tools/cdp.js");

async function main() {
    const [page, fragment, station, out] = process.argv.slice(2);
    const browser = await launch(chromiumPath());
    try {
        const p = await browser.open("file://" + page + "#" + fragment, 1280, 820);
        await p.until(`document.querySelector('#timeline [data-station="${station}"]')`);
        const at = await p.eval(`(() => {
            const r = document.querySelector('#timeline [data-station="${station}"] .track').getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2]; })()`);
        await p.mouse("mouseMoved", at[0], at[1]);
        await p.until(`!document.getElementById("tooltip").hidden`);
        const shot = await p.send("Page.captureScreenshot", { format: "png" });
        fs.writeFileSync(out, Buffer.from(shot.data, "base64"));
    } finally {
        await browser.close();
    }
}

main().catch((e) => { console.error("page-screenshot: " + e.message); process.exit(1); });
