// What the browser tests share: the places they use, a static server on
// 127.0.0.1, Debian's Chromium driven by puppeteer-core, the page's steps as
// a person takes them, and the tool's own results to compare with.
import { execFileSync, spawnSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import puppeteer from "puppeteer-core";

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
export const places = {
  root,
  site: process.env.WEB_SITE || path.join(root, "build-web/site"),
  tool: process.env.CHIMEKIT || path.join(root, "build/bin/chimekit"),
  out: process.env.WEB_OUT || path.join(root, "build-web/test-output"),
  example: path.join(root, "examples/ringtone.mid"),
};

// Every file the tests write but the screenshots goes to one temporary
// folder, which cleanUp removes.
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), "chimekit-web-"));
const scratchFolder = () => fs.mkdtempSync(path.join(scratch, "f-"));
export const cleanUp = () => fs.rmSync(scratch, { recursive: true, force: true });

// The test songs of make_test_songs.py, in a folder of their own.
export function makeSongs() {
  const folder = scratchFolder();
  execFileSync("python3", [path.join(root, "web/tests/make_test_songs.py"), folder]);
  fs.mkdirSync(places.out, { recursive: true });
  return folder;
}

const kTypes = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css" };

// Serves the site's files; resolves to the server and its URL.
export function serveSite(folder = places.site) {
  const server = http.createServer((request, response) => {
    const name = path.basename(new URL(request.url, "http://x").pathname) || "index.html";
    const file = path.join(folder, name);
    if (!fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { "content-type": kTypes[path.extname(file)] || "application/octet-stream" });
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => {
    server.listen(0, "127.0.0.1", () => resolve({ server, url: `http://127.0.0.1:${server.address().port}/` }));
  });
}

// Headless Chromium from Debian; the flags keep it off the network.
export function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    headless: true,
    userDataDir: scratchFolder(),
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", "--autoplay-policy=no-user-gesture-required"],
  });
}

export async function openPage(browser, url, width = 1200) {
  const page = await browser.newPage();
  const problems = [];
  page.on("pageerror", (error) => problems.push(error.message));
  await page.setViewport({ width, height: 900 });
  await page.goto(url);
  await page.waitForSelector("body[data-ready='true']", { timeout: 30000 });
  return { page, problems };
}

// Chooses a file with the file input; resolves when the page is done with
// it (body's data-file names the file opened last, read or refused).
export async function chooseFile(page, file) {
  await page.$eval("body", (body) => { body.dataset.file = ""; });
  const input = await page.$("#midi-file");
  await input.uploadFile(file);
  await page.waitForFunction((name) => document.body.dataset.file === name, {}, path.basename(file));
}

// Types the options into their inputs and makes the ringtone from the
// keyboard (focus on the button, Enter).
export async function makeRingtone(page, { start = "0", length = "30", limit = "", volume = "0" } = {}) {
  for (const [id, value] of Object.entries({ start, length, limit, volume })) {
    await page.$eval(`#${id}`, (input) => { input.value = ""; });
    await page.type(`#${id}`, value);
  }
  await page.$eval("#summary", (summary) => { summary.textContent = ""; });
  await page.focus("#make");
  await page.keyboard.press("Enter");
  await page.waitForFunction(() => document.getElementById("summary").textContent !== "" ||
    document.getElementById("error").textContent !== "");
}

// The bytes behind a download link, and the name it downloads as.
export async function download(page, id) {
  const { name, bytes } = await page.$eval(`#${id}`, async (link) => ({
    name: link.getAttribute("download"),
    bytes: Array.from(new Uint8Array(await (await fetch(link.href)).arrayBuffer())),
  }));
  return { name, bytes: Buffer.from(bytes) };
}

// `chimekit ringtone` with the same options: its file and what it prints.
export function toolRingtone(file, { start = "0", length = "30", limit = "", volume = "0" } = {}) {
  const out = path.join(scratchFolder(), "out.mmf");
  const args = ["ringtone", file, out, "--start", start, "--length", length, "--volume", volume];
  if (limit !== "") args.push("--limit", limit);
  const run = spawnSync(places.tool, args, { encoding: "utf8" });
  return { status: run.status, stdout: run.stdout, stderr: run.stderr, bytes: run.status === 0 ? fs.readFileSync(out) : null };
}

// A run of the tool with these arguments: its status and what it prints.
export function tool(...args) {
  const run = spawnSync(places.tool, args, { encoding: "utf8" });
  return { status: run.status, stdout: run.stdout, stderr: run.stderr };
}

// `chimekit midi` of a SMAF file: its MIDI file and what it prints.
export function toolMidi(file) {
  const out = path.join(scratchFolder(), "out.mid");
  const run = tool("midi", file, out);
  return { ...run, bytes: run.status === 0 ? fs.readFileSync(out) : null };
}
