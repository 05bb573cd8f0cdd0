#!/usr/bin/env python3
"""Writes the songs that measure how ringtones keep a song's real timing.

  tempo_map.mid   format 1, division 383, a conductor track with four tempos
                  (333,333 to 869,565 us per quarter) and a fifth tempo in a
                  part's own track; four parts, 1,600 notes, 95.7 s as it plays;
                  no tick is a whole number of milliseconds
  sixteenths.mid  format 0, division 96 at 120 BPM: 400 short notes 6 ticks
                  (31.25 ms) apart, 12.5 s: the song that drifts when each
                  delta is rounded on its own
  forty.mid       format 1, division 120, three tempos, 40 s as it plays,
                  notes throughout: the song a ten-second ringtone is cut from

The notes are made by a fixed pseudo-random walk, so the files are the same
on every run. Usage: python3 tools/make_tempo_songs.py OUTPUT_FOLDER
"""
import os
import random
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_example_midi import vlq  # noqa: E402


def meta(kind, data):
    return bytes([0xFF, kind]) + vlq(len(data)) + data


def tempo(us_per_quarter):
    return meta(0x51, struct.pack(">I", us_per_quarter)[1:])


def track(events):
    """An MTrk chunk of (tick, order, bytes) events, sorted, with its end."""
    body, now = b"", 0
    for tick, _, data in sorted(events, key=lambda event: (event[0], event[1])):
        body += vlq(tick - now) + data
        now = tick
    body += b"\x00" + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def smf(form, division, tracks):
    header = b"MThd" + struct.pack(">IHHH", 6, form, len(tracks), division)
    return header + b"".join(track(events) for events in tracks)


def part(rng, channel, program, low, count, step, length, rests=0.08):
    """`count` notes of `length` ticks every `step` ticks (a rest in place of
    a note now and then), keys wandering between low and low + 24."""
    events = [(0, 0, bytes([0xC0 | channel, program])), (0, 0, bytes([0xB0 | channel, 7, 100]))]
    key, tick = low + 12, 0
    for _ in range(count):
        key = min(max(key + rng.choice([-3, -2, -1, 1, 2, 3, 5]), low), low + 24)
        events.append((tick, 2, bytes([0x90 | channel, key, 96])))
        events.append((tick + length, 1, bytes([0x80 | channel, key, 0])))
        tick += step * (2 if rng.random() < rests else 1)
    return events


def tempo_map_song():
    rng = random.Random(18)
    q = 383  # ticks per quarter note
    conductor = [(0, 0, meta(0x03, b"Tempo Map")), (0, 0, tempo(600000)), (q * 40 + 77, 0, tempo(333333)),
                 (q * 100 + 5, 0, tempo(869565)), (q * 130 + 191, 0, tempo(500000))]
    lead = part(rng, 0, 73, 60, 640, q // 4 + 1, q // 5)
    lead.append((q * 150 + 13, 0, tempo(612345)))  # a tempo in a part's own track
    bass = part(rng, 1, 33, 36, 320, q // 2, q // 2 - 7)
    chords = part(rng, 2, 0, 52, 320, q // 2 + 3, q // 3)
    drums = [(0, 0, bytes([0xB9, 7, 100]))]
    for i in range(320):
        tick = i * (q // 2) + 11
        drums += [(tick, 2, bytes([0x99, 36 + 2 * (i % 3), 100])), (tick + 20, 1, bytes([0x89, 36 + 2 * (i % 3), 0]))]
    return smf(1, q, [conductor, lead, bass, chords, drums])


def sixteenths_song():
    events = [(0, 0, meta(0x03, b"Sixteenths")), (0, 0, tempo(500000)), (0, 0, bytes([0xC0, 11]))]
    for i in range(400):
        key = 60 + (i * 7) % 24
        events += [(i * 6, 2, bytes([0x90, key, 100])), (i * 6 + 4, 1, bytes([0x80, key, 0]))]
    return smf(0, 96, [events])


def forty_song():
    rng = random.Random(40)
    q = 120
    # 20 quarters of 0.6 s, 30 of 0.4 s and 24 of 2/3 s: 12 + 12 + 16 s.
    conductor = [(0, 0, meta(0x03, b"Forty")), (0, 0, tempo(600000)), (q * 20, 0, tempo(400000)),
                 (q * 50, 0, tempo(666667))]
    melody = part(rng, 0, 80, 64, 296, q // 4, q // 4 - 10, rests=0)
    bass = part(rng, 1, 38, 36, 74, q, q - 20, rests=0)
    return smf(1, q, [conductor, melody, bass])


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, song in (("tempo_map.mid", tempo_map_song()), ("sixteenths.mid", sixteenths_song()),
                       ("forty.mid", forty_song())):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(song)


if __name__ == "__main__":
    main()
