"""Named record vectors of the blocks in blocks.py: the record a device sends, the fields
a reader must decode from it (as the layouts and reading rules say), and the record a
writer must give back at the same version. Where the rewrite differs, the case says why
(a normalisation of the reading rules); everything else must come back byte for byte.

Fields are flattened to "Key=value" pairs: integers in decimal, texts as they read,
byte strings in hex, floats as "%.9g" of their single-precision value, decimals of a
stored precision as "mantissa/decimals", fixed-precision decimals as their mantissa.
"""
import _block_records as b
from _block_records import V
from _event_codes import code

# Channel counts of the device every case runs against, unless a case says otherwise.
DEVICE = {"ai": 8, "ao": 4, "di": 8, "do": 8, "ttl": 4, "ctl": 4, "pens": 20, "groups": 5, "page_channels": 16}
MODES_2X = [0, 1, 2, 3, 4, 5, 6, 7]


def flatten(value, prefix=""):
    out = {}
    if isinstance(value, dict):
        for key, item in value.items():
            out.update(flatten(item, "%s.%s" % (prefix, key) if prefix else key))
    elif isinstance(value, (list, tuple)) and not isinstance(value, (bytes, bytearray)):
        for i, item in enumerate(value):
            out.update(flatten(item, "%s[%d]" % (prefix, i)))
    elif isinstance(value, (bytes, bytearray)):
        out[prefix] = bytes(value).hex().upper()
    elif isinstance(value, bool):
        out[prefix] = "1" if value else "0"
    elif isinstance(value, float):
        out[prefix] = "%.9g" % b.f32(value)
    else:
        out[prefix] = str(value)
    return out


def case(name, block, version, record, fields, rewrite=None, why=None, context=None):
    if rewrite is not None and rewrite == record:
        raise AssertionError("%s: a rewrite equal to the record needs no row of its own" % name)
    if rewrite is not None and not why:
        raise AssertionError("%s: a changed rewrite must say why" % name)
    return {"name": name, "block": block, "version": version, "context": dict(context or {}),
            "record": bytes(record), "fields": flatten(fields), "rewrite": rewrite, "why": why}


def patched(record, offset, data):
    out = bytearray(record)
    out[offset:offset + len(data)] = bytes(data)
    return bytes(out)


# --- discrete inputs ----------------------------------------------------------------------

def _di_fields(values, **decoded):
    f = {**b.DI_DEFAULTS, **values}
    f.update(decoded)
    # Events as the model keeps them: header, the two parameter bytes, two 16-bit codes.
    return {k: f[k] for k in b.DI_DEFAULTS}


def _di_first_line(values):
    # The 1.x forms carry no parameter bytes and only the event flags of the header.
    events = [b.di_event(e["Header"] & 0x0F, (0, 0), e["Codes"]) for e in values["Events"]]
    return _di_fields(values, Events=events)


