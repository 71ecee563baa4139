// The web build in a real browser: serves build-web/site from 127.0.0.1 and
// opens it in headless Chromium through puppeteer-core.
//
//   node page_test.mjs --build-web DIR --reference PROGRAM    the tests
//   node page_test.mjs --build-web DIR --measure              frame rate, start time, page size
//
// Every test opens a fresh page; a failed check fails the run (exit 1).
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import {execFileSync} from "node:child_process";
import crypto from "node:crypto";
import {fileURLToPath} from "node:url";
import zlib from "node:zlib";
import puppeteer from "puppeteer-core";

const args = process.argv.slice(2);
const option = (name) => {
    const i = args.indexOf(name);
    return i >= 0 ? args[i + 1] : undefined;
};
const buildWeb = path.resolve(option("--build-web") || "build-web");
const site = path.join(buildWeb, "site");
const missingImageData = path.join(buildWeb, "test-missing-image");
const referenceProgram = option("--reference");
const measuring = args.includes("--measure");
const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");

// The site at /, and the same site with the art that lacks one image at
// /missing-image/. A server of another folder (a copy of the site) has no
// such path; every server notes the paths it was asked for in .requests.
const types = {".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm",
               ".data": "application/octet-stream", ".png": "image/png",
               ".webmanifest": "application/manifest+json"};
function startServer(siteRoot = site) {
    const requests = [];
    const server = http.createServer((request, response) => {
        let url = decodeURIComponent(new URL(request.url, "http://x").pathname);
        requests.push(url);
        let root = siteRoot;
        if (url.startsWith("/missing-image/")) {
            url = url.slice("/missing-image".length);
            if (siteRoot === site && (url === "/vantora3.data" || url === "/vantora3-data.js")) root = missingImageData;
        }
        // Under /slow-data/ the site's data arrives late, as on a slow
        // network: the game's code is then ready long before its art.
        let delay = 0;
        if (url.startsWith("/slow-data/")) {
            url = url.slice("/slow-data".length);
            if (url === "/vantora3.data") delay = 1500;
        }
        if (url.endsWith("/")) url += "index.html";
        const file = path.join(root, path.normalize(url));
        if (!file.startsWith(root) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            response.writeHead(404);
            response.end();
            return;
        }
        setTimeout(() => {
            response.writeHead(200, {"Content-Type": types[path.extname(file)] || "application/octet-stream",
                                     "Cache-Control": "no-store"});
            fs.createReadStream(file).pipe(response);
        }, delay);
    });
    server.requests = requests;
    return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

function launchBrowser() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), "vantora3-chromium-"));
    // No GPU here: SwiftShader gives WebGL2 (the image read-back needs it),
    // and compositing in software keeps requestAnimationFrame at 60 Hz.
    return puppeteer.launch({
        executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
        headless: true,
        args: ["--no-sandbox", "--disable-gpu", "--enable-unsafe-swiftshader", "--disable-dev-shm-usage",
               "--disable-background-networking",
               "--disable-component-update", "--disable-sync", "--no-first-run", "--no-default-browser-check",
               `--user-data-dir=${profile}`],
    }).then((browser) => ({browser, profile}));
}

let failures = 0;
function check(condition, message) {
    if (!condition) {
        failures += 1;
        console.log(`    FAILED: ${message}`);
    }
    return condition;
}

// A phone's screen: three device pixels to the CSS pixel, touch, no mouse.
const phone = {deviceScaleFactor: 3, isMobile: true, hasTouch: true};

async function openPage(browser, url, {width = 1024, height = 768, settings, viewport = {}} = {}) {
    const page = await browser.newPage();
    await page.setViewport({width, height, ...viewport});
    page.consoleLines = [];
    page.on("console", (m) => page.consoleLines.push(m.text()));
    page.on("pageerror", (e) => page.consoleLines.push("page error: " + e.message));
    if (settings) await page.evaluateOnNewDocument((s) => { window.TEST_moduleSettings = s; }, settings);
    await page.goto(url);
    return page;
}

// The game's log, as Windows-1252 bytes read one to one into a string.
const readLog = (page) => page.evaluate(() => {
    try {
        const bytes = Module.FS.readFile("/vantora3/log/log.txt");
        let text = "";
        for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
        return text;
    } catch (e) {
        return "";
    }
});

async function waitForLog(page, predicate, what, timeout = 10000) {
    const end = Date.now() + timeout;
    for (;;) {
        const log = await readLog(page);
        if (predicate(log)) return log;
        if (Date.now() > end) {
            check(false, `timed out waiting for ${what}; console: ${page.consoleLines.slice(-5).join(" | ")}`);
            return log;
        }
        await new Promise((r) => setTimeout(r, 50));
    }
}
const frames = (log) => (log.match(/^Scene ended$/gm) || []).length;
const shots = (log) => (log.match(/^Schuss erstellt$/gm) || []).length;
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The ship's place, the frames run and the shots made, read at one moment.
async function gameState(page) {
    const {x, log} = await page.evaluate(() => {
        const bytes = Module.FS.readFile("/vantora3/log/log.txt");
        let text = "";
        for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
        return {x: Module._TEST_PlayerX(), log: text};
    });
    return {x, frames: frames(log), shots: shots(log)};
}
// How far the ship went per frame between two states.
const perFrame = (a, b) => (b.x - a.x) / Math.max(1, b.frames - a.frames);

// Fingers on the screen through the DevTools protocol's touch events, each
// given as [x, y, id]: touchStart and touchMove list the fingers down after
// them, touchEnd the fingers lifted (none: all of them), touchCancel none.
async function fingers(page) {
    const session = await page.createCDPSession();
    return (type, points) => session.send("Input.dispatchTouchEvent",
                                          {type, touchPoints: points.map(([x, y, id]) => ({x, y, id}))});
}
// An element's box in CSS pixels, and whether it shows.
const box = (page, id) => page.evaluate((id) => {
    const el = document.getElementById(id);
    const r = el.getBoundingClientRect();
    return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width, height: r.height,
            cx: r.left + r.width / 2, cy: r.top + r.height / 2,
            shown: getComputedStyle(el).display !== "none" && r.width > 0};
}, id);

// Pixels close to the start screen's orange (FF AA 00) in a canvas.
const orangePixels = (page, selector) => page.evaluate((sel) => {
    const canvas = sel ? document.querySelector(sel) : Module.v3FrameCanvas;
    const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let n = 0;
    for (let i = 0; i < data.length; i += 4)
        if (data[i] > 200 && data[i + 1] > 130 && data[i + 1] < 210 && data[i + 2] < 60) n += 1;
    return n;
}, selector);

