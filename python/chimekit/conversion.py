"""The conversions for handsets, and Reshaper's format 0 conversion."""
from . import _arguments
from ._files import call, convert


def midi_to_smaf(in_file, out_file):
    """The SMAF ringtone ("MMMD" file with FM voices) of the first track."""
    call("MIDI2SMAF", [in_file], [out_file])


def midi_to_sp(in_file, out_file, channel_order="", drum_switch=False, note_limit=0):
    """A copy with channels renumbered by `channel_order` (hexadecimal
    digits: character i names the channel that input channel i becomes;
    missing digits follow in ascending order) and at most `note_limit`
    notes sounding at once per channel (0 for 255). Without `drum_switch`,
    channels 9 and 15 keep their numbers. ValueError (status 4) for an order
    text with a character that is no hexadecimal digit or a digit twice."""
    order = channel_order.encode("ascii") if isinstance(channel_order, str) else channel_order
    call("MIDI2SP", [in_file], [out_file], order, int(bool(drum_switch)), _arguments.byte(note_limit, "note_limit"))


def convert_midi(in_file, out_file):
    """Reshaper: a format 1 file (plain or RIFF RMID) merged into a format 0
    file. ChimekitError with status -1 (input or output not opened), -4 (not
    format 1; the output is left empty), -5 (output not written) or -6."""
    convert("ConvertMidi", in_file, out_file)


__all__ = ["midi_to_smaf", "midi_to_sp", "convert_midi"]