def di_cases():
    cases = []
    v = V(1, 5, 0)
    values = {"ModeIndex": 1, "Name": "ДВ1 вход",
              "Events": [b.di_event(0x05, codes=(code(3, 2), code(1))), b.di_event(0x0A, codes=(code(15, 15), 0))]}
    cases.append(case("di/39 at 1.5.0", "DI", v, b.di_record(v, 0, values), _di_first_line(values),
                      context={"di_modes": [9, 10]}))
    v = V(1, 9, 2)
    values = {"ModeIndex": 0, "Name": "Вход девятой версии",
              "Events": [b.di_event(0x01, codes=(code(20, 5), code(21))), b.di_event(0x0F, codes=(code(11, 1), 0))]}
    cases.append(case("di/39 at 1.9.2", "DI", v, b.di_record(v, 0, values), _di_first_line(values),
                      context={"di_modes": [9]}))
    v = V(1, 8, 3)
    values = {"ModeIndex": 2, "Name": "Датчик двери", "BusByte": 1, "BusWord": 0x5A, "FieldA2": 2,
              "Number16": 0x2AB, "FieldB6": 0x0C,
              "Events": [b.di_event(0x03, codes=(code(11, 2), code(5, 7))), b.di_event(0x0C, codes=(0, code(9, 3)))]}
    cases.append(case("di/44 at 1.8.3", "DI", v, b.di_record(v, 0, values), _di_first_line(values),
                      context={"di_modes": [0, 9, 10, 11]}))
    v = V(1, 10, 10)
    values = {"ModeIndex": 3, "Name": "Вход 3", "BusWord": 200, "BusByte": 1, "FieldA2": 3, "FieldB6": 21,
              "Number16": 40000,
              "Events": [b.di_event(0x09, codes=(code(20, 5), code(21))), b.di_event(0x06, codes=(code(24, 1), 0))]}
    cases.append(case("di/48 at 1.10.10", "DI", v, b.di_record(v, 0, values), _di_first_line(values),
                      context={"di_modes": [9, 10, 0, 11]}))

    raw_events = [b.di_event(0x35, (1, 2), (0x0304, 0x0102)), b.di_event(0xC2, (0xFF, 0x80), (0xFFFF, 0x0017))]
    v = V(2, 0, 20)
    values = {"ModeIndex": 2, "Name": "RS-485 вход", "Param0": 120, "BusWord": 0x12345678, "BusByte": 17,
              "FieldA2": 1, "FieldB6": 45, "Number16": 0xBEEF, "Events": raw_events}
    cases.append(case("di/52 at 2.0.20, RS-485 before the addressing variants", "DI", v,
                      b.di_record(v, 2, values), _di_fields(values, ParamA=12, ParamB=12)))
    v = V(2, 1, 40)
    values = {"ModeIndex": 2, "Name": "Вариант 1", "Param0": 125, "BusMode": 1, "BusWord": 7, "BusByte": 3,
              "AltByte1": 0x11, "AltByte2": 0x22, "AltNibble1": 3, "AltNibble2": 12, "Events": raw_events}
    cases.append(case("di/52 at 2.1.40, RS-485 variant 1", "DI", v, b.di_record(v, 2, values),
                      _di_fields(values, ParamA=13, ParamB=13)))
    values = {"ModeIndex": 2, "Name": "Вариант 2", "BusMode": 2, "BusWord": 0xFFFFFFFF, "BusByte": 0xFE,
              "Alt2Byte": 9, "Alt2Word": 0xABCD}
    cases.append(case("di/52 at 2.1.40, RS-485 variant 2", "DI", v, b.di_record(v, 2, values), _di_fields(values)))
    values = {"ModeIndex": 3, "Name": "RNet", "Param0": 250, "BusWord": 5, "BusByte": 6, "AltByte1": 7,
              "AltByte2": 8, "AltNibble1": 9, "AltNibble2": 10}
    cases.append(case("di/52 at 2.1.40, RNet", "DI", v, b.di_record(v, 3, values),
                      _di_fields(values, ParamA=25, ParamB=25)))
    v = V(2, 0, 20)
    values = {"ModeIndex": 4, "Name": "CAN", "Param0": 1, "CanByte1": 0x44, "CanByte2": 0x55,
              "CanNumber16": 0x1234}
    cases.append(case("di/52 at 2.0.20, CAN", "DI", v, b.di_record(v, 4, values),
                      _di_fields(values, ParamA=0, ParamB=0)))

    v = V(2, 1, 60)
    values = {"ModeIndex": 2, "Name": "Адрес 2", "BusMode": 2, "BusWord": 0x01020304, "BusByte": 5,
              "Alt2Byte": 99, "Alt2Word": 0x1A2B, "Events": raw_events, "Text": b"Line one \x98\xC0\xFF"}
    cases.append(case("di/172 at 2.1.60, RS-485 variant 2", "DI", v, b.di_record(v, 2, values),
                      _di_fields(values, ParamA=99, ParamB=0x2B)))
    v = V(2, 1, 100)
    converted = [b.di_event(0x25, (3, 4), (0, code(5, 3))), b.di_event(0x41, (0, 0), (code(9, 1), code(3, 2)))]
    values = {"ModeIndex": 6, "Name": "Ethernet", "Param0": 33, "EthByte": 3, "EthIPv4": 0x0A00000B, "BusByte": 7,
              "EthFieldA2": 2, "EthFieldB6": 63, "EthNumber16": 502, "Events": converted, "Text": b"eth"}
    cases.append(case("di/172 at 2.1.100, Ethernet keeps byte 32", "DI", v, b.di_record(v, 6, values),
                      _di_fields(values, ParamA=254, ParamB=246)))
    v = V(2, 1, 150)
    values = {"ModeIndex": 1, "Name": "Дискретный", "Param0": 10, "InputByte": 1, "Text": b"x" * 119}
    cases.append(case("di/172 at 2.1.150, discrete", "DI", v, b.di_record(v, 1, values), _di_fields(values)))
    v = V(2, 1, 160)
    values = {"ModeIndex": 1, "Name": "Дискретный 2.1.160", "Param0": 200, "InputByte": 0x80, "ParamA": 250,
              "ParamB": 37}
    cases.append(case("di/172 at 2.1.160, discrete with its parameters", "DI", v, b.di_record(v, 1, values),
                      _di_fields(values)))
    v = V(2, 1, 130)
    values = {"ModeIndex": 5, "Name": "Внешний", "ExternalByte": 0x42}
    cases.append(case("di/172 at 2.1.130, external", "DI", v, b.di_record(v, 5, values), _di_fields(values)))
    v = V(2, 1, 55)
    values = {"ModeIndex": 7, "Name": "Математический", "Param0": 7}
    cases.append(case("di/172 at 2.1.55, mathematical", "DI", v, b.di_record(v, 7, values), _di_fields(values)))
    v = V(2, 2, 1)
    class2 = [b.di_event(0x00, (1, 1), (code(2, 5), code(1, 1))), b.di_event()]
    values = {"ModeIndex": 4, "Name": "Ветка", "CanByte1": 1, "CanByte2": 2, "CanFlag": 1, "CanNumber16": 3,
              "Events": class2}
    cases.append(case("di/172 at 2.2.1, CAN, codes unconverted", "DI", v, b.di_record(v, 4, values),
                      _di_fields(values, ParamA=1, ParamB=3)))

    # Normalisations of the reading rules.
    v = V(2, 1, 100)
    values = {"ModeIndex": 4, "Name": "CAN", "CanByte1": 1, "CanByte2": 2, "CanFlag": 1, "CanNumber16": 3}
    record = patched(b.di_record(v, 4, values), 33, [2])
    cases.append(case("di/172 CAN flag 2 reads as 1", "DI", v, record, _di_fields(values, ParamA=2, ParamB=3),
                      rewrite=b.di_record(v, 4, values), why="CanFlag 2 is kept as 1"))
    record = patched(b.di_record(v, 4, values), 33, [5])
    cases.append(case("di/172 CAN flag 5 reads as 0", "DI", v, record,
                      _di_fields(values, CanFlag=0, ParamA=5, ParamB=3),
                      rewrite=b.di_record(v, 4, {**values, "CanFlag": 0}), why="CanFlag above 2 is kept as 0"))
    values = {"ModeIndex": 2, "Name": "Коды", "Events": [b.di_event(0x00, codes=(code(2, 7), code(4, 2))),
                                                         b.di_event(0x80, codes=(code(1, 1), code(14, 9)))]}
    device = b.di_record(V(2, 1, 60), 2, values)
    cases.append(case("di/172 event codes converted above 2.1.80", "DI", v, device, _di_fields(values),
                      rewrite=b.di_record(v, 2, values),
                      why="codes of classes 1, 2, 4, 14 are rewritten for firmware above 2.1.80"))
    v = V(2, 1, 150)
    values = {"ModeIndex": 1, "Name": "Параметры", "InputByte": 0}
    record = patched(b.di_record(v, 1, values), 33, [20, 30])
    cases.append(case("di/172 discrete parameters before 2.1.159", "DI", v, record,
                      _di_fields(values, ParamA=20, ParamB=30), rewrite=b.di_record(v, 1, values),
                      why="bytes 33 and 34 of a discrete input are written from 2.1.159 only"))
    v = V(2, 1, 40)
    values = {"ModeIndex": 9, "Name": "Позиция"}
    cases.append(case("di/52 mode position 9 in the list {3, 0, 1}", "DI", v, b.di_record(v, 1, values),
                      _di_fields(values, ModeIndex=2),
                      rewrite=b.di_record(v, 1, {**values, "ModeIndex": 2}),
                      why="a position outside the list falls back to the position of code p",
                      context={"di_modes": [3, 0, 1]}))
    return cases


# --- discrete outputs ---------------------------------------------------------------------

