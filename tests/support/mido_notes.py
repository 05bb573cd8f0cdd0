#!/usr/bin/python3
"""Reads one MIDI file with mido, independent of chimekit, and prints each
note as it plays, one line each in order of onset: 'CHANNEL KEY ONSET
LENGTH' with onset and length in milliseconds by mido's tempo map (every
track merged). A note-on of velocity 0 or a note-off ends the earliest
sounding note of its channel and key."""
import sys

import mido

now, sounding, notes = 0.0, {}, []
for message in mido.MidiFile(sys.argv[1]):
    now += message.time
    if message.type not in ("note_on", "note_off"):
        continue
    key = (message.channel, message.note)
    if message.type == "note_on" and message.velocity > 0:
        sounding.setdefault(key, []).append(now)
    elif sounding.get(key):
        start = sounding[key].pop(0)
        notes.append((start, message.channel, message.note, now - start))
for start, channel, note, length in sorted(notes):
    print(channel, note, f"{1000 * start:.3f}", f"{1000 * length:.3f}")
