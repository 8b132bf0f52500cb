"""Device records of the discrete inputs and outputs, IP channels, display pages, the
summary board, totalizers, counters, TTL channels, timers, PID regulators, tag fields and
schedule items, built from field values by the record layouts alone (never from the
program's codecs). Standard library only.

Each encoder takes the firmware version it builds the record for and a dict of field
values named as the configuration model names them; a field left out takes the model's
default. The bytes are what a recorder of that version sends (or what a writer must
give back), so the simulated recorder can serve them.
"""
import struct

from _event_codes import TooNew, TooOld, convert_above_2_1_80, convert_event, converts_codes, encode_code
from _records import Record, cp1251, float_to_word, packed_word, single_bits, single_value, version as V

BRANCH_FROM = V(2, 2, 0)
BRANCH_UP_TO = V(2, 2, 3, 255)
FIRST_LINE_UP_TO = V(1, 10, 20, 255)
SECOND_LINE_UP_TO = V(2, 1, 160, 255)


class Invalid(Exception):
    """A refused field; the argument is the check number."""


def in_branch(v):
    return BRANCH_FROM <= v <= BRANCH_UP_TO


def at_least(v, limit):
    # The 2.2 branch keeps the older layouts, so a gate "from limit on" leaves it out.
    return v >= limit and not in_branch(v)


def s8(b):
    return b - 256 if b >= 128 else b


def f32(x):
    return single_value(single_bits(x))


def text_field(text, width):
    """A zero-terminated code page 1251 text field: at most width - 1 bytes."""
    data = cp1251(text)
    assert len(data) < width, "text does not fit its field"
    return data + bytes(width - len(data))


def byte_text_field(data, width, limit):
    """The first min(len, limit) bytes of a byte string, zero after them."""
    data = bytes(data)[:limit]
    return data + bytes(width - len(data))


def put(rec, offset, data):
    rec.raw(offset, data)


def put_f32(rec, offset, value):
    rec.u32(offset, single_bits(value))


# --- discrete inputs ------------------------------------------------------------------

def di_event(header=0, params=(0, 0), codes=(0, 0)):
    return {"Header": header, "Params": list(params), "Codes": list(codes)}


DI_DEFAULTS = {
    "ModeIndex": 0, "Name": "", "Param0": 0, "ParamA": 0, "ParamB": 0,
    "BusMode": 0, "BusByte": 0, "BusWord": 0, "FieldA2": 0, "Number16": 0, "FieldB6": 0,
    "AltByte1": 0, "AltByte2": 0, "AltNibble1": 0, "AltNibble2": 0, "Alt2Byte": 0, "Alt2Word": 0,
    "EthByte": 0, "EthIPv4": 0xC0A80101, "EthFieldA2": 0, "EthNumber16": 0, "EthFieldB6": 0,
    "CanByte1": 0, "CanByte2": 0, "CanFlag": 0, "CanNumber16": 0,
    "ExternalByte": 0, "InputByte": 0,
    "Events": [di_event(), di_event()], "Text": b"",
}

DI_KIND_DISCRETE, DI_KIND_RS485, DI_KIND_RNET, DI_KIND_CAN, DI_KIND_EXTERNAL, DI_KIND_ETHERNET = 1, 2, 3, 4, 5, 6


def di_size(version):
    if version < V(1, 8, 0):
        return 39
    if version < V(1, 9, 0):
        return 44
    if version < V(1, 10, 0):
        return 39
    if version <= FIRST_LINE_UP_TO:
        return 48
    if version < V(2, 1, 51):
        return 52
    if version <= SECOND_LINE_UP_TO or in_branch(version):
        return 172
    raise TooNew(version)


def _di_short_event(rec, offset, event, owner):
    rec.u8(offset, event["Header"] & 0x0F)
    rec.u8(offset + 1, encode_code(owner, event["Codes"][0]))
    rec.u8(offset + 2, encode_code(owner, event["Codes"][1]))


def _di_variant1(rec, f):
    rec.u8(33, f["AltByte1"])
    rec.u8(34, f["AltByte2"])
    rec.u8(35, (f["AltNibble1"] & 0x0F) | (f["AltNibble2"] & 0x0F) << 4)


