"""The chimekit package against the libraries of a build (CHIMEKIT_LIBRARY_DIR).
MIDI outputs are read back with mido, independent of chimekit."""
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import types

import mido
import pytest

import chimekit
from chimekit import Tag, TagType, Volume

BUILD_LIBRARIES = os.environ.get("CHIMEKIT_LIBRARY_DIR", "")


def smf(file_format, division, *tracks):
    chunks = b"".join(b"MTrk" + struct.pack(">I", len(track)) + track for track in tracks)
    return b"MThd" + struct.pack(">IHHH", 6, file_format, len(tracks), division) + chunks


END = b"\x00\xff\x2f\x00"
# Division 96 at 120 BPM: a tempo track named "Tempo", and a track with
# program 5 and a note of key 60 on channel 0 from tick 96 to 192 (500 to
# 1000 ms).
SONG = smf(1, 96, b"\x00\xff\x03\x05Tempo\x00\xff\x51\x03\x07\xa1\x20" + END,
           b"\x00\xc0\x05\x60\x90\x3c\x64\x60\x80\x3c\x00" + END)


@pytest.fixture
def files(tmp_path):
    folder = tmp_path / "songs é"
    folder.mkdir()
    (folder / "song €.mid").write_bytes(SONG)
    (folder / "cut.mid").write_bytes(SONG[:20])
    return types.SimpleNamespace(song=str(folder / "song €.mid"), second=folder / "song €.mid",
                                 missing=str(folder / "missing.mid"), cut=str(folder / "cut.mid"),
                                 out=str(folder / "out put"))


def messages(path, kind, *fields):
    """(track, fields...) of every message of a kind, as mido reads them."""
    return [(number, *(getattr(message, field) for field in fields))
            for number, track in enumerate(mido.MidiFile(path).tracks) for message in track if message.type == kind]


def notes(path):
    """(track, channel, key) of every sounding note-on."""
    return [(track, channel, key) for track, channel, key, velocity in
            messages(path, "note_on", "channel", "note", "velocity") if velocity > 0]


def names(path):
    return [message.name for track in mido.MidiFile(path).tracks for message in track if message.type == "track_name"]


# Every export: its call with files.song as the (first) input and files.out
# as the output, and what the call must give: its result, or a check of the
# output file.
CALLS = [
    ("get_length_ms", lambda f: chimekit.get_length_ms(f.song), 1000),
    ("first_note_tick", lambda f: chimekit.first_note_tick(f.song), 96),
    ("used_channels", lambda f: chimekit.used_channels(f.song, f.out), [0]),
    ("dump", lambda f: chimekit.dump(f.song, f.out, verbose=False), "0,C4 [60],100,96,192,5 [0]\r\n"),
    ("get_tags", lambda f: chimekit.get_tags(f.song, f.out), [Tag(TagType.NAME, "Tempo", b"Tempo")]),
    ("get_vol", lambda f: chimekit.get_vol(f.song), Volume(127, 127, 60)),
    ("set_tags", lambda f: chimekit.set_tags(f.song, [(3, "Ring"), (3, b"Melody")], f.out),
     lambda out: names(out) == ["Ring", "Melody"]),
    ("trim_ms", lambda f: chimekit.trim_ms(f.song, f.out, 500), lambda out: notes(out) == [(1, 0, 60)]),
    ("trim_percents", lambda f: chimekit.trim_percents(f.song, f.out, 0, 40), lambda out: notes(out) == []),
    ("set_vol", lambda f: chimekit.set_vol(f.song, f.out, -10, 2), lambda out: notes(out) == [(1, 0, 62)]),
    ("equalizer", lambda f: chimekit.equalizer(f.song, f.out, [10, 20, 30, 40, 50, 60, 70, 80], 90),
     lambda out: messages(out, "control_change", "channel", "control", "value") == [(1, 0, 7, 40)]),
    ("set_instr_map", lambda f: chimekit.set_instr_map(f.song, f.out, b"\xff" * 256, bytes([9]) * 256),
     lambda out: messages(out, "program_change", "program") == [(1, 9)]),
    ("copy_channel", lambda f: chimekit.copy_channel(f.song, f.out, 0, 3),
     lambda out: notes(out) == [(1, 0, 60), (1, 3, 60)]),
    ("remove_channel", lambda f: chimekit.remove_channel(f.song, f.out, 0), lambda out: notes(out) == []),
    ("merge", lambda f: chimekit.merge(f.song, f.second, f.out),
     lambda out: notes(out) == [(1, 0, 60), (3, 0, 60)] and mido.MidiFile(out).length == 1.0),
    ("combine", lambda f: chimekit.combine(f.song, f.second, f.out),
     lambda out: notes(out) == [(1, 0, 60), (3, 0, 60)] and mido.MidiFile(out).length == 2.0),
    ("midi_to_sp", lambda f: chimekit.midi_to_sp(f.song, f.out, "1"), lambda out: notes(out) == [(1, 1, 60)]),
    # Of this song's first track, the tempo track: a ringtone without a note.
    ("midi_to_smaf", lambda f: chimekit.midi_to_smaf(f.song, f.out, allow_empty=True),
     lambda out: pathlib.Path(out).read_bytes()[:4] == b"MMMD"),
    ("convert_midi", lambda f: chimekit.convert_midi(f.song, f.out),
     lambda out: mido.MidiFile(out).type == 0 and notes(out) == [(0, 0, 60)]),
]
ids = [name for name, _, _ in CALLS]


