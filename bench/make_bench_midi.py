#!/usr/bin/env python3
"""Writes a large format 1 MIDI file for whole-process timings.

The file is shaped like a long arrangement: a first track with the tempo
map, then tracks of notes on one channel each, written with running status
(a status byte only where it changes), with controllers, program changes,
pitch bends, text events and an occasional system-exclusive message mixed
in, and an End of Track at the end of every track. The same arguments always
give the same bytes.

Usage: python3 bench/make_bench_midi.py OUT.mid [--events N] [--tracks T]
Defaults: 1,000,000 events in 100 tracks (about 4 MB).
"""
import argparse
import random
import struct


def vlq(value):
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append((value & 0x7F) | 0x80)
        value >>= 7
    return bytes(reversed(groups))


def tempo_track(events):
    """Tempo changes every 480 ticks; events counts all events, End of Track included."""
    out = bytearray()
    out += b"\x00\xff\x03\x05Tempo"
    for i in range(max(events - 2, 0)):
        out += vlq(0 if i == 0 else 480) + b"\xff\x51\x03" + struct.pack(">I", 400000 + (i % 7) * 25000)[1:]
    out += b"\x00\xff\x2f\x00"
    return bytes(out)


def note_track(number, events, rng):
    """About `events` events on channel number % 16: mostly notes, some controls."""
    channel = number % 16
    out = bytearray()
    out += b"\x00\xff\x03" + vlq(len(b"Part %d" % number)) + b"Part %d" % number
    out += bytes([0x00, 0xC0 | channel, rng.randrange(128)])
    running = None
    written = 2
    budget = events - 1  # leave room for End of Track
    while written + 2 <= budget:
        roll = rng.random()
        delta = rng.choice((0, 30, 60, 120, 240, 480, 960))
        if roll < 0.015:
            out += vlq(delta) + bytes([0xB0 | channel, rng.choice((1, 7, 10, 64)), rng.randrange(128)])
            running = 0xB0 | channel
            written += 1
            continue
        if roll < 0.02:
            out += vlq(delta) + bytes([0xE0 | channel, 0, rng.randrange(128)])
            running = 0xE0 | channel
            written += 1
            continue
        if roll < 0.021:
            out += vlq(delta) + b"\xff\x01\x04cue!"
            running = None  # a meta event breaks running status for the reader
            written += 1
            continue
        if roll < 0.0215:
            body = bytes([0x7E, 0x7F, 0x09, 0x01]) + bytes(rng.randrange(128) for _ in range(8)) + b"\xf7"
            out += vlq(delta) + b"\xf0" + vlq(len(body)) + body
            running = None
            written += 1
            continue
        key = rng.randrange(36, 96)
        on = 0x90 | channel
        out += vlq(delta) + (bytes([on]) if running != on else b"") + bytes([key, rng.randrange(40, 120)])
        running = on
        length = rng.choice((60, 120, 240, 480))
        if rng.random() < 0.5:
            # A note-on of velocity 0 ends the note under running status.
            out += vlq(length) + bytes([key, 0])
        else:
            off = 0x80 | channel
            out += vlq(length) + bytes([off, key, 64])
            running = off
        written += 2
    out += b"\x00\xff\x2f\x00"
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--events", type=int, default=1000000)
    parser.add_argument("--tracks", type=int, default=100)
    parser.add_argument("--seed", type=int, default=7)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    tempo_events = min(max(args.events // args.tracks, 4), 2000)
    per_track = max((args.events - tempo_events) // max(args.tracks - 1, 1), 4)
    chunks = [tempo_track(tempo_events)]
    chunks += [note_track(n, per_track, rng) for n in range(1, args.tracks)]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), 480)
    with open(args.output, "wb") as out:
        out.write(header)
        for chunk in chunks:
            out.write(b"MTrk" + struct.pack(">I", len(chunk)) + chunk)


if __name__ == "__main__":
    main()