def di_record(version, kind, fields, owner=None):
    """kind: the mode code at ModeIndex in the channel's mode list. owner: the device's
    own version, which the inner gates and the 1.x code encoding use (default: version)."""
    owner = version if owner is None else owner
    f = {**DI_DEFAULTS, **fields}
    size = di_size(version)
    rec = Record(size)
    if size == 39:
        rec.u8(0, f["ModeIndex"])
        put(rec, 1, text_field(f["Name"], 32))
        for i, offset in enumerate((33, 36)):
            _di_short_event(rec, offset, f["Events"][i], owner)
        return rec.bytes()
    if size == 44:
        put(rec, 0, text_field(f["Name"], 32))
        rec.u8(32, f["ModeIndex"])
        rec.u8(33, (f["BusByte"] & 1) | f["BusWord"] << 1)
        rec.u8(34, f["FieldA2"] & 3)
        rec.u16(35, f["Number16"] & 0x3FF)
        rec.u8(37, f["FieldB6"] & 0x0F)
        for i, offset in enumerate((38, 41)):
            _di_short_event(rec, offset, f["Events"][i], owner)
        return rec.bytes()
    if size == 48:
        put(rec, 0, text_field(f["Name"], 32))
        rec.u8(32, f["ModeIndex"])
        rec.u8(36, f["BusWord"])
        rec.u8(37, (f["BusByte"] & 1) | (f["FieldA2"] & 3) << 1 | (f["FieldB6"] & 0x1F) << 3)
        rec.u16(38, f["Number16"])
        for i, offset in enumerate((40, 43)):
            _di_short_event(rec, offset, f["Events"][i], owner)
        return rec.bytes()

    wide = size == 172
    put(rec, 0, text_field(f["Name"], 24))
    rec.u8(24, f["ModeIndex"])
    rec.u8(25, f["Param0"])
    rec.u8(32, f["BusByte"])
    if kind == DI_KIND_DISCRETE and wide:
        if at_least(owner, V(2, 1, 128, 80)):
            if s8(f["InputByte"] & 0xFF) > 1:
                raise Invalid(6911)
            rec.u8(32, f["InputByte"])
        if at_least(owner, V(2, 1, 159)):
            rec.u8(33, f["ParamA"])
            rec.u8(34, f["ParamB"])
    elif kind == DI_KIND_RS485:
        rec.u32(28, f["BusWord"])
        variant = 0
        if at_least(owner, V(2, 1, 30)):
            variant = f["BusMode"]
            if variant > 2:
                raise TooNew(owner)
            rec.u8(26, variant)
        if variant == 0:
            rec.u8(33, (f["FieldA2"] & 3) | (f["FieldB6"] & 0x3F) << 2)
            rec.u16(34, f["Number16"])
        elif variant == 1:
            _di_variant1(rec, f)
        else:
            rec.u8(33, f["Alt2Byte"])
            rec.u16(34, f["Alt2Word"])
    elif kind == DI_KIND_RNET:
        rec.u32(28, f["BusWord"])
        _di_variant1(rec, f)
    elif kind == DI_KIND_CAN:
        rec.u8(28, f["CanByte1"])
        rec.u8(32, f["CanByte2"])
        if wide:
            flag = f["CanFlag"]
            rec.u8(33, 1 if flag in (1, 2) else 0)
        rec.u16(34, f["CanNumber16"])
    elif kind == DI_KIND_EXTERNAL and wide:
        if at_least(owner, V(2, 1, 128, 90)):
            rec.u8(32, f["ExternalByte"])
    elif kind == DI_KIND_ETHERNET and wide:
        rec.u8(26, f["EthByte"])
        rec.u32(28, f["EthIPv4"])
        rec.u8(33, (f["EthFieldA2"] & 3) | (f["EthFieldB6"] & 0x3F) << 2)
        rec.u16(34, f["EthNumber16"])
    for i, offset in enumerate((36, 43)):
        event = f["Events"][i]
        header, codes = event["Header"], event["Codes"]
        if wide:
            header, codes = convert_event(header, codes, version)
        rec.u8(offset, header)
        rec.u8(offset + 1, event["Params"][0])
        rec.u8(offset + 2, event["Params"][1])
        rec.u16(offset + 3, codes[0])
        rec.u16(offset + 5, codes[1])
    if wide:
        put(rec, 50, byte_text_field(f["Text"], 120, 119))
    return rec.bytes()


# --- discrete outputs -----------------------------------------------------------------

DO_DEFAULTS = {
    "Name": "", "ControlIndex": 0, "Text": b"", "Mode": 0, "OptionA": 0, "OptionB": 0,
    "HasLevel": False, "Level": 0, "PwmOption": 0, "PwmWordA": 10, "PwmWordB": 1,
    "ActuatorOption": 0, "RegulatorIndex": 0,
    "ExtKind": 0, "ExtByte": 0, "ExtWord": 0, "ExtA1": 0, "ExtA2": 0, "ExtA3": 0,
    "ExtB1": 0, "ExtB2": 0, "ExtB3": 0, "ExtC1": 0, "ExtC2": 0, "ExtC3": 0,
}


def do_size(version):
    if version < V(1, 10, 6):
        return 0
    if version < V(2, 0, 0):
        return 36
    if version < V(2, 1, 54):
        return 0
    if version < V(2, 1, 151) or in_branch(version):
        return 148
    return 220