@pytest.mark.parametrize("name, call, expected", CALLS, ids=ids)
def test_every_export_returns_its_result(files, name, call, expected):
    result = call(files)
    if callable(expected):
        assert result is None and expected(files.out)
    else:
        assert result == expected


@pytest.mark.parametrize("name, call, expected", CALLS, ids=ids)
def test_failures_raise_with_the_status_and_write_nothing(files, name, call, expected):
    reshaper = name == "convert_midi"
    cases = [(files.missing, -1 if reshaper else 2)]
    if not reshaper:  # Reshaper converts a cut file as far as it reads
        cases.append((files.cut, 1))
    for path, status in cases:
        files.song = path
        with pytest.raises(chimekit.ChimekitError) as raised:
            call(files)
        assert raised.value.status == status
        assert isinstance(raised.value, FileNotFoundError) == (path == files.missing)
        assert not isinstance(raised.value, ValueError)
        assert not os.path.exists(files.out)


def test_statuses_3_and_4_and_reshaper_refusals(files):
    for status, call in ((3, lambda: chimekit.trim_ms(files.song, files.out, 2, 1)),
                         (3, lambda: chimekit.trim_percents(files.song, files.out, 0, 101)),
                         (4, lambda: chimekit.midi_to_sp(files.song, files.out, "00"))):
        with pytest.raises(ValueError) as raised:
            call()
        assert raised.value.status == status and not os.path.exists(files.out)
    format0 = files.out + ".format0.mid"
    chimekit.convert_midi(files.song, format0)
    with pytest.raises(chimekit.ChimekitError) as raised:
        chimekit.convert_midi(format0, files.out)
    assert raised.value.status == -4 and os.path.getsize(files.out) == 0


def test_paths_of_every_form(files):
    for path in (files.song, pathlib.Path(files.song), os.fsencode(files.song)):
        assert chimekit.get_length_ms(path) == 1000
    chimekit.set_vol(files.song, files.song, 0, 1)  # the output may be the input
    assert notes(files.song) == [(1, 0, 61)]
    with pytest.raises(ValueError) as raised:
        chimekit.get_length_ms(files.song + "\0.mid")
    assert raised.value.status is None
    with pytest.raises(ValueError):
        chimekit.set_vol(files.song, files.out, 128)


def test_library_search_order_and_message(files, tmp_path):
    """In fresh processes, as a library once loaded satisfies any later
    search by its name."""
    from chimekit import _library

    def run(folder, library_dir):
        env = {key: value for key, value in os.environ.items() if key not in ("CHIMEKIT_LIBRARY_DIR", "PYTHONPATH")}
        env.update({"CHIMEKIT_LIBRARY_DIR": str(library_dir)} if library_dir else {})
        code = "import chimekit, sys; chimekit.convert_midi(*sys.argv[1:]); print(chimekit.get_length_ms(sys.argv[2]))"
        return subprocess.run([sys.executable, "-c", code, files.song, files.out], cwd=folder, env=env,
                              capture_output=True, text=True)

    package = os.path.dirname(chimekit.__file__)
    copy = tmp_path / "copy"
    shutil.copytree(package, copy / "chimekit", ignore=shutil.ignore_patterns("__pycache__"))
    file_name = _library.library_file_name("Reshaper")
    failed = run(copy, tmp_path)
    for tried in (tmp_path / file_name, copy / "chimekit" / file_name, "the system's library path"):
        assert f"{tried}:" in failed.stderr
    assert "LibraryNotFoundError" in failed.stderr and failed.stdout == ""
    # Found through CHIMEKIT_LIBRARY_DIR, and beside the package without it.
    assert run(copy, BUILD_LIBRARIES).stdout == "1000\n"
    for name in ("chimekit", "Reshaper"):
        shutil.copy(os.path.join(BUILD_LIBRARIES, _library.library_file_name(name)), copy / "chimekit")
    assert run(copy, None).stdout == "1000\n"
