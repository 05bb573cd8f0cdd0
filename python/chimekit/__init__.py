"""chimekit: inspect, edit and convert Standard MIDI Files, above all into
handset ringtones, through the chimekit and Reshaper shared libraries.

Every function works file to file and returns its result; a failure status
raises an exception that keeps the status in ``status``:

  FileNotFoundError      status 2, an input file is missing or a directory
  ValueError             status 3 (trim range) or 4 (channel order text)
  chimekit.ChimekitError status 1, and Reshaper's negative statuses

The libraries are looked for in the folder named by CHIMEKIT_LIBRARY_DIR,
then beside this package, then on the system's library path.
"""
from ._errors import ChimekitError, InvalidArgumentError, LibraryNotFoundError, MissingInputError
from .conversion import convert_midi, midi_to_smaf, midi_to_sp
from .editing import (combine, copy_channel, equalizer, merge, remove_channel, set_instr_map, set_tags, set_vol,
                      trim_ms, trim_percents)
from .inspection import Tag, TagType, Volume, dump, first_note_tick, get_length_ms, get_tags, get_vol, used_channels
from .jobs import RenderSummary, RingtoneSummary, render, ringtone

__version__ = "0.1.0"

__all__ = [
    "ChimekitError", "InvalidArgumentError", "LibraryNotFoundError", "MissingInputError",
    "Tag", "TagType", "Volume",
    "get_length_ms", "first_note_tick", "used_channels", "dump", "get_tags", "get_vol",
    "set_tags", "trim_ms", "trim_percents", "set_vol", "equalizer", "set_instr_map", "copy_channel",
    "remove_channel", "merge", "combine",
    "midi_to_smaf", "midi_to_sp", "convert_midi",
    "RingtoneSummary", "RenderSummary", "ringtone", "render",
]
