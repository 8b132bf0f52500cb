#!/usr/bin/env python3
"""Independent vectors of the device information a backup file carries: the general,
device and channel information records rebuilt in the layout of a target firmware, as
the old layout's raw area or as tagged sections. Written from the record layouts alone,
standard library only; the C++ test builds the same devices from the same literals.
Run: python3 info_sections.py > info_sections.txt   (lines "<name> <hex>")
"""
import struct


def ver(a, b, c=0, d=0):
    return a << 24 | b << 16 | c << 8 | d


def crc16_modbus(data):
    crc = 0xFFFF
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def section(tag, count, size, items):
    assert len(items) == count * size
    out = bytes([tag, count]) + struct.pack("<H", size)
    if items:
        out += items + struct.pack("<H", crc16_modbus(items))
    return out


class Rec:
    def __init__(self, size):
        self.b = bytearray(size)

    def u8(self, at, v):
        self.b[at] = v & 0xFF

    def u16(self, at, v):
        struct.pack_into("<H", self.b, at, v & 0xFFFF)

    def u32(self, at, v):
        struct.pack_into("<I", self.b, at, v & 0xFFFFFFFF)

    def f32(self, at, v):
        struct.pack_into("<f", self.b, at, v)


# The device of the 2.x vectors: the same literals as InfoSectionTest.cpp.
SIGNALS = [  # code, aux, decimals, range1 low/high, range2 low/high
    (1, -2, 3, 0.0, 20.0, 0.0, 100.0),
    (6, 1, 1, 0.0, 1300.0, -50.0, 1300.0),
]
AI_CHANNELS = [(0, 0, 0x0003, [0, 1]), (0, 1, 0x0001, [0]), (3, 0, 0x0002, [1])]  # kind, number, mask, list
DI_CAPS = [0x03, 0x81]
RELAY_TYPES = [0, 1, 2, 3, 4]  # three of the base unit, two of an extension
DO_COUNT = 3


def device(sw, features, size, first_line=False):
    r = Rec(size)
    r.u32(0, 0x02050000)
    r.u32(4, sw)
    r.u32(8, features)
    if size == 34:                           # D34
        r.u8(12, 4)
        r.u8(13, 16)
        r.u32(14, 2170025)
        hw_id = bytes(range(0xA0, 0xB0))
        for g in range(4):
            r.b[18 + 4 * g:22 + 4 * g] = hw_id[4 * g:4 * g + 4][::-1]
        return bytes(r.b)
    r.u32(12, 0x11223344)
    r.u8(16, 4)
    r.u8(17, 16)
    r.u8(18, 1)
    r.u8(19, 2)
    if first_line:                           # D40, D44a/b/c
        if size == 40:
            r.u32(20, 2170025)
            r.b[24:40] = bytes(range(0xA0, 0xB0))
            return bytes(r.b)
        r.u8(20, 3)
        r.u32(24, 2170025)
        r.b[28:44] = bytes(range(0xA0, 0xB0))
        return r
    r.u8(20, 3)                              # D28 on
    r.u8(21, 2)
    r.u8(22, 50)
    r.u8(23, 1)
    r.u32(24, 2170025)
    if size >= 32:
        r.u8(28, 5)
        if sw >= ver(2, 1, 53) and not ver(2, 2, 0) <= sw <= ver(2, 2, 3, 255) and features >> 13 & 1:
            r.u8(29, 4)
            r.u16(30, 0x0102)
    if size >= 44:
        r.u8(32, 21)
        r.u8(33, 3)
        if sw >= ver(2, 1, 110):
            r.u8(34, 2)
            r.u8(35, 2)
        if sw >= ver(2, 1, 127) and features >> 19 & 1:
            r.u16(36, 4000)
            r.u16(38, 1000)
            r.u8(40, 4)
        r.u8(41, 200)
        r.u16(42, 0x0A0B)
    if size >= 64:
        r.u8(44, 6)
        r.u16(46, 800)
        r.u16(48, 568)
        r.u8(50, 0x1E)
    return bytes(r.b)


