// What the page shows of a song, of the ringtone made of it and of a
// ringtone opened, from the module's results: facts, tags and channels as
// text, the rolls as pictures.
"use strict";
(function (ns) {
  const byId = (id) => document.getElementById(id);

  // "1:23.4" for 83.4 seconds; "8.0 s" below a minute.
  ns.timeText = (ms) => {
    const tenths = Math.round(ms / 100);
    const minutes = Math.floor(tenths / 600), seconds = (tenths % 600) / 10;
    return minutes > 0 ? `${minutes}:${seconds.toFixed(1).padStart(4, "0")}` : `${seconds.toFixed(1)} s`;
  };

  // Tag texts come as bytes of unknown encoding: UTF-8 when they read as
  // such, else Latin-1 (Windows-1252).
  function tagText(bytes) {
    const data = new Uint8Array(bytes);
    try {
      return new TextDecoder("utf-8", { fatal: true }).decode(data);
    } catch {
      return new TextDecoder("windows-1252").decode(data);
    }
  }

  function addFact(list, term, value) {
    const dt = document.createElement("dt"), dd = document.createElement("dd");
    dt.textContent = term;
    dd.textContent = value;
    list.append(dt, dd);
  }

  // Per channel with notes: how many, and the programs by name.
  function channelsOf(song) {
    const counts = new Array(16).fill(0);
    for (let i = 0; i < song.notes.length; i += 5) counts[song.notes[i]] += 1;
    return counts.flatMap((notes, channel) => {
      if (notes === 0) return [];
      const programs = ns.isDrumChannel(channel)
        ? ["Drums"]
        : (song.programs[channel].length ? song.programs[channel] : [0]).map(ns.programName);
      return [{ channel, notes, programs }];
    });
  }

  ns.showSong = (song, name) => {
    const facts = byId("song-facts");
    facts.replaceChildren();
    addFact(facts, "File", name);
    for (const tag of song.tags) addFact(facts, tag.type[0].toUpperCase() + tag.type.slice(1), tagText(tag.bytes));
    const container = song.riff ? "RIFF RMID, " : "";
    addFact(facts, "Format", `${container}format ${song.format}, ${song.tracks} track${song.tracks === 1 ? "" : "s"}` +
      (song.mergedTracks ? " (merged to read it)" : "") + `, ${song.division} ticks per quarter note`);
    const tempos = song.tempoEvents === 0 ? "no tempo event (120 BPM)" :
      `${song.tempoEvents} tempo${song.tempoEvents === 1 ? "" : "s"}`;
    addFact(facts, "Length as it plays", `${ns.timeText(song.playedMs)} (${tempos})`);
    addFact(facts, "Notes", String(song.notes.length / 5));

    const list = byId("channels");
    list.replaceChildren();
    for (const { channel, notes, programs } of channelsOf(song)) {
      const item = document.createElement("li");
      const swatch = document.createElement("span");
      swatch.className = "swatch";
      swatch.style.background = ns.channelColour(channel);
      item.append(swatch, `Channel ${channel + 1}: ${programs.join(", ")}, ${notes} note${notes === 1 ? "" : "s"}`);
      list.append(item);
    }
  };

  ns.drawSongRoll = (song, marked) => {
    const canvas = byId("song-roll");
    ns.drawRoll(canvas, song.notes, 5, song.playedMs, marked);
    canvas.setAttribute("aria-label", `Piano roll of the song: ${song.notes.length / 5} notes over ` +
      `${ns.timeText(song.playedMs)}; the ringtone keeps ${ns.timeText(marked.startMs)} to ` +
      `${ns.timeText(Math.min(marked.endMs, song.playedMs))}`);
  };

  ns.showRingtone = (ringtone) => {
    byId("summary").textContent = ringtone.summary;
    byId("listing").textContent = ringtone.listing;
    ns.drawRingtoneRoll(ringtone);
  };

  ns.drawRingtoneRoll = (ringtone) => {
    let kept = 0, lengthMs = 1;
    for (let i = 0; i < ringtone.notes.length; i += 6) {
      kept += ringtone.notes[i + 5];
      lengthMs = Math.max(lengthMs, ringtone.notes[i + 4]);
    }
    const dropped = ringtone.notes.length / 6 - kept;
    const canvas = byId("ringtone-roll");
    ns.drawRoll(canvas, ringtone.notes, 6, lengthMs);
    const text = `${kept} notes kept, ${dropped} dropped (outlined in red) over ${ns.timeText(lengthMs)}`;
    canvas.setAttribute("aria-label", `Piano roll of the ringtone: ${text}`);
    byId("roll-legend").textContent = `Ringtone: ${text}.`;
  };
  const plural = (count, one, many = `${one}s`) => `${count} ${count === 1 ? one : many}`;

  // "2 score tracks (Handyphone Standard), 1 audio track".
  function smafContents(smaf) {
    const formats = [...new Set(smaf.scoreTracks.map((track) => track.format))];
    const parts = [];
    if (smaf.scoreTracks.length) {
      parts.push(`${plural(smaf.scoreTracks.length, "score track")} (${formats.join("; ")})`);
    }
    if (smaf.audioTracks.length) parts.push(plural(smaf.audioTracks.length, "audio track"));
    return parts.join(", ") || "no track";
  }

  // "ADPCM, 8000 Hz, 0.768 s" per wave of a track.
  const waveText = (wave) => `${wave.format}, ${wave.rateHz} Hz, ${(wave.ms / 1000).toFixed(3)} s`;

  ns.showSmaf = (smaf, name) => {
    const facts = byId("smaf-facts");
    facts.replaceChildren();
    addFact(facts, "File", name);
    for (const [term, key] of [["Title", "title"], ["Artist", "artist"], ["Copyright", "copyright"]]) {
      if (smaf[key].length) addFact(facts, term, tagText(smaf[key]));
    }
    addFact(facts, "Holds", `SMAF, ${smafContents(smaf)}`);
    addFact(facts, "Length", ns.timeText(smaf.lengthMs));
    addFact(facts, "Notes", String(smaf.midi.notes));
    for (const [kind, tracks] of [["Score track", smaf.scoreTracks], ["Audio track", smaf.audioTracks]]) {
      for (const track of tracks) {
        if (track.waves.length) addFact(facts, `${kind} ${track.number}`, track.waves.map(waveText).join("; "));
      }
    }
    addFact(facts, "Check", smaf.ok ? "no problem" :
      `${plural(smaf.problems.length, "problem")}, the first ${smaf.problems[0]} (see the listing)`);
    ns.drawSmafRoll(smaf);
  };

  ns.drawSmafRoll = (smaf) => {
    let lengthMs = Math.max(smaf.lengthMs, 1);
    for (let i = 0; i < smaf.notes.length; i += 5) lengthMs = Math.max(lengthMs, smaf.notes[i + 4]);
    const canvas = byId("smaf-roll");
    ns.drawRoll(canvas, smaf.notes, 5, lengthMs);
    const text = `${plural(smaf.notes.length / 5, "note")} over ${ns.timeText(lengthMs)}, ` +
      `coloured by the MIDI channel each takes (${smaf.midi.summary})`;
    canvas.setAttribute("aria-label", `Piano roll of the ringtone: ${text}`);
    byId("smaf-legend").textContent = `Ringtone: ${text}.`;
  };
})((window.ChimekitWeb = window.ChimekitWeb || {}));
