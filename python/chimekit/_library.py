"""Finds and loads the chimekit and Reshaper shared libraries, and hands
out their exports with the prototypes of the C headers."""
import ctypes
import functools
import os
import sys
from ctypes import POINTER, c_char_p, c_float, c_int32, c_size_t, c_uint8, c_uint32, c_void_p

from ._errors import LibraryNotFoundError

_PATH = c_char_p
_TABLE = POINTER(c_uint8)  # 256 bytes

# Argument types of every export, as in include/chimekit.h and reshaper.h.
_PROTOTYPES = {
    "MIDIGetLengthMs": (_PATH, POINTER(c_int32)),
    "MIDIFirstNoteTimeMs": (_PATH, POINTER(c_int32)),
    "MIDIGetTags": (_PATH, _PATH),
    "MIDISetTags": (_PATH, _PATH, _PATH),
    "MIDIUsedChannels": (_PATH, _PATH),
    "MIDIDump": (_PATH, _PATH, c_uint32),
    "MIDITrimMs": (_PATH, _PATH, c_uint32, c_uint32),
    "MIDITrimPercents": (_PATH, _PATH, c_uint32, c_uint32),
    "MIDIGetVol": (_PATH, POINTER(c_uint8), POINTER(c_uint8), POINTER(c_uint8)),
    "MIDISetVol": (_PATH, _PATH, c_int32, c_int32, c_uint32),
    "MIDIEqualizer": (_PATH, _PATH) + (c_uint32,) * 9,
    "MIDISetInstrMap": (_PATH, _PATH, _TABLE, _TABLE),
    "MIDICopyChannel": (_PATH, _PATH, c_uint32, c_uint32),
    "MIDIRemoveChannel": (_PATH, _PATH, c_uint32),
    "MIDIMerge": (_PATH, _PATH, _PATH),
    "MIDICombine": (_PATH, _PATH, _PATH),
    "MIDI2SMAF": (_PATH, _PATH),
    "MIDI2SP": (_PATH, _PATH, c_char_p, c_uint32, c_uint32),
    "ConvertMidi": (_PATH, _PATH),
}


# The C interface of the jobs library (include/chimekit_jobs.h), with the C
# calling convention everywhere: (argument types, result type).
_DATA = POINTER(c_uint8)
_JOB_PROTOTYPES = {
    "ck_song": ((_DATA, c_size_t), c_void_p),
    "ck_ringtone": ((_DATA, c_size_t, c_char_p, c_uint32, c_uint32, c_int32, c_int32, c_uint32, c_char_p, c_char_p),
                    c_void_p),
    "ck_render": ((_DATA, c_size_t, c_uint32, c_uint32, c_uint32), c_void_p),
    "ck_smaf": ((_DATA, c_size_t, c_uint32), c_void_p),
    "ck_smaf_to_midi": ((_DATA, c_size_t), c_void_p),
    "ck_status": ((c_void_p,), c_int32),
    "ck_text": ((c_void_p, POINTER(c_size_t)), c_void_p),
    "ck_bytes": ((c_void_p, c_int32, POINTER(c_size_t)), c_void_p),
    "ck_samples": ((c_void_p, POINTER(c_size_t)), POINTER(c_float)),
    "ck_free": ((c_void_p,), None),
}


def library_file_name(name):
    """The file name of a library on this system."""
    if sys.platform == "win32":
        return f"{name}.dll"
    if sys.platform == "darwin":
        return f"lib{name}.dylib"
    return f"lib{name}.so"


def candidates(name):
    """Where a library is looked for, in order: the folder named by
    CHIMEKIT_LIBRARY_DIR, the package's own folder, the system's search."""
    file_name = library_file_name(name)
    folder = os.environ.get("CHIMEKIT_LIBRARY_DIR")
    if folder:
        yield os.path.join(folder, file_name)
    yield os.path.join(os.path.dirname(os.path.abspath(__file__)), file_name)
    yield file_name


def load(name, loader=None):
    """Loads a library from the first place that holds one that loads."""
    # The exports use __stdcall on Windows, the jobs library the C convention.
    loader = loader or (ctypes.WinDLL if sys.platform == "win32" else ctypes.CDLL)
    tried = []
    for candidate in candidates(name):
        if os.path.dirname(candidate) and not os.path.isfile(candidate):
            tried.append(f"{candidate}: no such file")
            continue
        try:
            return loader(candidate)
        except OSError as error:
            where = "the system's library path" if not os.path.dirname(candidate) else candidate
            tried.append(f"{where}: {error}")
    raise LibraryNotFoundError(
        f"cannot load the {name} library ({library_file_name(name)}); tried\n  "
        + "\n  ".join(tried)
        + "\nSet CHIMEKIT_LIBRARY_DIR to the folder that holds it."
    )


@functools.lru_cache(maxsize=None)
def _library(name):
    return load(name, ctypes.CDLL if name == "chimekit_jobs" else None)


@functools.lru_cache(maxsize=None)
def export(name):
    """An export of chimekit or Reshaper, ready to call."""
    library = _library("Reshaper" if name == "ConvertMidi" else "chimekit")
    try:
        function = getattr(library, name)
    except AttributeError:
        raise LibraryNotFoundError(f"{library._name} has no export {name}: a library older than this package") from None
    function.argtypes = _PROTOTYPES[name]
    function.restype = c_int32 if name == "ConvertMidi" else c_uint8
    return function


@functools.lru_cache(maxsize=None)
def job_function(name):
    """A function of the jobs library's C interface, ready to call."""
    library = _library("chimekit_jobs")
    try:
        function = getattr(library, name)
    except AttributeError:
        raise LibraryNotFoundError(f"{library._name} has no function {name}: a library older than this package") from None
    function.argtypes, function.restype = _JOB_PROTOTYPES[name]
    return function
