#!/usr/bin/env python3
"""Records what the tool and the libraries give on a corpus of songs, and
compares two records: the check that a change of the code leaves every
output as it was. Run it with the build before the change and the build
after it, then compare.

  compare_outputs.py corpus FOLDER              the project's songs, the fuzz seeds and
                                                 regressions, bench songs, and random and
                                                 mutated songs with hostile details
  compare_outputs.py record BUILD CORPUS OUT    every tool command on every song (outputs
                                                 and printed text) and every export of the
                                                 libraries in BUILD/lib, one JSON line each
  compare_outputs.py compare BEFORE AFTER       the records that differ

The songs are the same for the same seed (--seed, default 1).
"""
import argparse
import concurrent.futures
import ctypes
import hashlib
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def vlq(v):
    g = [v & 0x7F]
    v >>= 7
    while v:
        g.append((v & 0x7F) | 0x80)
        v >>= 7
    return bytes(reversed(g))


def vlq5(v):  # five bytes, any 32-bit value
    return bytes([0x80 | ((v >> 28) & 0x0F), 0x80 | ((v >> 21) & 0x7F), 0x80 | ((v >> 14) & 0x7F),
                  0x80 | ((v >> 7) & 0x7F), v & 0x7F])


def chunk(kind, content):
    return kind + struct.pack(">I", len(content)) + content


def random_track(rng, hostile, channels):
    """A track of up to 300 events on a few channels: notes (some left
    sounding), controls, programs, bends, pressure, texts of every kind,
    tempos and system exclusive; hostile adds deltas beyond 31 bits, keys
    beyond 127, short or long tempo data, system events, an end of track
    in the middle, none at the end, and events after it."""
    out = bytearray()
    running = None
    held = []

    def event(delta, *data, may_run=False):
        nonlocal running
        if hostile and rng.random() < 0.003:
            out.extend(vlq5(rng.choice([0x80000000, 0xFFFFFFF0, 0x7FFFFFFF, 0x10000000 + rng.randrange(1000)])))
        else:
            out.extend(vlq(delta))
        out.extend(data[1:] if may_run and running == data[0] and rng.random() < 0.5 else data)
        running = data[0] if data[0] < 0xF0 else None

    def meta(delta, kind, text):
        event(delta, 0xFF, kind, *vlq(len(text)), *text)

    if hostile and rng.random() < 0.1:
        out.extend(vlq(0) + bytes([rng.randrange(128)]))  # a data byte before any status
    for kind in rng.sample([1, 2, 3, 3, 4, 5, 6], rng.randrange(0, 5)):
        meta(rng.choice([0, 0, 10]), kind, bytes(rng.choice(b"abcxyz ,;-") for _ in range(rng.randrange(12))))
    if rng.random() < 0.5:
        tempo = struct.pack(">I", rng.choice([500000, 400000, 600000, 333333, 869565, 250000]))[1:]
        if hostile and rng.random() < 0.2:
            tempo = tempo[:rng.randrange(3)] if rng.random() < 0.5 else tempo + b"\x01"
        meta(0, 0x51, tempo)
    for _ in range(rng.randrange(5, 300)):
        roll, channel = rng.random(), rng.choice(channels)
        delta = rng.choice([0, 0, 1, 3, 10, 24, 48, 96, 120, 480, 1000, 3000])
        if roll < 0.5:
            key = rng.randrange(128, 256) if hostile and rng.random() < 0.01 else rng.randrange(20, 110)
            event(delta, 0x90 | channel, key, rng.randrange(1, 128) if rng.random() > 0.05 else 0, may_run=True)
            held.append((channel, key))
        elif roll < 0.72 and held:
            channel, key = held.pop(rng.randrange(len(held)))
            event(delta, (0x80 if rng.random() < 0.5 else 0x90) | channel, key, 0, may_run=True)
        elif roll < 0.8:
            event(delta, 0xB0 | channel, rng.choice([0, 1, 7, 7, 10, 64, 123, 0]), rng.randrange(128), may_run=True)
        elif roll < 0.85:
            event(delta, 0xC0 | channel, rng.randrange(128), may_run=True)
        elif roll < 0.88:
            event(delta, 0xE0 | channel, rng.randrange(128), rng.randrange(128), may_run=True)
        elif roll < 0.9:
            event(delta, 0xD0 | channel, rng.randrange(128), may_run=True)
        elif roll < 0.91:
            event(delta, 0xA0 | channel, rng.randrange(128), rng.randrange(128), may_run=True)
        elif roll < 0.93:
            body = bytes(rng.randrange(128) for _ in range(rng.randrange(6))) + b"\xf7"
            event(delta, 0xF0, *vlq(len(body)), *body)
        elif roll < 0.95:
            kind = rng.choice([1, 2, 3, 5, 6, 0x7F, 0x58, 0x51])
            text = bytes(rng.randrange(256) for _ in range(rng.randrange(6)))
            meta(delta, kind, struct.pack(">I", rng.choice([500000, 300000, 700000]))[1:] if kind == 0x51 else text)
        elif hostile and roll < 0.955:
            event(delta, rng.choice([0xF1, 0xF2, 0xF6, 0xF8, 0xFE]))
        elif hostile and roll < 0.96:
            meta(delta, 0x2F, b"")  # an end of track in the middle
    for channel, key in held:
        if rng.random() < 0.7:
            event(rng.choice([0, 24, 96]), 0x80 | channel, key, 0)
    if not (hostile and rng.random() < 0.15):
        meta(0, 0x2F, b"")
    if hostile and rng.random() < 0.1:
        event(10, 0x90, 60, 100)  # after the end of track
        event(10, 0x80, 60, 0)
    return bytes(out)