def do_record(version, fields, control_types, extension=False):
    """control_types: the device's DO control type codes (position = ControlIndex);
    extension: the channel's information record has type 2."""
    f = {**DO_DEFAULTS, **fields}
    size = do_size(version)
    if size == 0:
        raise TooOld(version)
    rec = Record(size)
    index = f["ControlIndex"]
    control = control_types[index] if index < len(control_types) else None
    if size == 36:
        put(rec, 0, text_field(f["Name"], 32))
        rec.u8(32, 1 if control == 2 else 0)
        return rec.bytes()
    put(rec, 0, text_field(f["Name"], 24))
    put(rec, 24, byte_text_field(f["Text"], 120, 119))
    rec.u8(144, index)
    if size == 148:
        return rec.bytes()
    mode = f["Mode"]
    rec.u8(145, f["OptionA"])
    rec.u8(146, mode)
    if mode in (1, 3):
        rec.u8(149, f["PwmOption"])
        rec.u16(150, f["PwmWordA"])
        rec.u16(152, f["PwmWordB"])
        rec.u8(147, f["Level"] + 1 if f["HasLevel"] else 0)
    elif mode in (2, 4):
        rec.u8(149, f["ActuatorOption"])
        rec.u8(147, f["OptionB"])
    elif mode in (0, 5, 6):
        rec.u8(147, f["OptionB"])
    else:
        raise Invalid(7728)
    if control == 4:
        rec.u8(148, f["RegulatorIndex"])
    elif control is not None and control > 4:
        raise Invalid(7759)
    if extension:
        kind = f["ExtKind"]
        rec.u8(154, kind)
        rec.u8(155, f["ExtByte"])
        rec.u16(164, f["ExtWord"])
        if kind in (1, 2):
            rec.u8(156, f["ExtA1"])
            rec.u8(157, f["ExtA2"])
            rec.u16(158, f["ExtA3"])
        elif kind == 3:
            rec.u8(156, f["ExtB1"])
            rec.u16(158, f["ExtB2"])
            rec.u32(160, f["ExtB3"])
        elif kind == 4:
            rec.u8(156, f["ExtC1"])
            rec.u8(157, f["ExtC2"])
            rec.u8(158, f["ExtC3"])
        elif kind != 0:
            raise Invalid(7789)
    return rec.bytes()


# --- IP channels ------------------------------------------------------------------------

def ip_record(version, header=0, params=(0, 0), codes=(0, 0), spare=0):
    header, codes = convert_event(header, codes, version)
    rec = Record(8)
    rec.u8(0, header)
    rec.u8(1, params[0])
    rec.u8(2, params[1])
    rec.u16(3, codes[0])
    rec.u16(5, codes[1])
    rec.u8(7, spare)
    return rec.bytes()


# --- display pages ------------------------------------------------------------------------

def word_mantissa(word):
    m = word & 0x0FFFFFFF
    return m - (1 << 28) if m & (1 << 27) else m


def word_to_float(word):
    """mantissa / 10^decimals in single precision."""
    return f32(f32(word_mantissa(word)) / f32(10.0 ** (word >> 28 & 7)))


def slot(kind=0, index=0, pen=0, group=0, scale_min=0.0, min_decimals=1, scale_max=100.0, max_decimals=1,
         min_word=None, max_word=None):
    """A display page channel slot. For the packed-word form, min_word and max_word give
    the words the device holds (else they are packed from the scale ends)."""
    return {"Kind": kind, "Index": index, "Pen": pen, "Group": group,
            "ScaleMin": scale_min, "MinDecimals": min_decimals, "ScaleMax": scale_max,
            "MaxDecimals": max_decimals, "MinWord": min_word, "MaxWord": max_word}


FILLER = slot(min_decimals=3, max_decimals=3)

PAGE_DEFAULTS = {"Mode0": 0, "Mode1": 0, "Setting2": 0, "Setting3": 0, "Setting4": 5, "Setting8": 0,
                 "Setting12": 0, "Name": "", "Setting20": 0, "Channels": []}

# form: (size, header, slot form, slot count, name offset, Setting20 offset)
PAGE_FORMS = {
    "81": (81, "H1", "S13", 6, None, None),
    "83": (83, "H2", "S13", 6, None, None),
    "92a": (92, "H1", "S12", 6, 76, None),
    "92b": (92, "H1", "S12", 6, 76, None),
    "100": (100, "H3", "S12", 8, None, None),
    "164a": (164, "H3", "S12", 12, 148, None),
    "164b": (164, "H4", "S12", 12, 148, None),
    "204": (204, "H5", "S11", 16, 180, 200),
    "248": (248, "H5", "S11", 20, 224, 244),
    "248b": (248, "H4", "S11", 20, 224, None),
}


