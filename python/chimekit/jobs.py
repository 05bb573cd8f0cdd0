"""The core's jobs through the jobs library (chimekit_jobs): the ringtone of
`chimekit ringtone`, the preview of `chimekit play`, the listing of
`chimekit inspect` and the MIDI file of `chimekit midi`, each read from a
file and written to one, with what the job did returned as data.

The library works on bytes: a job reads its input here, and its output is
written here in one piece, through a temporary file renamed over the target.
"""
import ctypes
import dataclasses
import json
import os
import tempfile
from typing import Optional, Tuple

from . import _arguments
from ._errors import ChimekitError, InvalidArgumentError, MissingInputError, NotSmafError, file_kind
from ._library import job_function

__all__ = ["RingtoneSummary", "RenderSummary", "SmafInfo", "MidiSummary", "ringtone", "render", "inspect_smaf",
           "smaf_to_midi"]

# ck_ringtone's and ck_smaf's flags (include/chimekit_jobs.h).
_FIRST_TRACK, _LIBRARY_TIMING, _NOTES, _LISTING = 0x01, 0x02, 0x04, 0x08
# ck_render's.
_CK_ALLOW_EMPTY = 0x02


@dataclasses.dataclass(frozen=True)
class RingtoneSummary:
    """What the ringtone job did. `text` holds the lines `chimekit ringtone`
    prints; the numbers are those lines' figures. `title` and `copyright`
    are the texts the ringtone carries (bytes; empty for none), `title_from`
    says where the title came from ("song", "file name", "given", "none").
    `notes_kept` counts the song's notes in the window that the ringtone
    plays, `notes_dropped` the others by reason ("note limit", "no free
    channel", ...)."""

    text: str
    title: bytes
    title_from: str
    copyright: bytes
    merged_tracks: int
    tempo_events: int
    played_ms: int
    cut: bool
    song_ms: int
    volume_shift: int
    note_limit: Optional[int]
    note_ons_dropped: Tuple[int, ...]
    timebase_ms: int
    score_tracks: int
    voices: int
    notes_converted: int
    notes_without_slot: int
    notes_kept: int
    notes_dropped: dict


@dataclasses.dataclass(frozen=True)
class RenderSummary:
    """A render: frames per channel, their length in seconds, the channels,
    whether it stopped at the seconds asked for before the ringtone's end;
    the lines `chimekit play` prints of what it read and played (`text`),
    the notes and audio tracks' waves read and played, what could not play
    (`not_played`, texts such as "audio track 1: format not supported (PCM,
    16 bits)") and the number of problems the SMAF reader found."""

    frames: int
    seconds: float
    channels: int
    cut: bool
    text: str = ""
    notes: int = 0
    notes_played: int = 0
    waves: int = 0
    waves_played: int = 0
    not_played: tuple = ()
    problems: int = 0


@dataclasses.dataclass(frozen=True)
class SmafInfo:
    """What a SMAF file holds, as `chimekit inspect` reads it. `listing` is
    the text `chimekit inspect` prints, `summary` its last line; `ok` is
    True when the file departs from the format nowhere, else `problems`
    names each departure ("at 0x0123: ..."). `crc` is "matches", "differs",
    "none" (written without one) or "unknown" (cut off). `title`, `artist`
    and `copyright` are bytes (empty for none). `score_tracks` and
    `audio_tracks` hold a dict per track (number, format, timebase or rate,
    voices, notes, end, waves with their format, rate, bytes and ms);
    `midi` is the summary `chimekit midi` prints of the file and `notes`
    the notes it converts."""

    ok: bool
    problems: Tuple[str, ...]
    summary: str
    listing: str
    crc: str
    file_size: int
    title: bytes
    artist: bytes
    copyright: bytes
    length_ms: int
    score_tracks: Tuple[dict, ...]
    audio_tracks: Tuple[dict, ...]
    midi: str
    notes: int


@dataclasses.dataclass(frozen=True)
class MidiSummary:
    """What `chimekit midi` converted: `text` is the line it prints ("score
    tracks: 1 (Mobile Standard), notes: 1482, audio tracks: 0").
    `problems` counts the departures from the format the reader found (what
    it could not read is not in the MIDI file), `first_problem` names the
    first ("at 0x0123: ..."; "" for none)."""

    text: str
    score_tracks: int
    notes: int
    audio_tracks: int
    problems: int
    first_problem: str


def _read(path):
    path = os.fspath(path)
    if not os.path.isfile(path):
        raise MissingInputError("an input file does not exist or is a directory", path)
    with open(path, "rb") as file:
        return file.read()