def random_song(seed, hostile):
    """A song of format 0, 1 or 2; hostile adds odd divisions, wrong track
    counts, a cut, junk before it, a RIFF RMID form, a second header, a
    short header."""
    rng = random.Random(seed)
    form = rng.choice([0, 1, 1, 1, 2])
    count = 1 if form == 0 else rng.randrange(1, 6)
    division = rng.choice([96, 120, 384, 480, 960, 3840, 1, 7])
    if hostile and rng.random() < 0.1:
        division = rng.choice([0, 0xE728, 0xE250, 0x8000])
    tracks = [random_track(rng, hostile, rng.sample(range(16), rng.randrange(1, 5)) if rng.random() < 0.8 else [9, 0, 15])
              for _ in range(count)]
    announced = rng.randrange(8) if hostile and rng.random() < 0.1 else count
    data = chunk(b"MThd", struct.pack(">HHH", form, announced, division)) + b"".join(chunk(b"MTrk", t) for t in tracks)
    roll = rng.random() if hostile else 1
    if roll < 0.05:
        data = data[:rng.randrange(len(data))]
    elif roll < 0.08:
        data = b"JUNKJUNK" + data
    elif roll < 0.11:
        data = b"RIFF" + struct.pack("<I", len(data) + 12) + b"RMIDdata" + struct.pack("<I", len(data)) + data
    elif roll < 0.13:
        data += chunk(b"MThd", struct.pack(">HHH", 0, 1, 200))
    elif roll < 0.15:
        data = chunk(b"MThd", b"\x00\x01")[:10] + data[8:]
    return data


def make_corpus(folder, seed):
    os.makedirs(folder, exist_ok=True)

    def save(name, data):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)

    shutil.copy(os.path.join(ROOT, "examples/ringtone.mid"), os.path.join(folder, "example.mid"))
    with tempfile.TemporaryDirectory() as made:
        subprocess.run(["python3", os.path.join(ROOT, "tools/make_tempo_songs.py"), made], check=True)
        subprocess.run(["python3", os.path.join(ROOT, "web/tests/make_test_songs.py"), made], check=True)
        subprocess.run(["python3", os.path.join(ROOT, "fuzz/make_corpus.py"), os.path.join(made, "fuzz")], check=True,
                       stdout=subprocess.DEVNULL)
        for name in os.listdir(made):
            if name != "fuzz":
                shutil.copy(os.path.join(made, name), os.path.join(folder, "project-" + name))
        for name in sorted(os.listdir(os.path.join(made, "fuzz", "midifile"))):
            shutil.copy(os.path.join(made, "fuzz", "midifile", name), os.path.join(folder, "seed-" + name + ".mid"))
    for kind in os.listdir(os.path.join(ROOT, "fuzz/regressions")):
        for name in os.listdir(os.path.join(ROOT, "fuzz/regressions", kind)):
            shutil.copy(os.path.join(ROOT, "fuzz/regressions", kind, name), os.path.join(folder, f"regression-{kind}-{name}.mid"))
    for events, tracks in ((3000, 3), (20000, 16), (60000, 16)):
        subprocess.run(["python3", os.path.join(ROOT, "bench/make_bench_midi.py"),
                        os.path.join(folder, f"bench-{events}-{tracks}.mid"), "--events", str(events), "--tracks", str(tracks)],
                       check=True)
    for i in range(150):
        save("random-%03d.mid" % i, random_song(seed * 100000 + i, False))
    for i in range(250):
        save("hostile-%03d.mid" % i, random_song(seed * 100000 + 1000 + i, True))
    bases = [open(os.path.join(folder, n), "rb").read() for n in sorted(os.listdir(folder))
             if n.startswith(("project-", "example", "random-00"))]
    rng = random.Random(seed)
    for i in range(150):
        data = bytearray(rng.choice(bases))
        for _ in range(rng.randrange(1, 6)):
            data[rng.randrange(len(data))] = rng.randrange(256)
        save("mutated-%03d.mid" % i, bytes(data))
    save("empty.mid", b"")
    save("short.mid", b"MThd\x00\x00\x00\x06\x00\x00")
    save("words.txt", b"Only words, not the notes of a song.".ljust(63, b".") + b"\n")


