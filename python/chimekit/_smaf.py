"""How many notes a SMAF file's score tracks play: enough of the format to
tell a ringtone that sounds from a silent one.

A SMAF file is "MMMD", a 4-byte size and chunks (a 4-byte name, a 4-byte
big-endian size, the body), then a 2-byte CRC. A score track ("MTR" and its
number) holds 6 fixed bytes, then chunks of its own; its sequence ("Mtsq")
is a list of events, each a duration (a length number) and one of: 00 and
two control bytes, FF 00 (no operation), or a note byte (anything else)
and its gate time (a length number); four zero bytes close it. A length
number is one byte below 0x80, else two."""


def _chunks(data, start, end):
    """(name, body) of the chunks between start and end."""
    while start + 8 <= end:
        size = int.from_bytes(data[start + 4:start + 8], "big")
        body_end = min(start + 8 + size, end)
        yield data[start:start + 4], data[start + 8:body_end]
        start = body_end


def _skip_length_number(data, position):
    return position + (2 if data[position] & 0x80 else 1)


def _sequence_notes(sequence):
    notes = 0
    position = 0
    try:
        while sequence[position:position + 4] != b"\0\0\0\0" and position < len(sequence):
            position = _skip_length_number(sequence, position)
            kind = sequence[position]
            if kind == 0x00:
                position += 3
            elif kind == 0xFF:
                position += 2
            else:
                notes += 1
                position = _skip_length_number(sequence, position + 1)
    except IndexError:  # a sequence cut short: the notes read so far
        pass
    return notes


def note_count(data):
    """The note events of every score track of a SMAF file's bytes."""
    if not data.startswith(b"MMMD"):
        return 0
    notes = 0
    for name, body in _chunks(data, 8, len(data) - 2):
        if name[:3] == b"MTR":
            for inner, sequence in _chunks(body, 6, len(body)):
                if inner == b"Mtsq":
                    notes += _sequence_notes(sequence)
    return notes
