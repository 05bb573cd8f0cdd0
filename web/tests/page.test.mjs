// The ringtone page in headless Chromium, used as a person uses it: open a
// song, set the options, make the ringtone, play it, download it; open a
// ringtone, see it, play it, download it as MIDI; a damaged file on the
// way. What the page gives is checked against `chimekit ringtone`,
// `chimekit inspect` and `chimekit midi`.
import assert from "node:assert/strict";
import fs from "node:fs";
import path from "node:path";
import { after, before, test } from "node:test";
import { pathToFileURL } from "node:url";
import { spawnSync } from "node:child_process";
import {
  chooseFile, cleanUp, download, launchBrowser, makeRingtone, makeSongs, openPage, places, serveSite, tool, toolMidi,
  toolRingtone,
} from "./support.mjs";

let songs, served, browser, page, problems;

before(async () => {
  songs = makeSongs();
  served = await serveSite();
  browser = await launchBrowser();
  ({ page, problems } = await openPage(browser, served.url));
});

after(async () => {
  await browser?.close();
  served?.server.close();
  cleanUp();
});

// The numbers of a summary line such as "note limit: 2, note-ons dropped: 18 (channel 2: 18)".
const count = (text, pattern) => Number((text.match(pattern) || [0, 0])[1]);

test("the page makes the tool's ringtone byte for byte, and shows the song and what the ringtone keeps", async () => {
  const cases = [
    { file: places.example, options: {}, length: "8.0 s" },
    { file: places.example, options: { start: "2", length: "4.5", limit: "1", volume: "-20" }, length: "8.0 s" },
    { file: path.join(songs, "tempo_song.mid"), options: {}, length: "52.0 s" },
    { file: path.join(songs, "tempo_song.rmi"), options: { start: "40.125", length: "30", limit: "0" }, length: "52.0 s" },
    { file: path.join(songs, "tempo_song.mid"), options: { start: "5.5", length: "20", limit: "2", volume: "-10" }, length: "52.0 s" },
  ];
  for (const { file, options, length } of cases) {
    const label = `${path.basename(file)} ${JSON.stringify(options)}`;
    await chooseFile(page, file);
    const facts = await page.$eval("#song-facts", (list) => list.textContent);
    assert.match(facts, new RegExp(`Length as it plays${length.replace(".", "\\.")}`), label);
    await makeRingtone(page, options);
    const tool = toolRingtone(file, options);
    assert.equal(tool.status, 0, tool.stderr);
    assert.equal(await page.$eval("#error", (e) => e.textContent), "", label);
    const summary = await page.$eval("#summary", (e) => e.textContent);
    assert.equal(summary, tool.stdout, label);
    const ringtone = await download(page, "download-mmf");
    assert.equal(ringtone.name, path.basename(file).replace(/\.[^.]*$/, ".mmf"), label);
    assert.ok(ringtone.bytes.equals(tool.bytes), `${label}: the page's ${ringtone.bytes.length} bytes differ from the tool's ${tool.bytes.length}`);
    const song = await download(page, "download-mid");
    assert.equal(song.bytes.subarray(0, 4).toString("latin1"), "MThd", label);

    // The ringtone's roll: every note it converts drawn kept, every note
    // the limit or the slots left out drawn dropped.
    const legend = await page.$eval("#roll-legend", (e) => e.textContent);
    const dropped = count(summary, /note-ons dropped: (\d+)/) + count(summary, /no free slot\): (\d+)/);
    assert.equal(count(legend, /(\d+) notes kept/), count(summary, /notes converted: (\d+)/), `${label}: ${legend}`);
    assert.equal(count(legend, /(\d+) dropped/), dropped, `${label}: ${legend}`);
  }
  const channels = await page.$eval("#channels", (list) => list.textContent);
  assert.match(channels, /Channel 1: Flute \(74\)/);
  assert.match(channels, /Channel 10: Drums/);
  await page.screenshot({ path: path.join(places.out, "desktop.png"), fullPage: true });
  assert.deepEqual(problems, []);
});

