"""The exports that write a changed MIDI file. Channels are numbered as the
exports number them, 0 to 15 (9 is the drum channel that the tool and most
people call 10)."""
import ctypes
import os

from . import _arguments
from ._errors import InvalidArgumentError
from ._files import call, output_or_temporary
from .inspection import Tag, decode_text


def set_tags(in_file, tags, out_file):
    """A copy of `in_file` with tags at the start of its tracks: the k-th tag
    of a type goes to track k. `tags` is a tag text file (a path) or
    (type, text) pairs and Tags, texts as bytes or str: a str is written in
    Latin-1 where it can be, else in UTF-8 (get_tags reads both back as the
    same str); a Tag whose text is unchanged keeps its bytes."""
    if isinstance(tags, (str, bytes, os.PathLike)):
        return call("MIDISetTags", [in_file, tags], [out_file], midi_inputs=[in_file])
    with output_or_temporary(None, ".txt") as tag_file:
        _write_tag_file(tags, tag_file)
        call("MIDISetTags", [in_file, tag_file], [out_file], midi_inputs=[in_file])


def _tag_bytes(tag):
    """The bytes a tag's text is written as."""
    text = tag[1]
    if isinstance(tag, Tag) and tag.raw and decode_text(tag.raw) == text:
        return tag.raw
    if isinstance(text, str):
        # Latin-1 where it reads back as the same text (not where its bytes
        # happen to be UTF-8 of another text), else UTF-8.
        try:
            raw = text.encode("latin-1")
        except UnicodeEncodeError:
            return text.encode("utf-8")
        return raw if decode_text(raw) == text else text.encode("utf-8")
    return bytes(text)


def _write_tag_file(tags, path):
    with open(path, "wb") as out:
        for tag in tags:
            tag_type, text = tag[0], _tag_bytes(tag)
            if b"\r" in text or b"\n" in text:
                raise InvalidArgumentError(f"a tag cannot hold a line break: {text!r}")
            out.write(bytes([_arguments.number(int(tag_type), "tag type", 1, 5)]) + text + b"\r\n")


def trim_ms(in_file, out_file, start_ms=0, end_ms=0xFFFFFFFF):
    """The song cut down to start_ms..end_ms (both included), moved to time
    0: milliseconds at the file's last tempo, as MIDITrimMs times them.
    ValueError (status 3) for a start after the end or a song 0 ms long."""
    call("MIDITrimMs", [in_file], [out_file], _arguments.uint32(start_ms, "start_ms"), _arguments.uint32(end_ms, "end_ms"))


def trim_percents(in_file, out_file, start_percent=0, end_percent=100):
    """The same with the range in percent of the song length (0 to 100)."""
    start = _arguments.byte(start_percent, "start_percent")
    call("MIDITrimPercents", [in_file], [out_file], start, _arguments.byte(end_percent, "end_percent"))


def set_vol(in_file, out_file, volume_shift=0, key_shift=0, drums_too=False):
    """A copy with channel volumes and keys shifted (-128 to 127 each; each
    shift is reduced until every value stays in 0 to 127). Drums (channels
    9 and 15, counted from 0) are shifted only with drums_too."""
    volume = _arguments.signed_byte(volume_shift, "volume_shift")
    call("MIDISetVol", [in_file], [out_file], volume, _arguments.signed_byte(key_shift, "key_shift"), int(bool(drums_too)))


def equalizer(in_file, out_file, bands, drum_level):
    """A copy whose channel volumes follow the pitch: before a note-on or
    key pressure, the level of its key's band (eight bands of 16 keys) or,
    for drums (channels 9 and 15, counted from 0), `drum_level` (0 to 127
    each); the input's own channel volume and channel pressure events are
    left out."""
    bands = [_arguments.byte(level, "band level") for level in bands]
    if len(bands) != 8:
        raise InvalidArgumentError(f"equalizer takes 8 band levels, not {len(bands)}")
    call("MIDIEqualizer", [in_file], [out_file], *bands, _arguments.byte(drum_level, "drum_level"))


def set_instr_map(in_file, out_file, keep_table, map_table):
    """A copy with program changes mapped through two 256-byte tables (entry
    p for program p on a melodic channel, 128 + p on a drum channel, 9 or 15
    counted from 0): a program p whose keep entry is p stays, any other
    becomes its map entry."""
    tables = []
    for name, table in (("keep_table", keep_table), ("map_table", map_table)):
        table = bytes(table)
        if len(table) != 256:
            raise InvalidArgumentError(f"{name} must hold 256 bytes, not {len(table)}")
        tables.append((ctypes.c_uint8 * 256).from_buffer_copy(table))
    call("MIDISetInstrMap", [in_file], [out_file], *tables)


def copy_channel(in_file, out_file, from_channel, to_channel):
    """A copy in which the events of one channel are also sent on another;
    channels 0 to 15 as the export numbers them (9 is the drum channel that
    'chimekit copy-channel' calls 10)."""
    source = _arguments.number(from_channel, "from_channel", 0, 15)
    call("MIDICopyChannel", [in_file], [out_file], source, _arguments.number(to_channel, "to_channel", 0, 15))


def remove_channel(in_file, out_file, channel):
    """A copy without the events of one channel, 0 to 15 as the export
    numbers it (9 is the drum channel that 'chimekit remove-channel' calls
    10)."""
    call("MIDIRemoveChannel", [in_file], [out_file], _arguments.number(channel, "channel", 0, 15))


def merge(first_file, second_file, out_file):
    """The two songs played together."""
    call("MIDIMerge", [first_file, second_file], [out_file])


def combine(first_file, second_file, out_file):
    """The second song played after the first."""
    call("MIDICombine", [first_file, second_file], [out_file])


# The same calls under Python's names.
trim = trim_ms
trim_percent = trim_percents
set_volume = set_vol
equalize = equalizer
map_instruments = set_instr_map

__all__ = ["set_tags", "trim_ms", "trim_percents", "set_vol", "equalizer", "set_instr_map", "copy_channel",
           "remove_channel", "merge", "combine", "trim", "trim_percent", "set_volume", "equalize", "map_instruments"]
