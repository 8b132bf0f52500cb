"""What a simulated recorder served, and the comparison of a backup file's record
sections with it. Written from the layouts of the reads and of the file, never from the
program's code. The served data are texts of lines

    record FN NUMBER HEX     a record answered to function FN (hex), number NUMBER (hex)
    file TYPE HEX            a record file
    blob FN HEX              a blob (its 12-byte header included) answered to function FN

('#' begins a comment; other lines are ignored), as the simulator's configuration
profiles hold them and as a test dumps the information records a device served.

Where the program may not give back the bytes it read, the Parts say so; each such
difference is listed in NORMALISED below and applied to the served bytes before they
are compared. Nothing else may differ.
"""
from backup_file import Fault, need, ver, from_, in_branch, bit, u16, u32

# --- The differences the file is meant to have from what was served -------------------
NORMALISED = {
    17: "device record: the form of the version (64 bytes from 2.1.150 even after a 44-byte "
        "record); tag fields only from 2.1.53 with bit 13, extension outputs only from "
        "2.1.110, user-table limits only from 2.1.127 with bit 19 (else 0); feature bit 7 "
        "dropped by the list builder on a device with one port at most; the scheme's "
        "capacity, the regulators and the screen as the read settles them",
    32: "general settings: Selector32 only from 2.1.130 (read) and 2.1.120 (written)",
    33: "analog inputs from 2.1.159: an event's limits as decimal values, read without their "
        "trailing zero decimals and written with the decimals of the device's limit range",
    80: "display boards of both formats: the boards in the order of their addresses, a later "
        "board of an address already read in the place of the earlier one",
}


def short_string(data, at):
    return at + 1 + data[at]


def element_end(data, at):
    """The end of one board element: its type byte and its data."""
    kind = data[at]
    at += 1
    need(kind in (1, 2, 3), "board element of type %d", kind)
    if kind == 1:
        return short_string(data, at)
    if kind == 2:
        return short_string(data, short_string(data, at + 4))
    for _ in range(4):
        at = short_string(data, at + 2) if _ == 0 else short_string(data, at)
    return at


def screens_end(data, at, screens, with_screens):
    for _ in range(screens):
        if with_screens:
            elements = data[at + 1]
            at += 2
            for _ in range(elements):
                at = element_end(data, at)
        else:  # second format: an item code and a short string
            at = short_string(data, at + 1)
    return at


def boards_in_address_order(data, head, count, with_screens):
    """The boards after the head as the read keeps them: by address, the last of an
    address winning; returns the packed boards and their count."""
    boards, at = {}, head
    for _ in range(count):
        address = (data[at], data[at + 1])
        end = screens_end(data, at + 3, data[at + 2], with_screens)
        boards[address] = data[at:end]
        at = end
    return b"".join(boards[a] for a in sorted(boards)), len(boards)


def normalise_boards1(record):
    if len(record) < 4 or record[0] != 1:
        return record
    packed, count = boards_in_address_order(record, 4, record[2], True)
    out = bytes([1, 0, count, 0]) + packed
    return out + bytes(len(record) - len(out))


def normalise_boards2(stream):
    if len(stream) < 4 or stream[0] != 2:
        return stream
    packed, count = boards_in_address_order(stream, 4, stream[1], False)
    return bytes([2, count]) + len(packed).to_bytes(2, "little") + packed


def strip_decimals(mantissa, decimals, least, greatest):
    """A decimal value as SetValue keeps it, brought to least..greatest decimals."""
    while decimals > 0 and mantissa % 10 == 0:
        mantissa //= 10
        decimals -= 1
    while decimals < least:
        mantissa *= 10
        decimals += 1
    while decimals > greatest:
        q, r = divmod(abs(mantissa), 10)
        q += 1 if r >= 5 else 0
        mantissa = q if mantissa >= 0 else -q
        decimals -= 1
    return mantissa, decimals


