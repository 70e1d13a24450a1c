// A small DevTools client over Chromium's --remote-debugging-pipe: real input events for the page's tests
// and the bench, with no package beyond node's own.
"use strict";
const { spawn } = require("child_process");
const { StringDecoder } = require("string_decoder");
const fs = require("fs");
const os = require("os");
const path = require("path");

const flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync", "--disable-extensions",
    "--hide-scrollbars", "--remote-debugging-pipe"];

// Starts the browser; open(url) gives a page to drive. Messages on the pipe end with a NUL byte.
async function launch(chromium) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), "page-chromium-"));
    const proc = spawn(chromium, flags.concat(["--user-data-dir=" + profile, "about:blank"]),
        { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    let log = "";
    proc.stderr.on("data", (d) => { log += d; });
    const toBrowser = proc.stdio[3], fromBrowser = proc.stdio[4];
    const decoder = new StringDecoder("utf8");
    const waiting = new Map(), handlers = [];
    let next = 0, buffered = "";
    fromBrowser.on("data", (chunk) => {
        buffered += decoder.write(chunk);
        for (let end; (end = buffered.indexOf("\0")) >= 0;) {
            const msg = JSON.parse(buffered.slice(0, end));
            buffered = buffered.slice(end + 1);
            if (msg.id !== undefined && waiting.has(msg.id)) {
                const w = waiting.get(msg.id);
                waiting.delete(msg.id);
                if (msg.error) w.reject(new Error(w.method + ": " + msg.error.message));
                else w.resolve(msg.result);
            } else {
                handlers.forEach((h) => h(msg));
            }
        }
    });
    const exited = new Promise((resolve) => proc.on("exit", resolve));
    function send(method, params, sessionId) {
        const id = ++next;
        const msg = { id, method, params: params || {} };
        if (sessionId) msg.sessionId = sessionId;
        toBrowser.write(JSON.stringify(msg) + "\0");
        return new Promise((resolve, reject) => waiting.set(id, { resolve, reject, method }));
    }
    async function open(url, width, height) {
        const { targetId } = await send("Target.createTarget", { url: "about:blank" });
        const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
        const page = new PageSession(send, sessionId, handlers);
        await page.send("Page.enable");
        await page.send("Runtime.enable");
        await page.send("Emulation.setDeviceMetricsOverride",
            { width: width || 1280, height: height || 900, deviceScaleFactor: 1, mobile: false });
        const loaded = page.event("Page.loadEventFired");
        await page.send("Page.navigate", { url });
        await loaded;
        return page;
    }
    // Closed as a user closes it, so that its helpers end and its profile can go; killed if it hangs.
    async function close() {
        send("Browser.close").catch(() => {});
        const limit = new Promise((resolve) => setTimeout(resolve, 5000, "late"));
        if ((await Promise.race([exited, limit])) === "late") {
            proc.kill("SIGKILL");
            await exited;
        }
        try {
            fs.rmSync(profile, { recursive: true, force: true, maxRetries: 20, retryDelay: 100 });
        } catch (e) {
            console.log("note: could not remove " + profile + ": " + e.message);
        }
    }
    return { open, close, log: () => log };
}

// One tab: evaluate script, wait for a condition, and send mouse and key events as a user would.
class PageSession {
    constructor(send, sessionId, handlers) {
        this.sessionId = sessionId;
        this.raw = send;
        this.errors = [];
        this.listeners = [];
        handlers.push((msg) => {
            if (msg.sessionId !== sessionId) return;
            if (msg.method === "Runtime.exceptionThrown") {
                const d = msg.params.exceptionDetails;
                this.errors.push((d.exception && d.exception.description) || d.text);
            }
            this.listeners = this.listeners.filter((l) => !(l.method === msg.method && (l.resolve(msg.params), true)));
        });
    }
    send(method, params) { return this.raw(method, params, this.sessionId); }
    event(method) { return new Promise((resolve) => this.listeners.push({ method, resolve })); }
    async eval(expression) {
        const r = await this.send("Runtime.evaluate", { expression, returnByValue: true, awaitPromise: true });
        if (r.exceptionDetails) throw new Error("in the page: " + (r.exceptionDetails.exception || {}).description);
        return r.result.value;
    }
    // Polls until the expression is true; its last value otherwise.
    async until(expression, ms) {
        const limit = Date.now() + (ms || 5000);
        for (;;) {
            const v = await this.eval(expression);
            if (v || Date.now() > limit) return v;
            await new Promise((r) => setTimeout(r, 25));
        }
    }
    mouse(type, x, y, more) {
        return this.send("Input.dispatchMouseEvent", Object.assign({ type, x, y, button: "none" }, more || {}));
    }
    async click(x, y) {
        await this.mouse("mouseMoved", x, y);
        await this.mouse("mousePressed", x, y, { button: "left", buttons: 1, clickCount: 1 });
        await this.mouse("mouseReleased", x, y, { button: "left", buttons: 0, clickCount: 1 });
    }
    async drag(x0, y, x1) {
        await this.mouse("mouseMoved", x0, y);
        await this.mouse("mousePressed", x0, y, { button: "left", buttons: 1, clickCount: 1 });
        for (let k = 1; k <= 10; ++k) await this.mouse("mouseMoved", x0 + (x1 - x0) * k / 10, y, { button: "left", buttons: 1 });
        await this.mouse("mouseReleased", x1, y, { button: "left", buttons: 0, clickCount: 1 });
    }
    wheel(x, y, deltaY) { return this.mouse("mouseWheel", x, y, { deltaX: 0, deltaY }); }
    async key(key) {
        const codes = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Enter: 13, Escape: 27, Home: 36 };
        const code = codes[key];
        const down = code ? { type: "rawKeyDown", key, windowsVirtualKeyCode: code } : { type: "keyDown", key, text: key };
        await this.send("Input.dispatchKeyEvent", down);
        await this.send("Input.dispatchKeyEvent", { type: "keyUp", key, windowsVirtualKeyCode: code || 0 });
    }
}

// Opens url, waits for the timeline's lanes, runs check(page) and prints "ok" or "FAIL" with the case's name;
// an error the page's script did not catch fails the case too. True when it passed.
async function checkPage(browser, url, name, check) {
    const p = await browser.open(url);
    let passed = true;
    try {
        await p.until(`document.querySelectorAll("#timeline .track").length > 0`);
        await check(p);
        if (p.errors.length) throw new Error("the page's script failed: " + p.errors.join("; "));
        console.log("ok   " + name);
    } catch (e) {
        passed = false;
        console.log("FAIL " + name + ": " + e.message);
    }
    await p.send("Page.close").catch(() => {});
    return passed;
}

function chromiumPath() {
    if (process.env.PREFLISTER_CHROMIUM) return process.env.PREFLISTER_CHROMIUM;
    return ["/usr/bin/chromium", "/usr/bin/chromium-browser"].find((p) => fs.existsSync(p)) || "";
}

module.exports = { launch, checkPage, chromiumPath };