def page_form(version, slot_count=None):
    """The writer's form for a target version; None when a 2.1.90+ page of slot_count
    slots has no record."""
    if version < V(1, 5, 0):
        return "81"
    if version < V(1, 10, 0):
        return "83"
    if version < V(1, 10, 4):
        return "92a"
    if version <= FIRST_LINE_UP_TO:
        return "92b"
    if version < V(2, 0, 0):
        raise TooNew(version)
    if version < V(2, 1, 0):
        return "100"
    if version < V(2, 1, 10):
        return "164a"
    if version < V(2, 1, 90):
        return "164b"
    if in_branch(version):
        return "248b"
    if version <= SECOND_LINE_UP_TO:
        return {8: "204", 12: "204", 16: "204", 20: "248"}.get(slot_count)
    raise TooNew(version)


# Value-source kinds to the slot codes of the first firmware line.
def _first_line_code(kind, index, form):
    if kind in (0, 1):
        return kind, index
    if kind == 3:
        return 2, index
    if kind == 4:
        return 3, index
    if kind == 5 and form == "92b":
        return 4, index
    return 0, 0


def page_record(version, fields, form=None):
    """form: force a form (the reader picks 204 or 248 by size on 2.1.90+)."""
    f = {**PAGE_DEFAULTS, **fields}
    channels = f["Channels"]
    form = form or page_form(version, len(channels))
    if form is None:
        return b""
    size, header, slot_form, count, name_at, setting20_at = PAGE_FORMS[form]
    rec = Record(size)
    if header in ("H1", "H2"):
        rec.u8(0, f["Mode0"])
        rec.u8(1, f["Setting2"])
        rec.u8(2, f["Setting3"])
        if header == "H2":
            rec.u8(3, f["Setting8"])
            rec.u8(4, f["Setting12"])
    else:
        rec.u8(0, (f["Mode0"] & 0x0F) | (f["Mode1"] & 0x0F) << 4)
        rec.u8(1, f["Setting2"])
        if header == "H3":
            rec.u8(2, f["Setting3"])
        elif header == "H4":
            rec.u8(2, (f["Setting3"] & 0x0F) | (f["Setting4"] & 0x0F) << 4)
        else:
            rec.u8(2, (f["Setting3"] & 0x07) | (f["Setting4"] & 0x1F) << 3)
        rec.u8(3, (f["Setting8"] & 0x0F) | (f["Setting12"] & 0x0F) << 4)
    first = 5 if header == "H2" else 3 if slot_form == "S13" else 4
    width = {"S13": 13, "S12": 12, "S11": 11}[slot_form]
    for i in range(count):
        s = channels[i] if i < len(channels) else FILLER
        at = first + i * width
        kind, index = s["Kind"], s["Index"]
        if form in ("81", "83", "92a", "92b"):
            kind, index = _first_line_code(kind, index, form)
        elif form in ("100", "164a", "164b", "248b") and kind > 6:
            kind, index = 0, 0
        rec.u8(at, kind)
        rec.u8(at + 1, index)
        if slot_form == "S13":
            rec.u8(at + 2, s["Pen"])
            put_f32(rec, at + 3, s["ScaleMin"])
            rec.u8(at + 7, s["MinDecimals"])
            put_f32(rec, at + 8, s["ScaleMax"])
            rec.u8(at + 12, s["MaxDecimals"])
        elif slot_form == "S12":
            pen = s["Pen"] if form == "92a" else (s["Pen"] & 0x1F) | (s["Group"] & 7) << 5
            rec.u8(at + 2, pen)
            rec.u8(at + 3, (s["MinDecimals"] & 0x0F) | (s["MaxDecimals"] & 0x0F) << 4)
            put_f32(rec, at + 4, s["ScaleMin"])
            put_f32(rec, at + 8, s["ScaleMax"])
        else:
            rec.u8(at + 2, (s["Pen"] & 0x1F) | (s["Group"] & 7) << 5)
            words = []
            for value, decimals, word in ((s["ScaleMin"], s["MinDecimals"], s["MinWord"]),
                                          (s["ScaleMax"], s["MaxDecimals"], s["MaxWord"])):
                if word is None:
                    word = float_to_word(value, decimals)
                words.append(word)
            rec.u32(at + 3, words[0])
            rec.u32(at + 7, words[1])
    if name_at is not None:
        put(rec, name_at, text_field(f["Name"], 16))
    if setting20_at is not None and at_least(version, V(2, 1, 91)):
        rec.u8(setting20_at, f["Setting20"])
    return rec.bytes()


# --- summary board --------------------------------------------------------------------

