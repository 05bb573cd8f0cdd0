// The WebAssembly module (chimekit.js, made from the project's core) behind
// the jobs' C interface (include/chimekit_jobs.h): bytes in, a result out,
// which this file reads and frees. A call that fails throws an Error whose
// message is the library's own text.
"use strict";
(function (ns) {
  let module = null;
  const decoder = new TextDecoder();
  // ck_ringtone's, ck_smaf's and ck_render's flags.
  const kNotes = 0x04, kListing = 0x08, kSamples = 0x01;

  // Loads the module once; resolves when it can be called.
  ns.loadEngine = async () => {
    module = await window.createChimekit();
  };

  const encoder = new TextEncoder();

  // Copies the input and the arguments that are texts (null stays null)
  // into the module's memory, runs the job and hands its result to `read`
  // (which returns what the call gives), then frees it.
  function call(name, bytes, args, read) {
    const input = module._malloc(Math.max(bytes.length, 1));
    module.HEAPU8.set(bytes, input);
    const texts = [];
    const passed = args.map((arg) => {
      if (typeof arg !== "string") return arg === null ? 0 : arg;
      const encoded = encoder.encode(arg);
      const text = module._malloc(encoded.length + 1);
      module.HEAPU8.set(encoded, text);
      module.HEAPU8[text + encoded.length] = 0;
      texts.push(text);
      return text;
    });
    let result = 0;
    const size = module._malloc(4);
    try {
      result = module[name](input, bytes.length, ...passed);
      if (result === 0) throw new Error("Out of memory");
      const text = module._ck_text(result, size);
      const message = decoder.decode(module.HEAPU8.subarray(text, text + module.HEAPU32[size >> 2]));
      if (module._ck_status(result) !== 0) throw new Error(message);
      return read(result, message, size);
    } finally {
      module._ck_free(result);
      module._free(size);
      texts.forEach((text) => module._free(text));
      module._free(input);
    }
  }

  function resultBytes(result, index, size) {
    const start = module._ck_bytes(result, index, size);
    return module.HEAPU8.slice(start, start + module.HEAPU32[size >> 2]);
  }

  // The song: header, tags, tempo map, programs and notes (song_view.h).
  ns.readSong = (bytes) => call("_ck_song", bytes, [], (result, text) => JSON.parse(text));

  // The ringtone of `chimekit ringtone` with these options (milliseconds;
  // limit null for none) of the file of that name: the job's summary and
  // numbers, the listing, the notes in the window (six numbers a note, the
  // last 1 when the ringtone keeps it), the SMAF file (`smaf`) and the cut
  // song as MIDI (`song`).
  ns.makeRingtone = (bytes, { startMs, lengthMs, limit, volume }, name) => {
    const args = [name, startMs, lengthMs, limit === null ? -1 : limit, volume, kNotes | kListing, null, null];
    const ringtone = call("_ck_ringtone", bytes, args, (result, text, size) => ({
      ...JSON.parse(text), smaf: resultBytes(result, 0, size), song: resultBytes(result, 1, size),
    }));
    if (ringtone.notesConverted === 0) {
      throw new Error("no note: the ringtone would be silent, so nothing was made; choose another part of the song");
    }
    const kept = ringtone.fates.indexOf("kept");
    ringtone.notes = ringtone.notes.map((value, i) => (i % 6 === 5 ? Number(value === kept) : value));
    return ringtone;
  };

  // The job alone, as `chimekit ringtone` runs it: { summary, smaf, song }.
  ns.ringtoneJob = (bytes, { startMs, lengthMs, limit, volume }, name) =>
    call("_ck_ringtone", bytes, [name, startMs, lengthMs, limit === null ? -1 : limit, volume, 0, null, null],
      (result, text, size) => ({
        summary: JSON.parse(text).summary, smaf: resultBytes(result, 0, size), song: resultBytes(result, 1, size),
      }));

  // What a file's first bytes say it is, as the tool tells them: "midi"
  // ("MThd", or a RIFF form of type RMID), "smaf" ("MMMD") or "other".
  ns.fileKind = (bytes) => {
    const text = (from, to) => String.fromCharCode(...bytes.subarray(from, to));
    if (text(0, 4) === "MThd" || (bytes.length >= 12 && text(0, 4) === "RIFF" && text(8, 12) === "RMID")) return "midi";
    return text(0, 4) === "MMMD" ? "smaf" : "other";
  };

  // What a SMAF file holds (ck_smaf): its texts, tracks, problems and notes
  // (five numbers a note, as the song's), and its MIDI file as `chimekit
  // midi` writes it (`midi`: the job's summary and `bytes`).
  ns.readSmaf = (bytes) => {
    const info = call("_ck_smaf", bytes, [kNotes], (result, text) => JSON.parse(text));
    info.midi = call("_ck_smaf_to_midi", bytes, [], (result, text, size) => ({
      ...JSON.parse(text), bytes: resultBytes(result, 0, size),
    }));
    return info;
  };

  // The listing of a SMAF file, as `chimekit inspect` prints it.
  ns.smafListing = (bytes) => call("_ck_smaf", bytes, [kListing], (result, text) => JSON.parse(text).listing);

  // The FM preview of a SMAF file, all of it (lengthMs 0) or its start:
  // { channels, frames, planes: one Float32Array per channel }.
  ns.renderPreview = (smaf, lengthMs = 0, channels = 2) =>
    call("_ck_render", smaf, [lengthMs, channels, kSamples], (result, text, size) => {
      const sound = JSON.parse(text);
      const first = module._ck_samples(result, size) / 4;
      sound.planes = [];
      for (let c = 0; c < sound.channels; ++c) {
        const start = first + c * sound.frames;
        sound.planes.push(module.HEAPF32.slice(start, start + sound.frames));
      }
      return sound;
    });
})((window.ChimekitWeb = window.ChimekitWeb || {}));