def _do_fields(values, **decoded):
    f = {**b.DO_DEFAULTS, **values}
    f.update(decoded)
    return f


def do_cases():
    cases = []
    first_line = {"do_control_types": [0, 2]}
    v = V(1, 10, 10)
    values = {"Name": "Реле 1", "ControlIndex": 1}
    cases.append(case("do/36 at 1.10.10, controlled", "DO", v, b.do_record(v, values, [0, 2]),
                      _do_fields(values), context=first_line))
    values = {"Name": "Реле без управления"}
    cases.append(case("do/36 at 1.10.10, set points", "DO", v, b.do_record(v, values, [0, 2]),
                      _do_fields(values), context=first_line))
    road = {"do_control_types": [0, 1, 2, 3]}
    v = V(2, 1, 100)
    values = {"Name": "Р1", "ControlIndex": 3, "Text": b"relay \x98 text"}
    cases.append(case("do/148 at 2.1.100", "DO", v, b.do_record(v, values, [0, 1, 2, 3]), _do_fields(values),
                      context=road))
    v = V(2, 2, 1)
    values = {"Name": "Ветка", "ControlIndex": 0, "Text": b"b" * 119}
    cases.append(case("do/148 at 2.2.1", "DO", v, b.do_record(v, values, [0]), _do_fields(values),
                      context={"do_control_types": [0]}))

    newest = {"do_control_types": [0, 1, 2, 3, 4], "ctl": 4}
    types = [0, 1, 2, 3, 4]
    v = V(2, 1, 155)
    values = {"Name": "ШИМ", "ControlIndex": 1, "Mode": 1, "OptionA": 1, "HasLevel": True, "Level": 42,
              "PwmOption": 1, "PwmWordA": 9999, "PwmWordB": 1, "Text": b"pwm"}
    cases.append(case("do/220 at 2.1.155, PWM with a level", "DO", v, b.do_record(v, values, types),
                      _do_fields(values), context=newest))
    values = {"Name": "Без уровня", "Mode": 3, "HasLevel": False, "PwmWordA": 500, "PwmWordB": 1500}
    cases.append(case("do/220 at 2.1.155, PWM without a level", "DO", v, b.do_record(v, values, types),
                      _do_fields(values), context=newest))
    values = {"Name": "МЭО", "ControlIndex": 4, "Mode": 2, "ActuatorOption": 1, "OptionB": 2, "RegulatorIndex": 3}
    cases.append(case("do/220 at 2.1.155, actuator driven by a regulator", "DO", v,
                      b.do_record(v, values, types), _do_fields(values), context=newest))
    for kind, ext in ((1, {"ExtA1": 1, "ExtA2": 2, "ExtA3": 0x0304}), (2, {"ExtA1": 9, "ExtA2": 8, "ExtA3": 0xFFFF}),
                      (3, {"ExtB1": 5, "ExtB2": 0x0607, "ExtB3": 0x08090A0B}),
                      (4, {"ExtC1": 0xC1, "ExtC2": 0xC2, "ExtC3": 0xC3})):
        values = {"Name": "Модуль %d" % kind, "Mode": 5, "OptionB": 1, "ExtKind": kind, "ExtByte": 0x5A,
                  "ExtWord": 0x1234, **ext}
        cases.append(case("do/220 at 2.1.160, extension kind %d" % kind, "DO", V(2, 1, 160),
                          b.do_record(V(2, 1, 160), values, types, extension=True), _do_fields(values),
                          context={**newest, "do_info_type": 2}))

    values = {"Name": "Нормализация", "Mode": 1, "HasLevel": True, "Level": 5, "PwmWordA": 1, "PwmWordB": 9999}
    record = b.do_record(v, values, types)
    record = patched(patched(record, 150, (0).to_bytes(2, "little")), 152, (12000).to_bytes(2, "little"))
    cases.append(case("do/220 PWM words 0 and 12000", "DO", v, record, _do_fields(values),
                      rewrite=b.do_record(v, values, types), why="PWM words are kept within 1..9999",
                      context=newest))
    values = {"Name": "Режим", "OptionB": 2}
    record = patched(patched(b.do_record(v, values, types), 146, [9]), 145, [5])
    cases.append(case("do/220 mode 9 and option 5", "DO", v, record, _do_fields(values),
                      rewrite=b.do_record(v, values, types), why="a mode above 6 and an option above 1 read as 0",
                      context=newest))
    values = {"Name": "Регулятор", "ControlIndex": 4, "Mode": 0}
    record = patched(b.do_record(v, values, types), 148, [5])
    cases.append(case("do/220 regulator 5 of 4", "DO", v, record, _do_fields(values),
                      rewrite=b.do_record(v, values, types), why="a regulator the device lacks reads as 0",
                      context=newest))
    values = {"Name": "Уровень", "Mode": 3, "HasLevel": True, "Level": 0}
    record = patched(b.do_record(v, values, types), 147, [0xF0])
    cases.append(case("do/220 negative level byte", "DO", v, record, _do_fields(values),
                      rewrite=b.do_record(v, values, types), why="a negative level byte reads as level 0",
                      context=newest))
    return cases


# --- IP channels --------------------------------------------------------------------------

def _ip_fields(header, params, codes, spare):
    return {"Event": {"Header": header, "Params": list(params), "Codes": list(codes), "Spare": spare}}


def ip_cases():
    cases = []
    for v, header, codes in ((V(1, 5, 0), 0x0F, (code(7, 1), code(200, 255))),
                             (V(2, 0, 20), 0xF3, (code(1, 5), code(2, 0))),
                             (V(2, 1, 90), 0x61, (code(5, 2), code(9, 3))),
                             (V(2, 2, 2), 0x02, (code(1, 4), code(4, 4)))):
        cases.append(case("ip at %s" % ".".join(str(v >> s & 0xFF) for s in (24, 16, 8)), "IP", v,
                          b.ip_record(v, header, (0x11, 0x22), codes, 0x77),
                          _ip_fields(header, (0x11, 0x22), codes, 0x77)))
    v = V(2, 1, 90)
    device = b.ip_record(V(2, 1, 80), 0x00, (0, 0), (code(1, 5), code(8, 3)), 0)
    cases.append(case("ip codes converted at 2.1.90", "IP", v, device,
                      _ip_fields(0x00, (0, 0), (code(1, 5), code(8, 3)), 0),
                      rewrite=b.ip_record(v, 0x00, (0, 0), (code(1, 5), code(8, 3)), 0),
                      why="class 1 becomes code 0 with field A 2, class 8 class 9 with field B 1"))
    long_record = b.ip_record(V(2, 0, 20), 1, (2, 3), (4, 5), 6) + b"\xAA\xBB\xCC\xDD"
    cases.append(case("ip 12 bytes, first 8 used", "IP", V(2, 0, 20), long_record,
                      _ip_fields(1, (2, 3), (4, 5), 6), rewrite=long_record[:8],
                      why="bytes after the eighth are not part of the record"))
    return cases


