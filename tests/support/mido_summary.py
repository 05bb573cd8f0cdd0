#!/usr/bin/python3
"""Reads MIDI files with mido, independent of chimekit: prints per file its
type and the messages of each track; exits 1 on a file it cannot read.

With --note-times first, prints per file instead its length and the time of
every note-on of velocity > 0 (tracks in order, each track's notes in
order), in milliseconds by the file's tempo map (the tempo events of all
tracks)."""
import sys

import mido


def tempo_map(song):
    """(tick, microseconds per quarter) from tick 0 on, in order of ticks."""
    changes = [(0, 500000)]
    for track in song.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "set_tempo":
                changes.append((tick, message.tempo))
    changes.sort(key=lambda change: change[0])
    return changes


def milliseconds(tick, changes, division):
    elapsed, last_tick, tempo = 0.0, 0, 500000
    for change_tick, change_tempo in changes:
        if change_tick > tick:
            break
        elapsed += mido.tick2second(change_tick - last_tick, division, tempo)
        last_tick, tempo = change_tick, change_tempo
    return 1000 * (elapsed + mido.tick2second(tick - last_tick, division, tempo))


def note_times(song):
    changes = tempo_map(song)
    times = [f"{1000 * song.length:.3f}"]
    for track in song.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type == "note_on" and message.velocity > 0:
                times.append(f"{milliseconds(tick, changes, song.ticks_per_beat):.3f}")
    return times


paths = sys.argv[1:]
times_wanted = paths[:1] == ["--note-times"]
for path in paths[1:] if times_wanted else paths:
    try:
        song = mido.MidiFile(path)
    except Exception as error:  # any refusal of the reader counts
        print(f"{path}: {error!r}", file=sys.stderr)
        sys.exit(1)
    if times_wanted:
        print(*note_times(song))
    else:
        print(song.type, *(len(track) for track in song.tracks))