test("play renders the preview at the note's pitch, and stop ends it", async () => {
  await chooseFile(page, path.join(songs, "tone.mid"));
  await makeRingtone(page);
  await page.click("#play");
  await page.waitForSelector("body[data-playing='true']");
  // 4096 samples from 0.5 s in (the note sounds from 0 to 2 s).
  const samples = await page.evaluate(() => Array.from(ChimekitWeb.lastSound.getChannelData(0).subarray(22050, 22050 + 4096)));
  const rms = Math.sqrt(samples.reduce((sum, x) => sum + x * x, 0) / samples.length);
  assert.ok(rms > 0.01, `the preview is silent (RMS ${rms})`);
  const hertz = pitch(samples, 44100);
  assert.ok(Math.abs(12 * Math.log2(hertz / 440)) < 0.3, `A4 sounds at ${hertz.toFixed(1)} Hz`);
  await page.click("#stop");
  await page.waitForSelector("body[data-playing='false']");
});

test("a damaged or foreign file shows the library's message, and the next file works", async () => {
  const whole = fs.readFileSync(path.join(songs, "tempo_song.mid"));
  const damaged = path.join(songs, "damaged.mid");
  fs.writeFileSync(damaged, whole.subarray(0, 300));
  const foreign = path.join(songs, "notes.txt");
  // 64 bytes: the reader steps over them 8 at a time and finds no track.
  fs.writeFileSync(foreign, `${"Only words, not the notes of a song.".padEnd(63, ".")}\n`);
  // The tool names the file and the fault, the reader's own text after its
  // words; the page shows the file's name and the library's text, and says
  // as the tool does what a file of neither kind is.
  const cases = [
    { file: damaged, tool: "damaged MIDI file: Read beyond end of file", page: "Read beyond end of file" },
    { file: foreign, tool: "neither a MIDI file nor a SMAF file", page: "neither a MIDI file nor a SMAF file" },
  ];
  for (const { file, tool: said, page: shown } of cases) {
    const tool = toolRingtone(file);
    assert.equal(tool.status, 1, file);
    assert.equal(tool.stderr, `chimekit ringtone: ${file}: ${said}\n`);
    await chooseFile(page, file);
    const error = await page.$eval("#error", (e) => e.textContent);
    assert.equal(error, `${path.basename(file)}: ${shown}`);
    assert.equal(await page.$eval("#song", (e) => e.hidden), true);
  }
  await chooseFile(page, places.example);
  assert.equal(await page.$eval("#error", (e) => e.textContent), "");
  await makeRingtone(page);
  const ringtone = await download(page, "download-mmf");
  assert.ok(ringtone.bytes.equals(toolRingtone(places.example).bytes));
});