def normalise_ai_events_h(record):
    """Form H events: the limit word and the second limit's u16 as the writer puts the
    values read back (first range 1-6 decimals, second range 0-3)."""
    out = bytearray(record)
    for event in range(4):
        at = 184 + 16 * event
        word = u32(out, at)
        m1 = word & 0x1FFFFFF
        if m1 & 0x1000000:
            m1 -= 0x2000000
        d1, d2 = word >> 25 & 7, word >> 28 & 3
        m2 = u16(out, at + 4)
        m1, d1 = strip_decimals(m1, d1, 1, 6)
        m2, d2 = strip_decimals(m2, d2, 0, 3)
        word = (m1 & 0x1FFFFFF) | (d1 & 7) << 25 | (d2 & 3) << 28
        out[at:at + 4] = word.to_bytes(4, "little")
        out[at + 4:at + 6] = (m2 & 0xFFFF).to_bytes(2, "little")
    return bytes(out)


class Served:
    def __init__(self, paths):
        self.records, self.files, self.blobs = {}, {}, {}
        for path in paths:
            for line in open(path, encoding="utf-8"):
                parts = line.split()
                if not parts or parts[0].startswith("#"):
                    continue
                if parts[0] == "record" and len(parts) == 4:
                    self.records.setdefault((int(parts[1], 16), int(parts[2], 16)), bytes.fromhex(parts[3]))
                elif parts[0] == "file" and len(parts) == 3:
                    self.files.setdefault(int(parts[1], 16), bytes.fromhex(parts[2]))
                elif parts[0] == "blob" and len(parts) == 3:
                    self.blobs.setdefault(int(parts[1], 16), bytes.fromhex(parts[2]))

    def record(self, function, number, what):
        key = (function, number)
        need(key in self.records, "%s: no record %02X/%02X was served", what, function, number)
        return self.records[key]

    def block(self, base, count, size, what, long_base=None):
        """count records of one block: function 0x65 from base, or with more than 32
        items function 0x6B from long_base, one each; each its first size bytes."""
        if count > 32 and long_base is not None:
            function, base = 0x6B, long_base
        else:
            function = 0x65
        need(base + count <= 0x100, "%s: record numbers past 0xFF", what)
        out = b""
        for i in range(count):
            record = self.record(function, base + i, what)
            need(len(record) >= size, "%s %d: %d bytes served, %d written", what, i, len(record), size)
            out += record[:size]
        return out

    def info_block(self, base, count, size, what):
        return b"".join(self.record(0x64, base + i, what)[:size] for i in range(count))

    def stream(self, file_type, blob_function, what):
        """A stream block: a record file, or a blob whose 12-byte header announces it."""
        if file_type in self.files:
            return self.files[file_type]
        need(blob_function in self.blobs, "%s: neither file %d nor blob %02X served", what, file_type,
             blob_function)
        # The blob's header is the stream's own: presence (the format), its size, and at
        # 8-11 the size of what follows.
        blob = self.blobs[blob_function]
        if blob[0] == 0:
            return b""
        return blob[:12 + u32(blob, 8)]

    # --- Section by section ---------------------------------------------------------

    def expected(self, dev, tag, count, size, second_board):
        v = dev.version
        below2 = v < ver(2, 0)
        if tag == 16:
            return self.record(0x64, 0, "general information")
        if tag == 17:
            return self.device_record(dev, size)
        if tag == 18:
            return self.info_block(0xD0, count, size, "signal types")
        if tag == 19:
            return self.info_block(0x10, count, size, "AI information")
        if tag == 21:
            first = self.info_block(0x30 if below2 else 0x50, min(count, 32), 1, "DI information")
            return first + self.info_block(0xB0, max(count - 32, 0), 1, "DI information")
        if tag == 22:
            return self.info_block(0x50 if below2 else 0x70, count, 1, "relay information")
        if tag == 32:
            return self.general_record(dev, size)
        if tag == 33:
            records = self.block(0x10, count, size, "AI", long_base=0x00)
            if from_(v, ver(2, 1, 159)):
                records = b"".join(normalise_ai_events_h(records[i:i + size]) for i in range(0, len(records), size))
            return records
        if tag == 34:
            return self.block(0xC0, count, size, "AO", long_base=0x40)
        if tag == 35:
            return self.block(0x30 if below2 else 0x50, count, size, "DI", long_base=0xC0)
        if tag == 36:
            return self.block(0x50 if below2 else 0x30, count, size, "DO",
                              long_base=None if below2 else 0x80)
        if tag == 37:
            return self.block(0xE0, count, size, "IP")
        if tag == 38:
            return self.block(0x70, count, size, "page")
        if tag == 39:
            return self.block(0x90, count, size, "totalizer")
        if tag == 40:
            return self.block(0xA0 if below2 else 0x94, count, size, "counter")
        if tag == 41:
            return self.block(0xB0 if below2 else 0x98, count, size, "timer")
        if tag == 42:
            return self.record(0x65, 10, "schedule")[:size]
        if tag == 43:
            return self.record(0x65, 127, "summary board")[:size]
        if tag == 44:
            return self.block(0xA0, count, size, "TTL")
        if tag == 45:
            return self.block(0x00 if below2 else 0xB0, count, size, "tag field")
        if tag == 46:
            return self.record(0x65, 7, "CP")[:size]
        if tag == 47:
            return self.stream(2, None, "user tables")
        if tag == 64:
            return self.block(0x00 if below2 else 0x80, count, size, "regulator")
        if tag == 80:
            if second_board:
                return normalise_boards2(self.stream(4, None, "boards, second format"))
            return normalise_boards1(self.record(0x65, 6, "boards, first format")[:size])
        if tag == 129:
            return self.stream(1, 0x69, "mnemonic scheme")
        if tag == 130:
            amx_blob = 0x6B if v < ver(2, 1, 110) else 0x6F
            return self.stream(3, amx_blob, "AMX program")
        raise Fault("section %d: nothing served to compare it with" % tag)

    def device_record(self, dev, size):
        """The record as the information read settles it and the writer gates it."""
        served = self.record(0x64, 1, "device information")
        v, features = u32(served, 4), u32(served, 8)
        out = bytearray(size)
        out[:min(size, len(served))] = served[:size]
        if v >= ver(2, 0):
            # The list builder drops feature bit 7 of a device with one port at most.
            if served[21] <= 1 and (in_branch(v) or v <= ver(2, 1, 160, 5)):
                features &= ~(1 << 7)
            out[8:12] = features.to_bytes(4, "little")
        if size >= 32 and not (from_(v, ver(2, 1, 53)) and bit(features, 13)):
            out[29:32] = bytes(3)
        if size >= 44:
            if not from_(v, ver(2, 1, 110)):
                out[34:36] = bytes(2)
            if not (from_(v, ver(2, 1, 127)) and bit(features, 19)):
                out[36:41] = bytes(5)
            if not bit(features, 14):
                out[41] = 0
            elif not from_(v, ver(2, 1, 128)):
                out[41] = 128 if from_(v, ver(2, 1, 126)) else 64
        if size >= 64:
            extended = len(served) >= 64
            if not bit(features, 25):
                out[44] = 0
            if not bit(features, 14):
                width, height = 0, 0
            elif from_(v, ver(2, 1, 158)) and extended:
                width, height = u16(served, 46), u16(served, 48)
            else:
                width, height = {21: (800, 568), 50: (800, 568), 51: (600, 768)}.get(served[32], (0, 0))
            out[46:50] = width.to_bytes(2, "little") + height.to_bytes(2, "little")
            out[50] = served[50] if extended else 0
        return bytes(out)

    def general_record(self, dev, size):
        served = bytearray(self.record(0x65, 0, "general settings")[:size])
        v = dev.version
        if size >= 36 and not from_(v, ver(2, 1, 130)):
            served[32] = 0
        return bytes(served)

    def compare(self, dev, sections):
        # Two sections 80 with both bits; with bit 27 alone the only one is the stream.
        second_board = not dev.has(24)
        for tag, count, size, items in sections:
            if tag == 4:
                continue
            want = self.expected(dev, tag, count, size, second_board)
            if tag == 80:
                second_board = True
            if items != want:
                at = next((i for i, (a, b) in enumerate(zip(items, want)) if a != b), min(len(items), len(want)))
                raise Fault("section %d differs from what was served at byte %d: %s, served %s" %
                            (tag, at, items[at:at + 8].hex(), want[at:at + 8].hex()))
