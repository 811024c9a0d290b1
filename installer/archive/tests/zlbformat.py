"""An independent reader and writer of ZLB archives, standard library only.

Written from the format's tables, not from the C++ code, so that each side
checks the other:

  member data  from offset 0, entries' stored bytes back to back
  registry     at RegistryOffset: 532-byte entries, one zlib stream or plain
  trailer      last 36 bytes: <I CRC, i Count, I 1, i RegistrySize,
               I RegistryOffset, B RegistryCompressed, 15 reserved zero bytes>
  entry        256 Name (length byte + cp1252), 256 Path (same), <I Size,
               I StoredSize, I DataOffset, I CRC, B Stored, B Level, 2 zero>
"""
import struct
import zlib

TRAILER = struct.Struct("<IiIiIB15s")
ENTRY = struct.Struct("<256s256sIIIIBB2s")
ZLIB_LEVEL = {0: 0, 1: 1, 2: -1, 3: 9}


class FormatError(Exception):
    pass


def _short_string(raw, what):
    n = raw[0]
    if any(raw[1 + n:]):
        raise FormatError("%s: bytes behind the characters are not zero" % what)
    return raw[1:1 + n].decode("cp1252", errors="strict") if n else ""


def _pack_short(text):
    b = text.encode("cp1252")[:255]
    return bytes([len(b)]) + b + bytes(255 - len(b))


class Entry:
    def __init__(self, name, path, size, stored_size, offset, crc, stored, level):
        self.name, self.path = name, path
        self.size, self.stored_size, self.offset = size, stored_size, offset
        self.crc, self.stored, self.level = crc, stored, level


class Archive:
    """A parsed archive; raises FormatError for anything the tables forbid."""

    def __init__(self, data):
        self.data = data
        if len(data) == 0:
            self.count, self.constant, self.registry_size = 0, 0, 0
            self.registry_offset, self.registry_compressed = 0, 0
            self.entries = []
            return
        if len(data) < 36:
            raise FormatError("shorter than a trailer")
        (crc, count, const, reg_size, reg_off, reg_flag, reserved) = TRAILER.unpack(data[-36:])
        if zlib.crc32(data[:-36]) != crc:
            raise FormatError("trailer CRC mismatch")
        self.count, self.constant, self.registry_size = count, const, reg_size
        self.registry_offset, self.registry_compressed, self.reserved = reg_off, reg_flag, reserved
        if count < 0 or reg_off > len(data) - 36:
            raise FormatError("count or registry offset out of range")
        region = data[reg_off:len(data) - 36]
        if reg_flag:
            d = zlib.decompressobj()
            raw = d.decompress(region, count * ENTRY.size)
        else:
            raw = region[:count * ENTRY.size]
        if len(raw) < count * ENTRY.size:
            raise FormatError("registry too short")
        self.entries = []
        for k in range(count):
            f = ENTRY.unpack_from(raw, k * ENTRY.size)
            self.entries.append(Entry(_short_string(f[0], "Name"), _short_string(f[1], "Path"),
                                      f[2], f[3], f[4], f[5], f[6], f[7]))
            if f[8] != b"\0\0":
                raise FormatError("entry %d: reserved bytes not zero" % k)

    def member(self, k):
        e = self.entries[k]
        raw = self.data[e.offset:e.offset + e.stored_size]
        if e.stored:
            out = raw[:e.size]
        else:
            out = zlib.decompress(raw)
        if len(out) != e.size or zlib.crc32(out) != e.crc:
            raise FormatError("member %d: size or CRC mismatch" % k)
        return out


def read(path):
    with open(path, "rb") as f:
        return Archive(f.read())


def build(members, level=2, compress_registry=True):
    """members: list of (name, path, bytes). Returns the archive's bytes.

    Each member is deflated at the level and stored plain when that is not
    smaller, as a writer of the format does."""
    data = bytearray()
    registry = bytearray()
    for name, path, content in members:
        packed = zlib.compress(content, ZLIB_LEVEL[level])
        stored = len(packed) >= len(content)
        body = content if stored else packed
        registry += ENTRY.pack(_pack_short(name), _pack_short(path) if path else bytes(256),
                               len(content), len(body), len(data), zlib.crc32(content),
                               1 if stored else 0, 0 if stored else level, b"\0\0")
        data += body
    offset = len(data)
    if compress_registry:
        packed = zlib.compress(bytes(registry), ZLIB_LEVEL[level])
        data += packed
        reg_size, flag = len(packed), 1
    else:
        data += registry
        reg_size, flag = 0, 0
    trailer = TRAILER.pack(zlib.crc32(bytes(data)), len(members), 1, reg_size, offset, flag, bytes(15))
    return bytes(data) + trailer
