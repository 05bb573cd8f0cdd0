"""The conversions for handsets, and Reshaper's format 0 conversion."""
import os
import tempfile

from . import _arguments
from ._errors import ChimekitError
from ._files import call, convert
from .jobs import smaf_notes


def midi_to_smaf(in_file, out_file, allow_empty=False):
    """The SMAF ringtone ("MMMD" file with FM voices) of the first track, as
    MIDI2SMAF makes it. A ringtone without a note is refused (ChimekitError,
    nothing written) unless allow_empty: the export converts the first
    track only, which in most format 1 files holds only the tempo map;
    chimekit.ringtone() merges the tracks first and times the song as it
    plays, as 'chimekit smaf' does."""
    if not allow_empty:
        with tempfile.TemporaryDirectory(prefix="chimekit-") as folder:
            trial = os.path.join(folder, "ringtone.mmf")
            call("MIDI2SMAF", [in_file], [trial])
            with open(trial, "rb") as ringtone:
                if smaf_notes(ringtone.read()) == 0:
                    raise ChimekitError(
                        f"MIDI2SMAF: {os.fsdecode(in_file)}: the ringtone would have no note, so nothing was "
                        "written: the export converts the first track only (in a format 1 file often only the "
                        "tempo map); chimekit.ringtone() merges the tracks first, allow_empty=True writes it "
                        "anyway")
    call("MIDI2SMAF", [in_file], [out_file])


def midi_to_sp(in_file, out_file, channel_order="", drum_switch=False, note_limit=0):
    """A copy with channels renumbered by `channel_order` (hexadecimal
    digits, channels 0 to 15 as the export numbers them: character i names
    the channel that input channel i becomes; missing digits follow in
    ascending order) and at most `note_limit` notes sounding at once per
    channel (0 for 255). Without `drum_switch`, channels 9 and 15 (the drum
    channels, which the tool calls 10 and 16) keep their numbers.
    ValueError (status 4) for an order text with a character that is no
    hexadecimal digit or a digit twice."""
    order = channel_order.encode("ascii") if isinstance(channel_order, str) else channel_order
    call("MIDI2SP", [in_file], [out_file], order, int(bool(drum_switch)), _arguments.byte(note_limit, "note_limit"))


def convert_midi(in_file, out_file):
    """Reshaper: a format 1 file (plain or RIFF RMID) merged into a format 0
    file. The output may be the input; a failure leaves it as it was.
    FileNotFoundError, IsADirectoryError or PermissionError for a file out
    of reach, NotMidiError for an input that is no MIDI file, else
    ChimekitError with status -1 (input or output not opened), -4 (not
    format 1; an output other than the input is left empty), -5 (output not
    written) or -6."""
    convert("ConvertMidi", in_file, out_file)


# The same call under the tool's name.
reshape = convert_midi

__all__ = ["midi_to_smaf", "midi_to_sp", "convert_midi", "reshape"]
