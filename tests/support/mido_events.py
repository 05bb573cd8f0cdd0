#!/usr/bin/python3
"""Reads one MIDI file with mido, independent of chimekit, and prints its
type, ticks per beat and track count, then every message of every track as
'TRACK TICK TYPE FIELD=VALUE ...' (fields in name order) with the tick counted from the track's
start and the fields mido gives the message; exits 1 on a file it cannot
read."""
import sys

import mido

try:
    song = mido.MidiFile(sys.argv[1])
except Exception as error:  # any refusal of the reader counts
    print(f"{sys.argv[1]}: {error!r}", file=sys.stderr)
    sys.exit(1)
print(song.type, song.ticks_per_beat, len(song.tracks))
for index, track in enumerate(song.tracks):
    tick = 0
    for message in track:
        tick += message.time
        fields = message.dict()
        print(index, tick, fields["type"],
              *sorted(f"{key}={value!r}" for key, value in fields.items() if key not in ("type", "time")))