def digest(data):
    return hashlib.sha256(data).hexdigest()[:20] + "/%d" % len(data)


# The tool's commands, each run on every song (the song first, then the
# output where the command takes one, then these arguments).
RINGTONE = ["ringtone"]
CASES = [["smaf"], ["smaf", "--first-track"], ["smaf", "--library-timing"], ["smaf", "--allow-empty"],
         ["smaf", "--library-timing", "--allow-empty"], ["smaf", "--first-track", "--allow-empty"],
         RINGTONE, RINGTONE + ["--allow-empty"]] + [RINGTONE + options.split() + ["--allow-empty"] for options in (
    "--start 2 --length 4.5 --limit 1 --volume -20", "--start 5.5 --length 20 --limit 2 --volume -10",
    "--start 40.125 --length 30 --limit 0", "--length 1", "--start 0.003 --length 3.001 --limit 3", "--volume 15",
    "--limit 1", "--library-timing --start 1 --length 2", "--library-timing --volume -5 --limit 2", "--library-timing",
    "--start 3", "--length 0.5 --volume -127", "--start 1 --length 2 --volume 127 --limit 255",
    "--library-timing --start 0.5 --length 1 --limit 1 --volume 30")] + [
    ["play", "--seconds", "1"], ["play", "--mono", "--seconds", "1", "--library-timing"],
    ["play", "--first-track", "--seconds", "1"], ["length"], ["length", "--tempo-map"],
    ["trim", "--tempo-map", "--start", "100", "--end", "2000"], ["dump"], ["dump", "--notes"], ["channels"],
    ["tags", "--list"], ["volume"], ["first-note"], ["instruments"], ["sp", "--limit", "2"],
    ["set-volume", "--volume", "-10", "--drums"], ["trim", "--start", "100", "--end", "3000"],
    ["trim", "--start-percent", "10", "--end-percent", "60"], ["equalize", "--bands", "10,20,30,40,50,60,70,80"],
    ["reshape"], ["copy-channel", "1", "10"], ["remove-channel", "10"], ["set-tags", "--name", "N", "--copyright", "C"]]
WITH_OUTPUT = {"smaf", "ringtone", "play", "trim", "dump", "channels", "sp", "set-volume", "equalize", "reshape",
               "copy-channel", "remove-channel", "set-tags", "tags"}
# The ringtones that are also inspected and played.
INSPECTED = {0, 6, 8}


def run_case(tool, path, index):
    """One command on one song: its exit status, what it printed (the
    temporary folder's name replaced) and the digest of its output."""
    case = CASES[index]
    with tempfile.TemporaryDirectory(prefix="compare-") as work:
        output = os.path.join(work, "out.bin")
        command = [tool, case[0], path] + ([output] if case[0] in WITH_OUTPUT else []) + case[1:]
        run = subprocess.run(command, capture_output=True, timeout=120)
        text = lambda data: data.replace(work.encode(), b"<W>").decode("latin1")  # noqa: E731
        result = {"f": os.path.basename(path), "c": " ".join(case), "rc": run.returncode, "o": text(run.stdout),
                  "e": text(run.stderr)}
        if os.path.exists(output):
            with open(output, "rb") as file:
                result["out"] = digest(file.read())
            if index in INSPECTED and run.returncode == 0:
                inspect = subprocess.run([tool, "inspect", output], capture_output=True)
                result["inspect"] = [inspect.returncode, digest(inspect.stdout), digest(inspect.stderr)]
                wav = os.path.join(work, "ring.wav")
                play = subprocess.run([tool, "play", output, wav, "--seconds", "2"], capture_output=True)
                played = digest(open(wav, "rb").read()) if os.path.exists(wav) else None
                result["playsmaf"] = [play.returncode, text(play.stdout), text(play.stderr), played]
        return result


