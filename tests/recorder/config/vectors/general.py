"""Configuration record 0, the general settings, by firmware band:
  1.3-1.4   3 bytes: 0 Selector0, 1 Selector1, 2 Switch2
  1.5-1.6   4 bytes: the same and a zero byte
  1.7      28 bytes: the same, Name in a 25-byte field at 3
  1.8       4 bytes
  1.9-1.10 28 bytes: Name in a 24-byte field at 4 (byte 3 zero)
  2.0      28 bytes: as 1.9
  2.1 and the 2.2 branch, 36 bytes: 3 Selector3, 4-27 Name, 28-30 the three tenths
           values (the low byte of each mantissa), 32 Selector32; 31 and 33-35 zero
"""
from _records import Record, version

V = version


def general_form(v):
    if v < V(1, 5, 0):
        return "short", 3
    if v < V(1, 7, 0):
        return "short", 4
    if v < V(1, 8, 0):
        return "named17", 28
    if v < V(1, 9, 0):
        return "short", 4
    if v < V(2, 1, 0):
        return "named", 28
    return "extended", 36


def general_record(v, selector0, selector1, switch2, name="", selector3=0, tenths=(0, 0, 1), selector32=0):
    form, size = general_form(v)
    rec = Record(size)
    rec.u8(0, selector0)
    rec.u8(1, selector1)
    rec.u8(2, 1 if switch2 else 0)
    if form == "named17":
        rec.text(3, 25, name)
    elif form == "named":
        rec.text(4, 24, name)
    elif form == "extended":
        rec.u8(3, selector3)
        rec.text(4, 24, name)
        for i, t in enumerate(tenths):
            rec.u8(28 + i, t)
        rec.u8(32, selector32)
    return rec.bytes()


def vectors():
    return [
        ("v1_4_2", general_record(V(1, 4, 2), 1, 7, True)),
        ("v1_5_3", general_record(V(1, 5, 3), 0, 5, False)),
        ("v1_7_0", general_record(V(1, 7, 0), 1, 2, True, "Котельная №3 ввод А-2017")),
        ("v1_8_1", general_record(V(1, 8, 1), 2, 0, True)),
        ("v1_9_0", general_record(V(1, 9, 0), 1, 3, False, "Печь 2")),
        ("v2_0_20", general_record(V(2, 0, 20), 8, 7, True, "Насосная станция №1 ПЛК")),
        ("v2_1_150", general_record(V(2, 1, 150), 5, 6, True, "Линия розлива", 1, (25, 250, 3), 0x5A)),
        ("v2_2_1", general_record(V(2, 2, 1), 3, 1, False, "Ветка", 1, (0, 7, 1), 0)),
        # Bytes above 0x7F pass the signed range checks and are kept.
        ("v2_1_150_signed", general_record(V(2, 1, 150), 0x90, 0xF0, False, "x", 0, (0, 0, 1), 0)),
        # 0x98, the byte code page 1251 leaves unassigned, inside the name.
        ("v2_0_20_byte98", general_record(V(2, 0, 20), 0, 0, False, b"\x98\xC0\x98")),
    ]