// A small RGBA PNG (8 bits a channel, no interlace) of the given rows of
// [r, g, b, a] texels, written here so the test knows every stored byte.
function crc32(bytes) {
    let crc = 0xFFFFFFFF;
    for (const b of bytes) {
        crc ^= b;
        for (let k = 0; k < 8; ++k) crc = (crc >>> 1) ^ (0xEDB88320 & -(crc & 1));
    }
    return (crc ^ 0xFFFFFFFF) >>> 0;
}
function png(rows) {
    const chunk = (name, data) => {
        const body = Buffer.concat([Buffer.from(name, "latin1"), data]);
        const head = Buffer.alloc(4);
        head.writeUInt32BE(data.length);
        const tail = Buffer.alloc(4);
        tail.writeUInt32BE(crc32(body));
        return Buffer.concat([head, body, tail]);
    };
    const ihdr = Buffer.alloc(13);
    ihdr.writeUInt32BE(rows[0].length, 0);
    ihdr.writeUInt32BE(rows.length, 4);
    ihdr.set([8, 6, 0, 0, 0], 8);
    const raw = Buffer.from(rows.flatMap((row) => [0, ...row.flat()]));
    return Buffer.concat([Buffer.from([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]), chunk("IHDR", ihdr),
                          chunk("IDAT", zlib.deflateSync(raw)), chunk("IEND", Buffer.alloc(0))]);
}