def general48(gen_sw):
    r = Rec(48)
    r.u32(0, 0x02050000)
    r.u32(4, gen_sw)
    r.u8(8, 21)
    r.u8(9, 1)
    r.u8(10, 0x64)          # the time base's low byte (0x0164)
    r.u8(11, 7)             # GenAux8
    r.u8(12, len(SIGNALS))
    r.u8(13, 0x0F)
    r.u16(14, 0x1FFF)
    r.u8(16, 0x33)
    r.u8(17, 0x05)
    r.u16(18, 0x77)
    r.u8(20, 0x0C)
    r.u8(22, 9)
    r.f32(24, 20.0)
    r.f32(28, 23.0)
    r.b[32:38] = bytes([1, 2, 3, 0, 0, 0])
    r.u8(38, 2)
    r.u8(39, 1)
    r.u8(40, len(AI_CHANNELS))
    r.u8(41, 4)
    r.u8(42, 1)
    r.u8(43, 2)
    r.u8(44, len(DI_CAPS))
    r.u8(45, DO_COUNT)
    r.u8(46, 5)
    return bytes(r.b)


def general28(gen_sw, of_1_10, signals):
    r = Rec(28)
    r.u32(0, 0x01050000)
    r.u32(4, gen_sw)
    r.u8(8, 2)              # the model code
    r.u8(9, 1)
    r.u8(10, 0x64)
    r.u8(11, signals)
    r.u8(12, 0x0F)
    r.u8(13, 0x33)
    r.u16(14, 0x1FFF)
    r.u8(16, 0x77)
    r.u8(17, 0x0C)
    r.u8(18, 0x05)
    r.u8(19, 9)
    return r


def signal_b(code, aux, dec, r1lo, r1hi, r2lo, r2hi):
    return struct.pack("<BBfff", code, (aux & 0x0F) | (dec & 0x0F) << 4, r1hi, r2lo, r2hi)


def signal_a(code, aux, dec, r1lo, r1hi, r2lo, r2hi):
    return struct.pack("<ffffBB", r1lo, r1hi, r2lo, r2hi, aux & 0xFF, dec & 0xFF)


def ai_mask(kind, number, mask, wide):
    return struct.pack("<BBI" if wide else "<BBH", kind, number, mask)


def ai_list(kind, number, signals, with_kind):
    head = bytes([kind, number]) if with_kind else b""
    body = bytes([len(signals)]) + bytes(signals)
    return head + body + bytes((12 if with_kind else 10) - len(head) - len(body))


def second_line(sw, features, gen_sw, size, device_first):
    wide = sw >= ver(2, 1, 150) and not ver(2, 2, 0) <= sw <= ver(2, 2, 3, 255)
    ai_size = 6 if wide else 4
    parts = [
        section(16, 1, 48, general48(gen_sw)),
        section(18, 2, 14, b"".join(signal_b(*s) for s in SIGNALS)),
        section(19, 3, ai_size, b"".join(ai_mask(k, n, m, wide) for k, n, m, _ in AI_CHANNELS)),
        section(21, 2, 1, bytes(DI_CAPS)),
        section(22, DO_COUNT, 1, bytes(RELAY_TYPES[:DO_COUNT])),
    ]
    dev = section(17, 1, size, device(sw, features, size))
    return (dev if device_first else b"") + b"".join(parts) + (b"" if device_first else dev)


def first_line_1_10(sw, device_first):
    g = general28(ver(1, 10, 2), True, len(SIGNALS))
    g.u8(20, len(AI_CHANNELS))
    g.u8(21, 2)
    g.u8(23, len(DI_CAPS))
    g.u8(25, DO_COUNT)
    g.u8(27, 7)             # GenAux8
    d = device(sw, 1 << 12, 44, first_line=True)
    d.u8(21, 12)            # schedule
    d.u8(22, 2)             # model
    d.u8(23, 5)             # TTL
    parts = [
        section(16, 1, 28, bytes(g.b)),
        section(18, 2, 14, b"".join(signal_b(*s) for s in SIGNALS)),
        section(19, 3, 4, b"".join(ai_mask(k, n, m, False) for k, n, m, _ in AI_CHANNELS)),
        section(21, 2, 1, bytes(DI_CAPS)),
        section(22, DO_COUNT, 1, bytes(RELAY_TYPES[:DO_COUNT])),
    ]
    dev = section(17, 1, 44, bytes(d.b))
    return (dev if device_first else b"") + b"".join(parts) + (b"" if device_first else dev)


TEN_SIGNALS = [(i, 0, 2, 0.0, 20.0 + i, 0.0, 100.0 + i) for i in range(10)]


