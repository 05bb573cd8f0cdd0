"""The exceptions that stand for the libraries' statuses. A failed call is
looked into after the fact, so that it raises what a Python program expects:
the OSError of a file that is missing, a folder or out of reach, the
NotMidiError of a file that is no MIDI file, each with the path."""
import errno
import os

__all__ = ["ChimekitError", "MissingInputError", "FolderNotFoundError", "IsAFolderError", "AccessDeniedError",
           "NotMidiError", "NotSmafError", "InvalidArgumentError", "LibraryNotFoundError"]


class ChimekitError(Exception):
    """A call failed; ``status`` holds the status the library returned (None
    when the call was refused before it reached the library)."""

    def __init__(self, message, status=None):
        super().__init__(message)
        self.status = status


class _FileError(ChimekitError):
    """A ChimekitError that is also the OSError of its kind, with the path in
    ``filename``."""

    _errno = errno.EIO

    def __init__(self, message, path, status=None):
        OSError.__init__(self, self._errno, message, path)
        self.status = status


class MissingInputError(_FileError, FileNotFoundError):
    """An input file does not exist (status 2; Reshaper's -1)."""

    _errno = errno.ENOENT

    def __init__(self, message, path, status=2):
        super().__init__(message, path, status)


class FolderNotFoundError(_FileError, FileNotFoundError):
    """The folder an output is to be written in does not exist."""

    _errno = errno.ENOENT


class IsAFolderError(_FileError, IsADirectoryError):
    """An input or an output names a folder."""

    _errno = errno.EISDIR


class AccessDeniedError(_FileError, PermissionError):
    """An input may not be read, or an output's folder may not be written."""

    _errno = errno.EACCES


class NotMidiError(ChimekitError):
    """An input that must be a MIDI file is not one (a SMAF file, a text);
    ``filename`` names it."""

    def __init__(self, message, path, status=None):
        super().__init__(message, status)
        self.filename = path


class NotSmafError(ChimekitError):
    """An input that must be a SMAF file is not one (a MIDI file, a text);
    ``filename`` names it."""

    def __init__(self, message, path, status=None):
        super().__init__(message, status)
        self.filename = path


class InvalidArgumentError(ChimekitError, ValueError):
    """Status 3 (a trim range) or 4 (a channel order text), or an argument
    that the C interface cannot carry (status None)."""


class LibraryNotFoundError(OSError):
    """Neither library location held a library that loads."""


_CHIMEKIT_TEXTS = {
    1: "the library's error: the input could not be read or converted, the output could not be written, "
    "or memory ran out (no output was written)",
    3: "the range is not acceptable: its start lies after its end, a percentage is above 100, "
    "or the song is 0 ms long",
    4: "the channel order text is not acceptable: among its first 16 characters one is not a "
    "hexadecimal digit, or a digit occurs twice",
}

_RESHAPER_TEXTS = {
    -1: "the input could not be opened or the output could not be created",
    -4: "the input's header does not read as format 1 (an output other than the input is left as an empty file)",
    -5: "the output could not be written in full (it is as it was before)",
    -6: "memory ran out (the output is as it was before)",
}


def file_kind(path):
    """'MIDI', 'SMAF' or None for a file's first bytes; None also when it
    cannot be read."""
    try:
        with open(path, "rb") as file:
            head = file.read(12)
    except OSError:
        return None
    if head.startswith(b"MThd") or (head.startswith(b"RIFF") and head[8:12] == b"RMID"):
        return "MIDI"
    return "SMAF" if head.startswith(b"MMMD") else None


def _shown(path):
    return os.fsdecode(path)


def look_into(export, status, inputs, outputs, midi_inputs):
    """Raises the OSError or NotMidiError that explains a failed call, if
    the files show one: a missing or unreadable input, an output in a
    missing folder, a folder given for a file, an input that is no MIDI
    file."""
    for path in inputs:
        if os.path.isdir(path):
            raise IsAFolderError(f"{export}: {_shown(path)} is a folder, not a file", path, status)
        if not os.path.exists(path):
            raise MissingInputError(f"{export}: {_shown(path)} does not exist", path, status)
        if not os.access(path, os.R_OK):
            raise AccessDeniedError(f"{export}: {_shown(path)} may not be read", path, status)
    for path in outputs:
        folder = os.path.dirname(os.path.abspath(path))
        if os.path.isdir(path):
            raise IsAFolderError(f"{export}: the output {_shown(path)} is a folder", path, status)
        if not os.path.isdir(folder):
            raise FolderNotFoundError(f"{export}: the folder {_shown(folder)} does not exist", path, status)
        if not os.access(folder, os.W_OK):
            raise AccessDeniedError(f"{export}: the folder {_shown(folder)} may not be written", path, status)
    for path in midi_inputs:
        kind = file_kind(path)
        if kind == "SMAF":
            raise NotMidiError(f"{export}: {_shown(path)} is a SMAF file, not a MIDI file", path, status)
        if kind is None:
            raise NotMidiError(f"{export}: {_shown(path)} is neither a MIDI file nor a SMAF file", path, status)


def check_chimekit(export, status, inputs, outputs=(), midi_inputs=None):
    """Raises the exception for a chimekit status other than 0."""
    if status == 0:
        return
    if status in (3, 4):
        raise InvalidArgumentError(f"{export}: {_CHIMEKIT_TEXTS[status]} (status {status})", status)
    look_into(export, status, inputs, outputs, inputs if midi_inputs is None else midi_inputs)
    if status == 2:  # the input was there when the library looked
        raise MissingInputError(f"{export}: an input file does not exist or is a folder", inputs[0])
    text = _CHIMEKIT_TEXTS.get(status, "an unknown status")
    raise ChimekitError(f"{export}: {text} (status {status})", status)


def check_reshaper(export, status, in_file, out_file):
    """Raises the exception for a Reshaper status other than 0."""
    if status == 0:
        return
    if status in (-1, -4):
        look_into(export, status, [in_file], [out_file] if status == -1 else [], [in_file])
    text = _RESHAPER_TEXTS.get(status, "an unknown status")
    raise ChimekitError(f"{export}: {text} (status {status})", status)
