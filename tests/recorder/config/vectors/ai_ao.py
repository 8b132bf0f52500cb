"""Analog input and analog output records.

Analog output (one record per channel):
  160 bytes (1.6 to 2.1.109, and the 2.2 branch): 0 Name (24-byte field), 24 control
    type position, 25 Option1, 26 Option2, 28 OutputValue as a single, 32 Expression
    (120-byte area, at most 119 bytes), 152 the 8-byte event item.
  248 bytes (2.1.110 to 2.1.160): as above, plus 27 Option3, OutputValue as a packed
    word from 2.1.159 on; 160-167 the control-type area by control code; 168 OutputFlag;
    169 decimals; 172/174 regulator range (signed 16-bit mantissas), 176/180 regulator
    scale (packed); 184/188 output range (packed); 192 units (8-byte field); 200-211 the
    extension output's settings by ExtKind. A base output (kind 0) carries the device's
    own range there: FloatToDecimalWord of its range floats at its range decimals, "мА".
"""
from _records import Record, float_to_word, packed_word, version

V = version

# Control type codes.
EXTERNAL, EXPRESSION, MANUAL, RS485, ETHERNET, CAN, REGULATOR = range(7)


def event_item(header=0, param1=0, param2=0, code1=0, code2=0):
    return bytes([header, param1, param2, 0, code1 & 0xFF, code1 >> 8, code2 & 0xFF, code2 >> 8])


def ao_common(rec, name, position, option1, option2, expression, event):
    rec.text(0, 24, name)
    rec.u8(24, position)
    rec.u8(25, option1)
    rec.u8(26, option2)
    assert len(expression) <= 119
    rec.raw(32, expression)
    rec.raw(152, event)


def ao_record_160(name, position, option1, option2, output_value, expression=b"", event=bytes(8)):
    rec = Record(160)
    ao_common(rec, name, position, option1, option2, expression, event)
    rec.single(28, *output_value)
    return rec.bytes()


def ao_control_area(rec, code, s):
    if code == RS485:
        rec.u32(160, s["address"])
        rec.bits(164, 0, 4, s["port"])
        rec.bits(164, 4, 4, s["protocol"])
        p = s["protocol"]
        if p == 0:
            rec.bits(165, 0, 2, s["register_kind"])
            rec.bits(165, 2, 6, s["value_type"])
            rec.u16(166, s["register"])
        elif p == 1:
            rec.u8(165, s["p1"][0])
            rec.u8(166, s["p1"][1])
            rec.bits(167, 0, 4, s["p1"][2])
            rec.bits(167, 4, 4, s["p1"][3])
        elif p == 2:
            rec.u8(165, s["p2"][0])
            rec.u16(166, s["p2"][1])
        elif p == 3:
            rec.u8(165, s["p3"])
    elif code == ETHERNET:
        rec.u32(160, s["eth_address"])
        rec.u8(164, s["eth_option"])
        rec.bits(165, 0, 2, s["eth_register_kind"])
        rec.bits(165, 2, 6, s["eth_value_type"])
        rec.u16(166, s["eth_register"])
    elif code == CAN:
        rec.u8(160, s["can"][0])
        rec.u8(164, s["can"][1])
        rec.u8(165, s["can"][2])
        rec.u16(166, s["can"][3])
    elif code == REGULATOR:
        rec.u8(164, s["ctl_param1"])
        rec.u8(165, s["ctl_param2"])
        rec.u16(172, s["ctl_low"])
        rec.u16(174, s["ctl_high"])
        rec.u32(176, packed_word(*s["ctl_scale_low"]))
        rec.u32(180, packed_word(*s["ctl_scale_high"]))


def ao_extension(rec, ext):
    kind = ext["kind"]
    rec.u8(200, kind)
    rec.u8(201, ext["byte1"])
    rec.u16(202, ext["word1"])
    if kind in (1, 2):
        rec.u8(204, ext["b1"])
        rec.u8(205, ext["b2"])
        rec.u16(206, ext["word"])
        rec.u8(208, ext["b3"])
    elif kind == 3:
        rec.u8(204, ext["b1"])
        rec.u8(205, ext["b2"])
        rec.u16(206, ext["word"])
        rec.u32(208, ext["dword"])
    elif kind == 4:
        rec.u8(204, ext["b1"])
        rec.u8(205, ext["b2"])
        rec.u8(206, ext["b3"])


# The device's own range of a base output (information record defaults): 0.0 to 23.0
# with 3 decimals.
BASE_RANGE = (0.0, 23.0, 3)


