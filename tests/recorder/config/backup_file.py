#!/usr/bin/env python3
"""An independent reader of the configuration backup files, written from the file
layouts alone, never from the program's writer. Standard library only.

    backup_file.py check FILE [--served SERVED...]

walks FILE ("RCF2" or "RLCF"), checks every framing fact it can know from the file
itself (magic, each section's tag, count, item size and checksum, the section order for
the firmware version and the feature bits the file reports, the stream headers, no
trailing bytes) and prints what it found, one line each:

    RCF2 <version> <features>            then per section: <tag> <count> <item size>
    RLCF <version>                       then per area:    <area> <length>

With --served, the record sections are also compared byte for byte with what the
simulated recorder served (see served.py for that file); the differences the writer is
meant to make are listed in NORMALISED. Exit status 0 when everything holds; otherwise
the first fault on stderr and status 1.
"""
import struct
import sys


class Fault(Exception):
    pass


def need(condition, message, *args):
    if not condition:
        raise Fault(message % args if args else message)


# --- Checksums --------------------------------------------------------------------

def _crc_reflected(data, poly, init):
    crc = init
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ poly if crc & 1 else crc >> 1
    return crc


def crc16_modbus(data):
    return _crc_reflected(data, 0xA001, 0xFFFF)


def crc32_init0(data):
    """Reflected 0x04C11DB7, initial value 0, no final XOR."""
    return _crc_reflected(data, 0xEDB88320, 0)


# --- Versions ---------------------------------------------------------------------

def ver(major, minor, build=0, fourth=0):
    return major << 24 | minor << 16 | build << 8 | fourth


def ver_text(v):
    return "%d.%d.%d.%d" % (v >> 24, v >> 16 & 255, v >> 8 & 255, v & 255)


FIRST_LINE_UP_TO = ver(1, 10, 20, 255)
SECOND_LINE_UP_TO = ver(2, 1, 160, 255)


def in_branch(v):
    return ver(2, 2, 0) <= v <= ver(2, 2, 3, 255)


def from_(v, limit):
    """"From limit on": the 2.2 branch counts as older firmware."""
    return v >= limit and not in_branch(v)


def bit(features, n):
    return features >> n & 1 == 1


def u16(data, at):
    return struct.unpack_from("<H", data, at)[0]


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


# --- Record sizes of the blocks, by firmware version --------------------------------

def ai_config_size(v):
    if v < ver(1, 6):
        return 187
    if v < ver(1, 8):
        return 246
    if v < ver(1, 9):
        return 244
    if v < ver(1, 10):
        return 246
    return 248


def ao_config_size(v):
    if v < ver(1, 6):
        return 0
    if in_branch(v) or v < ver(2, 1, 110):
        return 160
    return 248


def di_config_size(v):
    if v < ver(1, 8) or ver(1, 9) <= v < ver(1, 10):
        return 39
    if v < ver(1, 9):
        return 44
    if v <= FIRST_LINE_UP_TO:
        return 48
    if v < ver(2, 1, 51):
        return 52
    return 172


def do_config_size(v):
    if v < ver(1, 10, 6):
        return 0
    if v < ver(2, 0):
        return 36
    if v < ver(2, 1, 54):
        return 0
    if v < ver(2, 1, 151) or in_branch(v):
        return 148
    return 220


def page_size(v, page_channels):
    if v < ver(1, 5):
        return 81
    if v < ver(1, 10):
        return 83
    if v < ver(2, 0):
        return 92
    if v < ver(2, 1):
        return 100
    if v < ver(2, 1, 90):
        return 164
    if in_branch(v):
        return 248
    return {16: 204, 20: 248}.get(page_channels, 0)


def tablo_size(v):
    """From 2.1 on the device may send either form, and a backup keeps the one it sent."""
    return (36, 200) if v >= ver(2, 1) else 0


def sm_size(v):
    return 64 if v >= ver(1, 5) else 0


def ct_size(v):
    if v < ver(1, 5):
        return 0
    return 64 if v < ver(2, 0) else 68