test("a ringtone opened shows what it holds and its notes, plays, and downloads the MIDI file of `chimekit midi`", async () => {
  const ring = path.join(songs, "ring.mmf");
  assert.equal(tool("smaf", path.join(songs, "tempo_song.mid"), ring).status, 0);
  const tone = path.join(songs, "tone.mmf");
  assert.equal(tool("smaf", path.join(songs, "tone.mid"), tone).status, 0);
  const cases = [{ file: ring }, { file: path.join(songs, "mobile.mid"), title: "Mobile" }, { file: tone }];
  const sine = path.join(songs, "sine.mmf");
  if (spawnSync("ffmpeg", ["-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.5", "-ar", "8000",
    "-f", "mmf", "-y", sine]).status === 0) cases.push({ file: sine, audio: true });
  for (const { file, title, audio } of cases) {
    const label = path.basename(file);
    await chooseFile(page, file);
    assert.equal(await page.$eval("#error", (e) => e.textContent), "", label);
    assert.equal(await page.$eval("#smaf", (e) => e.hidden), false, label);
    assert.equal(await page.$eval("#song", (e) => e.hidden), true, label);
    // The listing is made when it is opened (it stays open for the next
    // file).
    const listed = tool("inspect", file);
    if (!(await page.$eval("#smaf-listing-box", (e) => e.open))) {
      assert.equal(await page.$eval("#smaf-listing", (e) => e.textContent), "", label);
      await page.click("#smaf-listing-box summary");
    }
    await page.waitForFunction(() => document.getElementById("smaf-listing").textContent !== "");
    assert.equal(await page.$eval("#smaf-listing", (e) => e.textContent), listed.stdout, label);
    const facts = await page.$eval("#smaf-facts", (list) => list.textContent);
    assert.match(facts, /Checkno problem/, label);
    if (title) assert.match(facts, new RegExp(`Title${title}`), label);
    const midi = toolMidi(file);
    const legend = await page.$eval("#smaf-legend", (e) => e.textContent);
    if (audio) {
      // An audio track alone: facts of its wave, no MIDI file, as the tool says.
      assert.equal(midi.status, 1, label);
      assert.match(facts, /Audio track 0ADPCM, 8000 Hz/, label);
      assert.match(await page.$eval("#smaf-no-midi", (e) => e.textContent), /^No MIDI file: no score track, only 1 audio track/);
      assert.equal(await page.$eval("#download-smaf-mid", (e) => e.hidden), true, label);
      continue;
    }
    assert.equal(midi.status, 0, midi.stderr);
    const notes = Number(midi.stdout.match(/notes: (\d+)/)[1]);
    assert.ok(notes > 0 && legend.startsWith(`Ringtone: ${notes} note${notes === 1 ? "" : "s"} over `), `${label}: ${legend}`);
    assert.ok(legend.includes(midi.stdout.trim()), `${label}: ${legend}`);
    const downloaded = await download(page, "download-smaf-mid");
    assert.equal(downloaded.name, label.replace(/\.[^.]*$/, ".mid"));
    assert.ok(downloaded.bytes.equals(midi.bytes), `${label}: the page's MIDI file differs from the tool's`);
  }

  // Play sounds the opened ringtone (the tone's A4) through the preview.
  await chooseFile(page, tone);
  await page.click("#smaf-play");
  await page.waitForSelector("body[data-playing='true']");
  const samples = await page.evaluate(() => Array.from(ChimekitWeb.lastSound.getChannelData(0).subarray(22050, 22050 + 4096)));
  const hertz = pitch(samples, 44100);
  assert.ok(Math.abs(12 * Math.log2(hertz / 440)) < 0.3, `A4 sounds at ${hertz.toFixed(1)} Hz`);
  await page.click("#smaf-stop");
  await page.waitForSelector("body[data-playing='false']");

  // A MIDI file named as a ringtone is a song.
  await chooseFile(page, path.join(songs, "song.mmf"));
  assert.equal(await page.$eval("#song", (e) => e.hidden), false);
  assert.equal(await page.$eval("#smaf", (e) => e.hidden), true);
  assert.deepEqual(problems, []);
});

test("the page fits a phone's width and works from file://", async () => {
  await page.setViewport({ width: 390, height: 844 });
  await chooseFile(page, path.join(songs, "tempo_song.mid"));
  await makeRingtone(page, { start: "5.5", length: "20", limit: "2" });
  assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390), "the page scrolls sideways at 390 px");
  await page.screenshot({ path: path.join(places.out, "phone.png"), fullPage: true });

  const local = await openPage(browser, pathToFileURL(path.join(places.site, "index.html")).href);
  await chooseFile(local.page, places.example);
  await makeRingtone(local.page);
  const ringtone = await download(local.page, "download-mmf");
  assert.ok(ringtone.bytes.equals(toolRingtone(places.example).bytes));
  assert.deepEqual(local.problems, []);
  await local.page.close();
});

// The fundamental of a steady tone: the first lag whose autocorrelation
// comes near the highest, refined between lags.
function pitch(samples, rate) {
  const correlation = (lag) => {
    let sum = 0;
    for (let i = 0; i + lag < samples.length; ++i) sum += samples[i] * samples[i + lag];
    return sum / (samples.length - lag);
  };
  const lags = [];
  for (let lag = 0; lag <= 1000; ++lag) lags.push(correlation(lag));
  let first = 20;
  while (first < 1000 && lags[first] > 0) ++first;  // past the peak at lag 0
  const best = Math.max(...lags.slice(first));
  let lag = first;
  while (lags[lag] < 0.9 * best || lags[lag + 1] > lags[lag]) ++lag;
  const [a, b, c] = [lags[lag - 1], lags[lag], lags[lag + 1]];
  return rate / (lag + (a - c) / (2 * (a - 2 * b + c)));
}
