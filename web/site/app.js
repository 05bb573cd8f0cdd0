// The page: open a song, choose the part to keep, make the ringtone, play
// it and download it; or open a ringtone (any SMAF file), see what it
// holds, play it and download it as MIDI. A file is a song or a ringtone
// by its bytes, not its name. Every step calls the module (engine.js); a
// failure shows the library's message in #error and leaves the page ready
// for the next file.
"use strict";
(function (ns) {
  const byId = (id) => document.getElementById(id);
  const state = { bytes: null, name: "", song: null, ringtone: null, smaf: null, links: [] };

  function showError(message) {
    byId("error").textContent = message;
  }

  function showSections({ song = false, ringtone = false, smaf = false }) {
    byId("smaf").hidden = !smaf;
    byId("song").hidden = !song;
    byId("options-section").hidden = !song;
    byId("ringtone").hidden = !ringtone;
  }

  // Seconds with up to three decimals, as `chimekit ringtone` takes them,
  // in milliseconds.
  function secondsOption(id, label, leastMs) {
    const text = byId(id).value.trim();
    const match = /^(\d{1,10})(?:\.(\d{1,3}))?$/.exec(text);
    const ms = match ? Number(match[1]) * 1000 + Number((match[2] || "").padEnd(3, "0")) : NaN;
    if (!(ms >= leastMs && ms <= 0xffffffff)) {
      throw new Error(`${label} must be a number of seconds from ${leastMs / 1000} (up to three decimals)`);
    }
    return ms;
  }

  function integerOption(id, label, least, most, empty) {
    const text = byId(id).value.trim();
    if (text === "" && empty !== undefined) return empty;
    const value = /^-?\d+$/.test(text) ? Number(text) : NaN;
    if (!(value >= least && value <= most)) throw new Error(`${label} must be a whole number from ${least} to ${most}`);
    return value;
  }

  function readOptions() {
    return {
      startMs: secondsOption("start", "Start", 0),
      lengthMs: secondsOption("length", "Length", 1),
      limit: integerOption("limit", "Notes at once per channel", 0, 255, null),
      volume: integerOption("volume", "Volume shift", -127, 127),
    };
  }

  // The song's roll with the window the options give; left as it is while
  // an option does not read.
  function drawWindow() {
    if (!state.song) return;
    let options;
    try {
      options = readOptions();
    } catch {
      return;
    }
    ns.drawSongRoll(state.song, { startMs: options.startMs, endMs: options.startMs + options.lengthMs });
  }

  function stop() {
    ns.stopSound();
  }

  // A MIDI file: its song, and the options for its ringtone. A file that
  // is neither MIDI nor SMAF by its first bytes is refused in the tool's
  // words when the reader finds no song in it either.
  function openSong(bytes, name) {
    try {
      state.song = ns.readSong(bytes);
    } catch (failure) {
      throw ns.fileKind(bytes) === "other" ? new Error("neither a MIDI file nor a SMAF file") : failure;
    }
    state.bytes = bytes;
    state.name = name;
    showSections({ song: true });
    ns.showSong(state.song, name);
    drawWindow();
  }

  // A SMAF file: what it holds, its notes, its MIDI file.
  function openSmaf(bytes, name) {
    const smaf = ns.readSmaf(bytes);
    smaf.bytes = bytes;
    state.smaf = smaf;
    revokeLinks();
    const link = byId("download-smaf-mid"), none = byId("smaf-no-midi");
    link.hidden = smaf.midi.notes === 0;
    none.hidden = !link.hidden;
    if (link.hidden) {
      none.textContent = `No MIDI file: ${smaf.midi.noNote}.`;
    } else {
      setLink("download-smaf-mid", smaf.midi.bytes, "audio/midi", `${baseName(name)}.mid`);
    }
    showSections({ smaf: true });
    ns.showSmaf(smaf, name);
    byId("smaf-listing").textContent = "";
    showSmafListing();
  }

  // The listing, made when it is first opened: a large file's runs to
  // megabytes.
  function showSmafListing() {
    const listing = byId("smaf-listing");
    if (state.smaf && byId("smaf-listing-box").open && listing.textContent === "") {
      listing.textContent = ns.smafListing(state.smaf.bytes);
    }
  }

  async function openFile(file) {
    stop();
    showError("");
    state.song = state.ringtone = state.bytes = state.smaf = null;
    showSections({});
    document.body.dataset.file = "";
    const bytes = new Uint8Array(await file.arrayBuffer());
    try {
      if (ns.fileKind(bytes) === "smaf") {
        openSmaf(bytes, file.name);
      } else {
        openSong(bytes, file.name);
      }
    } catch (failure) {
      showSections({});
      showError(`${file.name}: ${failure.message}`);
    }
    document.body.dataset.file = file.name;
  }

  function baseName(name) {
    return name.replace(/\.[^.]*$/, "") || "ringtone";
  }

  function revokeLinks() {
    state.links.forEach((url) => URL.revokeObjectURL(url));
    state.links = [];
  }

  function setLink(id, bytes, type, name) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    state.links.push(url);
    const link = byId(id);
    link.href = url;
    link.download = name;
    link.textContent = `Download ${name}`;
  }

  function make() {
    if (!state.bytes) return;
    stop();
    showError("");
    try {
      state.ringtone = ns.makeRingtone(state.bytes, readOptions(), state.name);
    } catch (failure) {
      state.ringtone = null;
      showSections({ song: true });
      showError(failure.message);
      return;
    }
    revokeLinks();
    const base = baseName(state.name);
    setLink("download-mmf", state.ringtone.smaf, "application/vnd.smaf", `${base}.mmf`);
    setLink("download-mid", state.ringtone.song, "audio/midi", `${base}-cut.mid`);
    showSections({ song: true, ringtone: true });
    ns.showRingtone(state.ringtone);
  }

  function playing(on) {
    byId("stop").disabled = byId("smaf-stop").disabled = !on;
    document.body.dataset.playing = on ? "true" : "false";
  }

  // Plays a SMAF file: the ringtone made, or the ringtone opened.
  function play(smaf) {
    if (!smaf) return;
    showError("");
    try {
      ns.playSound(ns.renderPreview(smaf), () => playing(false));
      playing(true);
    } catch (failure) {
      showError(failure.message);
    }
  }

  function wire() {
    byId("midi-file").addEventListener("change", (event) => {
      const input = event.target;
      if (input.files.length > 0) openFile(input.files[0]).finally(() => { input.value = ""; });
    });
    const zone = byId("drop-zone");
    zone.addEventListener("dragover", (event) => {
      event.preventDefault();
      zone.classList.add("over");
    });
    zone.addEventListener("dragleave", () => zone.classList.remove("over"));
    zone.addEventListener("drop", (event) => {
      event.preventDefault();
      zone.classList.remove("over");
      if (event.dataTransfer.files.length > 0) openFile(event.dataTransfer.files[0]);
    });
    for (const id of ["start", "length"]) byId(id).addEventListener("input", drawWindow);
    byId("options").addEventListener("submit", (event) => {
      event.preventDefault();
      make();
    });
    byId("play").addEventListener("click", () => play(state.ringtone && state.ringtone.smaf));
    byId("smaf-play").addEventListener("click", () => play(state.smaf && state.smaf.bytes));
    byId("stop").addEventListener("click", stop);
    byId("smaf-stop").addEventListener("click", stop);
    byId("smaf-listing-box").addEventListener("toggle", showSmafListing);
    window.addEventListener("resize", () => {
      drawWindow();
      if (state.ringtone) ns.drawRingtoneRoll(state.ringtone);
      if (state.smaf) ns.drawSmafRoll(state.smaf);
    });
  }

  document.addEventListener("DOMContentLoaded", async () => {
    wire();
    try {
      await ns.loadEngine();
    } catch (failure) {
      byId("loading").textContent = `The converter could not be loaded: ${failure.message}`;
      return;
    }
    byId("loading").hidden = true;
    byId("midi-file").disabled = false;
    document.body.dataset.ready = "true";
  });
})((window.ChimekitWeb = window.ChimekitWeb || {}));