def ttl_size(v):
    if v < ver(1, 9):
        return 0
    if v < ver(2, 0):
        return 80
    if v < ver(2, 1, 25):
        return 0
    if v < ver(2, 1, 54) or in_branch(v):
        return 80
    # From 2.1.54 the device may send either form, and a backup keeps the one it sent
    # (the version's own, 200 below 2.1.132 and 248 from then, for channels it did not).
    return (200, 248)


def tmr_size(v):
    if v < ver(1, 6):
        return 0
    if v <= FIRST_LINE_UP_TO:
        return 44
    if v < ver(2, 0):
        return 0
    return 40


def ctl_size(v):
    return 248 if from_(v, ver(2, 1, 150)) else 0


def tag_size(v):
    return 248 if v >= ver(2, 1, 53) else 0


def general_size(v):
    if v < ver(1, 5):
        return 3
    if v < ver(1, 7):
        return 4
    if v < ver(1, 8):
        return 28
    if v < ver(1, 9):
        return 4
    if v < ver(2, 1):
        return 28
    return 36


def ai_info_size(v, gen):
    if from_(v, ver(2, 1, 150)):
        return 6
    if gen < ver(1, 8):
        return 10
    if gen < ver(1, 9):
        return 12
    if gen < ver(1, 10):
        return 10
    return 4


def device_record_size(v):
    if v < ver(1, 5):
        return 34
    if v < ver(1, 6):
        return 40
    if v < ver(2, 0):
        return 44
    if in_branch(v):
        return 32
    if v < ver(2, 1, 25):
        return 28
    if v < ver(2, 1, 100):
        return 32
    if v < ver(2, 1, 150):
        return 44
    return 64


# --- The device as the file's own information sections tell it ------------------

class Device:
    """Counts and bits from the general (16) and device (17) information records."""

    def __init__(self, v, general, device):
        self.version = v
        d = device
        self.features = u32(d, 8)
        if v < ver(1, 10):          # G207 (1.9)
            self.gen_version = u32(general, 5)
            self.signals = general[11]
            self.ai, self.di, self.relays = general[200], general[203], general[205]
            self.ao = self.ip = 0
        elif v < ver(2, 0):         # G28b (1.10)
            self.gen_version = u32(general, 4)
            self.signals = general[11]
            self.ai, self.di, self.relays = general[20], general[23], general[25]
            self.ao = self.ip = 0
        else:                       # G48
            self.gen_version = u32(general, 4)
            self.signals = general[12]
            self.ai, self.di, self.relays = general[40], general[44], general[45]
            self.ao, self.ip = general[43], general[46]
        self.pages, self.page_channels = d[16], d[17]
        self.sm, self.ct, self.timers = d[18], d[19], d[20]
        if v < ver(2, 0):           # D44c
            self.ttl = d[23]
            self.tags = self.ext_ao = self.ext_do = self.regulators = 0
            self.table_limit2 = self.ms_capacity = 0
        else:
            self.ttl = d[28] if len(d) >= 32 else 0
            self.tags = d[29] if len(d) >= 32 else 0
            self.ext_ao = d[34] if len(d) >= 44 else 0
            self.ext_do = d[35] if len(d) >= 44 else 0
            self.table_limit2 = u16(d, 38) if len(d) >= 44 else 0
            self.ms_capacity = d[41] if len(d) >= 44 else 0
            self.regulators = d[44] if len(d) >= 64 else 0

    def has(self, n):
        return bit(self.features, n)


# --- "RCF2" -----------------------------------------------------------------------

LONG_TAGS = (129, 130)


def walk_sections(data):
    need(data[:4] == b"RCF2", "magic %r is not RCF2", data[:4])
    at, sections = 4, []
    while at < len(data):
        tag = data[at]
        long_form = tag in LONG_TAGS
        head = 6 if long_form else 4
        need(at + head <= len(data), "section %d at %d: the head runs past the end", tag, at)
        count = data[at + 1]
        size = u32(data, at + 2) if long_form else u16(data, at + 2)
        at += head
        n = count * size
        items = data[at:at + n]
        need(len(items) == n, "section %d: %d item bytes announced, %d left", tag, n, len(items))
        at += n
        if n:
            width = 4 if long_form else 2
            need(at + width <= len(data), "section %d: no room for its checksum", tag)
            stored = u32(data, at) if long_form else u16(data, at)
            actual = crc32_init0(items) if long_form else crc16_modbus(items)
            need(stored == actual, "section %d: checksum %X, the items give %X", tag, stored, actual)
            at += width
        sections.append((tag, count, size, bytes(items)))
    need(at == len(data), "bytes after the last section")
    return sections


