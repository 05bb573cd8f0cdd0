"""The exports that read a MIDI file and report on it. Channels are
numbered as the exports number them, 0 to 15 (9 is the drum channel that
the tool and most people call 10)."""
import collections
import ctypes
import enum
import typing

from . import _arguments
from ._errors import check_chimekit
from ._files import text_output
from ._library import export

Volume = collections.namedtuple("Volume", "max_volume mean_volume mean_key")


class TagType(enum.IntEnum):
    """The meta event types that hold tags."""

    TEXT = 1
    COPYRIGHT = 2
    NAME = 3
    INSTRUMENT = 4
    LYRIC = 5


def decode_text(raw):
    """A tag's bytes as str: as UTF-8 where they are valid UTF-8 (plain
    ASCII included), else as Latin-1, one character per byte."""
    try:
        return raw.decode("utf-8")
    except UnicodeDecodeError:
        return raw.decode("latin-1")


class Tag(typing.NamedTuple):
    """A tag: its type, its text as str (decode_text of the bytes) and the
    bytes as the file stores them."""

    type: TagType
    text: str
    raw: bytes = b""


def get_length_ms(in_file):
    """The song length in milliseconds at the file's last tempo, as
    MIDIGetLengthMs times it (a song that changes tempo plays for another
    time; the tool's 'chimekit length' prints that)."""
    length = ctypes.c_int32(0)
    check_chimekit("MIDIGetLengthMs", export("MIDIGetLengthMs")(_arguments.path(in_file), length), [in_file])
    return length.value


def first_note_tick(in_file):
    """The absolute tick (not milliseconds) of the earliest note-on of any
    velocity; 2147483647 when there is none (MIDIFirstNoteTimeMs)."""
    tick = ctypes.c_int32(0)
    check_chimekit("MIDIFirstNoteTimeMs", export("MIDIFirstNoteTimeMs")(_arguments.path(in_file), tick), [in_file])
    return tick.value


def used_channels(in_file, out_file=None):
    """The channels that carry note-ons, numbered 0 to 15 as the export
    numbers them (9 is the drum channel). With `out_file`, the report
    (sixteen "0"/"1" characters, channel 0 first, and CR LF) is also kept
    there."""
    report = text_output("MIDIUsedChannels", in_file, out_file)
    return [channel for channel, flag in enumerate(report[:16]) if flag == ord("1")]


def dump(in_file, out_file=None, verbose=True):
    """The full event listing, or with verbose=False the note list, as text
    (bytes read as Latin-1; lines end with CR LF), exactly as MIDIDump
    writes it: channels numbered 0 to 15 (the tool's 'chimekit dump'
    numbers them 1 to 16)."""
    return text_output("MIDIDump", in_file, out_file, 1 if verbose else 0).decode("latin-1")


def get_tags(in_file, out_file=None):
    """The tags of every track in order, as Tag(type, text, raw): the text
    as str, the bytes as stored in raw. With `out_file`, the tag text file
    is also kept there."""
    content = text_output("MIDIGetTags", in_file, out_file)
    lines = content.split(b"\r\n")[:-1]
    return [Tag(TagType(line[0]), decode_text(line[1:]), line[1:]) for line in lines if line]


def get_vol(in_file):
    """Volume(max_volume, mean_volume, mean_key): the largest and the mean
    channel volume (127 without any) and the mean note-on key (0 without)."""
    levels = [ctypes.c_uint8(0) for _ in range(3)]
    status = export("MIDIGetVol")(_arguments.path(in_file), *levels)
    check_chimekit("MIDIGetVol", status, [in_file])
    return Volume(*(level.value for level in levels))


# The same calls under Python's names.
length_ms = get_length_ms
tags = get_tags
volume = get_vol

__all__ = ["Volume", "Tag", "TagType", "decode_text", "get_length_ms", "first_note_tick", "used_channels", "dump",
           "get_tags", "get_vol", "length_ms", "tags", "volume"]
