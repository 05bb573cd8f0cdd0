"""The jobs library through the package: the ringtone and the render, their
files checked against the formats' facts (a SMAF file's size field and CRC,
a WAV file as Python's wave module reads it), their summaries against each
other."""
import binascii
import math
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


def smaf_file(chunks):
    """A SMAF file of the chunks: "MMMD", its size, the chunks and the CRC."""
    body = b"MMMD" + struct.pack(">I", len(chunks) + 2) + chunks
    return body + struct.pack(">H", binascii.crc_hqx(body, 0xFFFF) ^ 0xFFFF)


def chunk(kind, body):
    return kind + struct.pack(">I", len(body)) + body


def audio_track(base_bit, samples):
    """Audio track 0 of PCM at 44.1 kHz, mono (wave type 0x04), 1 ms a unit:
    its wave 1 from the start for up to 100 ms."""
    sequence = bytes([0, 0x01, 100, 0, 0, 0, 0])
    return chunk(b"ATR\0", bytes([0, 0, 0x04, base_bit, 0, 0]) + chunk(b"Atsq", sequence) + chunk(b"Awa\x01", samples))


SINE = bytes(round(100 * math.sin(2 * math.pi * i / 16)) & 0xFF for i in range(800))  # 8-bit PCM


@pytest.mark.parametrize("chunks, waves_played, not_played", [
    (b"", 0, ()),
    (audio_track(3, bytes(800)), 0, ("audio track 0: format not supported (PCM, 16 bits)",)),
    (audio_track(1, SINE), 1, ()),
], ids=["no track", "16-bit PCM", "8-bit PCM"])
def test_render_plays_any_smaf_and_refuses_one_where_nothing_plays(tmp_path, chunks, waves_played, not_played):
    ring, sound = tmp_path / "ring.mmf", tmp_path / "ring.wav"
    ring.write_bytes(smaf_file(chunk(b"CNTI", bytes(5)) + chunks))
    if not waves_played:
        with pytest.raises(chimekit.ChimekitError) as refused:
            chimekit.render(ring, sound)
        assert str(refused.value).startswith("nothing to play: score tracks: 0, notes: 0, audio tracks: ")
        assert not sound.exists()
    summary = chimekit.render(ring, sound, mono=True, allow_empty=not waves_played)
    assert (summary.notes, summary.waves_played, summary.not_played) == (0, waves_played, not_played)
    assert summary.text.startswith("input: SMAF file, score tracks: 0, notes: 0, audio tracks: ")
    with wave.open(str(sound)) as wav:
        assert wav.getnframes() == summary.frames
        pcm = struct.unpack(f"<{summary.frames}h", wav.readframes(summary.frames))
    # The wave as it is, 8-bit samples as the high byte (less the last step of
    # full scale).
    assert max(map(abs, pcm), default=0) == (0 if not waves_played else 100 * 256 - 1)
