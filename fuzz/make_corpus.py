#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets: one folder per target.

The seeds are small MIDI files made here (every format, running status,
tags, tempo changes, drums and bank selects, system exclusive, SMPTE and
zero divisions, long deltas, unknown chunks, a RIFF RMID form), each
behind the parameter bytes its target reads first (see fuzz/*_fuzz.cpp and
fuzz/fuzz_input.h).

Usage: python3 fuzz/make_corpus.py OUTPUT_FOLDER
"""
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from make_example_midi import vlq  # noqa: E402  (the variable-length quantity)
import smaf_seeds  # noqa: E402  (the SMAF files of the smafread target)


def chunk(kind, content):
    return kind + struct.pack(">I", len(content)) + content


def smf(fmt, division, tracks, count=None):
    count = len(tracks) if count is None else count
    header = chunk(b"MThd", struct.pack(">HHH", fmt, count, division))
    return header + b"".join(chunk(b"MTrk", t) for t in tracks)


def ev(delta, *data):
    return vlq(delta) + bytes(data)


def meta(delta, kind, data):
    return vlq(delta) + bytes([0xFF, kind]) + vlq(len(data)) + data


def tempo(delta, value):
    return meta(delta, 0x51, struct.pack(">I", value)[1:])


EOT = ev(0, 0xFF, 0x2F, 0x00)


def melody(channel, keys, step=48, program=0):
    track = ev(0, 0xC0 | channel, program) + ev(0, 0xB0 | channel, 7, 100)
    for key in keys:
        track += ev(0, 0x90 | channel, key, 100) + ev(step, 0x80 | channel, key, 64)
    return track


def songs():
    conductor = (meta(0, 0x03, b"Seed Song") + meta(0, 0x02, b"(c) chimekit") + meta(0, 0x01, b"text")
                 + meta(0, 0x04, b"flute") + meta(0, 0x05, b"la") + tempo(0, 500000)
                 + meta(0, 0x58, bytes([4, 2, 24, 8])) + tempo(384, 400000) + EOT)
    lead = melody(0, [60, 62, 64, 65, 67, 69, 71, 72], program=73) + ev(0, 0xE0, 0, 0x50) + ev(0, 0xD0, 40) + EOT
    # Running status: note-ons of velocity 0 as note-offs.
    running = ev(0, 0x91, 48, 90) + ev(96, 48, 0) + ev(0, 52, 90) + ev(96, 52, 0) + ev(0, 0xB1, 10, 30) + EOT
    drums = (ev(0, 0xB9, 0, 1) + ev(0, 0x99, 36, 100) + ev(48, 0x89, 36, 0) + ev(0, 0xB9, 0, 2)
             + ev(0, 0x99, 38, 90) + ev(48, 0x99, 38, 0) + ev(0, 0xC9, 8) + EOT)
    sysex = ev(0, 0xF0, 5, 0x7E, 0x7F, 9, 1, 0xF7) + ev(10, 0xF7, 2, 0xF3, 1) + ev(0, 0x92, 70, 80) + EOT
    held = b"".join(ev(0, 0x93, key, 100) for key in range(40, 80, 3)) + ev(960, 0xB3, 123, 0) + EOT
    long_delta = ev(0, 0x90, 60, 100) + vlq(0x0FFFFFFF) + bytes([0x80, 60, 0]) + EOT
    yield smf(0, 96, [conductor[:-4] + lead[:-4] + drums])
    yield smf(1, 480, [conductor, lead, running, drums])
    yield smf(1, 96, [conductor, sysex, held])
    yield smf(2, 120, [lead, running])
    yield smf(1, 0xE728, [conductor, lead])  # SMPTE division
    yield smf(0, 0, [lead])  # no division
    yield smf(0, 96, [tempo(0, 0) + meta(0, 0x51, b"\x07") + lead])  # tempo 0 and a short tempo
    yield smf(1, 96, [long_delta, b"", lead[:-4]])  # an empty track, one without end of track
    yield smf(0, 96, [EOT + lead])  # events after the end of track
    yield smf(1, 96, [lead], count=3) + chunk(b"MTxx", b"skipped") + b"12345678" + chunk(b"MTrk", running)
    yield smf(1, 96, [ev(0, 60, 100) + lead])  # a data byte before any status
    body = smf(1, 96, [conductor, lead, drums])
    yield b"RIFF" + struct.pack("<I", len(body) + 12) + b"RMIDdata" + struct.pack("<I", len(body)) + body


def sized(data):
    return struct.pack(">H", len(data)) + data


TAG_FILE = b"\x03New Name\r\n\x01one\r\n\x02(c)\n\x05la la\r\x04\r\n"


def seeds(target, song):
    """(name, bytes) of the seeds of one target for one song."""
    if target in ("midifile", "inspection", "reshaper"):
        yield "", song
    elif target == "rewrite":
        yield "tags", b"\x00" + sized(TAG_FILE) + song
        yield "volume", b"\x01" + bytes([0xF6, 3, 1]) + song
        yield "equalizer", b"\x02" + bytes([10, 30, 50, 70, 90, 110, 127, 100, 64]) + song
        yield "instruments", b"\x03" + bytes(range(256)) + bytes((p + 5) % 128 for p in range(256)) + song
        yield "copy", b"\x04" + bytes([0, 5]) + song
        yield "remove", b"\x05" + bytes([9]) + song
    elif target == "trim":
        yield "ms", b"\x00" + struct.pack(">II", 250, 1500) + song
        yield "all", b"\x00" + struct.pack(">II", 0, 0xFFFFFFFF) + song
        yield "percent", b"\x01" + struct.pack(">II", 10, 60) + song
    elif target == "join":
        yield "merge", b"\x00" + sized(song) + song
        yield "combine", b"\x01" + sized(song) + smf(0, 120, [melody(2, [50, 55])])
    elif target == "sp":
        yield "order", b"\x00\x02" + sized(b"fedcba") + song
        yield "drums", b"\x01\x01" + sized(b"9A0") + song
    elif target == "smaf":
        yield "smaf", b"\x00\x00\x00\x00" + song
        yield "ringtone", b"\x01" + struct.pack(">H", 3000) + b"\x02" + song
    elif target == "export":
        numbers = bytes([10, 60, 1, 40, 50, 60, 70, 80, 90])
        for number in range(20):
            yield "call%02d" % number, bytes([number, number % 4]) + numbers + sized(b"fedcba") + sized(
                TAG_FILE if number == 7 else song) + song


TARGETS = ("midifile", "inspection", "rewrite", "trim", "join", "sp", "smaf", "reshaper", "export")


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    for target in TARGETS:
        folder = os.path.join(sys.argv[1], target)
        os.makedirs(folder, exist_ok=True)
        for number, song in enumerate(songs()):
            for name, data in seeds(target, song):
                with open(os.path.join(folder, "song%02d%s" % (number, "-" + name if name else "")), "wb") as out:
                    out.write(data)
    folder = os.path.join(sys.argv[1], "smafread")
    os.makedirs(folder, exist_ok=True)
    for name, data in smaf_seeds.seeds():
        with open(os.path.join(folder, name + ".mmf"), "wb") as out:
            out.write(data)
    # The preview's: the same files, after a flag byte (stereo, 1 s).
    folder = os.path.join(sys.argv[1], "preview")
    os.makedirs(folder, exist_ok=True)
    for name, data in smaf_seeds.seeds():
        with open(os.path.join(folder, name + ".mmf"), "wb") as out:
            out.write(bytes([62 << 1]) + data)


if __name__ == "__main__":
    main()
