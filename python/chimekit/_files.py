"""Calls of the exports that work file to file."""
import contextlib
import os
import tempfile

from . import _arguments
from ._errors import check_chimekit, check_reshaper
from ._library import export


def call(name, inputs, outputs=(), *values, midi_inputs=None):
    """Calls a chimekit export with its input and output paths first, then
    `values`, and raises the exception of a failure status. `midi_inputs`
    are the inputs that must be MIDI files (default: all)."""
    paths = [_arguments.path(p) for p in (*inputs, *outputs)]
    check_chimekit(name, export(name)(*paths, *values), inputs, outputs, midi_inputs)


def convert(name, in_file, out_file):
    """Calls the Reshaper export."""
    check_reshaper(name, export(name)(_arguments.path(in_file), _arguments.path(out_file)), in_file, out_file)


@contextlib.contextmanager
def output_or_temporary(out_file, suffix):
    """The output path given, or a temporary file removed afterwards."""
    if out_file is not None:
        yield out_file
        return
    with tempfile.TemporaryDirectory(prefix="chimekit-") as folder:
        yield os.path.join(folder, "output" + suffix)


def text_output(name, in_file, out_file, *values):
    """Runs an export that writes a text file and returns the file's bytes;
    without `out_file` the file is a temporary one."""
    with output_or_temporary(out_file, ".txt") as path:
        call(name, [in_file], [path], *values)
        with open(path, "rb") as text:
            return text.read()
