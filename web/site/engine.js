// The WebAssembly module (chimekit.js, made from the project's core) behind
// three calls of bytes in, results out. A call that fails throws an Error
// whose message is the library's own text.
"use strict";
(function (ns) {
  let module = null;
  const decoder = new TextDecoder();

  // Loads the module once; resolves when it can be called.
  ns.loadEngine = async () => {
    module = await window.createChimekit();
  };

  // Copies the input into the module's memory, runs the call, and returns
  // its text; the module keeps further results until the next call.
  function call(name, bytes, ...numbers) {
    const pointer = module._malloc(Math.max(bytes.length, 1));
    module.HEAPU8.set(bytes, pointer);
    let status;
    try {
      status = module[name](pointer, bytes.length, ...numbers);
    } finally {
      module._free(pointer);
    }
    const start = module._ck_text();
    const text = decoder.decode(module.HEAPU8.subarray(start, start + module._ck_text_size()));
    if (status !== 0) throw new Error(text);
    return text;
  }

  function resultBytes(index) {
    const start = module._ck_bytes(index);
    return module.HEAPU8.slice(start, start + module._ck_bytes_size(index));
  }

  // The song: header, tags, tempo map, programs and notes (song_view.h).
  ns.readSong = (bytes) => JSON.parse(call("_ck_song", bytes));

  // The ringtone of `chimekit ringtone` with these options (milliseconds;
  // limit null for none): the summary, listing and notes, the SMAF file
  // (`smaf`) and the cut song as MIDI (`song`).
  ns.makeRingtone = (bytes, { startMs, lengthMs, limit, volume }) => {
    const result = JSON.parse(call("_ck_ringtone", bytes, startMs, lengthMs, limit === null ? -1 : limit, volume));
    result.smaf = resultBytes(0);
    result.song = resultBytes(1);
    return result;
  };

  // The job alone, as `chimekit ringtone` runs it: { summary, smaf, song }.
  ns.ringtoneJob = (bytes, { startMs, lengthMs, limit, volume }) => {
    const summary = call("_ck_job", bytes, startMs, lengthMs, limit === null ? -1 : limit, volume);
    return { summary, smaf: resultBytes(0), song: resultBytes(1) };
  };

  // The FM preview of a SMAF file, all of it (seconds 0) or its start:
  // { channels, frames, planes: one Float32Array per channel }.
  ns.renderPreview = (smaf, seconds = 0, channels = 2) => {
    const sound = JSON.parse(call("_ck_render", smaf, seconds, channels));
    const first = module._ck_samples() / 4;
    sound.planes = [];
    for (let c = 0; c < sound.channels; ++c) {
      const start = first + c * sound.frames;
      sound.planes.push(module.HEAPF32.slice(start, start + sound.frames));
    }
    return sound;
  };
})((window.ChimekitWeb = window.ChimekitWeb || {}));