# --- display pages ------------------------------------------------------------------------

def _slot_fields(s, words=False):
    out = {"Source": {"Kind": s["Kind"], "Index": s["Index"]}, "Pen": s["Pen"], "Group": s["Group"],
           "ScaleMin": s["ScaleMin"], "MinDecimals": s["MinDecimals"], "ScaleMax": s["ScaleMax"],
           "MaxDecimals": s["MaxDecimals"]}
    return out


def _page_fields(values, slot_count, lacks=()):
    f = {**b.PAGE_DEFAULTS, **values}
    channels = list(f["Channels"])[:slot_count]
    out = {k: f[k] for k in ("Mode0", "Mode1", "Setting2", "Setting3", "Setting4", "Setting8", "Setting12",
                             "Name", "Setting20")}
    for key in lacks:
        out[key] = b.PAGE_DEFAULTS[key]
    out["Channels"] = [_slot_fields(s) for s in channels] + [_slot_fields(b.slot())] * (slot_count - len(channels))
    out["ChannelCount"] = slot_count
    return out


def _s11(kind, index, pen, group, min_word, max_word):
    return b.slot(kind, index, pen, group, b.word_to_float(min_word), min_word >> 28 & 7,
                  b.word_to_float(max_word), max_word >> 28 & 7, min_word, max_word)


def page_cases():
    cases = []
    first_line_slots = [b.slot(1, 7, 5, 0, -50.0, 1, 150.5, 2), b.slot(3, 2, 1, 0, 0.0, 0, 1.0, 0),
                        b.slot(4, 0, 0, 0, 0.25, 3, 99.75, 2), b.slot(0, 0, 2, 0, -1.5, 1, 1.5, 1),
                        b.slot(1, 0, 3, 0, 0.0, 1, 100.0, 1), b.slot(3, 7, 4, 0, 1e-3, 5, 2e6, 0)]
    v = V(1, 4, 2)
    values = {"Mode0": 2, "Setting2": 7, "Setting3": 0xFE, "Channels": first_line_slots}
    cases.append(case("page/81 at 1.4.2", "Page", v, b.page_record(v, values),
                      _page_fields(values, 6), context={"pens": 6, "groups": 1}))
    v = V(1, 6, 0)
    values = {"Mode0": 1, "Setting2": 3, "Setting3": 4, "Setting8": 0x81, "Setting12": 0x7F,
              "Channels": first_line_slots}
    cases.append(case("page/83 at 1.6.0", "Page", v, b.page_record(v, values), _page_fields(values, 6),
                      context={"pens": 6, "groups": 1}))
    v = V(1, 10, 2)
    values = {"Mode0": 3, "Setting2": 1, "Setting3": 2, "Name": "Страница 1", "Channels": first_line_slots}
    cases.append(case("page/92a at 1.10.2", "Page", v, b.page_record(v, values), _page_fields(values, 6),
                      context={"pens": 6, "groups": 1}))
    v = V(1, 10, 10)
    grouped = [dict(s, Group=i % 4) for i, s in enumerate(first_line_slots)]
    grouped[5] = b.slot(5, 3, 5, 3, 0.0, 1, 10.0, 1)
    values = {"Mode0": 1, "Setting2": 5, "Setting3": 6, "Name": "ТТЛ на странице", "Channels": grouped}
    cases.append(case("page/92b at 1.10.10 with a TTL slot", "Page", v, b.page_record(v, values),
                      _page_fields(values, 6), context={"pens": 6, "groups": 4}))

    second_line_slots = [b.slot(i % 5, i, i % 8, i % 3, -10.0 * i, i % 4, 100.0 + i, (i + 1) % 4)
                         for i in range(12)]
    v = V(2, 0, 20)
    values = {"Mode0": 5, "Mode1": 9, "Setting2": 200, "Setting3": 100, "Setting8": 15, "Setting12": 1,
              "Channels": second_line_slots[:8]}
    cases.append(case("page/100 at 2.0.20", "Page", v, b.page_record(v, values), _page_fields(values, 8),
                      context={"pens": 8, "groups": 3}))
    v = V(2, 1, 5)
    values = {"Mode0": 1, "Mode1": 2, "Setting2": 3, "Setting3": 4, "Setting8": 5, "Setting12": 6,
              "Name": "Обзор", "Channels": second_line_slots}
    cases.append(case("page/164a at 2.1.5", "Page", v, b.page_record(v, values), _page_fields(values, 12),
                      context={"pens": 12, "groups": 5}))
    v = V(2, 1, 40)
    with_ttl = list(second_line_slots)
    with_ttl[3] = b.slot(5, 1, 3, 2, 0.0, 2, 5000.0, 0)
    values = {"Mode0": 15, "Mode1": 15, "Setting2": 9, "Setting3": 12, "Setting4": 15, "Setting8": 0,
              "Setting12": 3, "Name": "С ТТЛ", "Channels": with_ttl}
    cases.append(case("page/164b at 2.1.40 keeps a TTL slot", "Page", v, b.page_record(v, values),
                      _page_fields(values, 12), context={"pens": 12, "groups": 5}))

    wide_slots = [_s11(1, 0, 0, 0, 0x30000000, 0x300186A0), _s11(2, 1, 15, 4, 0x1FFFFFF1, 0x10000010),
                  _s11(6, 3, 19, 1, 0x20640002, 0x307D0015), _s11(5, 2, 7, 3, 0x404E2004, 0x10A00003),
                  _s11(4, 7, 1, 2, 0x01000001, 0x07FFFFFF), _s11(3, 5, 2, 0, 0x08000000, 0x70000001)]
    v = V(2, 1, 100)
    values = {"Mode0": 3, "Mode1": 1, "Setting2": 4, "Setting3": 7, "Setting4": 31, "Setting8": 2,
              "Setting12": 9, "Name": "Шестнадцать", "Setting20": 7, "Channels": wide_slots * 2 + wide_slots[:4]}
    cases.append(case("page/204 at 2.1.100, packed scales kept", "Page", v, b.page_record(v, values),
                      _page_fields(values, 16)))
    v = V(2, 1, 90)
    values = {"Mode0": 2, "Name": "Без Setting20", "Setting20": 0, "Channels": wide_slots * 2 + wide_slots[:4]}
    cases.append(case("page/204 at 2.1.90, no Setting20", "Page", v, b.page_record(v, values),
                      _page_fields(values, 16)))
    v = V(2, 1, 120)
    values = {"Mode0": 1, "Name": "Двадцать", "Setting20": 3, "Channels": wide_slots * 3 + wide_slots[:2]}
    cases.append(case("page/248 at 2.1.120", "Page", v, b.page_record(v, values), _page_fields(values, 20),
                      context={"page_channels": 20}))
    v = V(2, 2, 1)
    branch_slots = [dict(s, Pen=s["Pen"] % 12, Kind=min(s["Kind"], 5)) for s in wide_slots]
    values = {"Mode0": 4, "Mode1": 4, "Setting3": 3, "Setting4": 2, "Name": "Ветка",
              "Channels": branch_slots * 3 + branch_slots[:2]}
    cases.append(case("page/248b at 2.2.1", "Page", v, b.page_record(v, values),
                      _page_fields(values, 20), context={"pens": 12, "groups": 5}))

    # Normalisations of the reading rules.
    v = V(2, 1, 100)
    values = {"Name": "Двенадцать", "Channels": wide_slots * 2}
    cases.append(case("page/204 from a 12-slot page", "Page", v, b.page_record(v, values),
                      _page_fields({"Name": "Двенадцать",
                                    "Channels": wide_slots * 2 + [b.FILLER] * 4}, 16)))
    v = V(2, 1, 40)
    values = {"Name": "Перья", "Channels": [b.slot(1, 0, 31, 7)]}
    clamped = {"Name": "Перья", "Channels": [b.slot(1, 0, 7, 3)] + [b.FILLER] * 11}
    cases.append(case("page/164b pen 31 group 7 on 8 pens and 4 groups", "Page", v, b.page_record(v, values),
                      _page_fields(clamped, 12), rewrite=b.page_record(v, clamped),
                      why="pen and group are kept below the device's counts", context={"pens": 8, "groups": 4}))
    v = V(1, 6, 0)
    values = {"Channels": [b.slot(1, 9, 1, 0), b.slot(4, 8, 1, 0), b.slot(3, 2, 1, 0)]}
    kept = {"Channels": [b.slot(0, 0, 1, 0), b.slot(0, 0, 1, 0), b.slot(3, 2, 1, 0)] + [b.FILLER] * 3}
    cases.append(case("page/83 indexes beyond the device keep the slot's source", "Page", v,
                      b.page_record(v, values), _page_fields(kept, 6), rewrite=b.page_record(v, kept),
                      why="an index at or beyond the device's count leaves the slot's previous source",
                      context={"ai": 8, "do": 8, "pens": 6, "groups": 1}))
    return cases


