#!/usr/bin/python3
"""Reads MIDI files with mido, independent of chimekit: prints per file its
type and the messages of each track; exits 1 on a file it cannot read."""
import sys

import mido

for path in sys.argv[1:]:
    try:
        song = mido.MidiFile(path)
    except Exception as error:  # any refusal of the reader counts
        print(f"{path}: {error!r}", file=sys.stderr)
        sys.exit(1)
    print(song.type, *(len(track) for track in song.tracks))
