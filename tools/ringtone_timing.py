#!/usr/bin/python3
"""Measures how well ringtones keep a song's real timing.

For each song, the ringtone of the whole song is made twice with the tool,
with the tempo map (the default) and with --library-timing, and read back
with `chimekit inspect`. Each ringtone note is matched with the nearest
note-on of the same key in the song as mido times it (every tempo change
counted), and the table gives per timing:

  notes       the ringtone's notes
  in 1 unit   the share of them that start within one SMAF timebase unit
              of their real time
  worst       the largest distance of a note from its real time, in ms
  drift       the mean distance of the last tenth of the notes minus that
              of the first tenth, in ms (what rounding each delta loses)
  length      the ringtone's length against the song's, in ms

--window SONG=SECONDS also cuts a ringtone of the first SECONDS of SONG
and prints its length. --check exits 1 unless every tempo-map ringtone
note starts within one unit, nothing drifts by a unit, and every window
ringtone lasts its seconds within one unit.

Usage: ringtone_timing.py --chimekit PATH [--check] [--window SONG=SECONDS]... SONG...
"""
import argparse
import bisect
import collections
import os
import re
import subprocess
import sys
import tempfile

import mido

NOTE = re.compile(r"^\s+\+(\d+) ch\d .*= key (\d+)\)")
DELTA = re.compile(r"^\s+\+(\d+) ")
TIMEBASE = re.compile(r"^\s+format type .* timebase (\d+) ms")
END = re.compile(r"end of sequence: .* \((\d+) ms\)")


def song_notes(path):
    """(ms, key) of every note-on of velocity > 0, and the length in ms."""
    song, now, notes = mido.MidiFile(path), 0.0, []
    for message in song:
        now += message.time
        if message.type == "note_on" and message.velocity > 0:
            notes.append((1000 * now, message.note))
    return notes, 1000 * song.length


def ringtone_notes(chimekit, path):
    """(ms, key) of the ringtone's notes, its timebase and its length."""
    listing = subprocess.run([chimekit, "inspect", path], capture_output=True, text=True, check=True).stdout
    notes, unit, now, length = [], 0, 0, 0
    for line in listing.splitlines():
        if match := TIMEBASE.match(line):
            unit, now = int(match[1]), 0
        elif match := NOTE.match(line):
            now += int(match[1])
            notes.append((now * unit, int(match[2])))
        elif match := DELTA.match(line):
            now += int(match[1])
        elif match := END.search(line):
            length = max(length, int(match[1]))
    return notes, unit, length


def errors(made, real):
    """For each made note in time order, its distance in ms from the nearest
    real note-on of its key."""
    by_key = collections.defaultdict(list)
    for ms, key in real:
        by_key[key].append(ms)
    found = []
    for ms, key in sorted(made):
        times = by_key.get(key)
        if not times:
            found.append(float("inf"))
            continue
        at = bisect.bisect_left(times, ms)
        found.append(min(abs(times[i] - ms) for i in (at - 1, at) if 0 <= i < len(times)))
    return found


def run(chimekit, *arguments):
    result = subprocess.run([chimekit, *arguments], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"chimekit {' '.join(arguments)}: {result.stderr.strip()}")


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--chimekit", required=True)
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--window", action="append", default=[])
    parser.add_argument("songs", nargs="*")
    options = parser.parse_args()
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "ring.mmf")
        print(f"{'song':<16} {'timing':<10} {'notes':>6} {'in 1 unit':>10} {'worst':>9} {'drift':>8} {'length':>15}")
        for song in options.songs:
            real, real_length = song_notes(song)
            for timing, flags in (("library", ["--library-timing"]), ("tempo map", [])):
                run(options.chimekit, "smaf", song, out, *flags)
                made, unit, length = ringtone_notes(options.chimekit, out)
                found = errors(made, real)
                within = sum(error <= unit for error in found) / max(len(found), 1)
                tenth = max(len(found) // 10, 1)
                drift = sum(found[-tenth:]) / tenth - sum(found[:tenth]) / tenth
                print(f"{os.path.basename(song):<16} {timing:<10} {len(made):>6} {100 * within:>9.1f}% "
                      f"{max(found, default=0):>7.1f}ms {drift:>6.1f}ms {length:>7}/{real_length:<7.0f}")
                if timing == "tempo map" and (within < 1 or abs(drift) >= unit):
                    failures.append(f"{song}: {100 * within:.1f}% of the notes within one unit, drift {drift:.1f} ms")
        for window in options.window:
            song, seconds = window.rsplit("=", 1)
            run(options.chimekit, "ringtone", song, out, "--length", seconds)
            made, unit, length = ringtone_notes(options.chimekit, out)
            print(f"{os.path.basename(song)}: a ringtone of the first {seconds} s lasts {length} ms")
            if abs(length - 1000 * float(seconds)) > unit:
                failures.append(f"{song}: the {seconds} s ringtone lasts {length} ms")
    if options.check and failures:
        sys.exit("\n".join(failures))


if __name__ == "__main__":
    main()