const tests = {
    async "start screen is drawn, with its log lines and orange text"(browser, base) {
        const page = await openPage(browser, base + "/");
        const log = await waitForLog(page, (l) => frames(l) >= 5, "five start-screen frames");
        check(log.startsWith("Init Direct3D: TRUE\n"), "the log opens with the device's line");
        for (const line of ["Alle Sprites geladen", "Spiel Initialisiert", "Hintergrund gezeichnet",
                            "Vantora gezeichnet", "Objekte gezeichnet", "Textausgabe"])
            check(log.includes("\n" + line + "\n"), `log line "${line}"`);
        check(!log.includes("Framerate berechnet"), "no play-screen frame before Space");
        check(await orangePixels(page, null) > 300, "orange text in the presented frame");
        check(await orangePixels(page, "#screen") > 100, "orange text on the page's canvas");
        const canvas = await page.evaluate(() => {
            const c = document.getElementById("screen");
            return {w: c.width, h: c.height, cw: c.getBoundingClientRect().width, dpr: devicePixelRatio};
        });
        check(Math.abs(canvas.w / canvas.h - 4 / 3) < 0.01, `canvas keeps 4:3 (${canvas.w}x${canvas.h})`);
        check(Math.abs(canvas.w - canvas.cw * canvas.dpr) < 1, "canvas has one pixel per device pixel");

        // The log download hands the browser the log's bytes as they are.
        const download = await page.evaluate(async () => {
            let clicked = null;
            const original = HTMLAnchorElement.prototype.click;
            HTMLAnchorElement.prototype.click = function () { clicked = {href: this.href, name: this.download}; };
            document.getElementById("download-log").click();
            HTMLAnchorElement.prototype.click = original;
            if (!clicked) return null;
            const got = new Uint8Array(await (await fetch(clicked.href)).arrayBuffer());
            const log = Module.FS.readFile("/vantora3/log/log.txt");
            return {name: clicked.name, same: got.length > 0 && got.length <= log.length &&
                    got.every((b, i) => b === log[i])};
        });
        check(download && download.name === "log.txt" && download.same, "the log downloads as log.txt");

        // Full screen: the stage (without the page's bars) fills the window,
        // which headless Chromium keeps at the viewport's size, and the
        // canvas follows.
        await page.click("#fullscreen");
        await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: 3000})
            .catch(() => check(false, "the full-screen button enters full screen"));
        await sleep(200);
        const full = await page.evaluate(() => ({w: document.getElementById("screen").width,
                                                 sw: innerWidth * devicePixelRatio,
                                                 sh: innerHeight * devicePixelRatio,
                                                 h: document.getElementById("screen").height}));
        check(Math.abs(full.w - Math.min(full.sw, full.sh * 4 / 3)) <= 1,
              `in full screen the canvas fills the window (${full.w}x${full.h} on ${full.sw}x${full.sh})`);
        await page.close();
    },

    async "Space starts a game, a held arrow moves the ship, F1 lists a screenshot, Escape ends"(browser, base) {
        const page = await openPage(browser, base + "/");
        await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
        await page.keyboard.press("Space");
        let log = await waitForLog(page, (l) => l.includes("\nSpiel zur\xfcckgesetzt\n"),
                                   '"Spiel zur\\xfcckgesetzt" (Windows-1252) in the log');
        await waitForLog(page, (l) => l.includes("\nFramerate berechnet\n"), "play-screen frames");

        const x0 = await page.evaluate(() => Module._TEST_PlayerX());
        await page.keyboard.down("ArrowLeft");
        await sleep(500);
        const x1 = await page.evaluate(() => Module._TEST_PlayerX());
        await page.keyboard.up("ArrowLeft");
        await sleep(200);
        const x2 = await page.evaluate(() => Module._TEST_PlayerX());
        await sleep(300);
        const x3 = await page.evaluate(() => Module._TEST_PlayerX());
        check(x1 < x0 - 50, `held ArrowLeft moves the ship left (${x0} -> ${x1})`);
        check(x3 === x2, `released, the ship stays (${x2} -> ${x3})`);

        // Focus lost while a key is held: its release never reaches the page,
        // so every key counts as released.
        await page.keyboard.down("ArrowRight");
        await sleep(300);
        await page.evaluate(() => window.dispatchEvent(new Event("blur")));
        await sleep(150);
        const y0 = await page.evaluate(() => Module._TEST_PlayerX());
        await sleep(300);
        const y1 = await page.evaluate(() => Module._TEST_PlayerX());
        check(y0 > x3 + 30, `held ArrowRight moves the ship right (${x3} -> ${y0})`);
        check(y1 === y0, `after focus loss the ship stops (${y0} -> ${y1})`);
        await page.keyboard.up("ArrowRight");

        await page.keyboard.press("F1");
        const shot = await page.waitForSelector("#screenshots a[data-size]", {timeout: 5000}).catch(() => null);
        if (check(shot !== null, "F1 adds a screenshot to the page's list")) {
            const info = await page.evaluate(async () => {
                const a = document.querySelector("#screenshots a");
                const bytes = new Uint8Array(await (await fetch(a.href)).arrayBuffer());
                return {name: a.download, size: bytes.length, magic: String.fromCharCode(bytes[0], bytes[1])};
            });
            check(/^screen\d+\.bmp$/.test(info.name), `screenshot named like the desktop's (${info.name})`);
            check(info.size === 3145782, `the screenshot is a 3,145,782-byte BMP (${info.size})`);
            check(info.magic === "BM", "the download is a BMP file");
            // The same screenshot as PNG, converted in the page.
            const png = await page.evaluate(async () => {
                let clicked = null;
                const original = HTMLAnchorElement.prototype.click;
                HTMLAnchorElement.prototype.click = function () { clicked = {href: this.href, name: this.download}; };
                document.querySelector("#screenshots a.png").dispatchEvent(new MouseEvent("click", {cancelable: true}));
                for (let i = 0; i < 100 && !clicked; ++i) await new Promise((r) => setTimeout(r, 50));
                HTMLAnchorElement.prototype.click = original;
                if (!clicked) return null;
                const blob = await (await fetch(clicked.href)).blob();
                const bytes = new Uint8Array(await blob.arrayBuffer());
                const pixels = async (b) => {
                    const image = await createImageBitmap(b);
                    const context = new OffscreenCanvas(image.width, image.height).getContext("2d");
                    context.drawImage(image, 0, 0);
                    return {width: image.width, height: image.height,
                            data: context.getImageData(0, 0, image.width, image.height).data};
                };
                const image = await pixels(blob);
                const bmp = await pixels(await (await fetch(document.querySelector("#screenshots a").href)).blob());
                return {name: clicked.name, magic: String.fromCharCode(...bytes.subarray(1, 4)),
                        width: image.width, height: image.height,
                        same: image.data.length === bmp.data.length && image.data.every((v, i) => v === bmp.data[i])};
            });
            check(png && /^screen\d+\.png$/.test(png.name) && png.magic === "PNG" && png.width === 1024 &&
                  png.height === 768 && png.same, `the screenshot downloads as a 1024x768 PNG of the same pixels (${JSON.stringify(png)})`);
        }

        await page.keyboard.press("Escape");
        const ended = await page.waitForSelector("#ended:not([hidden])", {timeout: 5000}).catch(() => null);
        if (check(ended !== null, "the page says the game has ended")) {
            const state = await page.evaluate(() => ({
                text: document.getElementById("ended").innerText,
                code: document.getElementById("ended").dataset.code,
                restart: !!document.getElementById("restart"),
            }));
            check(/game has ended/i.test(state.text) && state.restart, "ended message with a restart button");
            check(state.code === "0", `the game ended normally (exit ${state.code})`);
        }
        log = await readLog(page);
        const count = frames(log);
        await sleep(300);
        check(frames(await readLog(page)) === count, "no frame after Escape");
        await page.close();
    },

    async "touch: two fingers move and fire at once, a cancelled or departed finger lets go, desktops show no controls"(browser, base) {
        // The driven clock keeps the game's frame rate at 60 (from its first
        // count, after a second of frames): a step of the ship and the time
        // between shots then do not depend on this machine.
        const [width, height] = [844, 390];
        const page = await openPage(browser, base + "/", {width, height, viewport: phone,
                                                          settings: {TEST_drivenClock: true, TEST_milliseconds: 4242}});
        await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
        const touch = await fingers(page);
        const fire = await box(page, "touch-fire");
        const move = await box(page, "touch-move");
        check(fire.shown && move.shown, "a phone shows the touch controls");
        for (const id of ["touch-screenshot", "touch-quit"]) check((await box(page, id)).shown, `${id} shows`);
        const left = [move.cx - 0.4 * move.width, move.cy], right = [move.cx + 0.4 * move.width, move.cy];

        // A tap on fire on the start screen is Space: a new game, on the
        // frame that follows the tap.
        await page.evaluate(() => document.getElementById("touch-fire").addEventListener("pointerdown", () => {
            window.TEST_tapAfter = Module.v3PresentCount;
        }, {once: true}));
        await touch("touchStart", [[fire.cx, fire.cy, 1]]);
        await touch("touchEnd", []);
        const log = await waitForLog(page, (l) => l.includes("\nSpiel zur\xfcckgesetzt\n"), "a game started by a tap on fire");
        const tapAfter = await page.evaluate(() => window.TEST_tapAfter);
        const resetIn = frames(log.slice(0, log.indexOf("\nSpiel zur\xfcckgesetzt\n")));
        console.log(`    the tap came after ${tapAfter} presented frames; the game was reset in frame ${resetIn + 1}`);
        check(resetIn === tapAfter, `the tap reaches the game on the next frame (${tapAfter} -> ${resetIn})`);
        await waitForLog(page, (l) => l.includes("\nFramerate berechnet\n") && frames(l) >= 130,
                         "play-screen frames after the frame rate's first count");

        // Inside the stick's dead zone nothing moves.
        const d0 = await gameState(page);
        await touch("touchStart", [[move.cx + 0.05 * move.width, move.cy + 0.05 * move.width, 1]]);
        await sleep(300);
        const d1 = await gameState(page);
        await touch("touchEnd", []);
        check(d1.x === d0.x, `a finger near the stick's centre leaves the ship (${d0.x} -> ${d1.x})`);

        // Two fingers: the stick held left and fire held.
        await touch("touchStart", [[...left, 1]]);
        await touch("touchStart", [[...left, 1], [fire.cx, fire.cy, 2]]);
        await sleep(200);
        const a0 = await gameState(page);
        await sleep(400);
        const a1 = await gameState(page);
        const touchSpeed = perFrame(a0, a1);
        check(a1.x < a0.x - 30, `the stick held left moves the ship left (${a0.x} -> ${a1.x})`);
        // The stick's finger lifted, fire held on.
        await touch("touchEnd", [[...left, 1]]);
        await sleep(150);
        const a2 = await gameState(page);
        await sleep(2500);
        const a3 = await gameState(page);
        check(a3.x === a2.x, `the lifted finger stops the ship (${a2.x} -> ${a3.x})`);
        const rate = (a3.shots - a0.shots) / ((a3.frames - a0.frames) / 60);
        console.log(`    fire held: ${a3.shots - a0.shots} shots in ${a3.frames - a0.frames} frames, ` +
                    `${rate.toFixed(2)} a second of frames`);
        check(rate > 2.5 && rate < 3.6, `fire held gives about three shots a second (${rate.toFixed(2)})`);

        // Both fingers down, then cancelled: everything lets go.
        await touch("touchStart", [[fire.cx, fire.cy, 2], [...right, 3]]);
        await sleep(300);
        await touch("touchCancel", []);
        await sleep(150);
        const b0 = await gameState(page);
        await sleep(400);
        const b1 = await gameState(page);
        check(b1.x === b0.x && b1.shots === b0.shots,
              `a cancelled touch lets go of move and fire (x ${b0.x} -> ${b1.x}, shots ${b0.shots} -> ${b1.shots})`);

        // A finger sliding off the page lets go of its key; the other holds on.
        await touch("touchStart", [[...right, 4]]);
        await touch("touchStart", [[...right, 4], [fire.cx, fire.cy, 5]]);
        await sleep(300);
        await touch("touchMove", [[-20, right[1], 4], [fire.cx, fire.cy, 5]]);
        await sleep(150);
        const c0 = await gameState(page);
        await sleep(800);
        const c1 = await gameState(page);
        await touch("touchEnd", []);
        check(c1.x === c0.x, `the finger off the page stops the ship (${c0.x} -> ${c1.x})`);
        check(c1.shots > c0.shots, `the finger still on fire fires (${c0.shots} -> ${c1.shots})`);

        // Focus lost with a finger down: everything lets go, as with keys.
        await touch("touchStart", [[...right, 9]]);
        await sleep(300);
        await page.evaluate(() => window.dispatchEvent(new Event("blur")));
        await sleep(150);
        const e0 = await gameState(page);
        await sleep(400);
        const e1 = await gameState(page);
        await touch("touchEnd", []);
        check(e0.x > c1.x + 30 && e1.x === e0.x, `after focus loss the finger's stick lets go (${c1.x} -> ${e0.x} -> ${e1.x})`);

        // The keyboard moves the ship as far per frame, and puts the controls away.
        await page.keyboard.down("ArrowLeft");
        await sleep(200);
        const k0 = await gameState(page);
        await sleep(400);
        const k1 = await gameState(page);
        await page.keyboard.up("ArrowLeft");
        const keySpeed = perFrame(k0, k1);
        console.log(`    per frame: the stick ${touchSpeed.toFixed(2)} px, the arrow key ${keySpeed.toFixed(2)} px`);
        check(keySpeed < 0 && Math.abs(touchSpeed - keySpeed) < 1e-3,
              `the stick moves the ship as far per frame as the key (${touchSpeed}, ${keySpeed})`);
        check(!(await box(page, "touch-fire")).shown, "keyboard use hides the touch controls");

        // A touch anywhere shows them again; the small buttons are F1 and Escape.
        await touch("touchStart", [[width / 2, 100, 6]]);
        await touch("touchEnd", []);
        const screenshotButton = await box(page, "touch-screenshot");
        check(screenshotButton.shown, "a touch shows the controls again");
        await touch("touchStart", [[screenshotButton.cx, screenshotButton.cy, 7]]);
        await touch("touchEnd", []);
        check(await page.waitForSelector("#screenshots a[data-size]", {timeout: 5000}).catch(() => null) !== null,
              "the screenshot button adds a screenshot to the page's list");
        const quit = await box(page, "touch-quit");
        await touch("touchStart", [[quit.cx, quit.cy, 8]]);
        await touch("touchEnd", []);
        const ended = await page.waitForSelector("#ended:not([hidden])", {timeout: 5000}).catch(() => null);
        check(ended !== null && await page.evaluate(() => document.getElementById("ended").dataset.code) === "0",
              "the quit button ends the game normally, with the page's message");
        await page.close();

        const desktop = await openPage(browser, base + "/");
        await waitForLog(desktop, (l) => frames(l) >= 3, "the start screen");
        for (const id of ["touch-move", "touch-fire", "touch-screenshot", "touch-quit", "menu"])
            check(!(await box(desktop, id)).shown, `a desktop without touch shows no ${id}`);
        check((await box(desktop, "fullscreen")).shown, "a desktop shows the header");
        await desktop.close();
    },

    async "touch on the start screen: the stick's up and down change the difficulty as the arrows do; a pad hides the controls"(browser, base) {
        const [width, height] = [844, 390];
        const page = await openPage(browser, base + "/", {width, height, viewport: phone});
        await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
        const touch = await fingers(page);
        const move = await box(page, "touch-move");
        check(move.shown, "a phone shows the touch controls");
        const difficulty = () => page.evaluate(() => Module._TEST_Difficulty());
        const up = [move.cx, move.cy - 0.4 * move.height], down = [move.cx, move.cy + 0.4 * move.height];
        // A short push is one key press; the keyboard's arrows give the same steps.
        const push = (at, id) => async () => {
            await touch("touchStart", [[...at, id]]);
            await sleep(150);
            await touch("touchEnd", []);
        };
        const cases = [
            {what: "the stick pushed up", act: push(up, 1), want: 1},
            {what: "the stick pushed down", act: push(down, 2), want: 0},
            {what: "the stick pushed down again", act: push(down, 3), want: 3},
            {what: "the Up arrow", act: () => page.keyboard.press("ArrowUp"), want: 0},
        ];
        check(await difficulty() === 0, "the game starts on LEICHT (0)");
        for (const c of cases) {
            await c.act();
            await sleep(150);
            const got = await difficulty();
            check(got === c.want, `${c.what} sets the difficulty to ${c.want} (got ${got})`);
        }
        // A pad's button hides the touch controls; a touch shows them again.
        await touch("touchStart", [[width / 2, 100, 5]]);
        await touch("touchEnd", []);
        check((await box(page, "touch-fire")).shown, "a touch shows the controls");
        await page.evaluate(() => {
            const pad = {id: "test pad", index: 0, connected: true, mapping: "standard",
                         buttons: Array.from({length: 17}, (_, i) => ({pressed: i === 12, value: i === 12 ? 1 : 0})),
                         axes: [0, 0, 0, 0]};
            navigator.getGamepads = () => [pad, null, null, null];
        });
        await sleep(600);
        check(!(await box(page, "touch-fire")).shown, "a pad in use hides the touch controls");
        await page.close();
    },

    async "on a phone the picture is as large as the screen allows, the controls beside or below it"(browser, base) {
        for (const [width, height] of [[844, 390], [390, 844]]) {
            const upright = height > width;
            const page = await openPage(browser, base + "/", {width, height, viewport: phone});
            await waitForLog(page, (l) => frames(l) >= 5, "the start screen");
            await sleep(200);
            // The page's screenshot, read back in the page. Across a band
            // where nothing but the picture may show (between the small
            // buttons and the controls beside it, or between the two
            // controls below it), the bars are black and the picture is
            // not: the first and the last lit line there are its edges.
            const picture = await box(page, "screen");
            const move = await box(page, "touch-move"), fire = await box(page, "touch-fire");
            const tools = await box(page, "touch-quit");
            const band = upright ? [move.right + 2, fire.left - 2] : [tools.bottom + 2, move.top - 2];
            const points = [[move.cx, move.cy], [fire.cx, fire.cy + 0.3 * fire.height]];
            const shot = await page.screenshot({encoding: "base64"});
            const seen = await page.evaluate(async (png, upright, band, points) => {
                const image = await createImageBitmap(await (await fetch("data:image/png;base64," + png)).blob());
                const canvas = new OffscreenCanvas(image.width, image.height);
                const context = canvas.getContext("2d");
                context.drawImage(image, 0, 0);
                const {data} = context.getImageData(0, 0, image.width, image.height);
                const dpr = devicePixelRatio;
                const at = (x, y) => 4 * (Math.round(y) * image.width + Math.round(x));
                const lit = (x, y) => data[at(x, y)] + data[at(x, y) + 1] + data[at(x, y) + 2] > 12;
                const lines = upright ? image.height : image.width;
                const litLines = [];
                for (let i = 0; i < lines; ++i) {
                    let any = false;
                    for (let j = Math.ceil(band[0] * dpr); j < band[1] * dpr && !any; ++j) any = upright ? lit(j, i) : lit(i, j);
                    if (any) litLines.push(i);
                }
                return {width: image.width, height: image.height,
                        picture: {start: litLines[0], length: litLines[litLines.length - 1] - litLines[0] + 1},
                        pixels: points.map(([x, y]) => Array.from(data.subarray(at(x * dpr, y * dpr), at(x * dpr, y * dpr) + 3)))};
            }, shot, upright, band, points);
            const what = `${width}x${height}`;
            console.log(`    ${what}: the picture ${picture.width}x${picture.height} CSS px at ${picture.left},${picture.top}; ` +
                        `in the screenshot (${seen.width}x${seen.height}) ${seen.picture.length} device px ` +
                        `${upright ? "high" : "wide"} from ${seen.picture.start}`);
            const long = upright ? picture.height : picture.width, from = upright ? picture.top : picture.left;
            check(Math.abs(seen.picture.length - long * 3) <= 3 && Math.abs(seen.picture.start - from * 3) <= 3,
                  `${what}: the screenshot shows the picture where the page put it`);
            check(Math.abs(picture.width / picture.height - 4 / 3) < 0.01, `${what}: the picture is 4:3`);
            if (upright) {
                check(picture.width === width, `${what}: the picture spans the width (${picture.width})`);
                check(move.top >= picture.bottom && fire.top >= picture.bottom, `${what}: the controls lie below the picture`);
                check(tools.top >= picture.bottom, `${what}: the small buttons lie below the picture`);
            } else {
                check(picture.height >= 380, `${what}: the picture is at least 380 px high (${picture.height})`);
                check(move.right <= picture.left && fire.left >= picture.right, `${what}: the controls lie beside the picture`);
            }
            for (const c of [move, fire])
                check(c.left >= 0 && c.top >= 0 && c.right <= width && c.bottom <= height, `${what}: a control inside the screen`);
            const [knob, button] = seen.pixels;
            check(knob.every((v) => v > 60), `${what}: the stick's knob shows in the screenshot (${knob})`);
            check(button[0] > 40 && button[0] > button[2] + 20, `${what}: the fire button shows in the screenshot (${button})`);
            // The header is folded away behind the menu button.
            check(!(await box(page, "fullscreen")).shown && (await box(page, "menu")).shown, `${what}: a menu instead of the header`);
            await page.tap("#menu");
            check((await box(page, "fullscreen")).shown && (await box(page, "screenshots")).shown,
                  `${what}: the menu opens the header and the screenshots`);
            // Full screen on a phone asks for landscape; a browser that
            // refuses says nothing.
            await page.tap("#fullscreen");
            const full = await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: 3000})
                .then(() => true, () => false);
            await sleep(200);
            check(full, `${what}: the full-screen button enters full screen`);
            check(!page.consoleLines.some((l) => /page error|Uncaught/.test(l)),
                  `${what}: no error in full screen (${page.consoleLines.filter((l) => /error/i.test(l))})`);
            await page.close();
        }
    },

    async "installable; offline after one visit; a rebuilt site is taken whole, a half-uploaded one not at all"(browser) {
        // A copy of the site on a server of its own: an origin, and so a
        // service worker, of its own, and files the test may change.
        const copy = fs.mkdtempSync(path.join(os.tmpdir(), "vantora3-site-"));
        fs.cpSync(site, copy, {recursive: true});
        const server = await startServer(copy);
        const origin = `http://127.0.0.1:${server.address().port}`;
        const startScreen = (page) => page.waitForFunction(() => window.Module && Module.v3PresentCount > 0,
                                                           {polling: "raf", timeout: 10000});
        try {
            const page = await openPage(browser, origin + "/");
            await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
            const state = await page.evaluate(async () => {
                const worker = (await navigator.serviceWorker.ready).active;
                if (worker.state !== "activated")
                    await new Promise((resolve) => worker.addEventListener("statechange", resolve));
                return worker.state;
            });
            check(state === "activated", `the service worker is active (${state})`);
            const session = await page.createCDPSession();
            const {installabilityErrors} = await session.send("Page.getInstallabilityErrors");
            console.log(`    installability errors: ${JSON.stringify(installabilityErrors)}`);
            check(installabilityErrors.length === 0, "Chromium finds the page installable");

            await page.setOfflineMode(true);
            const t0 = Date.now();
            await page.reload();
            const started = await startScreen(page).then(() => true, () => false);
            const offlineMs = Date.now() - t0;
            console.log(`    offline reload to the start screen: ${offlineMs} ms`);
            check(started && offlineMs <= 2000, `offline, a reload reaches the start screen within 2 s (${offlineMs} ms)`);
            await page.setOfflineMode(false);

            // An update: the worker is written again by the build's own step
            // after one file changed. The page looks for it, as it does on
            // each load, and the new worker installs (or not) and takes over.
            const writeWorker = () => execFileSync("cmake", [`-DSITE=${copy}`,
                `-DTEMPLATE=${path.join(repository, "web/service-worker.js")}`,
                "-P", path.join(repository, "web/service_worker.cmake")]);
            const version = () => /const version = "([0-9a-f]+)"/.exec(fs.readFileSync(path.join(copy, "service-worker.js"), "latin1"))[1];
            const update = () => page.evaluate(async () => {
                const registration = await navigator.serviceWorker.getRegistration();
                await registration.update();
                const worker = registration.installing || registration.waiting;
                if (worker) {
                    await new Promise((resolve) => {
                        const settled = () => { if (["activated", "redundant"].includes(worker.state)) resolve(); };
                        worker.addEventListener("statechange", settled);
                        settled();
                    });
                }
                return {state: worker ? worker.state : "none", caches: await caches.keys()};
            });
            const cacheVersions = (names) => names.map((n) => n.split(" ")[1]);
            const v1 = version();
            const index = path.join(copy, "index.html");
            const oldIndex = fs.readFileSync(index, "latin1");
            const newIndex = oldIndex.replace("<title>", '<meta name="test-build" content="2">\n<title>');
            fs.writeFileSync(index, newIndex, "latin1");
            writeWorker();
            const v2 = version();
            check(v2 !== v1, `a changed file changes the version (${v1} -> ${v2})`);

            // Half uploaded: the new worker beside the old index.html.
            fs.writeFileSync(index, oldIndex, "latin1");
            const half = await update();
            check(half.state !== "activated" && cacheVersions(half.caches).join() === v1,
                  `a half-uploaded site is not taken (${half.state}, caches ${cacheVersions(half.caches)})`);

            // Uploaded whole: taken, and the old set is gone.
            fs.writeFileSync(index, newIndex, "latin1");
            const whole = await update();
            check(whole.state === "activated" && cacheVersions(whole.caches).join() === v2,
                  `the whole new site is taken (${whole.state}, caches ${cacheVersions(whole.caches)})`);

            // The next load is the new build's, every file from the cache,
            // which holds exactly the new files.
            server.requests.length = 0;
            await page.reload();
            check(await startScreen(page).then(() => true, () => false), "the new build reaches the start screen");
            check(await page.evaluate(() => document.querySelector('meta[name="test-build"]') !== null),
                  "the reload shows the changed page");
            check(server.requests.every((url) => url === "/service-worker.js"),
                  `the reload's files come from the cache (the server saw ${server.requests.join(", ")})`);
            const cached = await page.evaluate(async () => {
                const out = {};
                const cache = await caches.open((await caches.keys())[0]);
                for (const request of await cache.keys()) {
                    const body = await (await cache.match(request)).arrayBuffer();
                    out[new URL(request.url).pathname.slice(1)] = Array.from(
                        new Uint8Array(await crypto.subtle.digest("SHA-256", body)),
                        (b) => b.toString(16).padStart(2, "0")).join("");
                }
                return out;
            });
            const onDisk = {};
            for (const name of fs.readdirSync(copy).filter((n) => n !== "service-worker.js"))
                onDisk[name] = crypto.createHash("sha256").update(fs.readFileSync(path.join(copy, name))).digest("hex");
            check(JSON.stringify(Object.entries(cached).sort()) === JSON.stringify(Object.entries(onDisk).sort()),
                  `the cache holds the new build's files and no others (${Object.keys(cached).length} files)`);
            await page.close();
        } finally {
            server.close();
            fs.rmSync(copy, {recursive: true, force: true});
        }
    },

    async "the screen is kept on while playing, not on the start screen nor while hidden"(browser, base) {
        // The page's Wake Lock API and visibility, played by the test.
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 768});
        await page.evaluateOnNewDocument(() => {
            window.TEST_wakeLocks = [];
            let hidden = false;
            Object.defineProperty(document, "hidden", {get: () => hidden, configurable: true});
            Object.defineProperty(document, "visibilityState", {get: () => (hidden ? "hidden" : "visible"), configurable: true});
            window.TEST_setHidden = (h) => { hidden = h; document.dispatchEvent(new Event("visibilitychange")); };
            Object.defineProperty(navigator, "wakeLock", {configurable: true, value: {request: async (type) => {
                const lock = new EventTarget();
                lock.type = type;
                lock.released = false;
                lock.release = async () => {
                    if (lock.released) return;
                    lock.released = true;
                    lock.dispatchEvent(new Event("release"));
                };
                window.TEST_wakeLocks.push(lock);
                return lock;
            }}});
        });
        // The data comes late, so the page waits long for the game, and the
        // game's start-up then waits while the browser decodes its art: in
        // neither is a game played.
        await page.goto(base + "/slow-data/");
        const held = () => page.evaluate(() => window.TEST_wakeLocks.filter((l) => !l.released && l.type === "screen").length);
        const until = (count, what) => page.waitForFunction((n) => window.TEST_wakeLocks.filter((l) => !l.released).length === n,
                                                            {timeout: 10000}, count).then(() => true, () => check(false, what));
        await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
        await sleep(1500);
        check(await held() === 0, "the start screen does not keep the screen on");
        const early = await page.evaluate(() => window.TEST_wakeLocks.length);
        check(early === 0, `no lock asked while loading or on the start screen (asked ${early})`);
        await page.keyboard.press("Space");
        await waitForLog(page, (l) => l.includes("\nFramerate berechnet\n"), "play-screen frames");
        await until(1, "playing keeps the screen on");
        await page.evaluate(() => window.TEST_setHidden(true));
        await until(0, "a hidden page lets the screen sleep");
        await page.evaluate(() => window.TEST_setHidden(false));
        await until(1, "shown again while playing, the screen is kept on again");
        await page.keyboard.press("Escape");
        await page.waitForSelector("#ended:not([hidden])", {timeout: 5000}).catch(() => null);
        await until(0, "the ended game lets the screen sleep");
        const asked = await page.evaluate(() => window.TEST_wakeLocks.length);
        check(asked === 2, `one lock asked for each stretch of play (asked ${asked})`);
        await page.close();
    },

    async "the browser decodes images to the stored bytes and refuses broken ones"(browser, base) {
        // Straight alpha kept as stored, also for almost and fully transparent
        // texels, which a 2-D canvas would change.
        const rows = [[[200, 100, 50, 3], [255, 255, 255, 0], [10, 20, 30, 255]],
                      [[1, 2, 3, 128], [0, 0, 0, 0], [250, 128, 7, 254]]];
        const good = png(rows);
        const badData = Buffer.from(good);
        badData[badData.length - 20] ^= 0xFF;  // inside the compressed pixels
        const badHeader = Buffer.from(good);
        badHeader[20] ^= 1;  // the height, which no longer matches the header's CRC
        const truncated = good.subarray(0, good.length - 30);
        const page = await openPage(browser, base + "/", {settings: {noInitialRun: true}});
        await page.waitForFunction(() => window.Module && Module.calledRun, {timeout: 15000});
        const results = await page.evaluate(async (files) => {
            const out = {};
            for (const [name, b64] of Object.entries(files)) {
                const path = "/" + name + ".png";
                Module.FS.writeFile(path, Uint8Array.from(atob(b64), (c) => c.charCodeAt(0)));
                const buffer = Module._malloc(4 * 16);
                const n = await Module.ccall("TEST_DecodeImage", "number", ["string", "number", "number"],
                                             [path, buffer, 16], {async: true});
                out[name] = {n, texels: Array.from(Module.HEAPU32.subarray(buffer >> 2, (buffer >> 2) + Math.max(n, 0)))};
                Module._free(buffer);
            }
            return out;
        }, {good: good.toString("base64"), badData: badData.toString("base64"),
            badHeader: badHeader.toString("base64"), truncated: truncated.toString("base64")});
        const expected = rows.flat().map(([r, g, b, a]) => (((a << 24) | (r << 16) | (g << 8) | b) >>> 0));
        check(results.good.n === 6 && results.good.texels.every((t, i) => t === expected[i]),
              `texels as stored: ${results.good.texels.map((t) => t.toString(16))}`);
        for (const name of ["badData", "badHeader", "truncated"])
            check(results[name].n < 0, `${name} is refused (${results[name].n})`);
        await page.close();
    },

    async "a gamepad plays: A starts, the D-pad moves, the stick's dead zone holds, Back ends"(browser, base) {
        // Headless Chromium has no pads: the page sees one standard-mapping
        // pad through the Gamepad API, whose buttons and axes the test sets.
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 768});
        await page.evaluateOnNewDocument(() => {
            const pad = {id: "test pad", index: 0, connected: true, mapping: "standard",
                         buttons: Array.from({length: 17}, () => ({pressed: false, value: 0})), axes: [0, 0, 0, 0]};
            window.TEST_pad = pad;
            navigator.getGamepads = () => [pad, null, null, null];
        });
        await page.goto(base + "/");
        const setButton = (i, pressed) => page.evaluate((i, p) => { TEST_pad.buttons[i].pressed = p; }, i, pressed);
        const setAxis = (i, v) => page.evaluate((i, v) => { TEST_pad.axes[i] = v; }, i, v);
        const x = () => page.evaluate(() => Module._TEST_PlayerX());
        await waitForLog(page, (l) => frames(l) >= 3, "the start screen");
        await setButton(0, true);
        await waitForLog(page, (l) => l.includes("\nSpiel zur\xfcckgesetzt\n"), "a game started by A");
        await setButton(0, false);
        await waitForLog(page, (l) => l.includes("\nFramerate berechnet\n"), "play-screen frames");
        const x0 = await x();
        await setButton(14, true);
        await sleep(400);
        await setButton(14, false);
        await sleep(100);
        const x1 = await x();
        check(x1 < x0 - 50, `D-pad left moves the ship left (${x0} -> ${x1})`);
        await setAxis(0, 0.25);
        await sleep(300);
        const x2 = await x();
        check(x2 === x1, `a stick inside the dead zone leaves the ship (${x1} -> ${x2})`);
        await setAxis(0, 0.9);
        await sleep(300);
        const x3 = await x();
        await setAxis(0, 0);
        check(x3 > x2 + 30, `the stick pushed right moves the ship right (${x2} -> ${x3})`);
        // A key is held while any source holds it: the pad lets go, the keyboard still holds.
        await page.keyboard.down("ArrowRight");
        await setButton(15, true);
        await sleep(200);
        await setButton(15, false);
        await sleep(100);
        const x4 = await x();
        await sleep(300);
        const x5 = await x();
        await page.keyboard.up("ArrowRight");
        check(x5 > x4 + 30, `the keyboard's Right still moves the ship after the pad's is released (${x4} -> ${x5})`);
        await setButton(8, true);
        const ended = await page.waitForSelector("#ended:not([hidden])", {timeout: 5000}).catch(() => null);
        check(ended !== null && await page.evaluate(() => document.getElementById("ended").dataset.code) === "0",
              "Back ends the game normally");
        await page.close();
    },

    async "start-screen frames have the desktop's pixels and log lines"(browser, base) {
        const frame = 30;
        const raw = path.join(os.tmpdir(), `vantora3-reference-${process.pid}.raw`);
        const rawLog = raw + ".log";
        execFileSync(referenceProgram, [String(frame), raw, rawLog], {stdio: "inherit"});
        const reference = fs.readFileSync(raw);
        const referenceLog = fs.readFileSync(rawLog, "latin1");
        fs.rmSync(raw);
        fs.rmSync(rawLog);
        const page = await openPage(browser, base + "/", {
            settings: {TEST_drivenClock: true, TEST_milliseconds: 4242, TEST_captureFrame: frame}});
        await page.waitForFunction(() => window.Module && Module.TEST_capturedFrame, {timeout: 15000})
            .catch(() => check(false, "no captured frame"));
        const web = Buffer.from(await page.evaluate(() => {
            const bytes = Module.TEST_capturedFrame || new Uint8Array(0);
            let text = "";
            for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.subarray(i, i + 8192));
            return btoa(text);
        }), "base64");
        check(web.length === 1024 * 768 * 4 && reference.length === web.length,
              `both frames are 1024x768 (${web.length}, ${reference.length})`);
        let worst = 0, differing = 0;
        for (let i = 0; i < web.length; i += 4) {
            // Reference: B G R A bytes; the canvas: R G B A.
            const d = Math.max(Math.abs(web[i] - reference[i + 2]), Math.abs(web[i + 1] - reference[i + 1]),
                               Math.abs(web[i + 2] - reference[i]));
            worst = Math.max(worst, d);
            if (d > 0) differing += 1;
        }
        console.log(`    frame ${frame}: largest channel difference ${worst}, ${differing} pixels differ`);
        check(worst <= 2, `web and desktop frames agree within 2 per channel (worst ${worst})`);
        check(await orangePixels(page, null) > 300, "the compared frame is the start screen");
        // The same log lines in the same order, up to the end of that frame
        // (the desktop's run then quits; the page's goes on).
        const endOfFrame = (log) => {
            let at = -1;
            for (let n = 0; n < frame; ++n) at = log.indexOf("\nScene ended\n", at + 1);
            return at < 0 ? log : log.slice(0, at + "\nScene ended\n".length);
        };
        const webLog = endOfFrame(await readLog(page));
        const nativeLog = endOfFrame(referenceLog);
        check(frames(nativeLog) === frame && webLog === nativeLog,
              `the page's log matches the desktop's for ${frame} frames ` +
              `(${webLog.split("\n").length} and ${nativeLog.split("\n").length} lines)`);
        await page.close();
    },

    async "a data set with one image missing shows the start-up error naming the file"(browser, base) {
        const page = await openPage(browser, base + "/missing-image/");
        const dialog = await page.waitForSelector("#message[open]", {timeout: 10000}).catch(() => null);
        if (check(dialog !== null, "a message box shows in the page")) {
            const text = await page.evaluate(() => document.getElementById("message").innerText);
            check(text.includes("Fehler beim initialisieren des Spiels"), "the start-up error's text");
            check(text.includes("..//GFX//ASTEROID//ASTEROID3.png"), `the missing file is named: ${text}`);
        }
        check(page.consoleLines.some((l) => l.includes("message box: Fehler")), "the message box is on the console");
        await page.waitForSelector("#ended:not([hidden])", {timeout: 5000}).catch(() => null);
        const code = await page.evaluate(() => document.getElementById("ended").dataset.code);
        check(code !== undefined && code !== "0", `the game ends with an error (exit ${code})`);
        const log = await readLog(page);
        check(!log.includes("Alle Sprites geladen") && frames(log) === 0, "no frame runs");
        await page.close();
    },

    async "a browser without WebAssembly gets a clear message instead of the game"(browser, base) {
        const page = await browser.newPage();
        await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
        await page.goto(base + "/");
        const text = await page.evaluate(() => {
            const box = document.getElementById("problem");
            return box.hidden ? "" : box.innerText;
        });
        check(/cannot run in this browser/.test(text) && text.includes("WebAssembly"), `the message: "${text}"`);
        check(await page.evaluate(() => typeof Module === "undefined"), "the game is not loaded");
        await page.close();
    },
};