def info_order(v):
    if v < ver(1, 10):
        return [16, 19, 21, 22, 17]
    if v < ver(1, 10, 16):
        return [16, 18, 19, 21, 22, 17]
    if v < ver(2, 0):
        return [17, 16, 18, 19, 21, 22]
    if ver(2, 1, 131) <= v <= SECOND_LINE_UP_TO:
        return [17, 16, 18, 19, 21, 22]
    return [16, 18, 19, 21, 22, 17]


def has_do_section(v):
    return ver(1, 10, 6) <= v < ver(2, 0) or from_(v, ver(2, 1, 54))


def expected_sections(dev):
    """(tag, count, item size) in file order; item size None for a stream of any size."""
    v = dev.version
    out = [(4, 1, 8)]
    for tag in info_order(v):
        out.append({
            16: (16, 1, 207 if v < ver(1, 10) else 28 if v < ver(2, 0) else 48),
            17: (17, 1, device_record_size(v)),
            18: (18, dev.signals, 14),
            19: (19, dev.ai, ai_info_size(v, dev.gen_version)),
            21: (21, dev.di, 1),
            22: (22, dev.relays, 1),
        }[tag])
    out.append((32, 1, general_size(v)))
    out.append((33, dev.ai, ai_config_size(v)))
    if v >= ver(2, 0):
        out.append((34, dev.ao + dev.ext_ao, ao_config_size(v)))
    out.append((35, dev.di, di_config_size(v)))
    if v >= ver(2, 0):
        out.append((37, dev.ip, 8))
    out.append((38, dev.pages, page_size(v, dev.page_channels)))
    if v >= ver(2, 1) and dev.has(8):
        out.append((43, 1, tablo_size(v)))
    if has_do_section(v):
        out.append((36, dev.relays + dev.ext_do, do_config_size(v)))
    if dev.has(15):
        out.append((130, 1, None))
    if dev.has(19):
        out.append((47, 1, None))
    if dev.has(25):
        out.append((64, dev.regulators, ctl_size(v)))
    late = {
        44: (44, dev.ttl, ttl_size(v)) if dev.has(9) else None,
        41: (41, dev.timers, tmr_size(v)) if dev.has(3) else None,
        39: (39, dev.sm, sm_size(v)),
        40: (40, dev.ct, ct_size(v)),
        42: (42, 1, 12 * (11 if v < ver(2, 0) else 13)) if dev.has(0) else None,
        45: (45, dev.tags, tag_size(v)) if dev.has(13) and from_(v, ver(2, 1, 53)) else None,
        46: (46, 1, 250) if dev.has(10) else None,
        "80a": (80, 1, 250) if dev.has(24) else None,
        "80b": (80, 1, None) if dev.has(27) else None,
    }
    if from_(v, ver(2, 1, 157)):
        order = [44, 41, 42, 45, 46, "80a", "80b"]
    elif from_(v, ver(2, 1, 132)):
        order = [44, 41, 39, 40, 42, 45, 46, "80a", "80b"]
    else:
        order = [39, 40, 41, 42, 44, 45, 46, "80a", "80b"]
    out.extend(late[key] for key in order if late[key] is not None)
    if dev.has(14):
        out.append((129, 1, None))
    return out