def board_record(form, mode, slots, name=""):
    """form 36 or 200; slots: (kind, index) pairs, 32 at most."""
    if form == 36:
        rec = Record(36)
        rec.u8(0, mode & 3)
        for i, (kind, index) in enumerate(slots[:32]):
            rec.u8(4 + i, index << 3 | kind & 7)
        return rec.bytes()
    rec = Record(200)
    rec.u8(0, mode)
    put(rec, 4, text_field(name, 24))
    for i, (kind, index) in enumerate(slots[:32]):
        rec.u8(36 + 2 * i, kind)
        rec.u8(37 + 2 * i, index)
    return rec.bytes()


def board_form(version):
    if version < V(2, 1, 0):
        return None
    if version < V(2, 1, 117) or in_branch(version):
        return 36
    return 200


# --- totalizers and counters ------------------------------------------------------------

def counter_event(value=0, setting=0, setting2=3, codes=(0, 0), reserved=b"\0\0"):
    return {"Value": value, "Setting": setting, "Setting2": setting2, "Codes": list(codes),
            "Reserved": bytes(reserved)}


SM_DEFAULTS = {"SmByte0": 0, "SmByte1": 0, "SmByte2": 0, "SmByte3": 1, "SmWord": 0, "ShortText": "",
               "Name": "", "Events": [counter_event(), counter_event()]}
CT_DEFAULTS = {"CtByte0": 0, "CtByte1": 1, "CtValue": 0.0, "CtFactor": 1.0, "ShortText": "", "Name": "",
               "Events": [counter_event(value=0.0), counter_event(value=0.0)]}


def counters_form(version):
    if version < V(1, 5, 0):
        raise TooOld(version)
    if version < V(1, 9, 0):
        return "1x"
    if version < V(2, 0, 0):
        raise TooNew(version)
    if version < V(2, 1, 25):
        return "2x"
    raise TooNew(version)


def _event12(rec, offset, event, value_packer):
    put(rec, offset, value_packer(event["Value"]))
    rec.u8(offset + 4, event["Setting"])
    rec.u8(offset + 5, event["Setting2"])
    rec.u16(offset + 6, event["Codes"][0])
    rec.u16(offset + 8, event["Codes"][1])
    put(rec, offset + 10, event["Reserved"])


def sm_record(version, fields, owner=None):
    owner = version if owner is None else owner
    f = {**SM_DEFAULTS, **fields}
    form = counters_form(version)
    rec = Record(64)
    for i, key in enumerate(("SmByte0", "SmByte1", "SmByte2", "SmByte3")):
        rec.u8(i, f[key])
    rec.u32(4, f["SmWord"])
    put(rec, 8, text_field(f["ShortText"], 8))
    if form == "1x":
        put(rec, 16, text_field(f["Name"], 32))
        for i, offset in enumerate((48, 56)):
            e = f["Events"][i]
            rec.u32(offset, e["Value"])
            rec.u8(offset + 4, e["Setting"])
            rec.u8(offset + 5, e["Setting2"])
            rec.u8(offset + 6, encode_code(owner, e["Codes"][0]))
            rec.u8(offset + 7, encode_code(owner, e["Codes"][1]))
    else:
        put(rec, 16, text_field(f["Name"], 24))
        for i, offset in enumerate((40, 52)):
            _event12(rec, offset, f["Events"][i], lambda v: struct.pack("<I", v))
    return rec.bytes()


def to_i32_truncating(x):
    """A float value to a 32-bit integer, toward zero, saturating; NaN gives 0."""
    if x != x:
        return 0
    if x >= 2147483647:
        return 2147483647
    if x <= -2147483648:
        return -2147483648
    return int(x)


def ct_record(version, fields, owner=None):
    owner = version if owner is None else owner
    f = {**CT_DEFAULTS, **fields}
    form = counters_form(version)
    if form == "1x":
        rec = Record(64)
        rec.u8(0, f["CtByte0"])
        rec.u32(4, to_i32_truncating(f["CtValue"]))
        put(rec, 8, text_field(f["ShortText"], 8))
        put(rec, 16, text_field(f["Name"], 32))
        for i, offset in enumerate((48, 56)):
            e = f["Events"][i]
            rec.u32(offset, to_i32_truncating(e["Value"]))
            rec.u8(offset + 4, e["Setting"])
            rec.u8(offset + 5, encode_code(owner, e["Codes"][0]))
            rec.u8(offset + 6, encode_code(owner, e["Codes"][1]))
        return rec.bytes()
    rec = Record(68)
    rec.u8(0, f["CtByte0"])
    rec.u8(1, f["CtByte1"])
    put_f32(rec, 4, f["CtValue"])
    put_f32(rec, 8, f["CtFactor"])
    put(rec, 12, text_field(f["ShortText"], 8))
    put(rec, 20, text_field(f["Name"], 24))
    for i, offset in enumerate((44, 56)):
        _event12(rec, offset, f["Events"][i], lambda v: struct.pack("<f", v))
    return rec.bytes()


# --- TTL channels -----------------------------------------------------------------------