def export_cases(path, chimekit, reshaper, example):
    """Every export of both libraries on one song: statuses, values and the
    digests of the outputs."""
    results = []
    name = os.path.basename(path)
    with tempfile.TemporaryDirectory(prefix="compare-") as work:
        out = os.path.join(work, "out").encode()
        song = path.encode()

        def call(export, *arguments, library=chimekit):
            status = getattr(library, export)(*arguments)
            output = None
            if os.path.exists(out):
                with open(out, "rb") as file:
                    output = digest(file.read())
                os.remove(out)
            numbers = [value if isinstance(value, int) else None for value in arguments]
            results.append({"f": name, "x": export + repr(numbers), "st": status, "out": output})

        value, levels = ctypes.c_int32(), [ctypes.c_uint8() for _ in range(3)]
        for export in ("MIDIGetLengthMs", "MIDIFirstNoteTimeMs"):
            status = getattr(chimekit, export)(song, ctypes.byref(value))
            results.append({"f": name, "x": export, "st": status, "v": value.value})
        status = chimekit.MIDIGetVol(song, *(ctypes.byref(level) for level in levels))
        results.append({"f": name, "x": "MIDIGetVol", "st": status, "v": [level.value for level in levels]})
        for export in ("MIDI2SMAF", "MIDIUsedChannels", "MIDIGetTags"):
            call(export, song, out)
        call("MIDIDump", song, out, 1)
        call("MIDIDump", song, out, 0)
        for start, end in ((0, 0xFFFFFFFF), (100, 2000), (1500, 1500), (0, 0), (333, 777)):
            call("MIDITrimMs", song, out, start, end)
        for start, end in ((0, 100), (10, 60), (33, 33)):
            call("MIDITrimPercents", song, out, start, end)
        call("MIDISetVol", song, out, -10, 3, 0)
        call("MIDISetVol", song, out, 20, -5, 1)
        call("MIDIEqualizer", song, out, 10, 20, 30, 40, 50, 60, 70, 80, 64)
        keep = (ctypes.c_uint8 * 256)(*[(i + 1) % 256 for i in range(256)])
        mapped = (ctypes.c_uint8 * 256)(*[(i * 7) % 256 for i in range(256)])
        call("MIDISetInstrMap", song, out, keep, mapped)
        call("MIDICopyChannel", song, out, 0, 9)
        call("MIDIRemoveChannel", song, out, 9)
        call("MIDIMerge", song, example, out)
        call("MIDICombine", example, song, out)
        call("MIDI2SP", song, out, b"fedcba", 0, 2)
        call("MIDI2SP", song, out, b"", 1, 1)
        tags = os.path.join(work, "tags.txt").encode()
        with open(tags, "wb") as file:
            file.write(b"\x03Name\r\n\x02(c)\r\n\x01t\r\n")
        call("MIDISetTags", song, tags, out)
        call("ConvertMidi", song, out, library=reshaper)
    return results


def record(build, corpus, out_path):
    tool = os.path.join(build, "bin", "chimekit")
    songs = sorted(os.path.join(corpus, name) for name in os.listdir(corpus))
    with open(out_path, "w") as out:
        with concurrent.futures.ThreadPoolExecutor(2) as pool:
            runs = pool.map(lambda job: run_case(tool, *job), [(s, i) for s in songs for i in range(len(CASES))])
            for result in runs:
                out.write(json.dumps(result, sort_keys=True) + "\n")
        chimekit = ctypes.CDLL(os.path.join(build, "lib", "libchimekit.so"))
        reshaper = ctypes.CDLL(os.path.join(build, "lib", "libReshaper.so"))
        example = os.path.join(corpus, "example.mid").encode()
        for song in songs:
            for result in export_cases(song, chimekit, reshaper, example):
                out.write(json.dumps(result, sort_keys=True) + "\n")


def compare(before_path, after_path):
    def load(path):
        return {(r["f"], r.get("c") or r.get("x")): r for r in map(json.loads, open(path))}
    before, after = load(before_path), load(after_path)
    differ = [k for k in before if before[k] != after.get(k)]
    print(f"{len(before)} records, {len(differ)} differ, {len(set(after) - set(before))} new")
    for key in differ[:20]:
        print("==", key, "\n before", json.dumps(before[key])[:600], "\n after ", json.dumps(after.get(key))[:600])
    return 1 if differ else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    commands = parser.add_subparsers(dest="command", required=True)
    made = commands.add_parser("corpus")
    made.add_argument("folder")
    made.add_argument("--seed", type=int, default=1)
    recorded = commands.add_parser("record")
    recorded.add_argument("build")
    recorded.add_argument("corpus")
    recorded.add_argument("out")
    compared = commands.add_parser("compare")
    compared.add_argument("before")
    compared.add_argument("after")
    args = parser.parse_args()
    if args.command == "corpus":
        make_corpus(args.folder, args.seed)
    elif args.command == "record":
        record(args.build, args.corpus, args.out)
    else:
        sys.exit(compare(args.before, args.after))


if __name__ == "__main__":
    main()