def _write(path, data):
    """Writes the output in one piece: a temporary file beside the target,
    renamed over it."""
    path = os.fspath(path)
    folder = os.path.dirname(os.path.abspath(path))
    descriptor, temporary = tempfile.mkstemp(prefix=".chimekit-", suffix=".tmp", dir=folder)
    try:
        with os.fdopen(descriptor, "wb") as file:
            file.write(data)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def _run(name, data, *arguments):
    """Runs a job on the bytes; returns its JSON data and its two byte
    strings, or raises ChimekitError with the library's message."""
    buffer = (ctypes.c_uint8 * max(len(data), 1)).from_buffer_copy(data or b"\0")
    result = job_function(name)(buffer, len(data), *arguments)
    if not result:
        raise MemoryError("the jobs library ran out of memory")
    try:
        size = ctypes.c_size_t()
        text = ctypes.string_at(job_function("ck_text")(result, ctypes.byref(size)), size.value).decode("utf-8")
        if job_function("ck_status")(result) != 0:
            raise ChimekitError(text, 1)
        files = []
        for index in (0, 1):
            start = job_function("ck_bytes")(result, index, ctypes.byref(size))
            files.append(ctypes.string_at(start, size.value) if size.value else b"")
        return json.loads(text), files
    finally:
        job_function("ck_free")(result)


def _milliseconds(seconds, name):
    if isinstance(seconds, bool) or not isinstance(seconds, (int, float)):
        raise TypeError(f"{name} must be a number of seconds, not {type(seconds).__name__}")
    ms = round(seconds * 1000)
    if not 0 <= ms <= 0xFFFFFFFF:
        raise InvalidArgumentError(f"{name} must be from 0 to 4294967.295 seconds, not {seconds}")
    return ms


def _text(value, name):
    """A title or copyright as the C interface takes it: bytes, str in UTF-8;
    None stays None (the song's own)."""
    if value is None:
        return None
    data = value.encode("utf-8") if isinstance(value, str) else bytes(value)
    if b"\0" in data:
        raise InvalidArgumentError(f"{name} holds a NUL character: {value!r}")
    return data


def ringtone(song, out, start=0, length=30, limit=None, volume=0, title=None, *, copyright=None, first_track=False,
             library_timing=False):
    """The ringtone of `chimekit ringtone SONG OUT`: the MIDI file `song`
    merged and re-timed, the part from `start` seconds on, `length` seconds
    long as it plays (None: the whole song, as `chimekit smaf`), its channel
    volumes shifted by `volume` (-127 to 127), at most `limit` notes at once
    per channel (0 to 255, 0 counting as 255; None: no limit), written to
    `out` as a SMAF file. The ringtone carries one title and the copyright:
    `title` and `copyright` when given ("" for none), else the song's name
    (else its file's name) and copyright. `first_track` converts the first
    track as it is (as MIDI2SMAF does), `library_timing` keeps one tempo for
    the whole song. A ringtone without a note is written too (its
    notes_converted is 0). Returns a RingtoneSummary."""
    start_ms = _milliseconds(start, "start")
    length_ms = 0 if length is None else _milliseconds(length, "length")
    if length is not None and length_ms == 0:
        raise InvalidArgumentError("length must be at least 0.001 seconds (None: the whole song)")
    note_limit = -1 if limit is None else _arguments.byte(limit, "limit")
    _arguments.number(volume, "volume", -127, 127)
    flags = _NOTES | (_FIRST_TRACK if first_track else 0) | (_LIBRARY_TIMING if library_timing else 0)
    name = os.fsencode(os.path.basename(os.fspath(song)))
    data, (smaf, _) = _run("ck_ringtone", _read(song), name, start_ms, length_ms, note_limit, volume, flags,
                           _text(title, "title"), _text(copyright, "copyright"))
    _write(out, smaf)
    counts = dict(zip(data["fates"], data["noteCounts"]))
    kept = counts.pop("kept")
    return RingtoneSummary(
        text=data["summary"], title=bytes(data["title"]), title_from=data["titleFrom"],
        copyright=bytes(data["copyright"]), merged_tracks=data["mergedTracks"], tempo_events=data["tempoEvents"],
        played_ms=data["playedMs"], cut=data["cut"], song_ms=data["songMs"], volume_shift=data["volumeShift"],
        note_limit=data["noteLimit"] or None, note_ons_dropped=tuple(data["noteOnsDropped"]),
        timebase_ms=data["timebaseMs"], score_tracks=data["scoreTracks"], voices=data["voices"],
        notes_converted=data["notesConverted"], notes_without_slot=data["notesWithoutSlot"],
        notes_kept=kept, notes_dropped={reason: n for reason, n in counts.items() if n})


