#!/usr/bin/python3
"""Reads MIDI files with mido, an SMF reader independent of chimekit, and
prints one line per file: its type, then the number of messages of each
track. Exits 1 with the reason on the first file mido cannot read."""
import sys

import mido

for path in sys.argv[1:]:
    try:
        song = mido.MidiFile(path)
    except Exception as error:  # any refusal of the reader counts
        print(f"{path}: {error!r}", file=sys.stderr)
        sys.exit(1)
    print(song.type, *(len(track) for track in song.tracks))