# --- summary board --------------------------------------------------------------------------

def _board_fields(mode, name, slots):
    slots = list(slots) + [(0, 0)] * (32 - len(slots))
    return {"Mode": mode, "Name": name, "Slots": [{"Kind": k, "Index": i} for k, i in slots]}


def board_cases():
    cases = []
    slots36 = [(1, 0), (3, 3), (4, 7), (5, 1), (6, 2), (2, 1), (0, 0), (1, 7)] * 4
    v = V(2, 1, 50)
    cases.append(case("board/36 at 2.1.50", "Board", v, b.board_record(36, 1, slots36),
                      _board_fields(1, "", slots36)))
    slots200 = [(1, 35), (3, 7), (4, 9), (5, 3), (6, 1), (2, 1), (1, 39), (0, 0)] * 4
    wide = {"ai": 40, "di": 8, "do": 10, "ttl": 4, "ctl": 2}
    cases.append(case("board/200 at 2.1.50 keeps its form, name and indexes above 31", "Board", v,
                      b.board_record(200, 1, slots200, "Табло"), _board_fields(1, "Табло", slots200),
                      context=wide))
    v = V(2, 1, 120)
    cases.append(case("board/200 at 2.1.120", "Board", v, b.board_record(200, 0, slots200, "Сводная"),
                      _board_fields(0, "Сводная", slots200), context=wide))
    cases.append(case("board/200 mode byte 0xF0 stays", "Board", v, b.board_record(200, 0xF0, slots36, ""),
                      _board_fields(0xF0, "", slots36)))
    v = V(2, 2, 1)
    cases.append(case("board/36 at 2.2.1", "Board", v, b.board_record(36, 0, slots36[:5]),
                      _board_fields(0, "", slots36[:5])))

    v = V(2, 1, 120)
    cases.append(case("board/200 mode 5 reads as 0", "Board", v, b.board_record(200, 5, slots36, "М"),
                      _board_fields(0, "М", slots36), rewrite=b.board_record(200, 0, slots36, "М"),
                      why="a mode of 2 or more reads as 0"))
    v = V(2, 1, 50)
    cases.append(case("board/36 DI 3 on two DI channels", "Board", v, b.board_record(36, 0, [(3, 3), (7, 1)]),
                      _board_fields(0, "", [(3, 0)]), rewrite=b.board_record(36, 0, [(3, 0)]),
                      why="sources are fixed to the device's channels", context={"di": 2}))
    return cases


# --- totalizers and counters ------------------------------------------------------------------

def _first_line_event(e, counter):
    out = dict(e)
    if counter:
        out["Setting2"] = 0
    return out