async function measure(browser, base) {
    for (const [width, height] of [[1024, 768], [1920, 1080]]) {
        const page = await openPage(browser, base + "/", {width, height});
        await waitForLog(page, (l) => frames(l) >= 10, "frames");
        for (const screen of ["start screen", "play screen (firing)"]) {
            if (screen !== "start screen") {
                await page.keyboard.press("Space");
                await page.keyboard.down("Space");
                await sleep(500);
            }
            // The renderer's main-thread busy time beside the frames: how
            // much of each frame the page's work (game, presentation, layout) takes.
            const session = await page.createCDPSession();
            await session.send("Performance.enable");
            const busy = async () => (await session.send("Performance.getMetrics")).metrics
                .find((m) => m.name === "TaskDuration").value;
            const before = frames(await readLog(page));
            const busy0 = await busy();
            const t0 = Date.now();
            await sleep(5000);
            const after = frames(await readLog(page));
            const busy1 = await busy();
            const seconds = (Date.now() - t0) / 1000;
            const fps = (after - before) / seconds;
            console.log(`frame rate at ${width}x${height}, ${screen}: ${fps.toFixed(1)} frames/s ` +
                        `(${after - before} frames in 5 s); main thread busy ${(100 * (busy1 - busy0) / seconds).toFixed(0)}%, ` +
                        `${(1000 * (busy1 - busy0) / Math.max(1, after - before)).toFixed(1)} ms a frame`);
            await session.detach();
        }
        await page.close();
    }
    const times = [];
    for (let i = 0; i < 3; ++i) {
        const page = await browser.newPage();
        await page.setViewport({width: 1024, height: 768});
        const t0 = Date.now();
        await page.goto(base + "/");
        await page.waitForFunction(() => window.Module && Module.v3PresentCount > 0, {polling: "raf", timeout: 20000});
        const fromNavigation = await page.evaluate(() => performance.now());
        times.push(`${fromNavigation.toFixed(0)} ms (${Date.now() - t0} ms from goto)`);
        await page.close();
    }
    console.log(`start screen shown after: ${times.join(", ")}`);
    let total = 0;
    for (const name of fs.readdirSync(site).sort()) {
        const size = fs.statSync(path.join(site, name)).size;
        total += size;
        console.log(`  ${name}: ${size.toLocaleString("en")} bytes`);
    }
    console.log(`page size: ${total.toLocaleString("en")} bytes (${(total / 1048576).toFixed(2)} MiB)`);
}

const server = await startServer();
const base = `http://127.0.0.1:${server.address().port}`;
// Each test has a browser of its own, with a fresh profile: no page, worker
// or cache of one test can reach into the next (a page closed as the next
// one opens has made Chromium refuse the new page's target).
async function withBrowser(run) {
    const {browser, profile} = await launchBrowser();
    try {
        await run(browser);
    } finally {
        await browser.close();
        fs.rmSync(profile, {recursive: true, force: true});
    }
}
try {
    if (measuring) {
        await withBrowser((browser) => measure(browser, base));
    } else {
        // --only TEXT runs the tests whose names contain TEXT.
        const only = option("--only");
        for (const [name, test] of Object.entries(tests)) {
            if (only && !name.includes(only)) continue;
            const before = failures;
            const started = Date.now();
            try {
                await withBrowser((browser) => test(browser, base));
            } catch (e) {
                check(false, `threw: ${e.stack || e}`);
            }
            console.log(`${failures === before ? "ok  " : "FAIL"} ${name} (${Date.now() - started} ms)`);
        }
    }
} finally {
    server.close();
}
if (failures > 0) {
    console.log(`${failures} check(s) failed`);
    process.exit(1);
}
