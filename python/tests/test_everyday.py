"""The package as a Python program uses it: the OSError or NotMidiError of
each failure with the path, tags as str, the Python names, a ringtone
without a note refused, a file never lost to a failed conversion, and the
package's version and metadata."""
import os
import pathlib
import shutil
import stat
import subprocess
import sys
import tempfile

import mido
import pytest

import chimekit
from test_chimekit import SONG, END, smf

ROOT = pathlib.Path(__file__).resolve().parents[2]


@pytest.fixture
def place(tmp_path):
    (tmp_path / "song.mid").write_bytes(SONG)
    (tmp_path / "notes.txt").write_text("a list of notes, not a song\n")
    (tmp_path / "ring.mmf").write_bytes(b"MMMD\0\0\0\x0cCNTI\0\0\0\x04\0\0\0\0")
    (tmp_path / "folder").mkdir()
    return tmp_path


# (call, exception type, the file named in `filename`): every kind of file
# fault through an export of each library and each family of calls.
FAULTS = [
    (lambda p: chimekit.length_ms(p / "missing.mid"), FileNotFoundError, "missing.mid"),
    (lambda p: chimekit.dump(p / "folder"), IsADirectoryError, "folder"),
    (lambda p: chimekit.tags(p / "notes.txt"), chimekit.NotMidiError, "notes.txt"),
    (lambda p: chimekit.volume(p / "ring.mmf"), chimekit.NotMidiError, "ring.mmf"),
    (lambda p: chimekit.set_volume(p / "song.mid", p / "none" / "out.mid", 1), FileNotFoundError, "none/out.mid"),
    (lambda p: chimekit.midi_to_smaf(p / "song.mid", p / "folder", allow_empty=True), IsADirectoryError, "folder"),
    (lambda p: chimekit.merge(p / "song.mid", p / "notes.txt", p / "out.mid"), chimekit.NotMidiError, "notes.txt"),
    (lambda p: chimekit.reshape(p / "missing.mid", p / "out.mid"), FileNotFoundError, "missing.mid"),
    # (ConvertMidi leaves its empty output of a refused file, as specified.)
    (lambda p: chimekit.reshape(p / "notes.txt", p / "empty.mid"), chimekit.NotMidiError, "notes.txt"),
    (lambda p: chimekit.reshape(p / "song.mid", p / "none" / "out.mid"), FileNotFoundError, "none/out.mid"),
]


@pytest.mark.parametrize("call, kind, named", FAULTS)
def test_file_faults_raise_what_python_raises_with_the_path(place, call, kind, named):
    with pytest.raises(kind) as raised:
        call(place)
    assert isinstance(raised.value, chimekit.ChimekitError)
    assert os.fspath(raised.value.filename) == str(place / named)
    assert not os.path.exists(place / "out.mid")


UNREACHABLE = """
import chimekit, sys
for call in (lambda: chimekit.get_length_ms(sys.argv[1] + "/locked.mid"),
             lambda: chimekit.set_vol(sys.argv[1] + "/song.mid", sys.argv[1] + "/shut/out.mid"),
             lambda: chimekit.convert_midi(sys.argv[1] + "/song.mid", sys.argv[1] + "/shut/out.mid")):
    try:
        call()
    except PermissionError as error:
        print(type(error).__name__, error.filename.rsplit("/", 2)[-2:])
"""


@pytest.fixture
def open_folder():
    """A folder that every user may enter (tmp_path's parents are root's)."""
    top = pathlib.Path(tempfile.mkdtemp(prefix="chimekit-"))
    os.chmod(top, 0o755)
    yield top
    for path in top.rglob("*"):
        os.chmod(path, 0o700)
    shutil.rmtree(top)


def test_files_out_of_reach_raise_permission_error(open_folder):
    # As root, who reads and writes anything, the calls run as nobody.
    folder = open_folder / "open"
    folder.mkdir()
    (folder / "song.mid").write_bytes(SONG)
    (folder / "locked.mid").write_bytes(SONG)
    (folder / "shut").mkdir()
    os.chmod(folder / "locked.mid", 0)
    os.chmod(folder / "shut", 0o555)
    os.chmod(folder, 0o755)
    as_nobody = {"user": "nobody", "group": "nogroup"} if os.geteuid() == 0 else {}
    result = subprocess.run([sys.executable, "-c", UNREACHABLE, str(folder)], capture_output=True, text=True,
                            env={**os.environ, "PYTHONPATH": str(ROOT / "python")}, **as_nobody)
    assert result.stdout.splitlines() == ["AccessDeniedError ['open', 'locked.mid']",
                                          "AccessDeniedError ['shut', 'out.mid']",
                                          "AccessDeniedError ['shut', 'out.mid']"], result.stderr