def embedded_general(size, signals, gen_sw):
    """G188 (9 entries) or G207 (10 entries, GenAux3)."""
    r = Rec(size)
    r.u8(0, 1)
    r.u32(1, 0x01050000)
    r.u32(5, gen_sw)
    r.u16(9, 0x0164)
    r.u8(11, len(signals))
    r.b[12:12 + 18 * len(signals)] = b"".join(signal_a(*s) for s in signals)
    at = 12 + 18 * len(signals)
    r.u8(at, 0x0F)
    r.u16(at + 1, 0x1FFF)
    r.u8(at + 3, 0x33)
    r.u8(at + 4, 0x77)
    r.u8(at + 5, 0x0C)
    if size == 207:
        r.u8(at + 6, 0x05)
        at += 1
    r.u8(at + 6, 9)
    r.b[at + 7:at + 14] = bytes([len(AI_CHANNELS), 2, 10, len(DI_CAPS), 1, DO_COUNT, 1])
    return bytes(r.b)


def first_line_1_9():
    d = device(ver(1, 9, 0), 1 << 12, 44, first_line=True)
    d.u8(21, 12)
    d.u8(22, 2)
    d.u8(23, 5)
    return b"".join([
        section(16, 1, 207, embedded_general(207, TEN_SIGNALS, ver(1, 9, 0))),
        section(19, 3, 10, b"".join(ai_list(0, 0, s, False) for _, _, _, s in AI_CHANNELS)),
        section(21, 2, 1, bytes(DI_CAPS)),
        section(22, DO_COUNT, 1, bytes(RELAY_TYPES[:DO_COUNT])),
        section(17, 1, 44, bytes(d.b)),
    ])


def area_1_4():
    body = embedded_general(188, TEN_SIGNALS[:9], ver(1, 4, 0))
    body += b"".join(ai_list(0, 0, s, False) for _, _, _, s in AI_CHANNELS)
    body += bytes(DI_CAPS) + bytes(RELAY_TYPES[:DO_COUNT]) + struct.pack("<H", 0xD0B9)
    return struct.pack("<H", 2 + len(body)) + body + device(ver(1, 4, 2), 0, 34)


def area_1_8():
    """9 signal types, 8 AI, 8 DI, 4 relays: the length word 32 + 126 + 96 + 8 + 4 = 266."""
    g = general28(ver(1, 8, 0), False, 9)
    g.u8(8, 6)              # the model code of 1.8
    g.u8(20, 8)
    g.u8(21, 8)
    g.u8(22, 12)
    g.u8(23, 8)
    g.u8(24, 1)
    g.u8(25, 4)
    g.u8(26, 1)
    body = b"\0\0" + bytes(g.b)
    body += b"".join(signal_b(*s) for s in TEN_SIGNALS[:9])
    body += b"".join(ai_list(0, i, [0, 1], True) for i in range(8))
    body += bytes([0x01] * 8) + bytes([0, 1, 2, 3])
    d = device(ver(1, 8, 1), 1 << 12, 44, first_line=True)
    d.u8(21, 2)             # RS-485 ports
    return struct.pack("<H", 2 + len(body)) + body + bytes(d.b)


def vectors():
    yield "v2_1_140", second_line(ver(2, 1, 140), 1 << 13 | 1 << 19, ver(2, 1, 140), 44, True)
    yield "v2_1_100_without_bit_19", second_line(ver(2, 1, 100), 1 << 13, ver(2, 1, 100), 44, False)
    yield "v2_1_20", second_line(ver(2, 1, 20), 1 << 13, ver(2, 1, 20), 28, False)
    yield "v2_1_160", second_line(ver(2, 1, 160), 1 << 13 | 1 << 19 | 1 << 25, ver(1, 10, 5), 64, True)
    yield "v2_2_1", second_line(ver(2, 2, 1), 1 << 13, ver(2, 0, 10), 32, False)
    yield "v1_10_15", first_line_1_10(ver(1, 10, 15), False)
    yield "v1_10_16", first_line_1_10(ver(1, 10, 16), True)
    yield "v1_9", first_line_1_9()
    yield "area_1_4", area_1_4()
    yield "area_1_8", area_1_8()


if __name__ == "__main__":
    print("# Written by info_sections.py; do not edit.")
    for name, data in vectors():
        print(name, data.hex().upper())
