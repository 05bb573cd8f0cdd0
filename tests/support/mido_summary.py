#!/usr/bin/python3
"""Reads MIDI files with mido, independent of chimekit: prints per file its
type and the messages of each track; exits 1 on a file it cannot read.
With --note-times first: per file its length and the time of each note-on
of velocity > 0 in time order, in milliseconds by mido's tempo map."""
import sys

import mido

times_wanted = sys.argv[1:2] == ["--note-times"]
for path in sys.argv[2 if times_wanted else 1:]:
    try:
        song = mido.MidiFile(path)
    except Exception as error:  # any refusal of the reader counts
        print(f"{path}: {error!r}", file=sys.stderr)
        sys.exit(1)
    if not times_wanted:
        print(song.type, *(len(track) for track in song.tracks))
        continue
    now, times = 0.0, [song.length]
    for message in song:  # every track merged, delta times in seconds
        now += message.time
        if message.type == "note_on" and message.velocity > 0:
            times.append(now)
    print(*(f"{1000 * time:.3f}" for time in times))