def render(ringtone_file, out, seconds=None, mono=False, *, allow_empty=False):
    """The preview of `chimekit play IN OUT`: any SMAF file (its score tracks
    on the file's own voices or the built-in ones, its audio tracks' waves)
    rendered to a 16-bit PCM WAV file at 44.1 kHz, stereo or mono; a MIDI
    file is made into its ringtone first, as `chimekit smaf` makes it.
    `seconds` (up to three decimals) renders only the start. A file in which
    nothing plays raises ChimekitError ("nothing to play: ...") unless
    `allow_empty`, which writes its silence. Returns a RenderSummary."""
    data = _read(ringtone_file)
    if not data.startswith(b"MMMD"):
        name = os.fsencode(os.path.basename(os.fspath(ringtone_file)))
        data = _run("ck_ringtone", data, name, 0, 0, -1, 0, 0, None, None)[1][0]
    limit = 0 if seconds is None else _milliseconds(seconds, "seconds")
    if seconds is not None and not 1 <= limit <= 600000:
        raise InvalidArgumentError(f"seconds must be from 0.001 to 600, not {seconds}")
    flags = _CK_ALLOW_EMPTY if allow_empty else 0
    sound, (wav, _) = _run("ck_render", data, limit, 1 if mono else 2, flags)
    _write(out, wav)
    return RenderSummary(frames=sound["frames"], seconds=sound["frames"] / sound["sampleRate"],
                         channels=sound["channels"], cut=sound["cut"], text=sound["summary"], notes=sound["notes"],
                         notes_played=sound["notesPlayed"], waves=sound["waves"], waves_played=sound["wavesPlayed"],
                         not_played=tuple(sound["notPlayed"]), problems=sound["problems"])


def _smaf_job(name, path, data, *arguments):
    """A SMAF job on the bytes of the file at `path`; a file that is no SMAF
    file raises NotSmafError, in the tool's words."""
    try:
        return _run(name, data, *arguments)
    except ChimekitError as error:
        shown = os.fsdecode(path)
        kind = file_kind(path)
        if kind == "MIDI":
            raise NotSmafError(f"{shown}: a MIDI file; this function takes a SMAF file, see chimekit.ringtone()",
                               path, 1) from None
        if kind is None:
            raise NotSmafError(f"{shown}: neither a MIDI file nor a SMAF file", path, 1) from None
        raise ChimekitError(f"{shown}: {error}", 1) from None


def inspect_smaf(mmf):
    """What the SMAF file `mmf` holds, any SMAF file, as `chimekit inspect
    MMF` lists it: a SmafInfo. A damaged file is listed too (`ok` False);
    a file that is no SMAF file raises NotSmafError."""
    info, _ = _smaf_job("ck_smaf", mmf, _read(mmf), _LISTING)
    return SmafInfo(
        ok=info["ok"], problems=tuple(info["problems"]), summary=info["listingSummary"], listing=info["listing"],
        crc=info["crc"], file_size=info["fileSize"], title=bytes(info["title"]), artist=bytes(info["artist"]),
        copyright=bytes(info["copyright"]), length_ms=info["lengthMs"], score_tracks=tuple(info["scoreTracks"]),
        audio_tracks=tuple(info["audioTracks"]), midi=info["midi"]["summary"], notes=info["midi"]["notes"])


def smaf_to_midi(mmf, out, allow_empty=False):
    """The MIDI file of `chimekit midi MMF OUT`: the score tracks of any SMAF
    file as a format 1 MIDI file, one tick a millisecond, written to `out`.
    A file that gives no note (an audio-only file, say) is refused
    (ChimekitError, nothing written) unless allow_empty; `out` may not name
    `mmf`. Returns a MidiSummary."""
    if os.path.exists(out) and os.path.exists(mmf) and os.path.samefile(mmf, out):
        raise InvalidArgumentError(f"{os.fsdecode(out)} is the input file: the MIDI file would replace the SMAF file; "
                                   "name another output")
    summary, (midi, _) = _smaf_job("ck_smaf_to_midi", mmf, _read(mmf))
    if summary["notes"] == 0 and not allow_empty:
        raise ChimekitError(f"{os.fsdecode(mmf)}: {summary['noNote']}: the MIDI file would hold no note, so nothing "
                            "was written (allow_empty=True writes it anyway)")
    _write(out, midi)
    return MidiSummary(text=summary["summary"], score_tracks=summary["scoreTracks"], notes=summary["notes"],
                       audio_tracks=summary["audioTracks"], problems=summary["problems"],
                       first_problem=summary["firstProblem"])


def smaf_notes(data):
    """The notes of a SMAF file's score tracks, given its bytes (0 for bytes
    that are no SMAF file)."""
    try:
        return _run("ck_smaf", data, 0)[0]["midi"]["notes"]
    except ChimekitError:
        return 0