def ao_record_248(v, name, position, code, option1, option2, option3, output_value, expression=b"",
                  event=bytes(8), source=None, output_flag=0, base=True, output_range=None, units="",
                  decimals=1, ext=None):
    rec = Record(248)
    ao_common(rec, name, position, option1, option2, expression, event)
    rec.u8(27, option3)
    if v >= V(2, 1, 159):
        rec.u32(28, packed_word(*output_value))
    else:
        rec.single(28, *output_value)
    ao_control_area(rec, code, source or {})
    rec.u8(168, output_flag)
    if base:
        low, high, dec = BASE_RANGE
        rec.u32(184, float_to_word(low, dec))
        rec.u32(188, float_to_word(high, dec))
        rec.text(192, 8, "мА")
        rec.u8(169, dec)
    else:
        rec.u32(184, packed_word(*output_range[0]))
        rec.u32(188, packed_word(*output_range[1]))
        rec.text(192, 8, units)
        rec.u8(169, decimals)
        ao_extension(rec, ext)
    return rec.bytes()


def ao_vectors():
    rs485 = {"address": 0x0A0B0C0D, "port": 1, "register_kind": 3, "value_type": 6, "register": 0x1234,
             "p1": (0x12, 0x34, 0x5, 0x6), "p2": (0x77, 0xBEEF), "p3": 0x42}
    ext1 = {"kind": 1, "byte1": 9, "word1": 0x0102, "b1": 3, "b2": 4, "word": 0x0506, "b3": 7}
    ext3 = {"kind": 3, "byte1": 1, "word1": 2, "b1": 0x11, "b2": 0x22, "word": 0x3344, "dword": 0x12345678}
    ext4 = {"kind": 4, "byte1": 0, "word1": 0xFFFF, "b1": 1, "b2": 2, "b3": 3}
    v120 = V(2, 1, 120)
    return [
        ("ao160_v2_0_20", ao_record_160("Задвижка 1", EXPRESSION, 3, 1, (25, 1), b"a1*2+a3",
                                        event_item(0x05, 0x11, 0x22, 0x0304, 0x0001))),
        # Codes as a device above 2.1.80 keeps them: already converted (class 1 is field A).
        ("ao160_v2_1_100", ao_record_160("АЕ2", MANUAL, 2, 2, (-1234, 2), b"",
                                         event_item(0x63, 0, 0, 0x0509, 0x0000))),
        ("ao248_v2_1_120_rs485_p0", ao_record_248(v120, "Насос", RS485, RS485, 1, 0, 1, (10, 1),
                                                  source=dict(rs485, protocol=0), output_flag=1)),
        ("ao248_v2_1_120_rs485_p1", ao_record_248(v120, "P1", RS485, RS485, 2, 2, 0, (0, 1),
                                                  source=dict(rs485, protocol=1))),
        ("ao248_v2_1_120_rs485_p2", ao_record_248(v120, "P2", RS485, RS485, 2, 2, 0, (0, 1),
                                                  source=dict(rs485, protocol=2))),
        ("ao248_v2_1_120_rs485_p3", ao_record_248(v120, "P3", RS485, RS485, 2, 2, 0, (0, 1),
                                                  source=dict(rs485, protocol=3))),
        ("ao248_v2_1_120_ethernet", ao_record_248(
            v120, "Eth", ETHERNET, ETHERNET, 2, 2, 0, (5, 1),
            source={"eth_address": 0xC0A8010A, "eth_option": 2, "eth_register_kind": 1, "eth_value_type": 4,
                    "eth_register": 300},
            base=False, output_range=((4, 1), (205, 1)), units="мА", decimals=2, ext=ext1)),
        ("ao248_v2_1_120_can", ao_record_248(
            v120, "CAN", CAN, CAN, 2, 2, 0, (0, 1), source={"can": (0x21, 0x22, 1, 0x2324)},
            base=False, output_range=((0, 1), (10, 1)), units="В", decimals=1, ext=ext3)),
        ("ao248_v2_1_120_regulator", ao_record_248(
            v120, "ПИД", REGULATOR, REGULATOR, 2, 2, 1, (0, 1),
            source={"ctl_param1": 5, "ctl_param2": 6, "ctl_low": -500 & 0xFFFF, "ctl_high": 750,
                    "ctl_scale_low": (-125, 1), "ctl_scale_high": (1505, 2)},
            base=False, output_range=((-10, 1), (10, 1)), units="%", decimals=4, ext=ext4)),
        ("ao248_v2_1_160_packed", ao_record_248(
            V(2, 1, 160), "Выход", EXPRESSION, EXPRESSION, 2, 2, 0, (-123456, 3), b"(a1+a2)/2",
            event_item(0x93, 1, 2, 0x0216, 0x0000), base=False, output_range=((0, 1), (25, 1)),
            units="мА", decimals=3, ext=dict(ext1, kind=2))),
        # The 2.2 branch keeps the 160-byte form, codes unconverted.
        ("ao160_v2_2_1", ao_record_160("Ветка", EXTERNAL, 2, 2, (7, 1), b"", event_item(0x01, 0, 0, 0x0001, 0x0208))),
    ]


def vectors():
    return ao_vectors()
