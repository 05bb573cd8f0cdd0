"""Seeds of the SMAF reader's fuzz target: SMAF files made here from the
format's facts, one of each kind the reader takes (a Handyphone song of
two score tracks with voices and octave settings, a Mobile Standard song
as it stands and Huffman coded, with FM and PCM voices, stream PCM and
seek points, and an audio track)."""
import heapq
import struct


def chunk(kind, content):
    return kind + struct.pack(">I", len(content)) + content


def crc(data):
    value = 0xFFFF
    for byte in data:
        value ^= byte << 8
        for _ in range(8):
            value = ((value << 1) ^ 0x1021 if value & 0x8000 else value << 1) & 0xFFFF
    return value ^ 0xFFFF


def smaf(chunks):
    body = b"MMMD" + struct.pack(">I", len(chunks) + 2) + chunks
    return body + struct.pack(">H", crc(body))


def length(n):
    """A Handyphone length number."""
    return bytes([n]) if n < 128 else bytes([0x80 | ((n - 128) >> 7), (n - 128) & 0x7F])


def number(n):
    """A Mobile Standard variable-length number."""
    out = bytes([n & 0x7F])
    while n > 127:
        n >>= 7
        out = bytes([0x80 | (n & 0x7F)]) + out
    return out


def compress(data):
    """Huffman codes: the size, then the tree in preorder and the codes."""
    heap = [(data.count(value), value, value) for value in set(data)]
    if len(heap) < 2:
        heap.append((0, 256, (heap[0][2] + 1) % 256 if heap else 0))
    heapq.heapify(heap)
    order = 257
    while len(heap) > 1:
        first, second = heapq.heappop(heap), heapq.heappop(heap)
        heapq.heappush(heap, (first[0] + second[0], order, (first[2], second[2])))
        order += 1
    bits, codes = [], {}
    stack = [(heap[0][2], "")]
    while stack:
        node, code = stack.pop()
        if isinstance(node, tuple):
            bits.append("1")
            stack.append((node[1], code + "1"))
            stack.append((node[0], code + "0"))
        else:
            bits.append("0" + format(node, "08b"))
            codes[node] = code
    stream = "".join(bits) + "".join(codes[value] for value in data)
    stream += "0" * (-len(stream) % 8)
    return struct.pack(">I", len(data)) + int(stream or "0", 2).to_bytes(len(stream) // 8, "big")


CNTI = chunk(b"CNTI", b"\x00\x00\x01\x00\x00VN:seed,ST:song,")
VOICE = bytes([0x43, 0x03, 0, 0, 0, 0x60, 0x01, 0x14, 0x52, 0xF4, 0x3A, 0xA0, 0x14, 0x62, 0xF7, 0x00, 0xA0, 0xF7])


def handyphone():
    setup = chunk(b"Mtsu", b"\xFF\xF0" + length(len(VOICE)) + VOICE)
    first = (length(0) + b"\x00\x32\x04" + length(0) + b"\x37" + length(10) + length(10) + b"\x00\x32\x84"
             + length(0) + b"\x0C" + length(5) + length(0) + b"\x00\x06" + length(0) + b"\x00\x18"
             + length(0) + b"\x00\x37\x6B" + length(300) + b"\xFF\x00" + length(0) + b"\xFF\xF0\x03\x43\x03\xF7"
             + length(0) + b"\x00\x00\x00")
    second = length(50) + b"\x5C" + length(20) + length(0) + b"\x00\x00\x00"
    return smaf(CNTI + chunk(b"MTR\x01", b"\x00\x00\x10\x10\x80\x30" + setup + chunk(b"Mtsq", first))
                + chunk(b"MTR\x02", b"\x00\x00\x10\x10\x00\x00" + setup + chunk(b"Mtsq", second)))


def mobile(compressed):
    fm = bytes([0x00, 0x79, 0x62]) + bytes([0x3B, 0x56, 0x72, 0x51, 0x53, 0x13, 0x28]) * 4
    pcm = bytes([0x1F, 0x40, 0x79, 0x40, 0x10, 0x42, 0x73, 0x28, 0, 0, 0, 0, 0x10, 0, 0x64, 0x01, 0, 0, 0])
    messages = (bytes([0x43, 0x79, 0x07, 0x7F, 0x01, 0x7C, 0x00, 0x05, 0x00, 0x00]) + fm,
                bytes([0x43, 0x79, 0x07, 0x7F, 0x01, 0x7D, 0x00, 0x00, 0x24, 0x01]) + pcm)
    setup = b"".join(b"\xF0" + number(len(m) + 1) + m + b"\xF7" for m in messages)
    events = (number(0) + b"\xB0\x00\x7C" + number(0) + b"\xC0\x05" + number(0) + b"\x90\x3C\x64" + number(50)
              + number(100) + b"\x80\x3E" + number(25) + number(0) + b"\x40" + number(25)
              + number(10) + b"\xE0\x00\x50" + number(5) + b"\xF0\x05\x43\x79\x06\x7F\xF7" + number(5) + b"\xFF\x00"
              + number(0) + b"\x93\x24\x70" + number(10) + number(200) + b"\xFF\x2F\x00")
    status = bytes([0, 0, 0, 3] + [0] * 12)
    stream = chunk(b"Mtsp", chunk(b"Mwa\x01", b"\x10\x1F\x40" + bytes(range(64))))
    track = (b"\x01" if compressed else b"\x02") + b"\x00\x01\x02" + status + chunk(b"Mtsu", setup) + chunk(
        b"MspI", b"st:\x00\x00\x00\x00,sp:\x00\x00\x01\x41,") + chunk(b"Mtsq", compress(events) if compressed else events)
    data = chunk(b"Dch\x01", b"ST\x00\x04SongAN\x00\x04Band")
    return smaf(chunk(b"CNTI", b"\x00\x00\x01\x00\x00") + chunk(b"OPDA", data) + chunk(b"MTR\x05", track + stream))


def audio():
    sequence = length(0) + b"\x01" + length(300) + length(300) + b"\xFF\x00" + length(0) + b"\x00\x00\x00"
    track = b"\x00\x00\x11\x00\x02\x02" + chunk(b"Atsq", sequence) + chunk(b"Awa\x01", bytes(range(0, 256, 3)))
    return smaf(CNTI + chunk(b"ATR\x00", track))


def seeds():
    """(name, bytes) of every seed."""
    yield "handyphone", handyphone()
    yield "mobile", mobile(False)
    yield "compressed", mobile(True)
    yield "audio", audio()