def counter_cases():
    cases = []
    v = V(1, 6, 0)
    values = {"SmByte0": 1, "SmByte1": 2, "SmByte2": 3, "SmByte3": 4, "SmWord": 0xDEADBEEF, "ShortText": "м3",
              "Name": "Сумматор первой линии",
              "Events": [b.counter_event(1000, 7, 9, (code(3, 1), code(15, 5))),
                         b.counter_event(0xFFFFFFFF, 0, 3, (0, code(8, 2)))]}
    cases.append(case("sm/64 at 1.6.0", "SM", v, b.sm_record(v, values), {**b.SM_DEFAULTS, **values}))
    v = V(2, 0, 20)
    values = {"SmByte0": 9, "SmByte3": 0, "SmWord": 12345, "ShortText": "кВт*ч", "Name": "Сумматор 2.x",
              "Events": [b.counter_event(5, 1, 2, (code(1, 1), code(2, 2)), b"\x10\x20"),
                         b.counter_event(6, 3, 4, (0x1234, 0xFFFF), b"\xFF\x00")]}
    cases.append(case("sm/64 at 2.0.20", "SM", v, b.sm_record(v, values), {**b.SM_DEFAULTS, **values}))
    v = V(2, 1, 24)
    cases.append(case("sm/64 at 2.1.24", "SM", v, b.sm_record(v, values), {**b.SM_DEFAULTS, **values}))

    v = V(1, 8, 0)
    values = {"CtByte0": 5, "CtValue": -3.0, "ShortText": "имп", "Name": "Счётчик первой линии",
              "Events": [b.counter_event(7.0, 1, 0, (code(11, 2), 0)),
                         b.counter_event(-100000.0, 2, 0, (code(4, 1), code(1, 0)))]}
    decoded = {**b.CT_DEFAULTS, **values, "CtByte1": 0, "CtFactor": 1.0}
    cases.append(case("ct/64 at 1.8.0", "CT", v, b.ct_record(v, values), decoded))
    v = V(2, 1, 10)
    values = {"CtByte0": 1, "CtByte1": 0, "CtValue": 1.5, "CtFactor": 0.001, "ShortText": "л",
              "Name": "Счётчик 2.x",
              "Events": [b.counter_event(2.5, 1, 2, (code(5, 5), 0), b"\x01\x02"),
                         b.counter_event(-1e6, 3, 4, (0, code(9, 9)), b"\x00\x00")]}
    cases.append(case("ct/68 at 2.1.10", "CT", v, b.ct_record(v, values), {**b.CT_DEFAULTS, **values}))
    v = V(1, 8, 0)
    values = {"CtValue": 16777216.0, "Events": [b.counter_event(-3.0, 0, 0), b.counter_event(2147483520.0, 0, 0)]}
    cases.append(case("ct/64 large integers at 1.8.0", "CT", v, b.ct_record(v, values),
                      {**b.CT_DEFAULTS, **values, "CtByte1": 0}))
    return cases


# --- TTL channels -----------------------------------------------------------------------

def _ttl_fields(values, version, form, **decoded):
    f = {**b.TTL_DEFAULTS, **values}
    f.update(decoded)
    f["Events"] = [dict(e) for e in f["Events"]]
    if form == "80-1x":
        for e in f["Events"][:b.ttl_event_count(version, form)]:
            e["Header"] &= 0x0F
    if form != "248":
        f["TtlMode"] = 1 if f["TtlByte"] else 0
    return f


def ttl_cases():
    cases = []
    events = [b.ttl_event(0x13, 3, 100, (code(3, 1), code(15, 2))), b.ttl_event(0x0F, 0, 0xFFFFFFFF, (0, code(1))),
              b.ttl_event(0x02, 9, 7, (code(21, 3), 0)), b.ttl_event(0x00, 3, 0, (0, 0))]
    v = V(1, 10, 10)
    values = {"TtlByte": 1, "TtlSelA": 1, "TtlSelB": 3, "TtlSelC": 3, "TtlSelD": 23, "TtlSelE": 8,
              "TtlFactor": 0.5, "ShortText": "Гц", "Name": "Частотный вход", "Events": events}
    cases.append(case("ttl/80 at 1.10.10, four events", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "80-1x")))
    v = V(1, 10, 18)
    two = events[:2] + [b.ttl_event(), b.ttl_event()]
    values = {"TtlByte": 0, "TtlSelA": 0, "TtlSelB": 2, "TtlSelC": 1, "TtlSelD": 5, "TtlSelE": 0,
              "TtlFactor": -2.0, "Name": "Два события", "Events": two}
    cases.append(case("ttl/80 at 1.10.18 writes two events", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "80-1x")))
    v = V(2, 1, 40)
    raw = [b.ttl_event(0xF3, 1, 0x01020304, (0x0102, 0x0304)), b.ttl_event(0x00, 3, 5, (code(1, 1), code(2, 2))),
           b.ttl_event(0x41, 7, 0, (0xFFFF, 0)), b.ttl_event(0x10, 0, 0x80000000, (0, 0x0A0B))]
    values = {"TtlByte": 3, "TtlSelA": 1, "TtlSelC": 2, "TtlSelD": 17, "TtlSelE": 4, "TtlFactor": 3.25,
              "ShortText": "об/м", "Name": "2.x ТТЛ", "Events": raw}
    cases.append(case("ttl/80 at 2.1.40", "TTL", v, b.ttl_record(v, values), _ttl_fields(values, v, "80-2x")))
    v = V(2, 2, 1)
    cases.append(case("ttl/80 at 2.2.1, codes unconverted", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "80-2x")))
    v = V(2, 1, 60)
    values = {"TtlByte": 0, "TtlSelA": 1, "TtlSelC": 3, "TtlSelD": 0, "TtlSelE": 1, "TtlFactor": 10.0,
              "Name": "Форма 200", "Events": raw, "Text": b"ttl \x98 text"}
    cases.append(case("ttl/200 at 2.1.60, four events", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "200")))
    v = V(2, 1, 130)
    converted = [b.ttl_event(0x63, 1, 9, (0, code(5, 1))), b.ttl_event(0x20, 2, 8, (code(9, 2), code(3)))]
    values = {"TtlByte": 2, "TtlSelA": 1, "TtlSelB": 3, "TtlSelC": 1, "TtlSelD": 2, "TtlSelE": 3,
              "Name": "Форма 200, два события", "Events": converted + [b.ttl_event(), b.ttl_event()],
              "Text": b"T" * 119}
    cases.append(case("ttl/200 at 2.1.130, two events and TtlSelB", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "200")))
    v = V(2, 1, 140)
    values = {"TtlMode": 3, "TtlSelA": 1, "TtlSelB": 3, "TtlSelC": 2, "TtlSelD": 23, "TtlSelE": 8,
              "ModeByte": 0x9A, "ModeFlag": 1, "ModeWord": 0xCAFE, "ModeSignedA": -16, "ModeSignedB": 0,
              "ModeLong": 0x11223344, "TtlFactor": 1.25, "ShortText": "ед", "Name": "Режим 3",
              "Events": converted + [b.ttl_event(), b.ttl_event()], "Text": b"mode three"}
    cases.append(case("ttl/248 at 2.1.140, mode 3", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "248")))
    v = V(2, 1, 150)
    values = {"TtlMode": 1, "TtlByte": 0x77, "TtlSelA": 0, "TtlSelB": 1, "TtlSelC": 0, "TtlSelD": 0,
              "TtlSelE": 0, "Name": "Режим 1", "Events": converted + [b.ttl_event(), b.ttl_event()]}
    cases.append(case("ttl/248 at 2.1.150, mode 1", "TTL", v, b.ttl_record(v, values),
                      _ttl_fields(values, v, "248")))

    # From 2.1.54 the reader takes either form by its size; written back for the version
    # it was read at, each keeps its form: a long record its mode and the mode's own
    # settings (and four events below 2.1.128.50, the last two over the text's first
    # bytes), a short one its text.
    v = V(2, 1, 60)
    values = {"TtlMode": 3, "TtlSelA": 1, "TtlSelB": 2, "TtlSelC": 3, "TtlSelD": 9, "TtlSelE": 5,
              "ModeByte": 0x5A, "ModeFlag": 1, "ModeWord": 0xBEEF, "ModeSignedA": -3, "ModeSignedB": -128,
              "ModeLong": 0xA1B2C3D4, "TtlFactor": 0.75, "ShortText": "имп", "Name": "Длинная запись",
              "Events": raw[:2] + [b.ttl_event(), b.ttl_event(0x05, 4, 6, (code(3, 2), 0))]}
    # The long form's selector B byte is the version's from 2.1.101 on; the device's own
    # is read at any version and goes back with the form.
    record = patched(b.ttl_record(v, values, form="248"), 2, [values["TtlSelB"]])
    cases.append(case("ttl/248 at 2.1.60 keeps its form and mode", "TTL", v, record,
                      _ttl_fields(values, v, "248")))
    v = V(2, 1, 140)
    values = {"TtlByte": 5, "TtlSelA": 1, "TtlSelB": 2, "TtlSelC": 2, "TtlSelD": 11, "TtlSelE": 7,
              "TtlFactor": -0.5, "ShortText": "Гц", "Name": "Короткая запись",
              "Events": converted + [b.ttl_event(), b.ttl_event()], "Text": b"short form kept"}
    cases.append(case("ttl/200 at 2.1.140 keeps its form", "TTL", v, b.ttl_record(v, values, form="200"),
                      _ttl_fields(values, v, "200")))

    v = V(1, 10, 10)
    values = {"Name": "Селекторы"}
    record = patched(b.ttl_record(v, values), 2, [0xC5])
    cases.append(case("ttl/80 1.x byte 2 = 0xC5", "TTL", v, record, _ttl_fields(values, v, "80-1x"),
                      rewrite=b.ttl_record(v, values), why="TtlSelC above 3 and TtlSelD from byte 192 read as 0"))
    v = V(2, 1, 140)
    values = {"TtlMode": 3, "ModeSignedA": 0, "Name": "Знак"}
    record = patched(b.ttl_record(v, values), 8, [5])
    cases.append(case("ttl/248 ModeSignedA 5 reads as 0", "TTL", v, record, _ttl_fields(values, v, "248"),
                      rewrite=b.ttl_record(v, values), why="a positive signed mode byte reads as 0"))
    return cases


