"""The exceptions that stand for the libraries' statuses."""
import errno
import os

__all__ = ["ChimekitError", "MissingInputError", "InvalidArgumentError", "LibraryNotFoundError"]


class ChimekitError(Exception):
    """A call failed; ``status`` holds the status the library returned (None
    when the call was refused before it reached the library)."""

    def __init__(self, message, status=None):
        super().__init__(message)
        self.status = status


class MissingInputError(ChimekitError, FileNotFoundError):
    """Status 2: an input file does not exist or is a directory."""

    def __init__(self, message, path):
        FileNotFoundError.__init__(self, errno.ENOENT, message, path)
        self.status = 2


class InvalidArgumentError(ChimekitError, ValueError):
    """Status 3 (a trim range) or 4 (a channel order text), or an argument
    that the C interface cannot carry (status None)."""


class LibraryNotFoundError(OSError):
    """Neither library location held a library that loads."""


_CHIMEKIT_TEXTS = {
    1: "the library's error: the input could not be opened or read, the output could not be written, "
    "memory ran out, or the input cannot be converted (no output was written)",
    3: "the range is not acceptable: its start lies after its end, a percentage is above 100, "
    "or the song is 0 ms long",
    4: "the channel order text is not acceptable: among its first 16 characters one is not a "
    "hexadecimal digit, or a digit occurs twice",
}

_RESHAPER_TEXTS = {
    -1: "the input could not be opened or the output could not be created",
    -4: "the input's header does not read as format 1 (the output is left as an empty file)",
    -5: "the output could not be written in full (it is as it was before)",
    -6: "memory ran out (the output is as it was before)",
}


def check_chimekit(export, status, inputs):
    """Raises the exception for a chimekit status other than 0."""
    if status == 0:
        return
    if status == 2:
        missing = next((path for path in inputs if not os.path.isfile(path)), inputs[0])
        raise MissingInputError(f"{export}: an input file does not exist or is a directory", missing)
    text = _CHIMEKIT_TEXTS.get(status, "an unknown status")
    if status in (3, 4):
        raise InvalidArgumentError(f"{export}: {text} (status {status})", status)
    raise ChimekitError(f"{export}: {text} (status {status})", status)


def check_reshaper(export, status):
    """Raises the exception for a Reshaper status other than 0."""
    if status != 0:
        text = _RESHAPER_TEXTS.get(status, "an unknown status")
        raise ChimekitError(f"{export}: {text} (status {status})", status)
