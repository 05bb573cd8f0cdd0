"""Reading SMAF files through the package: inspect_smaf and smaf_to_midi on
the package's own ringtone (its MIDI file read back by mido) and on
ffmpeg's audio-track files (as ffprobe reports them), and their refusals."""
import pathlib
import shutil
import subprocess

import mido
import pytest

import chimekit

EXAMPLE = pathlib.Path(__file__).resolve().parents[2] / "examples" / "ringtone.mid"


def mido_notes(path):
    """(channel, key, onset ms, length ms) of every note mido plays."""
    now, sounding, notes = 0.0, {}, []
    for message in mido.MidiFile(path):
        now += message.time
        if message.type == "note_on" and message.velocity > 0:
            sounding.setdefault((message.channel, message.note), []).append(now)
        elif message.type in ("note_on", "note_off") and sounding.get((message.channel, message.note)):
            start = sounding[(message.channel, message.note)].pop(0)
            notes.append((message.channel, message.note, round(1000 * start), round(1000 * (now - start))))
    return sorted(notes)


def test_a_ringtone_is_listed_and_gives_its_notes_back_as_midi(tmp_path):
    ring, back = tmp_path / "ring.mmf", tmp_path / "back.mid"
    made = chimekit.ringtone(EXAMPLE, ring, length=None)
    info = chimekit.inspect_smaf(ring)
    assert info.ok and info.problems == () and info.crc == "matches"
    assert info.summary.endswith(f"{made.notes_converted} notes, 0 problems") and info.summary in info.listing
    assert (info.title, info.notes, info.file_size) == (b"Chime Demo", made.notes_converted, ring.stat().st_size)
    assert [track["format"] for track in info.score_tracks] == ["Handyphone Standard"] * made.score_tracks
    summary = chimekit.smaf_to_midi(ring, back)
    assert summary.text == info.midi == f"score tracks: {made.score_tracks} (Handyphone Standard), " \
                                        f"notes: {made.notes_converted}, audio tracks: 0"
    assert (summary.problems, summary.first_problem) == (0, "")
    # The song's notes, as mido plays both files: key, onset and length
    # within one 4 ms unit.
    song, got = mido_notes(EXAMPLE), mido_notes(back)
    assert len(got) == len(song) == summary.notes
    for (_, key, onset, length), (_, key_back, onset_back, length_back) in zip(
            sorted(song, key=lambda n: (n[2], n[1])), sorted(got, key=lambda n: (n[2], n[1]))):
        assert key == key_back and abs(onset - onset_back) <= 4 and abs(length - length_back) <= 4


@pytest.mark.skipif(shutil.which("ffmpeg") is None, reason="needs Debian's ffmpeg")
def test_an_audio_track_file_is_listed_and_has_no_midi_form(tmp_path):
    ring, out = tmp_path / "tone.mmf", tmp_path / "tone.mid"
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=0.5", "-ar", "11025",
                    "-f", "mmf", "-y", str(ring)], check=True)
    rate, seconds = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "stream=sample_rate,duration", "-of",
                                    "csv=p=0", str(ring)], check=True, capture_output=True, text=True).stdout.split(",")
    info = chimekit.inspect_smaf(ring)
    assert info.ok and info.crc == "none" and info.score_tracks == ()
    (track,) = info.audio_tracks
    (wave,) = track["waves"]
    assert (track["format"], track["rateHz"], wave["rateHz"]) == ("ADPCM", int(rate), int(rate))
    assert wave["ms"] == int(float(seconds) * 1000)
    with pytest.raises(chimekit.ChimekitError, match="no score track, only 1 audio track"):
        chimekit.smaf_to_midi(ring, out)
    assert not out.exists()
    summary = chimekit.smaf_to_midi(ring, out, allow_empty=True)
    assert summary.text == "score tracks: 0, notes: 0, audio tracks: 1"
    assert len(mido.MidiFile(out).tracks) == 1


def test_damage_is_named_and_other_files_are_refused(tmp_path):
    ring = tmp_path / "ring.mmf"
    chimekit.ringtone(EXAMPLE, ring)
    damaged = tmp_path / "damaged.mmf"
    damaged.write_bytes(ring.read_bytes()[:-1] + bytes([ring.read_bytes()[-1] ^ 1]))
    info = chimekit.inspect_smaf(damaged)
    assert not info.ok and info.crc == "differs" and "CRC" in info.problems[0]
    summary = chimekit.smaf_to_midi(damaged, tmp_path / "damaged.mid")
    assert summary.problems == 1 and summary.first_problem.startswith("at 0x") and summary.notes > 0
    text = tmp_path / "notes.txt"
    text.write_bytes(b"a list of notes, not a song\n")
    for path, said in ((EXAMPLE, "a MIDI file; this function takes a SMAF file"),
                       (text, "neither a MIDI file nor a SMAF file")):
        for call in (chimekit.inspect_smaf, lambda p: chimekit.smaf_to_midi(p, tmp_path / "out.mid")):
            with pytest.raises(chimekit.NotSmafError, match=said) as refused:
                call(path)
            assert refused.value.filename == path
    with pytest.raises(ValueError, match="is the input file"):
        chimekit.smaf_to_midi(ring, ring)
    assert ring.read_bytes().startswith(b"MMMD") and not (tmp_path / "out.mid").exists()