def check_stream(tag, items, dev, second_board_format):
    """The header facts of a stream section."""
    size = len(items)
    if tag in (129, 130):
        need(size >= 12 and items[0] == 1 and items[1] == 12, "section %d: stream header %s", tag, items[:2].hex())
        need(u32(items, 8) == size - 12, "section %d: body size %d in a stream of %d", tag, u32(items, 8), size)
        if tag == 129:
            v = dev.version
            capacity = 64 if v < ver(2, 1, 126) else 128 if v < ver(2, 1, 128) else dev.ms_capacity
            need(items[4] == dev.pages & 255 and items[5] == capacity, "section 129: pages %d, capacity %d",
                 items[4], items[5])
    elif tag == 47:
        need(size >= 232 and items[0] == 8 and items[1] == 0 and u16(items, 6) == 8000,
             "section 47: header %s", items[:8].hex())
        need(u16(items, 4) == dev.table_limit2, "section 47: per-table limit %d, the device says %d",
             u16(items, 4), dev.table_limit2)
        need(size == 232 + 8 * u16(items, 2), "section 47: %d points in %d bytes", u16(items, 2), size)
    elif tag == 80 and second_board_format:
        need(size >= 4 and items[0] == 2 and u16(items, 2) == size - 4, "section 80: board stream header %s",
             items[:4].hex())


def read_rcf2(data):
    sections = walk_sections(data)
    need(sections and sections[0][:3] == (4, 1, 8), "first section is not 4 × 8")
    v = u32(sections[0][3], 4)
    need(ver(1, 9) <= v <= SECOND_LINE_UP_TO or in_branch(v), "version %s has no RCF2 layout", ver_text(v))
    by_tag = {s[0]: s for s in sections}
    need(16 in by_tag and 17 in by_tag, "no information sections 16 and 17")
    dev = Device(v, by_tag[16][3], by_tag[17][3])
    expected = expected_sections(dev)
    found = [(s[0], s[1], s[2]) for s in sections]
    need(len(found) == len(expected) and all(f[0] == e[0] for f, e in zip(found, expected)),
         "section order %s, expected %s", [f[0] for f in found], [e[0] for e in expected])
    second_board = False
    for (tag, count, size, items), (_, want_count, want_size) in zip(sections, expected):
        need(count == want_count, "section %d: count %d, expected %d", tag, count, want_count)
        if want_size is None:
            need(count == 1, "section %d: a stream is one item", tag)
            check_stream(tag, items, dev, second_board)
        elif isinstance(want_size, tuple):
            need(size in want_size, "section %d: item size %d, expected one of %s", tag, size, want_size)
        else:
            need(size == want_size, "section %d: item size %d, expected %d", tag, size, want_size)
        if tag == 80:
            second_board = True
    return dev, sections


# --- "RLCF" -----------------------------------------------------------------------