def ttl_event(header=0, setting=3, value=0, codes=(0, 0)):
    return {"Header": header, "Setting": setting, "Value": value, "Codes": list(codes)}


TTL_DEFAULTS = {"TtlByte": 0, "TtlSelA": 0, "TtlSelB": 0, "TtlSelC": 0, "TtlSelD": 0, "TtlSelE": 1,
                "TtlFactor": 1.0, "ShortText": "", "Name": "", "Events": [ttl_event() for _ in range(4)],
                "Text": b"", "TtlMode": 0, "ModeByte": 0, "ModeFlag": 0, "ModeWord": 0, "ModeSignedA": 0,
                "ModeSignedB": 0, "ModeLong": 0}


def ttl_form(version):
    if version < V(1, 9, 0):
        raise TooOld(version)
    if version < V(2, 0, 0):
        return "80-1x"
    if version < V(2, 1, 25):
        raise TooOld(version)
    if version < V(2, 1, 54) or in_branch(version):
        return "80-2x"
    if version < V(2, 1, 132):
        return "200"
    if version <= SECOND_LINE_UP_TO:
        return "248"
    raise TooNew(version)


def ttl_event_count(version, form):
    if form == "80-1x":
        return 2 if version >= V(1, 10, 17) else 4
    if form == "80-2x":
        return 4
    return 2 if at_least(version, V(2, 1, 128, 50)) else 4


def _ttl_events(rec, offset, f, version, count, convert):
    for i in range(count):
        e = f["Events"][i]
        header, codes = e["Header"], e["Codes"]
        if convert:
            header, codes = convert_event(header, codes, version)
        at = offset + 10 * i
        rec.u8(at, header)
        rec.u8(at + 1, e["Setting"])
        rec.u32(at + 2, e["Value"])
        rec.u16(at + 6, codes[0])
        rec.u16(at + 8, codes[1])


def ttl_record(version, fields, form=None):
    """form: the version's own unless given; from 2.1.54 a device may send the other one
    of "200" and "248", laid out as that form with the version's event count."""
    f = {**TTL_DEFAULTS, **fields}
    form = form or ttl_form(version)
    count = ttl_event_count(version, form)
    if form == "80-1x":
        rec = Record(80)
        rec.u8(0, f["TtlByte"])
        rec.u8(1, f["TtlSelB"] << 4 | f["TtlSelA"] & 0x0F)
        rec.u8(2, f["TtlSelD"] << 3 | f["TtlSelC"] & 7)
        rec.u8(3, f["TtlSelE"])
        put_f32(rec, 4, f["TtlFactor"])
        put(rec, 8, text_field(f["ShortText"], 8))
        put(rec, 16, text_field(f["Name"], 32))
        for i in range(count):
            e = f["Events"][i]
            at = 48 + 8 * i
            rec.u8(at, e["Header"] & 0x0F)
            rec.u8(at + 1, e["Setting"])
            rec.u32(at + 2, e["Value"])
            rec.u8(at + 6, encode_code(version, e["Codes"][0]))
            rec.u8(at + 7, encode_code(version, e["Codes"][1]))
        return rec.bytes()
    if form in ("80-2x", "200"):
        rec = Record(80 if form == "80-2x" else 200)
        rec.u8(0, f["TtlByte"])
        selector = f["TtlSelA"]
        if form == "200" and at_least(version, V(2, 1, 101)):
            selector |= f["TtlSelB"] << 4
        rec.u8(1, selector)
        rec.u8(2, f["TtlSelD"] << 3 | f["TtlSelC"] & 7)
        rec.u8(3, f["TtlSelE"])
        put_f32(rec, 4, f["TtlFactor"])
        put(rec, 8, text_field(f["ShortText"], 8))
        put(rec, 16, text_field(f["Name"], 24))
        _ttl_events(rec, 40, f, version, count, convert=form == "200")
        if form == "200":
            put(rec, 80, byte_text_field(f["Text"], 120, 119))
        return rec.bytes()
    rec = Record(248)
    mode = f["TtlMode"]
    if mode > 4:
        raise Invalid(11021)
    rec.u8(0, mode)
    rec.u8(1, f["TtlSelA"])
    if at_least(version, V(2, 1, 101)):
        rec.u8(2, f["TtlSelB"])
    rec.u8(3, f["TtlSelC"])
    if mode == 1:
        rec.u8(4, f["TtlByte"])
    elif mode == 3:
        rec.u8(4, f["ModeByte"])
        rec.u8(5, f["ModeFlag"])
        rec.u16(6, f["ModeWord"])
        rec.u8(8, f["ModeSignedA"])
        rec.u8(9, f["ModeSignedB"])
        rec.u32(12, f["ModeLong"])
    rec.u8(16, f["TtlSelD"])
    rec.u8(17, f["TtlSelE"])
    put_f32(rec, 20, f["TtlFactor"])
    put(rec, 24, text_field(f["ShortText"], 8))
    put(rec, 32, text_field(f["Name"], 24))
    put(rec, 76, byte_text_field(f["Text"], 120, 119))
    # Written after the text: with four events (never for a 248-byte target) they would
    # cover its first bytes.
    _ttl_events(rec, 56, f, version, count, convert=True)
    return rec.bytes()


