"""The jobs library through the package: the ringtone and the render, their
files checked against the formats' facts (a SMAF file's size field and CRC,
a WAV file as Python's wave module reads it), their summaries against each
other."""
import binascii
import os
import pathlib
import struct
import wave

import pytest

import chimekit

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "ringtone.mid"


def check_smaf(path):
    """The SMAF file's size field counts every byte after it, and its last
    two bytes are the CRC-16/GENIBUS of the rest."""
    data = pathlib.Path(path).read_bytes()
    assert data[:4] == b"MMMD"
    assert struct.unpack(">I", data[4:8])[0] == len(data) - 8
    assert struct.unpack(">H", data[-2:])[0] == binascii.crc_hqx(data[:-2], 0xFFFF) ^ 0xFFFF


@pytest.mark.parametrize("options, kept_all", [({}, True), ({"start": 2, "length": 4.5, "limit": 1, "volume": -20}, False),
                                              ({"length": None, "library_timing": True}, True)])
def test_ringtone_writes_a_smaf_file_and_says_where_the_notes_went(tmp_path, options, kept_all):
    out = tmp_path / "ring.mmf"
    summary = chimekit.ringtone(EXAMPLE, out, **options)
    check_smaf(out)
    assert summary.notes_converted > 0 and summary.text.endswith("notes dropped (no free slot): 0\n")
    assert f"notes converted: {summary.notes_converted}\n" in summary.text
    # Every note of the window is kept, or left out by the note limit.
    assert summary.notes_kept == summary.notes_converted
    assert summary.notes_dropped == ({} if kept_all else {"note limit": sum(summary.note_ons_dropped)})
    assert summary.cut == ("start" in options) and summary.played_ms == 8000


def test_render_writes_the_wav_file_it_reports(tmp_path):
    ring, sound = tmp_path / "ring.mmf", tmp_path / "ring.wav"
    chimekit.ringtone(EXAMPLE, ring)
    for source, seconds, mono in ((ring, 2, True), (EXAMPLE, None, False)):
        summary = chimekit.render(source, sound, seconds=seconds, mono=mono)
        with wave.open(str(sound)) as wav:
            assert (wav.getnchannels(), wav.getframerate(), wav.getsampwidth()) == (1 if mono else 2, 44100, 2)
            assert wav.getnframes() == summary.frames
        assert summary.cut == (seconds is not None) and summary.seconds == summary.frames / 44100
    assert 8.0 < summary.seconds < 14.0  # the whole example and its last notes' release


def test_failures_raise_the_library_s_text_and_write_nothing(tmp_path):
    cut = tmp_path / "cut.mid"
    cut.write_bytes(EXAMPLE.read_bytes()[:100])
    out = tmp_path / "out.mmf"
    with pytest.raises(FileNotFoundError) as missing:
        chimekit.ringtone(tmp_path / "missing.mid", out)
    assert missing.value.status == 2
    for call in (lambda: chimekit.ringtone(cut, out), lambda: chimekit.render(cut, out)):
        with pytest.raises(chimekit.ChimekitError) as failed:
            call()
        assert failed.value.status == 1 and str(failed.value) == "Read beyond end of file"
    for bad in ({"limit": 256}, {"volume": 128}, {"length": 0}, {"start": -1}):
        with pytest.raises(ValueError):
            chimekit.ringtone(EXAMPLE, out, **bad)
    assert sorted(os.listdir(tmp_path)) == ["cut.mid"]


def test_the_ringtone_carries_one_title_and_the_copyright(tmp_path):
    out = tmp_path / "ring.mmf"
    for title, expected, source in ((None, b"Chime Demo", "song"), ("Mine é", "Mine é".encode(), "given"),
                                    ("", b"", "none")):
        summary = chimekit.ringtone(EXAMPLE, out, title=title, copyright=b"(c) Me")
        assert (summary.title, summary.title_from, summary.copyright) == (expected, source, b"(c) Me")
        option_text = b"CR:(c) Me," + (b"ST:" + expected + b"," if expected else b"")
        assert option_text + b"MTR" in out.read_bytes()
        check_smaf(out)
