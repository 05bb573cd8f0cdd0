"""chimekit: inspect, edit and convert Standard MIDI Files, above all into
handset ringtones, through the chimekit and Reshaper shared libraries.

Every function works file to file and returns its result. Each export has
a function of its own name (get_length_ms for MIDIGetLengthMs) and most a
Python name beside it (length_ms). Channels are numbered as the exports
number them, 0 to 15 (9 is the drum channel, which the tool calls 10).

A failure raises an exception that keeps the library's status in
``status``, all of them chimekit.ChimekitError:

  FileNotFoundError    an input is missing, or an output's folder
                       (MissingInputError, FolderNotFoundError)
  IsADirectoryError    an input or output names a folder (IsAFolderError)
  PermissionError      an input may not be read, an output's folder may not
                       be written (AccessDeniedError)
  NotMidiError         an input is no MIDI file (a SMAF file, a text)
  NotSmafError         an input is no SMAF file (a MIDI file, a text)
  ValueError           status 3 (trim range) or 4 (channel order text), or
                       an argument the C interface cannot carry
  ChimekitError        any other failure: status 1, Reshaper's negative ones

Each file error names the file in ``filename``. The libraries are looked
for in the folder named by CHIMEKIT_LIBRARY_DIR, then beside this package,
then on the system's library path.
"""
import os as _os

from ._errors import (AccessDeniedError, ChimekitError, FolderNotFoundError, InvalidArgumentError, IsAFolderError,
                      LibraryNotFoundError, MissingInputError, NotMidiError, NotSmafError)
from .conversion import convert_midi, midi_to_smaf, midi_to_sp, reshape
from .editing import (combine, copy_channel, equalize, equalizer, map_instruments, merge, remove_channel,
                      set_instr_map, set_tags, set_vol, set_volume, trim, trim_ms, trim_percent, trim_percents)
from .inspection import (Tag, TagType, Volume, decode_text, dump, first_note_tick, get_length_ms, get_tags, get_vol,
                         length_ms, tags, used_channels, volume)
from .jobs import MidiSummary, RenderSummary, RingtoneSummary, SmafInfo, inspect_smaf, render, ringtone, smaf_to_midi


def _version():
    """The version the package carries: written into it by its build, or,
    used from a clone, the project's VERSION file."""
    try:
        from ._version import __version__ as built
        return built
    except ImportError:
        pass
    try:
        with open(_os.path.join(_os.path.dirname(__file__), _os.pardir, _os.pardir, "VERSION"), encoding="utf-8") as f:
            return f.read().strip()
    except OSError:
        return "unknown"


__version__ = _version()

__all__ = [
    "ChimekitError", "MissingInputError", "FolderNotFoundError", "IsAFolderError", "AccessDeniedError",
    "NotMidiError", "NotSmafError", "InvalidArgumentError", "LibraryNotFoundError",
    "Tag", "TagType", "Volume", "decode_text",
    "get_length_ms", "first_note_tick", "used_channels", "dump", "get_tags", "get_vol",
    "set_tags", "trim_ms", "trim_percents", "set_vol", "equalizer", "set_instr_map", "copy_channel",
    "remove_channel", "merge", "combine",
    "midi_to_smaf", "midi_to_sp", "convert_midi",
    "length_ms", "tags", "volume", "trim", "trim_percent", "set_volume", "equalize", "map_instruments", "reshape",
    "RingtoneSummary", "RenderSummary", "ringtone", "render",
    "SmafInfo", "MidiSummary", "inspect_smaf", "smaf_to_midi",
]