# --- timers ---------------------------------------------------------------------------------

def timer_cases():
    cases = []
    v = V(1, 8, 0)
    values = {"TmrByte": 3, "TmrValue": 86400, "Name": "Таймер суток",
              "Codes": [code(1), code(11, 2), code(5, 7), 0]}
    cases.append(case("tmr/44 at 1.8.0", "TMR", v, b.tmr_record(v, values), {**b.TMR_DEFAULTS, **values}))
    v = V(2, 0, 20)
    values = {"TmrByte": 0xFF, "TmrValue": 0xFFFFFFFF, "Name": "Таймер 2.x", "ActionA": 3, "ActionB": 2,
              "Codes": [code(1, 1), code(2, 2), code(4, 4), 0xFFFF]}
    cases.append(case("tmr/40 at 2.0.20", "TMR", v, b.tmr_record(v, values), {**b.TMR_DEFAULTS, **values}))
    v = V(2, 1, 100)
    values = {"TmrByte": 1, "TmrValue": 60, "Name": "Преобразованный", "ActionA": 1, "ActionB": 1,
              "Codes": [0, 0, code(5, 2), code(9, 3)]}
    cases.append(case("tmr/40 at 2.1.100", "TMR", v, b.tmr_record(v, values), {**b.TMR_DEFAULTS, **values}))
    values = {"Name": "Два класса", "Codes": [code(1), code(2), 0, 0]}
    device = b.tmr_record(V(2, 1, 80), values)
    cases.append(case("tmr/40 classes 1 and 2 at 2.1.100", "TMR", v, device, {**b.TMR_DEFAULTS, **values},
                      rewrite=b.tmr_record(v, values), why="codes rewritten above 2.1.80; the later code wins"))
    return cases


# --- PID regulators -----------------------------------------------------------------------

def _pid_fields(values, **decoded):
    f = {**b.PID_DEFAULTS, **values}
    f.update(decoded)
    out = {}
    for key, value in f.items():
        if key.startswith("Value"):
            out[key] = "%d/%d" % value
        elif key.startswith("Source"):
            out[key] = {"Kind": value[0], "Index": value[1]}
        else:
            out[key] = value
    return out