# --- timers ---------------------------------------------------------------------------------

TMR_DEFAULTS = {"TmrByte": 0, "TmrValue": 0, "Name": "", "ActionA": 0, "ActionB": 0, "Codes": [0, 0, 0, 0]}


def tmr_record(version, fields):
    f = {**TMR_DEFAULTS, **fields}
    if version < V(1, 5, 0):
        raise TooOld(version)
    if version < V(1, 6, 0):
        return b""
    if version <= FIRST_LINE_UP_TO:
        rec = Record(44)
        rec.u8(0, f["TmrByte"])
        rec.u32(4, f["TmrValue"])
        put(rec, 8, text_field(f["Name"], 32))
        for i in range(4):
            rec.u8(40 + i, encode_code(version, f["Codes"][i]))
        return rec.bytes()
    if version < V(2, 0, 0) or (version > SECOND_LINE_UP_TO and not in_branch(version)):
        raise TooNew(version)
    rec = Record(40)
    rec.u8(0, f["TmrByte"])
    a, b = f["ActionA"] & 3, f["ActionB"] & 3
    codes = list(f["Codes"])
    if converts_codes(version):
        for i in range(4):
            codes[i], a, b = convert_above_2_1_80(codes[i], a, b)
    rec.u8(1, (b & 3) << 2 | a & 3)
    rec.u32(4, f["TmrValue"])
    put(rec, 8, text_field(f["Name"], 24))
    for i in range(4):
        rec.u16(32 + 2 * i, codes[i])
    return rec.bytes()


# --- PID regulators ---------------------------------------------------------------------------

# (name, kind, offset, mode): kind "packed" is a (mantissa, decimals) pair, "u16"/"i16" a
# fixed value's mantissa, "source" a (kind, index) pair, "u8" a byte.
PID_FIELDS = [
    ("SourceA", "source", 26, (1, 2)), ("ByteA", "u8", 28, (1, 2)), ("SourceB", "source", 29, (1,)),
    ("SourceC", "source", 29, (2,)), ("ByteC", "u8", 31, (1,)), ("ByteD", "u8", 32, (1,)),
    ("ByteE", "u8", 32, (2,)), ("ByteB", "u8", 33, (1, 2)), ("WordA", "u16", 34, (1, 2)),
    ("ValueA", "packed", 36, (1, 2)), ("ValueB", "packed", 40, (1, 2)), ("ValueC", "packed", 44, (1, 2)),
    ("ValueD", "packed", 48, (1, 2)), ("ValueE", "packed", 52, (1, 2)), ("ValueF", "packed", 56, (1, 2)),
    ("ValueG", "packed", 60, (1, 2)), ("ValueM", "packed", 64, (1,)), ("FixedT", "u16", 64, (2,)),
    ("FixedU", "u16", 66, (2,)), ("ValueN", "packed", 68, (1,)), ("FixedV", "u16", 68, (2,)),
    ("FixedW", "u16", 70, (2,)), ("ValueH", "packed", 72, (1, 2)), ("ValueI", "packed", 76, (1, 2)),
    ("FixedO", "u16", 80, (1,)), ("SourceD", "source", 80, (2,)), ("FixedP", "u16", 82, (1,)),
    ("FixedJ", "u16", 84, (1, 2)), ("FixedK", "i16", 86, (1, 2)), ("FixedQ", "i16", 88, (1,)),
    ("FixedR", "i16", 90, (1,)), ("ValueL", "packed", 92, (1, 2)), ("FixedS", "i16", 96, (1,)),
]

PID_DEFAULTS = {
    "Name": "", "Mode": 0, "SourceA": (0, 0), "ByteA": 0, "ByteB": 0, "WordA": 0,
    "ValueA": (0, 0), "ValueB": (1000, 1), "ValueC": (0, 0), "ValueD": (0, 0), "Text": b"",
    "ValueE": (0, 0), "ValueF": (10, 1), "ValueG": (0, 0), "ValueH": (0, 0), "ValueI": (0, 0),
    "FixedJ": 1000, "FixedK": 0, "ValueL": (0, 0), "SourceB": (0, 0), "ValueM": (0, 0), "ValueN": (10, 1),
    "FixedO": 80, "FixedP": 10000, "FixedQ": 0, "FixedR": 1000, "ByteC": 2, "ByteD": 0, "FixedS": 0,
    "FixedT": 2, "FixedU": 1, "FixedV": 0, "FixedW": 0, "SourceC": (0, 0), "SourceD": (0, 0), "ByteE": 0,
}