def read_rlcf(data):
    need(data[:4] == b"RLCF", "magic %r is not RLCF", data[:4])
    word0 = u32(data, 4)
    need(word0 in (26, 32, 40), "header word 0 is %d", word0)
    directory = data[16:word0]
    fields = [u16(directory, i) for i in range(0, len(directory), 2)]
    if word0 == 26:
        v = None  # 1.3-1.4: the header names the general part only
        gen_hw, gen_sw = u32(data, 8), u32(data, 12)
        p, names = 34, ["info", "data"]
    else:
        v = u32(data, 12)
        p = 40 if word0 == 32 else 44
        names = ["info", "data", "misc"] + (["timers", "schedule"] if word0 == 40 else [])
        need(fields[-1] == 0, "the directory's last field is not 0")
    need(fields[1] == p, "device record size %d, expected %d", fields[1], p)
    info_length = u16(data, word0)
    info = data[word0:word0 + info_length + p]
    need(len(info) == info_length + p, "the info area runs past the end")
    need(fields[0] == info_length, "device record offset %d, the area's length word says %d", fields[0], info_length)
    device = info[info_length:]
    need(crc16_modbus(device) == fields[2], "device record check")
    if v is None:
        v = u32(device, 4)
        need(v < ver(1, 5), "a 26-byte header on version %s", ver_text(v))
        need((u32(info, 3), u32(info, 7)) == (gen_hw, gen_sw), "header words differ from the general record")
    need(u32(device, 4) == v, "the device record's version %s differs from the header's", ver_text(u32(device, 4)))
    need(ver(1, 3) <= v < ver(1, 7) or ver(1, 8) <= v < ver(1, 9), "version %s has no RLCF layout", ver_text(v))
    need(word0 == (26 if v < ver(1, 5) else 32 if v < ver(1, 6) else 40), "header word 0 %d on %s", word0, ver_text(v))

    # The info area, its length word counting to the end of the relay records and the
    # closing word.
    if v < ver(1, 6):
        general, at, closing = info[2:190], 190, (0xD0B9 if v < ver(1, 5) else 0x2E1A)
        ai, di, relays, gen_sw, signals = general[181], general[184], general[186], u32(general, 5), 0
        need(general[11] == 9, "G188 with %d signal types", general[11])
    elif v < ver(1, 7):
        general, at, closing = info[2:209], 209, 0x2E1A
        ai, di, relays, gen_sw, signals = general[200], general[203], general[205], u32(general, 5), 0
        need(general[11] == 10, "G207 with %d signal types", general[11])
    else:
        need(u16(info, 2) == 0, "1.8: no zero word after the length")
        general, at, closing = info[4:32], 32, None
        ai, di, relays, gen_sw, signals = general[20], general[23], general[25], u32(general, 4), general[11]
    area_end = at + 14 * signals + ai * ai_info_size(v, gen_sw) + di + relays + (2 if closing else 0)
    need(area_end == info_length, "info length %d, its records end at %d", info_length, area_end)
    if closing:
        need(u16(info, info_length - 2) == closing, "closing word %X", u16(info, info_length - 2))

    features = u32(device, 8)
    pages = device[12] if v < ver(1, 5) else device[16]
    rest = data[word0 + len(info):]
    lengths = fields[3::2][:len(names) - 1]
    checks = fields[4::2][:len(names) - 1]
    areas, at = {"info": info}, 0
    for name, length, check in zip(names[1:], lengths, checks):
        if name == "data":
            # The directory keeps the low 16 bits of a length; the data head the whole.
            need(len(rest) >= 4, "no data area")
            whole = u32(rest, 0)
            need(whole & 0xFFFF == length, "data length %d in the directory, %d in the head", length, whole)
            length = whole
        area = rest[at:at + length]
        need(len(area) == length, "the %s area runs past the end", name)
        need(crc16_modbus(area) == check, "%s area check", name)
        areas[name], at = area, at + length
    need(at == len(rest), "bytes after the last area")

    data_area = areas["data"]
    head = 16 if v < ver(1, 5) else 12
    if v >= ver(1, 5):
        need(u32(data_area, 8) == v, "data head version")
    need(u32(data_area, 4) == u32(device, 14 if v < ver(1, 5) else 20 if v < ver(1, 6) else 24), "data head serial")
    unpadded = head + general_size(v) + ai * ai_config_size(v) + di * di_config_size(v) + pages * page_size(v, 0)
    padded = unpadded if v < ver(1, 5) else (unpadded + 3) // 4 * 4
    need(len(data_area) == padded, "data area of %d bytes, expected %d", len(data_area), padded)
    need(not any(data_area[unpadded:]), "padding not zero")
    if v >= ver(1, 5):
        need(len(areas["misc"]) == device[18] * sm_size(v) + device[19] * ct_size(v), "misc area size")
    if v >= ver(1, 6):
        need(len(areas["timers"]) == device[20] * tmr_size(v), "timer area size")
        need(len(areas["schedule"]) == (12 * 11 if bit(features, 0) else 0), "schedule area size")
    return v, [(name, len(areas[name])) for name in names]


def read_served(paths):
    sys.path.insert(0, __import__("os").path.dirname(__import__("os").path.abspath(__file__)))
    from served import Served  # beside this file
    return Served(paths)


def main(argv):
    if len(argv) < 3 or argv[1] != "check":
        print(__doc__, file=sys.stderr)
        return 2
    data = open(argv[2], "rb").read()
    try:
        if data[:4] == b"RLCF":
            v, areas = read_rlcf(data)
            print("RLCF %s" % ver_text(v))
            for name, length in areas:
                print("%s %d" % (name, length))
            return 0
        dev, sections = read_rcf2(data)
        if "--served" in argv:
            served = read_served(argv[argv.index("--served") + 1:])
            served.compare(dev, sections)
    except Fault as fault:
        print("%s: %s" % (argv[2], fault), file=sys.stderr)
        return 1
    print("RCF2 %s %08X" % (ver_text(dev.version), dev.features))
    for tag, count, size, _ in sections:
        print("%d %d %d" % (tag, count, size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
