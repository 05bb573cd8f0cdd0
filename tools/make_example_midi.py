#!/usr/bin/env python3
"""Writes examples/ringtone.mid: a short format 0 ringtone made by the project.

One track (the SMAF conversion reads the first track only) with a title,
a copyright notice, a tempo, a flute melody on channel 0, a bass line on
channel 1, chords on channel 2 and a drum part on channel 9.

Usage: python3 tools/make_example_midi.py [OUTPUT]
"""
import struct
import sys

DIVISION = 96  # ticks per quarter note


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(groups))


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def build_events():
    """(tick, order, bytes) triples; order keeps note-offs before note-ons."""
    events = [
        (0, 0, meta(0x03, b"Chime Demo")),
        (0, 0, meta(0x02, b"(c) chimekit project")),
        (0, 0, meta(0x51, struct.pack(">I", 500000)[1:])),
        (0, 0, meta(0x58, bytes([4, 2, 24, 8]))),
        (0, 1, bytes([0xC0, 73])),  # flute
        (0, 1, bytes([0xC1, 33])),  # finger bass
        (0, 1, bytes([0xC2, 0])),  # piano
        (0, 1, bytes([0xB0, 7, 110])),
        (0, 1, bytes([0xB1, 7, 100])),
        (0, 1, bytes([0xB2, 7, 80])),
        (0, 1, bytes([0xB2, 10, 40])),
    ]

    def note(channel, key, start, length, velocity=100):
        events.append((start, 2, bytes([0x90 | channel, key, velocity])))
        events.append((start + length, 1, bytes([0x80 | channel, key, 64])))

    eighth = DIVISION // 2
    melody = [76, 75, 76, 75, 76, 71, 74, 72, 69, 0, 60, 64, 69, 71, 0, 64,
              68, 71, 72, 0, 64, 76, 75, 76, 75, 76, 71, 74, 72, 69]
    for i, key in enumerate(melody):
        if key:
            note(0, key, i * eighth, eighth - 4)
    bass = [45, 45, 52, 52, 40, 40, 45, 45]
    for i, key in enumerate(bass):
        note(1, key, i * 2 * DIVISION, 2 * DIVISION - 8, 90)
    chords = [(57, 60, 64), (52, 56, 59), (57, 60, 64), (52, 56, 59)]
    for i, chord in enumerate(chords):
        for key in chord:
            note(2, key, i * 4 * DIVISION, 4 * DIVISION - 8, 70)
    for beat in range(16):
        note(9, 36 if beat % 2 == 0 else 38, beat * DIVISION, eighth, 110)
        note(9, 42, beat * DIVISION + eighth, eighth // 2, 80)
    end = 16 * DIVISION
    events.append((end, 3, meta(0x2F, b"")))
    events.sort(key=lambda e: (e[0], e[1]))
    return events


def build_file():
    track = bytearray()
    last = 0
    for tick, _, data in build_events():
        track += vlq(tick - last) + data
        last = tick
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, DIVISION)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "examples/ringtone.mid"
    with open(path, "wb") as out:
        out.write(build_file())


if __name__ == "__main__":
    main()
