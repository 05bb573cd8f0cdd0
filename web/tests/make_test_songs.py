#!/usr/bin/env python3
"""Writes the songs the browser tests open, into a folder:

- tempo_song.mid: a format 1 song of five tracks (a tempo map of four
  tempos, melody, bass, chords of four notes, drums), about 50 s as it plays;
- tempo_song.rmi: the same song in a RIFF RMID form;
- tone.mid: one note, A4 (440 Hz) on a flute for two seconds, to check the
  preview's pitch;
- mobile.mid: a SMAF file (named as a MIDI file: the page tells them by
  their bytes) of one Mobile Standard score track, written from the
  format's facts: a title, melody on channels 0 and 9, drums on channel 3,
  which its channel status marks as rhythm;
- song.mmf: tempo_song.mid's bytes under a SMAF file's name;
- large.mmf: a Mobile Standard ringtone of about 400 KB of notes (the size
  of the largest real ringtones, whose bytes are mostly waves), for the
  speed figures.

Usage: python3 web/tests/make_test_songs.py FOLDER
"""
import binascii
import os
import struct
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from make_example_midi import vlq, meta  # noqa: E402  (the project's own byte builders)

DIVISION = 480


def track(events):
    """An MTrk chunk of (tick, bytes) events, in time order, with an end of track."""
    data = bytearray()
    last = 0
    for tick, message in sorted(events, key=lambda e: e[0]):
        data += vlq(tick - last) + message
        last = tick
    data += vlq(0) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def midi_file(fmt, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), DIVISION) + b"".join(tracks)


def notes(channel, program, keys, step, length, velocity=100, start=0):
    """A part: program change, then each key (0 a rest) every `step` ticks."""
    events = [(0, bytes([0xC0 | channel, program]))]
    for i, key in enumerate(keys):
        if key:
            at = start + i * step
            events.append((at, bytes([0x90 | channel, key, velocity])))
            events.append((at + length, bytes([0x80 | channel, key, 64])))
    return events


def tempo_song():
    bars = 24  # of four quarters
    quarter = DIVISION
    tempos = [(0, 120), (6 * 4 * quarter, 90), (12 * 4 * quarter, 150), (18 * 4 * quarter, 100)]
    conductor = [(0, meta(0x03, b"Tempo Test")), (0, meta(0x02, b"(c) chimekit project")),
                 (0, meta(0x01, b"four tempos, five tracks"))]
    conductor += [(tick, meta(0x51, struct.pack(">I", 60_000_000 // bpm)[1:])) for tick, bpm in tempos]
    scale = [60, 62, 64, 65, 67, 69, 71, 72, 0, 71, 69, 67, 65, 64, 62, 0]
    melody = notes(0, 73, scale * (bars // 4), quarter // 2, quarter // 2 - 20)
    bass = notes(1, 33, [36, 43, 41, 43] * bars, quarter, quarter - 40, 90)
    chords = []
    for bar in range(bars):
        root = [48, 53, 55, 50][bar % 4]
        chords += notes(2, 48, [root], 4 * quarter, 4 * quarter - 30, 70, bar * 4 * quarter)
        for offset in (4, 7, 12):
            chords += notes(2, 48, [root + offset], 4 * quarter, 4 * quarter - 30, 70, bar * 4 * quarter)[1:]
    drums = notes(9, 0, [36, 42, 38, 42] * bars * 2, quarter // 2, quarter // 4, 110)[1:]
    return midi_file(1, [track(conductor), track(melody), track(bass), track(chords), track(drums)])


def rmid(song):
    data = b"data" + struct.pack("<I", len(song)) + song
    return b"RIFF" + struct.pack("<I", 4 + len(data)) + b"RMID" + data


def tone():
    events = [(0, meta(0x03, b"A4")), (0, bytes([0xC0, 73]))]
    events += [(0, bytes([0x90, 69, 110])), (4 * DIVISION, bytes([0x80, 69, 64]))]
    return midi_file(0, [track(events)])


def chunk(name, data):
    return name + struct.pack(">I", len(data)) + data


def number(n):
    """A Mobile Standard number: seven bits a byte, the high bit on all but the last."""
    out = bytes([n & 0x7F])
    while n > 0x7F:
        n >>= 7
        out = bytes([0x80 | (n & 0x7F)]) + out
    return out


def smaf_file(chunks):
    """"MMMD", its size (the CRC included), the chunks and the CRC-16
    (polynomial 0x1021, initial 0xFFFF, complemented)."""
    body = b"MMMD" + struct.pack(">I", len(chunks) + 2) + chunks
    return body + struct.pack(">H", binascii.crc_hqx(body, 0xFFFF) ^ 0xFFFF)


def mobile_song():
    """Durations and gate times in units of 4 ms: a scale on channel 0 every
    124 ms, a bass drum on channel 3 every 248 ms, a long note on channel 9."""
    timed = [(0, bytes([0xC0, 73]) + b""), (0, bytes([0xB0, 7, 100]))]
    for i, key in enumerate([60, 62, 64, 65, 67, 69, 71, 72] * 2):
        timed.append((31 * i, bytes([0x90, key, 90]) + number(25)))
    for i in range(8):
        timed.append((62 * i, bytes([0x93, 36, 110]) + number(12)))
    timed.append((100, bytes([0x99, 48, 70]) + number(300)))
    events, now = b"", 0
    for unit, message in sorted(timed, key=lambda event: event[0]):
        events += number(unit - now) + message
        now = unit
    events += number(600 - now) + bytes([0xFF, 0x2F, 0x00])
    status = bytearray(16)
    status[3], status[9] = 0x03, 0x01  # rhythm, melody
    track = chunk(b"MTR\x05", bytes([2, 0, 0x02, 0x02]) + bytes(status) + chunk(b"Mtsq", events))
    texts = chunk(b"Dch\x01", b"ST" + struct.pack(">H", 6) + b"Mobile" + b"AN" + struct.pack(">H", 4) + b"Band")
    return smaf_file(chunk(b"CNTI", bytes([0, 0, 1, 0, 0])) + chunk(b"OPDA", texts) + track)


def large_ringtone(size=400_000):
    """Notes on sixteen channels by a fixed pseudo-random walk, 1 ms units."""
    events, state = bytearray(), 7
    while len(events) < size:
        state = (state * 1103515245 + 12345) % 2**32
        channel, key = (state >> 8) & 15, 36 + (state >> 16) % 60
        events += number((state >> 4) % 40) + bytes([0x90 | channel, key, 1 + (state >> 24) % 127])
        events += number(1 + (state >> 20) % 400)
    events += number(0) + bytes([0xFF, 0x2F, 0x00])
    track = chunk(b"MTR\x05", bytes([2, 0, 0x00, 0x00]) + bytes(16) + chunk(b"Mtsq", bytes(events)))
    return smaf_file(chunk(b"CNTI", bytes([0, 0, 1, 0, 0])) + track)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    song = tempo_song()
    for name, data in (("tempo_song.mid", song), ("tempo_song.rmi", rmid(song)), ("tone.mid", tone()),
                       ("mobile.mid", mobile_song()), ("song.mmf", song), ("large.mmf", large_ringtone())):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