# The mantissa and decimal limits a packed value is written within.
PID_LIMITS = {"ValueA": (1, 6, -9999999, 9999999), "ValueB": (1, 6, -9999999, 9999999),
              "ValueD": (1, 6, -9999999, 9999999), "ValueI": (1, 6, -9999999, 9999999),
              "ValueC": (1, 4, 0, 99999), "ValueE": (1, 4, 0, 99999), "ValueG": (1, 4, 0, 99999),
              "ValueL": (1, 4, 0, 99999), "ValueM": (1, 4, 0, 99999), "ValueN": (1, 4, 0, 99999),
              "ValueF": (1, 4, 1, 99999), "ValueH": (1, 4, -99999, 99999)}


def _tenth_rounded(m):
    q = abs(m) // 10 * (1 if m >= 0 else -1)
    r = m - q * 10
    return q + 1 if r >= 5 else q - 1 if r <= -5 else q


def normalize_decimal(m, d, min_prec, max_prec, low, high):
    """A (mantissa, decimals) pair brought within the limits, one decimal at a time."""
    zero = 0 if (low < 0) != (high < 0) else low
    if m == 0 or (m < 0 and low >= 0):
        m, d = zero, max_prec
    else:
        if d < min_prec:
            m = max(-2147483648, min(2147483647, m * 10 ** (min_prec - d)))
            d = min_prec
        if m > 0:
            while m > high and d > min_prec:
                m, d = _tenth_rounded(m), d - 1
            if m > high:
                return high, min_prec
            while d > max_prec:
                m, d = _tenth_rounded(m), d - 1
            if m < zero and d == max_prec:
                m = zero
        else:
            while m < low and d > min_prec:
                m, d = _tenth_rounded(m), d - 1
            if m < low:
                return low, min_prec
            while d > max_prec:
                m, d = _tenth_rounded(m), d - 1
    while d > min_prec and m % 10 == 0:
        m, d = m // 10, d - 1
    return m, d


def pid_record(version, fields, normalise=True):
    """Packed values are (mantissa, decimals) pairs, written within their limits as a
    recorder holds them (normalise=False writes the pairs as given)."""
    f = {**PID_DEFAULTS, **fields}
    if version < V(2, 1, 150) or in_branch(version):
        raise TooOld(version)
    if version > SECOND_LINE_UP_TO:
        raise TooNew(version)
    rec = Record(248)
    put(rec, 0, text_field(f["Name"], 24))
    mode = f["Mode"]
    rec.u8(24, mode)
    if mode == 0:
        if version < V(2, 1, 160, 28):
            rec.u32(56, packed_word(10, 1))
        return rec.bytes()
    if mode > 2:
        raise Invalid(11754)
    for name, kind, offset, modes in PID_FIELDS:
        if mode not in modes:
            continue
        value = f[name]
        if kind == "packed":
            if normalise:
                value = normalize_decimal(*value, *PID_LIMITS[name])
            rec.u32(offset, packed_word(*value))
        elif kind in ("u16", "i16"):
            rec.u16(offset, value)
        elif kind == "source":
            rec.u8(offset, value[0])
            rec.u8(offset + 1, value[1])
        else:
            rec.u8(offset, value)
    put(rec, 128, byte_text_field(f["Text"], 120, 119))
    return rec.bytes()


# --- tag fields --------------------------------------------------------------------------

def tag_record(type_byte, short_area, long_area):
    rec = Record(248)
    rec.u8(0, type_byte)
    put(rec, 4, bytes(short_area).ljust(24, b"\0"))
    put(rec, 28, bytes(long_area).ljust(220, b"\0"))
    return rec.bytes()


# --- schedule ---------------------------------------------------------------------------------

def schedule_item(version, enabled, item_byte, times, codes, info_version=None):
    """One item of the schedule stream; 1.x codes are encoded at the device's version."""
    info_version = version if info_version is None else info_version
    if version < V(1, 6, 0):
        raise TooOld(version)
    if V(1, 10, 21) <= version < V(2, 0, 0) or (version > SECOND_LINE_UP_TO and not in_branch(version)):
        raise TooNew(version)
    first_line = version < V(2, 0, 0)
    rec = Record(11 if first_line else 13)
    rec.u8(0, 1 if enabled else 0)
    rec.u8(1, item_byte)
    for i in range(7):
        rec.u8(2 + i, times[i])
    if first_line:
        rec.u8(9, encode_code(info_version, codes[0]))
        rec.u8(10, encode_code(info_version, codes[1]))
    else:
        rec.u16(9, codes[0])
        rec.u16(11, codes[1])
    return rec.bytes()
