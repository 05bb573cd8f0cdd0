// Piano rolls on a canvas: notes as bars over time (left to right) and
// key (low at the bottom), coloured by channel. The song's roll shades what
// lies outside the ringtone's window; the ringtone's roll outlines the
// notes it drops.
"use strict";
(function (ns) {
  // One colour per channel; the drum channels in grey.
  const kColours = [
    "#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e", "#17becf", "#8c564b", "#e377c2",
    "#bcbd22", "#7f7f7f", "#393b79", "#637939", "#8c6d31", "#843c39", "#7b4173", "#5f5f5f",
  ];
  ns.channelColour = (channel) => kColours[channel & 15];

  // Sizes the canvas to its box at the screen's pixel density; returns the
  // context and the size in CSS pixels.
  function prepare(canvas) {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(canvas.clientWidth, 1), height = Math.max(canvas.clientHeight, 1);
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    const context = canvas.getContext("2d");
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    context.clearRect(0, 0, width, height);
    return { context, width, height };
  }

  // Faint lines every so many seconds, labelled, about 80 px apart.
  function drawSeconds(context, width, height, lengthMs) {
    const steps = [1, 2, 5, 10, 15, 30, 60, 120, 300, 600];
    const step = steps.find((s) => (s * 1000 * width) / Math.max(lengthMs, 1) >= 80) || 1200;
    context.font = "10px sans-serif";
    context.fillStyle = "#777";
    context.strokeStyle = "#e4e4e4";
    context.lineWidth = 1;
    for (let second = step; second * 1000 < lengthMs; second += step) {
      const x = Math.round((second * 1000 * width) / lengthMs) + 0.5;
      context.beginPath();
      context.moveTo(x, 0);
      context.lineTo(x, height);
      context.stroke();
      context.fillText(`${second} s`, x + 2, 10);
    }
  }

  // Draws notes given as a flat array, `stride` numbers a note: channel,
  // key, velocity, start ms, end ms (and, for the ringtone, 1 when kept).
  // `lengthMs` is the time the width shows; `marked` ({ startMs, endMs }),
  // when given, is marked.
  ns.drawRoll = (canvas, notes, stride, lengthMs, marked = null) => {
    const { context, width, height } = prepare(canvas);
    let low = 127, high = 0;
    for (let i = 0; i < notes.length; i += stride) {
      low = Math.min(low, notes[i + 1]);
      high = Math.max(high, notes[i + 1]);
    }
    if (low > high) [low, high] = [60, 72];
    low = Math.max(0, low - 2);
    high = Math.min(127, high + 2);
    const keyHeight = height / (high - low + 1);
    const x = (ms) => (ms / Math.max(lengthMs, 1)) * width;
    drawSeconds(context, width, height, lengthMs);
    // One path per colour, each filled (or, dropped, outlined) once: a
    // ringtone may hold tens of thousands of notes.
    const paths = Array.from({ length: 17 }, () => new Path2D());
    const barHeight = Math.max(keyHeight - 0.5, 1.5);
    for (let i = 0; i < notes.length; i += stride) {
      const left = x(notes[i + 3]), barWidth = Math.max(x(notes[i + 4]) - left, 1.5);
      const top = height - (notes[i + 1] - low + 1) * keyHeight;
      paths[stride > 5 && notes[i + 5] === 0 ? 16 : notes[i] & 15].rect(left, top, barWidth, barHeight);
    }
    paths.slice(0, 16).forEach((path, channel) => {
      context.fillStyle = ns.channelColour(channel);
      context.fill(path);
    });
    context.strokeStyle = "#c00000";
    context.lineWidth = 1.5;
    context.stroke(paths[16]);
    if (marked) {
      const start = x(marked.startMs), end = Math.min(x(marked.endMs), width);
      context.fillStyle = "rgba(255, 255, 255, 0.7)";
      context.fillRect(0, 0, start, height);
      context.fillRect(end, 0, width - end, height);
      context.strokeStyle = "#000";
      context.lineWidth = 2;
      context.strokeRect(start + 1, 1, Math.max(end - start - 2, 1), height - 2);
    }
  };
})((window.ChimekitWeb = window.ChimekitWeb || {}));
