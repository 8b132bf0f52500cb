"""Analog input and analog output records.

Analog input (one record per channel), by firmware:
  A 1.3-1.5 (187 bytes), B 1.6-1.7 and 1.9 (246), C 1.8 (244), D 1.10 (248): floats for
    the decimal settings, one-byte event-action codes, 13-byte events (C: 12-byte).
  F 2.0, G 2.1-2.1.158 and the 2.2 branch, H 2.1.159-2.1.160 (248 bytes each): what the
    middle of the record holds depends on the signal code; G and H: a 4-bit transfer
    function decides the byte area at 64; events of 14 bytes (F, G) or 16 bytes (H).
The signal byte is the channel's position of the signal; the vectors are for a device
whose channel offers every code (see SIGNAL_POSITION).

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




# --- Analog input -------------------------------------------------------------------

# The test device's channel 0 offers all 19 signal codes; its position p names code
# 19 - p, and position 0 names code 0 (so no position equals its code but 0).
def signal_position(code):
    return 0 if code == 0 else 19 - code


def single(m, d):
    from _records import single_of_decimal
    return single_of_decimal(m, d)


def high_bytes(m, d):
    """A 14-byte event limit: bytes 1-3 of the little-endian single."""
    bits = single(m, d)
    return bytes([bits >> 8 & 255, bits >> 16 & 255, bits >> 24 & 255])


def event13(kind, l1, l2, a1, a2):
    """Forms A, B, D: kind, limit 1 float and decimals, limit 2 float and decimals, two
    one-byte actions (given as the device's bytes)."""
    rec = Record(13)
    rec.u8(0, kind)
    rec.single(1, *l1)
    rec.u8(5, l1[1])
    rec.single(6, *l2)
    rec.u8(10, l2[1])
    rec.u8(11, a1)
    rec.u8(12, a2)
    return rec.bytes()


def event12(kind, l1, l2, a1, a2):
    """Form C: limit 1 and 2 floats, kind, decimals nibbles, two one-byte actions."""
    rec = Record(12)
    rec.single(0, *l1)
    rec.single(4, *l2)
    rec.u8(8, kind)
    rec.u8(9, l1[1] | l2[1] << 4)
    rec.u8(10, a1)
    rec.u8(11, a2)
    return rec.bytes()


def event14(kind, l1, l2, codes=(0, 0), a=0, b=0, options=(0, 0)):
    rec = Record(14)
    rec.raw(0, high_bytes(*l1))
    rec.raw(3, high_bytes(*l2))
    rec.u8(6, kind | a << 4 | b << 6)
    rec.u8(7, l1[1] | l2[1] << 4)
    rec.u8(8, options[0])
    rec.u8(9, options[1])
    rec.u16(10, codes[0])
    rec.u16(12, codes[1])
    return rec.bytes()


def event16(kind, l1, l2, codes=(0, 0), a=0, b=0, options=(0, 0)):
    rec = Record(16)
    rec.u32(0, (l1[0] & 0x01FFFFFF) | (l1[1] & 7) << 25 | (l2[1] & 3) << 28)
    rec.u16(4, l2[0])
    rec.u8(8, kind | a << 4 | b << 6)
    rec.u8(10, options[0])
    rec.u8(11, options[1])
    rec.u16(12, codes[0])
    rec.u16(14, codes[1])
    return rec.bytes()


DEFAULT_FLOW = dict(bytes17=(0,) * 7, word1=0, word2=0, byte8=0, medium=0, byte9=0,
                    coef=(0.1, 0.2, 0.00015), set1=(15.6, 8.3, -6.5), set2=(11.1, 7.7, -3.4), coef4=0.00004,
                    coef5=3.0, gas=(0.05, 0.01, 0.694), gas_option=0, gas_spare=(0, 0, 0), steam=1.0,
                    steam_option=0, steam_spare=(0, 0, 0), medium5=(0,) * 18)


def f32bits(x):
    from _records import single_bits
    return single_bits(x)


def flow88(flow):
    f = dict(DEFAULT_FLOW, **flow)
    rec = Record(88)
    rec.u32(0, 0x33221100)
    rec.u32(4, f32bits(f["coef"][0]))
    rec.u32(8, f32bits(f["coef"][1]))
    rec.u32(16, f32bits(f["coef"][2]))
    for i in range(3):
        rec.u32(20 + 4 * i, f32bits(f["set1"][i]))
        rec.u32(32 + 4 * i, f32bits(f["set2"][i]))
    rec.u32(44, f32bits(f["coef4"]))
    rec.u32(48, f32bits(f["coef5"]))
    medium = f["medium"]
    gas = f["gas"] if medium == 0 else (0.05, 0.01, 0.694)
    rec.u32(52, f32bits(gas[0]))
    rec.u32(56, f32bits(gas[1]))
    rec.u32(60, 0x3F9A2B6B if medium == 4 else f32bits(gas[2]))
    rec.u32(64, f32bits(f["steam"] if medium == 3 else 1.0))
    rec.raw(68, bytes(f["bytes17"][:4]))
    rec.u8(72, f["byte9"])
    rec.u8(73, f["byte8"])
    rec.u8(74, f["gas_option"] if medium == 0 else 0)
    rec.u8(75, medium)
    rec.raw(76, bytes(f["bytes17"][4:]))
    rec.u32(80, f["word1"])
    rec.u32(84, f["word2"])
    return rec.bytes()


def flow100(flow, flag=1):
    f = dict(DEFAULT_FLOW, **flow)
    rec = Record(100)
    rec.u8(0, flag)
    rec.raw(1, bytes(f["bytes17"]))
    rec.u32(8, f["word1"])
    rec.u32(12, f["word2"])
    rec.u8(16, f["byte8"])
    rec.u8(17, f["medium"])
    rec.u8(18, f["byte9"])
    for i, c in enumerate(f["coef"]):
        rec.u32(20 + 4 * i, f32bits(c))
    for i in range(3):
        rec.u32(32 + 4 * i, f32bits(f["set1"][i]))
        rec.u32(44 + 4 * i, f32bits(f["set2"][i]))
    rec.u32(56, f32bits(f["coef4"]))
    rec.u32(60, f32bits(f["coef5"]))
    medium = f["medium"]
    if medium == 0:
        for i in range(3):
            rec.u32(64 + 4 * i, f32bits(f["gas"][i]))
        rec.u8(76, f["gas_option"])
        rec.raw(77, bytes(f["gas_spare"]))
    elif medium == 3:
        rec.u32(64, f32bits(f["steam"]))
        rec.u8(68, f["steam_option"])
        rec.raw(69, bytes(f["steam_spare"]))
    elif medium == 5:
        for i, w in enumerate(f["medium5"]):
            rec.u16(64 + 2 * i, w)
    return rec.bytes()


def events(kind_bytes):
    return b"".join(kind_bytes)


ZERO_LIMITS = ((0, 1), (0, 1))


def ai_form_a(name, signal, input_range, options, wiring, tc, cjc_mode, cjc, rtd_type, r0_index, expression, tf,
              units, scale, scale_dec, evts):
    rec = Record(187)
    rec.text(0, 32, name)
    rec.u8(32, signal)
    rec.single(33, *input_range[0])
    rec.single(37, *input_range[1])
    rec.u8(41, options[0])
    rec.u8(42, options[1])
    rec.u8(43, wiring)
    rec.u8(44, tc)
    rec.u8(45, cjc_mode)
    rec.single(46, *cjc)
    rec.u8(50, rtd_type)
    rec.u8(51, r0_index)
    assert len(expression) <= 63
    rec.raw(52, expression)
    rec.u8(116, tf)
    rec.text(117, 8, units)
    rec.single(125, *scale[0])
    rec.u8(129, scale_dec[0])
    rec.single(130, *scale[1])
    rec.u8(134, scale_dec[1])
    rec.raw(135, events(evts))
    return rec.bytes()


def ai_byte_area(rec, offset, code, expression, flow, n):
    if code == 9:
        rec.raw(offset, flow88(flow))
    elif code in (12, 15) or code > 18:
        pass
    else:
        assert len(expression) <= n
        rec.raw(offset, expression)


def ai_form_b(name, code, input_range, options, wiring, tc, cjc_mode, rtd_type, pyrometer, tf, units, scale,
              scale_dec, filter_byte, evts, cjc=None, r0_index=None, rtd_values=None, expression=b"", flow=None):
    rec = Record(246)
    rec.text(0, 32, name)
    rec.u8(32, signal_position(code))
    rec.single(33, *input_range[0])
    rec.single(37, *input_range[1])
    rec.u8(41, options[0])
    rec.u8(42, options[1])
    rec.u8(43, wiring)
    rec.u8(44, tc)
    rec.u8(45, cjc_mode)
    if code == 6:
        rec.single(46, *cjc)
    if code == 7 and rtd_values:
        rec.u16(46, rtd_values[0])  # RtdParam mantissa
        rec.u16(48, rtd_values[1])  # RtdR0 mantissa
    if code == 7 and r0_index is not None:
        rec.u8(51, r0_index)
    rec.u8(50, rtd_type)
    rec.u8(52, pyrometer)
    ai_byte_area(rec, 53, code, expression, flow or {}, 120)
    rec.u8(174, tf)
    rec.text(175, 8, units)
    rec.single(183, *scale[0])
    rec.u8(187, scale_dec[0])
    rec.single(188, *scale[1])
    rec.u8(192, scale_dec[1])
    rec.u8(193, filter_byte)
    rec.raw(194, events(evts))
    return rec.bytes()


def ai_form_c(name, code, input_range, options, filter_byte, wiring, pyrometer, tc, cjc_mode, rtd_type, tf,
              scale_dec, port, address, register_kind, register, value_type, units, scale, evts, cjc=None,
              r0_index=0, expression=b"", flow=None):
    rec = Record(244)
    rec.text(0, 32, name)
    rec.single(32, *input_range[0])
    rec.single(36, *input_range[1])
    rec.u8(40, signal_position(code))
    rec.u8(41, options[0])
    rec.u8(42, options[1])
    rec.u8(43, filter_byte)
    rec.u8(44, wiring)
    rec.u8(45, pyrometer)
    rec.u8(46, tc)
    rec.u8(47, cjc_mode)
    if code == 6:
        rec.single(48, *cjc)
    rec.u8(52, rtd_type)
    rec.u8(53, r0_index)
    rec.u8(54, tf)
    rec.u8(55, scale_dec[0])
    rec.u8(56, scale_dec[1])
    rec.u8(57, port | address << 1)
    rec.u16(58, register_kind | (register & 0x3FF) << 2 | value_type << 12)
    rec.text(60, 8, units)
    ai_byte_area(rec, 68, code, expression, flow or {}, 120)
    rec.single(188, *scale[0])
    rec.single(192, *scale[1])
    rec.raw(196, events(evts))
    return rec.bytes()


def ai_form_d(name, code, input_range, filter_byte, options, address, port, register_kind, value_type, register,
              wiring, pyrometer, tc, cjc_mode, rtd_type, tf, scale_dec, units, scale, evts, cjc=None,
              rtd_values=None, expression=b"", flow=None):
    rec = Record(248)
    rec.text(0, 32, name)
    rec.single(32, *input_range[0])
    rec.single(36, *input_range[1])
    rec.u8(40, signal_position(code))
    rec.u8(41, filter_byte)
    rec.u8(42, options[0])
    rec.u8(43, options[1])
    rec.u8(44, address)
    rec.u8(45, port | register_kind << 1 | value_type << 3)
    rec.u16(46, register)
    rec.u8(48, wiring)
    rec.u8(49, pyrometer)
    rec.u8(50, tc)
    rec.u8(51, cjc_mode)
    if code == 6:
        rec.single(52, *cjc)
    if code == 7:
        rec.u16(52, rtd_values[0])
        rec.u16(54, rtd_values[1])
    rec.u8(56, rtd_type)
    rec.u8(58, tf)
    rec.u8(59, scale_dec[0] | scale_dec[1] << 4)
    ai_byte_area(rec, 60, code, expression, flow or {}, 119)
    rec.text(180, 8, units)
    rec.single(188, *scale[0])
    rec.single(192, *scale[1])
    rec.raw(196, events(evts))
    return rec.bytes()


def rs485_fg(rec, source, protocol):
    rec.u32(48, source["address"])
    rec.u8(52, source["port"])
    if protocol == 0:
        rec.u8(53, source["register_kind"] | source["value_type"] << 2)
        rec.u16(54, source["register"])
    elif protocol == 1:
        p = source["p1"]
        rec.u8(53, p[0])
        rec.u8(54, p[1])
        rec.u8(55, p[2] | p[3] << 4)
    elif protocol == 2:
        rec.u8(53, source["p2"][0])
        rec.u16(54, source["p2"][1])
    elif protocol == 3:
        rec.u8(53, source["p3"])


def ai_form_f(name, code, input_range, options, filter_byte, tf, scale, scale_dec, units, evts, signal=None,
              wiring=0, pyrometer=0, tc=0, cjc_mode=0, cjc=(0, 2), rtd_type=0, r0_index=0, source=None,
              old_external=False, expression=b"", flow=None):
    """old_external: a protocol-1 RS-485 source, stored as signal 11 (its code is 11)."""
    rec = Record(248)
    rec.text(0, 24, name)
    rec.single(24, *input_range[0])
    rec.single(28, *input_range[1])
    rec.u8(32, signal_position(code) if signal is None else signal)
    rec.u8(33, options[0])
    rec.u8(34, options[1])
    rec.u8(35, filter_byte)
    if code in (4, 7):
        rec.u8(36, wiring)
    if code == 5:
        rec.u8(37, pyrometer)
    if code == 6:
        rec.u8(38, tc)
        rec.u8(39, cjc_mode)
        rec.single(40, *cjc)
    if code == 7:
        rec.u8(44, rtd_type)
        rec.u8(45, r0_index)
    rec.u8(46, tf)
    rec.u8(47, scale_dec[0] | scale_dec[1] << 4)
    if code == 10:
        rs485_fg(rec, source, 0)
    if code == 11:
        rs485_fg(rec, source, 1)
    rec.text(56, 8, units)
    if code == 9:
        rec.raw(64, flow88(flow or {}))
    elif code != 15 and code <= 18:
        rec.raw(64, expression)
    rec.single(184, *scale[0])
    rec.single(188, *scale[1])
    rec.raw(192, events(evts))
    return rec.bytes()


def ai_form_g(v, name, code, input_range, options, filter_byte, tf, scale, scale_dec, units, evts, flag=0,
              scale_aux=0, wiring=0, pyrometer=0, tc=0, cjc_mode=0, cjc=(0, 2), rtd_type=0, r0_index=None,
              rtd_values=None, legacy=None, source=None, protocol=0, value_source=None, external_option=0,
              can=None, freq=None, pulse=None, eth=None, expression=b"", flow=None, table=None, transfer_arg=None):
    rec = Record(248)
    rec.text(0, 24, name)
    rec.single(24, *input_range[0])
    rec.single(28, *input_range[1])
    rec.u8(32, signal_position(code) | flag << 7)
    rec.u8(33, options[0])
    rec.u8(34, options[1])
    rec.u8(35, filter_byte)
    if code in (4, 7):
        rec.u8(36, wiring)
    if code == 5:
        rec.u8(37, pyrometer)
    if code == 6:
        rec.u8(38, tc)
        rec.u8(39, cjc_mode)
        rec.single(40, *cjc)  # degrees
    if code == 7:
        rec.u8(44, rtd_type)
        if rtd_values:
            rec.u16(40, rtd_values[0])
            rec.u16(42, rtd_values[1])
        if r0_index is not None:
            rec.u8(45, r0_index)
    if legacy is not None:
        rec.u8(45, legacy)
    high = 0
    if code == 10 and v >= V(2, 1, 30):
        high = protocol
    if code == 15:
        high = eth["option"]
    rec.u8(46, tf | high << 4)
    rec.u8(47, scale_dec | scale_aux << 4)
    if code == 8 and value_source:
        rec.u8(52, value_source[0])
        rec.u8(53, value_source[1])
    if code == 10:
        rs485_fg(rec, source, protocol if v >= V(2, 1, 30) else 0)
    if code == 11:
        if v < V(2, 1, 30):
            rs485_fg(rec, source, 1)
        else:
            rec.u8(52, external_option)
    if code == 12:
        rec.u8(48, can[0])
        rec.u8(52, can[1])
        rec.u8(53, can[2])
        rec.u16(54, can[3])
    if code == 13:
        rec.u16(52, freq[0])
        rec.u16(54, freq[1])
    if code == 14:
        rec.single(48, *pulse["factor"])
        rec.u8(52, pulse["option1"] | pulse["option2"] << 4)
        rec.u8(53, pulse["factor"][1])
        rec.u16(54, pulse["param"])
    if code == 15:
        rec.u32(48, eth["address"])
        rec.u8(53, eth["register_kind"] | eth["value_type"] << 2)
        rec.u16(54, eth["register"])
    rec.text(56, 8, units)
    if code == 9:
        rec.raw(64, flow100(flow or {}) if v >= V(2, 1, 156) and v < V(2, 2, 0) else flow88(flow or {}))
    elif v < V(2, 1, 65) or v >= V(2, 2, 0):
        rec.raw(64, expression)
    elif tf == 4:
        rec.raw(64, expression)
    elif tf == 5:
        rec.raw(64, table)
    elif tf == 6 and transfer_arg is not None:
        rec.u16(64, transfer_arg)
    rec.single(184, *scale[0])
    rec.single(188, *scale[1])
    rec.raw(192, events(evts))
    return rec.bytes()


def ai_form_h(name, code, options, tf, filter_type, filter_length, scale, scale_dec, units, evts, flag=0,
              scale_aux=0, area=None, input_range=None, expression=b"", transfer_arg=None, flow=None):
    """area: the signal area, bytes 48-55, as (offset, kind, value) fields."""
    rec = Record(248)
    rec.text(0, 24, name)
    rec.u8(24, signal_position(code))
    rec.u8(25, options[1])
    rec.u8(26, options[0])
    rec.u8(27, tf)
    rec.u16(28, filter_length)
    rec.u8(30, filter_type)
    rec.u8(31, flag | (scale_aux & 7) << 1 | scale_dec << 4)
    rec.u32(32, packed_word(*scale[0]))
    rec.u32(36, packed_word(*scale[1]))
    rec.text(40, 8, units)
    for offset, kind, value in area or ():
        {"u8": rec.u8, "u16": rec.u16, "u32": rec.u32}[kind](offset, value)
    if code == 9:
        rec.raw(64, flow100(flow or {}))
    elif tf in (1, 2, 3):
        rec.u32(64, packed_word(*input_range[0]))
        rec.u32(68, packed_word(*input_range[1]))
    elif tf == 4:
        rec.raw(64, expression)
    elif tf == 6:
        rec.u16(64, transfer_arg)
    rec.raw(184, events(evts))
    return rec.bytes()


def ai_vectors():
    ev13 = [event13(2, (125, 1), (5, 1), 0x03, 0x00), event13(0, (-2735, 1), (1000, 1), 0x75, 0x80),
            event13(1, (1, 1), (0, 1), 0x99, 0x9A), event13(3, (12345, 3), (7, 1), 0x00, 0x01)]
    ev13_14 = [event13(2, (125, 1), (5, 1), 0x03, 0x00), event13(0, (-2735, 1), (1000, 1), 0x07, 0x01),
               event13(1, (1, 1), (0, 1), 0x02, 0x04), event13(3, (12345, 3), (7, 1), 0x00, 0x01)]
    ev12 = [event12(2, (125, 1), (5, 1), 0x13, 0x00), event12(0, (-15, 1), (20, 1), 0x88, 0x21),
            event12(1, (1, 1), (0, 1), 0, 0), event12(3, (5, 1), (5, 1), 0x40, 0x41)]
    # 0.1, 25.4, 12.34 and -273.15: read from three bytes, they must come back unchanged.
    ev14 = [event14(2, (1, 1), (254, 1)), event14(0, (1234, 2), (5, 1), codes=(0x0304, 0x0001)),
            event14(1, (-27315, 2), (0, 1), options=(7, 9)), event14(3, (125, 1), (100001, 1))]
    ev14_fields = [event14(2, (1, 1), (254, 1), codes=(0x0309, 0x0000), a=2, b=1),
                   event14(0, (1234, 2), (5, 1), codes=(0x0016, 0x0417), a=1),
                   event14(1, (-27315, 2), (0, 1), options=(7, 9)), event14(3, (125, 1), (3, 1), b=1)]
    ev16 = [event16(2, (-55, 1), (0, 0), codes=(0x0309, 0x0000), a=2, b=1), event16(0, (9999999, 6), (65535, 0)),
            event16(1, (-16777, 3), (125, 1), options=(1, 2), codes=(0x0016, 0x0005)),
            event16(3, (0, 1), (7, 3), a=1)]
    rs485 = {"address": 0x00123456, "port": 1, "register_kind": 2, "value_type": 7, "register": 0x0ABC,
             "p1": (0x12, 0x34, 0x5, 0x6), "p2": (0x77, 0xBEEF), "p3": 0x42}
    gas_flow = {"medium": 0, "bytes17": (1, 2, 3, 4, 5, 6, 7), "word1": 0x01020304, "word2": 5, "byte8": 8,
                "byte9": 9, "gas": (0.5, 0.25, 0.7), "gas_option": 3}
    v_a, v_b17, v_b19, v_c, v_d = V(1, 4, 2), V(1, 7, 0), V(1, 9, 0), V(1, 8, 1), V(1, 10, 5)
    v_f, v_g20, v_g40, v_g90, v_g131 = V(2, 0, 20), V(2, 1, 20), V(2, 1, 40), V(2, 1, 90), V(2, 1, 131)
    g131 = dict(input_range=((0, 1), (100, 1)), options=(2, 2), filter_byte=0, scale=((0, 1), (1000, 1)),
                scale_dec=1, units="", evts=ev14_fields)
    h = dict(options=(3, 1), filter_type=0, filter_length=0, scale=((0, 1), (1000, 1)), scale_dec=1, units="",
             evts=ev16)
    table = bytes([20, 99]) + bytes(range(1, 115))
    return [
        ("aiA_v1_4_2", ai_form_a("Термопара печи №1", 3, ((40, 1), (200, 1)), (1, 0), 2, 5, 1, (2250, 2), 4, 3,
                                 b"a1+a2", 3, "°C", ((-500, 1), (12005, 1)), (1, 1), ev13_14)),
        ("aiB_v1_7_0_rtd", ai_form_b("ТС котла", 7, ((0, 1), (100, 1)), (2, 2), 2, 0, 0, 3, 0, 2, "°C",
                                     ((0, 1), (1000, 1)), (2, 2), 10, ev13, r0_index=5)),
        ("aiB_v1_9_0_rtd_value", ai_form_b("ТС", 7, ((0, 1), (100, 1)), (2, 2), 1, 0, 0, 1, 0, 4, "°C",
                                           ((0, 1), (99125, 3)), (1, 3), 0, ev13, rtd_values=(385, 10000))),
        ("aiB_v1_9_0_tc", ai_form_b("ТП", 6, ((0, 1), (100, 1)), (2, 2), 0, 12, 3, 0, 0, 0, "°C",
                                    ((0, 1), (1000, 1)), (1, 1), 1, ev13, cjc=(-1525, 2))),
        ("aiB_v1_7_0_flow", ai_form_b("Расход газа", 9, ((40, 1), (200, 1)), (2, 2), 0, 0, 0, 0, 3, 1, "м3/ч",
                                      ((0, 1), (5000, 1)), (1, 1), 0, ev13, flow=gas_flow)),
        ("aiB_v1_7_0_expr120", ai_form_b("Мат", 8, ((0, 1), (100, 1)), (2, 2), 0, 0, 0, 0, 0, 0, "",
                                         ((0, 1), (1000, 1)), (1, 1), 0, ev13, expression=b"x" * 120)),
        ("aiC_v1_8_1_rs485", ai_form_c("Modbus 1", 10, ((0, 1), (100, 1)), (2, 2), 49, 1, 2, 3, 4, 1, 4, (2, 2),
                                       1, 0x5A, 3, 0x2CD, 9, "кПа", ((-1000, 1), (10000, 1)), ev12,
                                       expression=b"y" * 120)),
        ("aiC_v1_8_1_rtd", ai_form_c("ТС C", 7, ((0, 1), (100, 1)), (2, 2), 0, 2, 0, 0, 0, 4, 0, (1, 1),
                                     0, 0, 0, 0, 0, "°C", ((0, 1), (1000, 1)), ev12, r0_index=6)),
        ("aiD_v1_10_5_tc", ai_form_d("ТП D", 6, ((0, 1), (100, 1)), 7, (2, 2), 0x33, 1, 2, 8, 0x1234, 1, 3, 11, 5,
                                     2, 4, (2, 2), "°C", ((0, 1), (1000, 1)), ev13, cjc=(2550, 2),
                                     expression=b"")),
        ("aiD_v1_10_5_rtd", ai_form_d("ТС D", 7, ((0, 1), (100, 1)), 0, (2, 2), 0, 0, 0, 0, 0, 3, 0, 0, 0, 2, 1,
                                      (1, 3), "Ом", ((0, 1), (100125, 3)), ev13, rtd_values=(0, 5000))),
        ("aiD_v1_10_5_expr", ai_form_d("Мат D", 8, ((0, 1), (100, 1)), 0, (2, 2), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4,
                                       (1, 1), "", ((0, 1), (1000, 1)), ev13, expression=b"z" * 119)),
        # Form F: every signal kind it carries.
        ("aiF_v2_0_20_resistance", ai_form_f("R", 4, ((0, 1), (100, 1)), (2, 2), 20, 2, ((0, 1), (1000, 1)),
                                             (2, 2), "Ом", ev14, wiring=2, expression=b"a")),
        ("aiF_v2_0_20_pyrometer", ai_form_f("Пир", 5, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (100125, 3)),
                                            (1, 3), "°C", ev14, pyrometer=3)),
        ("aiF_v2_0_20_tc", ai_form_f("ТП F", 6, ((0, 1), (100, 1)), (2, 2), 0, 1, ((-500, 1), (13000, 1)),
                                     (1, 1), "°C", ev14, tc=6, cjc_mode=4, cjc=(2540, 2))),
        ("aiF_v2_0_20_rtd", ai_form_f("ТС F", 7, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)), (1, 1),
                                      "°C", ev14, wiring=3, rtd_type=4, r0_index=2)),
        ("aiF_v2_0_20_flow", ai_form_f("Расход", 9, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)), (1, 1),
                                       "т/ч", ev14, flow={"medium": 3, "steam": 2.5, "bytes17": (9, 8, 7, 6, 5, 4, 3)})),
        ("aiF_v2_0_20_rs485", ai_form_f("Modbus", 10, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                        (1, 1), "", ev14, source=rs485, expression=b"q")),
        ("aiF_v2_0_20_old_external", ai_form_f("Внешн", 11, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                               (1, 1), "", ev14, source=rs485)),
        ("aiF_v2_0_20_math", ai_form_f("Мат F", 8, ((0, 1), (100, 1)), (2, 2), 0, 4, ((0, 1), (1000, 1)), (1, 1),
                                       "", ev14, expression=b"(a1+a2)/2")),
        ("aiF_v2_0_20_frequency", ai_form_f("Частота F", 13, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                            (1, 1), "Гц", ev14, expression=b"f")),
        ("aiF_v2_0_20_ethernet", ai_form_f("Eth F", 15, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                           (1, 1), "", ev14)),
        # Form G.
        ("aiG_v2_1_20_old_external", ai_form_g(v_g20, "Внешн G", 11, ((0, 1), (100, 1)), (2, 2), 0, 0,
                                               ((0, 1), (1000, 1)), 1, "", ev14, flag=1, source=rs485)),
        ("aiG_v2_1_20_tc", ai_form_g(v_g20, "ТП G", 6, ((0, 1), (100, 1)), (2, 2), 5, 0, ((0, 1), (1000, 1)), 1,
                                     "°C", ev14, tc=2, cjc_mode=1, cjc=(2500, 2))),
        ("aiG_v2_1_20_rtd_index", ai_form_g(v_g20, "ТС G", 7, ((0, 1), (100, 1)), (2, 2), 0, 0,
                                            ((0, 1), (1000, 1)), 1, "°C", ev14, wiring=1, rtd_type=2, r0_index=4)),
        ("aiG_v2_1_40_rs485_p2", ai_form_g(v_g40, "P2", 10, ((0, 1), (100, 1)), (2, 2), 0, 4, ((0, 1), (1000, 1)),
                                           2, "", ev14, scale_aux=3, source=rs485, protocol=2, expression=b"e")),
        ("aiG_v2_1_40_rs485_p3", ai_form_g(v_g40, "P3", 10, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                           1, "", ev14, source=rs485, protocol=3)),
        ("aiG_v2_1_90_rtd_value", ai_form_g(v_g90, "ТС 90", 7, ((0, 1), (100, 1)), (2, 2), 0, 0,
                                            ((0, 1), (1000, 1)), 1, "°C", ev14_fields, wiring=2, rtd_type=1,
                                            rtd_values=(391, 10000), legacy=0x5C)),
        ("aiG_v2_1_90_rs485_p1", ai_form_g(v_g90, "P1", 10, ((0, 1), (100, 1)), (2, 2), 0, 0, ((0, 1), (1000, 1)),
                                           1, "", ev14_fields, source=rs485, protocol=1, legacy=0)),
        ("aiG_v2_1_131_resistance", ai_form_g(v_g131, "R G", 4, tf=4, wiring=3, expression=b"a", **g131)),
        ("aiG_v2_1_131_pyrometer", ai_form_g(v_g131, "Пир G", 5, tf=0, pyrometer=2, **g131)),
        ("aiG_v2_1_131_table", ai_form_g(v_g131, "Табл", 1, tf=5, table=table, **g131)),
        ("aiG_v2_1_131_argument", ai_form_g(v_g131, "Арг", 2, tf=6, transfer_arg=0xBEEF, **g131)),
        ("aiG_v2_1_131_math", ai_form_g(v_g131, "Мат G", 8, tf=4, expression=b"max(a1,a2)", value_source=(1, 3),
                                        **g131)),
        ("aiG_v2_1_131_external", ai_form_g(v_g131, "Внешн", 11, tf=0, external_option=2, **g131)),
        ("aiG_v2_1_131_can", ai_form_g(v_g131, "CAN", 12, tf=0, can=(0x21, 0x22, 1, 0x2324), **g131)),
        ("aiG_v2_1_131_frequency", ai_form_g(v_g131, "Частота", 13, tf=0, freq=(250, 60000), **g131)),
        ("aiG_v2_1_131_pulse", ai_form_g(v_g131, "Импульс", 14, tf=0,
                                         pulse={"factor": (25, 1), "option1": 3, "option2": 5, "param": 1500}, **g131)),
        ("aiG_v2_1_131_ethernet", ai_form_g(v_g131, "Eth", 15, tf=0,
                                            eth={"option": 2, "address": 0xC0A8010A, "register_kind": 1,
                                                 "value_type": 5, "register": 40001 & 0xFFFF}, **g131)),
        ("aiG_v2_1_157_flow", ai_form_g(V(2, 1, 157), "Расход", 9, tf=0,
                                        flow=dict(gas_flow, gas_spare=(1, 2, 3)), **g131)),
        ("aiG_v2_2_1_flow", ai_form_g(V(2, 2, 1), "Ветка", 9, tf=0, flow={"medium": 4}, **dict(g131, evts=ev14))),
        ("aiG_v2_2_1_table", ai_form_g(V(2, 2, 1), "Ветка", 1, tf=5, expression=b"ab", **dict(g131, evts=ev14))),
        # Form H: every signal kind.
        ("aiH_v2_1_160_pulse", ai_form_h("Импульс H", 14, tf=2, input_range=((40, 1), (200, 1)), flag=1, scale_aux=5,
                                         area=[(48, "u8", 3), (49, "u8", 4), (50, "u16", 1500),
                                               (52, "u32", packed_word(125, 3))], **h)),
        ("aiH_v2_1_160_resistance", ai_form_h("R H", 4, tf=0, area=[(48, "u8", 1)], **h)),
        ("aiH_v2_1_160_pyrometer", ai_form_h("Пир H", 5, tf=0, area=[(48, "u8", 3)], **h)),
        ("aiH_v2_1_160_tc", ai_form_h("ТП H", 6, tf=0, area=[(48, "u8", 6), (49, "u8", 1), (50, "u16", -1525 & 0xFFFF)],
                                      **h)),
        ("aiH_v2_1_160_rtd", ai_form_h("ТС H", 7, tf=0, area=[(48, "u8", 2), (49, "u8", 1), (50, "u16", 391),
                                                             (52, "u16", 10000)], **h)),
        ("aiH_v2_1_160_math", ai_form_h("Мат H", 8, tf=4, expression=b"a1*1.5", area=[(48, "u8", 1), (49, "u8", 2)],
                                        **h)),
        ("aiH_v2_1_160_flow", ai_form_h("Расход H", 9, tf=0, flow={"medium": 5, "medium5": tuple(range(100, 118))},
                                        **h)),
        ("aiH_v2_1_160_rs485_p0", ai_form_h("P0", 10, tf=6, transfer_arg=77,
                                            area=[(48, "u8", 0), (49, "u8", 1), (50, "u8", 0x5A),
                                                  (51, "u8", 2 | 7 << 2), (52, "u16", 0x0ABC)], **h)),
        ("aiH_v2_1_160_rs485_p1", ai_form_h("P1", 10, tf=0, area=[(48, "u8", 1), (49, "u8", 0), (50, "u8", 3),
                                                                   (51, "u8", 0x34), (52, "u8", 0x65)], **h)),
        ("aiH_v2_1_160_rs485_p2", ai_form_h("P2", 10, tf=0, area=[(48, "u8", 2), (49, "u8", 1), (50, "u8", 4),
                                                                   (51, "u8", 0x77), (52, "u16", 0xBEEF)], **h)),
        ("aiH_v2_1_160_rs485_p3", ai_form_h("P3", 10, tf=0, area=[(48, "u8", 3), (49, "u8", 1), (50, "u8", 5),
                                                                   (51, "u8", 0x42)], **h)),
        ("aiH_v2_1_160_external", ai_form_h("Внешн", 11, tf=0, area=[(48, "u8", 9)], **h)),
        ("aiH_v2_1_160_can", ai_form_h("CAN", 12, tf=0, area=[(49, "u8", 0x21), (50, "u8", 0x22), (51, "u8", 1)], **h)),
        ("aiH_v2_1_160_frequency", ai_form_h("F13", 13, tf=0, area=[(48, "u16", 250), (50, "u16", 60000)], **h)),
        ("aiH_v2_1_160_ethernet", ai_form_h("Eth", 15, tf=0, area=[(48, "u8", 2), (49, "u8", 1 | 5 << 2),
                                                                   (50, "u16", 502), (52, "u32", 0xC0A8010A)], **h)),
        ("aiH_v2_1_160_frequency2", ai_form_h("F16", 16, tf=0, area=[(48, "u8", 4), (50, "u16", 12000)], **h)),
        ("aiH_v2_1_160_pulse2", ai_form_h("P17", 17, tf=0, area=[(48, "u8", 7), (50, "u16", 300)], **h)),
        ("aiH_v2_1_160_counter", ai_form_h("C18", 18, tf=0, area=[(49, "u8", 3), (50, "u16", 60000)], **h)),
        ("aiH_v2_1_160_filter", ai_form_h("Фильтр", 1, tf=1, input_range=((0, 1), (205, 1)),
                                          **dict(h, filter_type=2, filter_length=9999, scale=((-12345, 3), (5, 1)),
                                                 scale_dec=3))),
    ]


def vectors():
    return ao_vectors() + ai_vectors()
