"""Python arguments as the C interface takes them."""
import os
import sys

from ._errors import InvalidArgumentError


def path(value):
    """A str, bytes or os.PathLike path as the NUL-terminated 8-bit string
    the libraries take: the system code page on Windows, the file system's
    encoding elsewhere."""
    value = os.fspath(value)
    if isinstance(value, str):
        if sys.platform == "win32":
            try:
                value = value.encode("mbcs", "strict")
            except UnicodeEncodeError:
                raise InvalidArgumentError(f"the system code page cannot spell the path {value!r}") from None
        else:
            value = os.fsencode(value)
    if b"\0" in value:
        raise InvalidArgumentError(f"a path holds a NUL character: {value!r}")
    return value


def number(value, name, least, most):
    """An integer that must lie in least..most to travel unchanged."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} must be an int, not {type(value).__name__}")
    if not least <= value <= most:
        raise InvalidArgumentError(f"{name} must be from {least} to {most}, not {value}")
    return value


def byte(value, name):
    return number(value, name, 0, 0xFF)


def signed_byte(value, name):
    return number(value, name, -128, 127)


def uint32(value, name):
    return number(value, name, 0, 0xFFFFFFFF)