def pid_cases():
    cases = []
    common = {"SourceA": (1, 3), "ByteA": 2, "ByteB": 1, "WordA": 0xBEEF, "ValueA": (-9999999, 6),
              "ValueB": (1234567, 1), "ValueC": (99999, 4), "ValueD": (-15, 1), "ValueE": (1, 3),
              "ValueF": (1, 4), "ValueG": (5, 1), "ValueH": (-99999, 4), "ValueI": (9999999, 3),
              "FixedJ": 10000, "FixedK": -1000, "ValueL": (12, 1), "Text": b"PID \x98\xC0"}
    v = V(2, 1, 155)
    values = {"Name": "Регулятор 1", "Mode": 1, **common, "SourceB": (5, 1), "ValueM": (25, 1), "ValueN": (1, 2),
              "FixedO": 65535, "FixedP": 0, "FixedQ": 1000, "FixedR": -1000, "ByteC": 1, "ByteD": 4, "FixedS": -1}
    cases.append(case("pid mode 1 at 2.1.155", "Ctl", v, b.pid_record(v, values),
                      _pid_fields(values, FixedK=-1000, FixedQ=1000, FixedR=-1000, FixedS=-1)))
    v = V(2, 1, 160)
    values = {"Name": "Регулятор 2", "Mode": 2, **common, "SourceC": (4, 2), "SourceD": (6, 0), "ByteE": 9,
              "FixedT": 9999, "FixedU": 1, "FixedV": 0, "FixedW": 500}
    cases.append(case("pid mode 2 at 2.1.160", "Ctl", v, b.pid_record(v, values), _pid_fields(values)))
    v = V(2, 1, 155)
    values = {"Name": "Выключен", "Mode": 0}
    cases.append(case("pid mode 0 at 2.1.155 carries 1.0 at byte 56", "Ctl", v, b.pid_record(v, values),
                      _pid_fields(values)))
    v = V(2, 1, 160, 30)
    cases.append(case("pid mode 0 at 2.1.160.30", "Ctl", v, b.pid_record(v, values), _pid_fields(values)))

    v = V(2, 1, 155)
    values = {"Name": "Нормализация", "Mode": 1, "ValueC": (12345, 5), "ValueA": (1500, 3), "ValueE": (7, 0),
              "ValueB": (0, 3), "ValueF": (0, 1)}
    # Reading drops trailing zero decimals, so the default 1.0 of ValueN reads as 1.
    decoded = {"ValueC": (12345, 5), "ValueA": (15, 1), "ValueE": (7, 0), "ValueB": (0, 0), "ValueF": (0, 0),
               "ValueN": (1, 0)}
    written = {**values, "ValueC": (1235, 4), "ValueA": (15, 1), "ValueE": (70, 1), "ValueB": (0, 1),
               "ValueF": (1, 4)}
    cases.append(case("pid packed values normalised on writing", "Ctl", v, b.pid_record(v, values, normalise=False),
                      _pid_fields(values, **decoded), rewrite=b.pid_record(v, written),
                      why="packed values are written within their type's decimals and limits"))
    return cases


# --- tag fields and schedule --------------------------------------------------------------

def tag_cases():
    short = b"ab\0cd" + bytes(range(0xE0, 0xF3))
    long_area = bytes((i * 7 + 3) & 0xFF for i in range(220))
    cases = [case("tag at 2.1.60", "Tag", V(2, 1, 60), b.tag_record(2, short, long_area),
                  {"Type": 2, "ShortArea": short, "LongArea": long_area}),
             case("tag type 0xFF at 2.2.1", "Tag", V(2, 2, 1), b.tag_record(0xFF, b"", b"\0\1"),
                  {"Type": 0xFF, "ShortArea": bytes(24), "LongArea": b"\0\1" + bytes(218)})]
    record = b.tag_record(1, b"s", b"l") + b"\x55" * 4
    cases.append(case("tag 252 bytes, first 248 used", "Tag", V(2, 1, 100), record,
                      {"Type": 1, "ShortArea": b"s" + bytes(23), "LongArea": b"l" + bytes(219)},
                      rewrite=record[:248], why="bytes after the record are not part of it"))
    return cases


def _times(times):
    return {"Time%d" % (i + 1): t for i, t in enumerate(times)}


def schedule_cases():
    times = [1, 2, 3, 4, 5, 6, 255]
    cases = [case("schedule item at 1.8.0", "Schedule", V(1, 8, 0),
                  b.schedule_item(V(1, 8, 0), True, 0x42, times, (code(11, 2), code(3, 1))),
                  {"Enabled": True, "ItemByte": 0x42, **_times(times), "Codes": [code(11, 2), code(3, 1)]}),
             case("schedule item at 2.1.100", "Schedule", V(2, 1, 100),
                  b.schedule_item(V(2, 1, 100), False, 0, times, (code(1, 2), 0xFFFF)),
                  {"Enabled": False, "ItemByte": 0, **_times(times), "Codes": [code(1, 2), 0xFFFF]})]
    device = patched(b.schedule_item(V(2, 1, 100), True, 9, times, (0, 0)), 0, [7])
    cases.append(case("schedule enabled byte 7", "Schedule", V(2, 1, 100), device,
                      {"Enabled": True, "ItemByte": 9, **_times(times), "Codes": [0, 0]},
                      rewrite=b.schedule_item(V(2, 1, 100), True, 9, times, (0, 0)),
                      why="a non-zero flag byte is written back as 1"))
    return cases


def all_cases():
    out = []
    for make in (di_cases, do_cases, ip_cases, page_cases, board_cases, counter_cases, ttl_cases, timer_cases,
                 pid_cases, tag_cases, schedule_cases):
        out.extend(make())
    names = [c["name"] for c in out]
    assert len(names) == len(set(names)), "case names must be unique"
    return out


def context_text(context):
    out = []
    for key, value in sorted({**DEVICE, **context}.items()):
        if isinstance(value, list):
            value = ",".join(str(v) for v in value)
        out.append("%s=%s" % (key, value))
    return " ".join(out)


def vector_name(case_name):
    return "".join(c if c.isalnum() or c in "._-" else "_" for c in case_name)


def vectors():
    """The record of every case, and the rewrite where it differs (name + ".rewrite")."""
    for c in all_cases():
        yield vector_name(c["name"]), c["record"]
        if c["rewrite"] is not None:
            yield vector_name(c["name"]) + ".rewrite", c["rewrite"]


def expectations():
    """What the block tests check beside the records: per case its block, firmware, the
    device it runs against, the fields a reader decodes and why a rewrite differs."""
    lines = []
    for c in all_cases():
        lines.append("case %s" % vector_name(c["name"]))
        lines.append("title %s" % c["name"])
        lines.append("block %s" % c["block"])
        lines.append("version %08X" % c["version"])
        lines.append("context %s" % context_text(c["context"]))
        if c["rewrite"] is not None:
            lines.append("why %s" % c["why"])
        lines.extend("field %s=%s" % item for item in c["fields"].items())
        lines.append("end")
    return "\n".join(lines) + "\n"