def test_a_failed_conversion_leaves_its_input_that_is_its_output(place):
    format0 = place / "format0.mid"
    format0.write_bytes(smf(0, 96, b"\x00\x90\x3c\x40\x60\x80\x3c\x00" + END))
    os.chmod(format0, 0o640)
    before = format0.read_bytes()
    with pytest.raises(chimekit.ChimekitError) as raised:
        chimekit.convert_midi(format0, place / "." / "format0.mid")
    assert raised.value.status == -4 and format0.read_bytes() == before
    # A conversion over the input keeps the file's mode.
    song = place / "song.mid"
    os.chmod(song, 0o640)
    chimekit.reshape(song, song)
    assert mido.MidiFile(song).type == 0 and stat.S_IMODE(os.stat(song).st_mode) == 0o640


def test_a_ringtone_without_a_note_is_refused(place):
    # The first track of this format 1 song holds only its tempo.
    before = (place / "ring.mmf").read_bytes()
    with pytest.raises(chimekit.ChimekitError, match=r"no note.*chimekit\.ringtone\(\)"):
        chimekit.midi_to_smaf(place / "song.mid", place / "ring.mmf")
    assert (place / "ring.mmf").read_bytes() == before
    chimekit.midi_to_smaf(place / "song.mid", place / "ring.mmf", allow_empty=True)
    first_track_song = place / "first.mid"
    first_track_song.write_bytes(smf(0, 96, b"\x00\x90\x3c\x64\x60\x80\x3c\x00" + END))
    chimekit.midi_to_smaf(first_track_song, place / "first.mmf")
    assert (place / "first.mmf").read_bytes()[:4] == b"MMMD"


def test_tags_are_str_and_keep_their_bytes(place):
    song, out = place / "song.mid", place / "out.mid"
    # Latin-1, UTF-8 beyond Latin-1, and bytes that are neither UTF-8 nor meant as Latin-1.
    # and a text whose Latin-1 bytes would read as UTF-8 of another.
    texts = [(1, "Café"), (2, "€ 2026"), (3, b"\x83\x65\x83\x58"), (4, "Ã©")]
    chimekit.set_tags(song, texts, out)
    read = chimekit.tags(out)
    assert [(tag.type, tag.text, tag.raw) for tag in read] == [
        (chimekit.TagType.TEXT, "Café", b"Caf\xe9"), (chimekit.TagType.COPYRIGHT, "€ 2026", "€ 2026".encode()),
        (chimekit.TagType.NAME, "\x83e\x83X", b"\x83\x65\x83\x58"), (chimekit.TagType.INSTRUMENT, "Ã©", "Ã©".encode())]
    # Written back unchanged, every tag keeps its bytes; a changed text is new.
    chimekit.set_tags(song, read[:2] + [read[2]._replace(text="Ring")] + read[3:], out)
    assert [tag.raw for tag in chimekit.get_tags(out)] == [b"Caf\xe9", "€ 2026".encode(), b"Ring", "Ã©".encode()]


def test_python_names_are_the_exports(place):
    pairs = [(chimekit.length_ms, chimekit.get_length_ms), (chimekit.tags, chimekit.get_tags),
             (chimekit.volume, chimekit.get_vol), (chimekit.trim, chimekit.trim_ms),
             (chimekit.trim_percent, chimekit.trim_percents), (chimekit.set_volume, chimekit.set_vol),
             (chimekit.equalize, chimekit.equalizer), (chimekit.map_instruments, chimekit.set_instr_map),
             (chimekit.reshape, chimekit.convert_midi)]
    for python_name, export_name in pairs:
        assert python_name is export_name
    assert chimekit.length_ms(place / "song.mid") == 1000


def test_version_and_metadata():
    version = (ROOT / "VERSION").read_text().strip()
    assert chimekit.__version__ == version
    project = (ROOT / "python" / "pyproject.toml").read_text()
    for line in ('license = {text = "MIT"}', 'Homepage = "https://', '"License :: OSI Approved :: MIT License"'):
        assert line in project
    assert "MIT License" in (ROOT / "LICENSE").read_text()
