// The page's speed against the native core, measured in one run: the same
// calls timed in headless Chromium (the module, as the page calls it) and in
// the native timing program (native_timing.cpp), and their ratios printed.
// Figures, not a test: nothing here fails on a slow machine.
//
//   node web/perf/measure.mjs NATIVE_TIMING_PROGRAM
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";
import { chooseFile, cleanUp, launchBrowser, makeSongs, openPage, places, serveSite } from "../tests/support.mjs";

const program = process.argv[2];
const songs = makeSongs();
const example = places.example, song = path.join(songs, "tempo_song.mid");
// The benchmark song of 1,000,000 events in 16 tracks (bench/README.md).
const big = path.join(songs, "bench_16_tracks.mid");
execFileSync("python3", [path.join(places.root, "bench/make_bench_midi.py"), big, "--tracks", "16"]);
// A ringtone of about 400 KB of notes (make_test_songs.py).
const ringtone = path.join(songs, "large.mmf");
const native = JSON.parse(execFileSync(program, [example, song, big, ringtone], { encoding: "utf8" }));

const served = await serveSite();
const browser = await launchBrowser();
let web;
try {
  const { page } = await openPage(browser, served.url);
  web = await page.evaluate((exampleBytes, songBytes, bigBytes, ringtoneBytes) => {
    const ns = window.ChimekitWeb;
    // The time of one run: the median over batches, as native_timing.cpp,
    // after half a second of runs not timed (the browser compiles the
    // module's hot code again, optimised, while it runs).
    const medianMs = (batch, job) => {
      for (const warm = performance.now(); performance.now() - warm < 500;) job();
      const times = [];
      const begin = performance.now();
      while (times.length < 11 || performance.now() - begin < 500) {
        const start = performance.now();
        for (let i = 0; i < batch; ++i) job();
        times.push((performance.now() - start) / batch);
      }
      times.sort((a, b) => a - b);
      return times[Math.floor(times.length / 2)];
    };
    const options = { startMs: 0, lengthMs: 30000, limit: null, volume: 0 };
    const exampleMidi = new Uint8Array(exampleBytes);
    const jobMs = medianMs(200, () => ns.ringtoneJob(exampleMidi, options, "song.mid"));
    const makeMs = medianMs(200, () => ns.makeRingtone(exampleMidi, options, "song.mid"));
    const smaf = ns.makeRingtone(new Uint8Array(songBytes), options, "song.mid").smaf;
    const renderMs = medianMs(1, () => ns.renderPreview(smaf, 30000));
    const bigMidi = new Uint8Array(bigBytes);
    const bigMakeMs = medianMs(1, () => ns.makeRingtone(bigMidi, options, "song.mid"));
    const ringtoneSmaf = new Uint8Array(ringtoneBytes);
    const openSmafMs = medianMs(1, () => ns.readSmaf(ringtoneSmaf));
    return { jobMs, makeMs, renderMs, bigMakeMs, openSmafMs };
  }, Array.from(fs.readFileSync(example)), Array.from(fs.readFileSync(song)), Array.from(fs.readFileSync(big)),
  Array.from(fs.readFileSync(ringtone)));
  // The whole of opening it in the page, once: from the file input's
  // change to the page showing it (facts, roll, link).
  await page.evaluate(() => {
    document.getElementById("midi-file").addEventListener("change", () => { window.openedAt = performance.now(); });
  });
  await chooseFile(page, ringtone);
  web.openSmafPageMs = await page.evaluate(() => performance.now() - window.openedAt);
} finally {
  await browser.close();
  served.server.close();
  cleanUp();
}

const figures = {
  native,
  web,
  jobRatio: web.jobMs / native.jobMs,
  makeRatio: web.makeMs / native.makeMs,
  renderRatio: web.renderMs / native.renderMs,
  bigMakeRatio: web.bigMakeMs / native.bigMakeMs,
  openSmafRatio: web.openSmafMs / native.openSmafMs,
};
fs.writeFileSync(path.join(places.out, "timing.json"), `${JSON.stringify(figures, null, 2)}\n`);
const ms = (value) => `${value.toFixed(value < 1 ? 4 : 1)} ms`;
console.log("== the page's speed against the native core (medians; figures, not a test)");
const line = (what, key) => console.log(`${what}: page ${ms(web[key])}, native ${ms(native[key])}, ` +
  `ratio ${(web[key] / native[key]).toFixed(2)}`);
line("the example's ringtone job alone (as the tool runs it)", "jobMs");
line("making the example's ringtone as the page does (with the listing and the notes)", "makeMs");
line("rendering 30 s of preview (stereo)", "renderMs");
line("making the ringtone of the 1,000,000-event song of 16 tracks as the page does", "bigMakeMs");
line("opening a ringtone of 400 KB of notes as the page does (what it holds, its notes, its MIDI file)", "openSmafMs");
console.log(`opening that ringtone in the page, from the file input's change to the page showing it: ` +
  `${web.openSmafPageMs.toFixed(1)} ms`);
