// Playing the FM preview: the samples the module renders, handed to Web
// Audio as a buffer at the renderer's rate.
"use strict";
(function (ns) {
  const kRate = 44100;
  let context = null;
  let source = null;

  // The buffer played last (kept for a look at what was rendered).
  ns.lastSound = null;

  // Plays rendered sound ({ channels, frames, planes }); `ended` is called
  // when it stops, by itself or by stopSound.
  ns.playSound = (sound, ended) => {
    ns.stopSound();
    context = context || new AudioContext({ sampleRate: kRate });
    const buffer = context.createBuffer(sound.channels, Math.max(sound.frames, 1), kRate);
    sound.planes.forEach((plane, channel) => buffer.copyToChannel(plane, channel));
    ns.lastSound = buffer;
    const playing = context.createBufferSource();
    playing.buffer = buffer;
    playing.connect(context.destination);
    playing.onended = () => {
      if (source !== playing) return;
      source = null;
      ended();
    };
    source = playing;
    context.resume();
    playing.start();
  };

  ns.stopSound = () => {
    if (source) source.stop();
  };

  ns.isPlaying = () => source !== null;
})((window.ChimekitWeb = window.ChimekitWeb || {}));
