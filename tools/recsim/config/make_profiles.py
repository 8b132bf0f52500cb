#!/usr/bin/env python3
"""Writes the configuration profiles of the simulated recorder: for every recorder below,
<name>.profile (who it is and every configuration record, record file and blob it
serves, as bytes) and <name>.expect (the field values a configuration read must find in
each block afterwards). The record bytes come from the block encoders of the
configuration tests (tests/recorder/config/vectors), written from the device's record
layouts, never from the program's codecs; the simulator compiles the .profile texts in
and serves them as they are.

A profile is consistent the way a real recorder is: totalizers and counters only before
2.1.25 and TTL channels not on 2.0-2.1.24, 16 or 20 channels per display page from
2.1.90 on, the mnemonic scheme (feature bit 14) from 2.1.91, the AMX program (15) from
2.1.70 and the user tables (19) from 2.1.127, none of them on the 2.2 branch; PID
regulators (25) from 2.1.150. Function 0x69 carries the scheme blob before 2.1.127 and
the record files from then on, so the second board format (a record file, bit 27) is
given only to recorders from 2.1.127 on.

Standard library only. Run: python3 make_profiles.py; with --check it writes nothing and
fails when a file here is not what it would write (the tests run it so).
"""
import os
import struct
import sys

sys.dont_write_bytecode = True  # nothing left behind in the vectors' folder

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "recorder", "config", "vectors"))

import _block_records as blk  # noqa: E402
import ai_ao  # noqa: E402
import general  # noqa: E402
import streams  # noqa: E402
from _event_codes import code  # noqa: E402
from _records import version as V  # noqa: E402
from blocks import flatten  # noqa: E402

# Feature bits.
SCHEDULE, TABLO, CP, TAGS, MS, AMX, TABLES, BOARDS1, PID, BOARDS2 = 0, 8, 10, 13, 14, 15, 19, 24, 25, 27
LOGIN = 16  # a level may be protected by a password: the upload logs in first

READ, READ_LONG, MS_BLOB, AMX_BLOB_OLD, AMX_BLOB = 0x65, 0x6B, 0x69, 0x6B, 0x6F
FILE_MS, FILE_TABLES, FILE_AMX, FILE_BOARDS2 = 1, 2, 3, 4

# --- What the simulator's profile builder gives a recorder's channels (the information
# records it serves), which the configuration records must agree with. ---

# Signal codes of the signal-support entries, in the device's order; every analog input
# accepts the first 16 of them (24 from 2.1.150 on).
SIGNAL_CODES = [1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 10, 0]
# Every discrete input offers the modes 0 "нет" and 1 "дискретный".
DI_MODES = [0, 1]
# The 2.x recorders' own analog output range (record 0 and the defaults of the model).
AO_RANGE = (0.0, 23.0, 3)
USER_TABLES, USER_TABLE_POINTS, USER_TABLE_TOTAL = 2, 16, 64
MS_CAPACITY = 128


def in_branch(v):
    return V(2, 2, 0) <= v <= V(2, 2, 3, 255)


def at_least(v, limit):
    return v >= limit and not in_branch(v)


class Profile:
    def __init__(self, name, firmware, model, features, serial, brand="corvane", hw="2.5.0.0", ai=8, physai=None,
                 di=8, do=8, ao=2, ip=4, extao=0, extdo=0, signals=10, pages=4, pagechannels=12, sm=0, ct=0,
                 tmr=2, ttl=0, ctl=0, selector1=5):
        self.name, self.brand, self.hw, self.model, self.serial = name, brand, hw, model, serial
        self.firmware = firmware
        self.v = V(*firmware)
        self.features = set(features)
        self.counts = dict(ai=ai, physai=ai if physai is None else physai, di=di, do=do, ao=ao, ip=ip,
                           extao=extao, extdo=extdo, signals=signals, pages=pages, pagechannels=pagechannels,
                           sm=sm, ct=ct, tmr=tmr, ttl=ttl, ctl=ctl if PID in self.features else 0)
        self.selector1 = selector1
        self.records = {}
        self.files = {}
        self.blobs = {}
        self.items = []  # (item key, flattened fields)
        # What the read asks for: (requests the configuration read sends, the fewest
        # requests the frame sizes allow), summed over the blocks.
        self.requests, self.minimum = 0, 0
        self.check()

    def has(self, bit):
        return bit in self.features

    def check(self):
        v, c = self.v, self.counts
        assert self.model in (21, 51), self.name
        if at_least(v, V(2, 1, 25)):
            assert c["sm"] == c["ct"] == 0, "no totalizers or counters from 2.1.25 on"
        if v < V(2, 1, 25):
            assert c["ttl"] == 0, "no TTL channels below 2.1.25"
        if at_least(v, V(2, 1, 90)):
            assert c["pagechannels"] in (16, 20), "16 or 20 channels per page from 2.1.90 on"
        for bit, since in ((MS, V(2, 1, 91)), (AMX, V(2, 1, 70)), (TABLES, V(2, 1, 127)), (PID, V(2, 1, 150)),
                           (BOARDS2, V(2, 1, 127))):
            assert not self.has(bit) or at_least(v, since), "feature bit %d before it exists" % bit
        assert c["di"] <= 64
        assert c["pages"] <= 15, "pages end below the summary board's record 127"

    # --- the device's side ---

    def tag_fields(self):
        return 4 if self.has(TAGS) and at_least(self.v, V(2, 1, 53)) else 0

    def put(self, function, number, data):
        assert 0 <= number <= 0xFF and (function, number) not in self.records, (self.name, function, number)
        self.records[(function, number)] = bytes(data)

    def count_run(self, records, one_per_request=False):
        """A run of records of one size: the read packs as many as one reply carries (252
        bytes of records, 2 bytes in front of each), unless it asks one per request."""
        if not records:
            return
        fit = max(1, 252 // (len(records[0]) + 2))
        frames = -(-len(records) // fit)
        self.requests += len(records) if one_per_request else frames
        self.minimum += frames

    def put_run(self, count, base, long_base, records, one_per_request=False):
        """A block of up to 32 items at base by 0x65, a larger one at long_base by 0x6B."""
        function, first = (READ, base) if count <= 32 else (READ_LONG, long_base)
        for i, data in enumerate(records):
            self.put(function, first + i, data)
        self.count_run(records, one_per_request)

    def put_single(self, number, data):
        self.put(READ, number, data)
        self.count_run([data])

    def put_file(self, number, data):
        """A record file: the size query, then blocks of 248 bytes."""
        self.files[number] = bytes(data)
        self.requests += 1 + -(-len(data) // 248)
        self.minimum += 1 + -(-len(data) // 248)

    def put_blob(self, function, data):
        """A blob, its header included, in chunks of 246 bytes."""
        self.blobs[function] = bytes(data)
        self.requests += -(-len(data) // 246)
        self.minimum += -(-len(data) // 246)

    def expect(self, key, fields):
        self.items.append((key, flatten(fields)))

    # --- text output ---

    def profile_text(self):
        c = self.counts
        lines = ["# Written by make_profiles.py from the configuration tests' record encoders; do not edit.",
                 "name %s" % self.name, "brand %s" % self.brand, "firmware %d.%d.%d" % self.firmware,
                 "model %d" % self.model, "serial %d" % self.serial, "hw %s" % self.hw,
                 "features %08X" % sum(1 << bit for bit in self.features)]
        lines += ["%s %d" % (key, c[key]) for key in ("ai", "physai", "di", "do", "ao", "ip", "extao", "extdo",
                                                     "signals", "pages", "pagechannels", "sm", "ct", "tmr",
                                                     "ttl", "ctl")]
        for (function, number), data in sorted(self.records.items()):
            lines.append("record %02X %02X %s" % (function, number, data.hex().upper()))
        for number, data in sorted(self.files.items()):
            lines.append("file %d %s" % (number, data.hex().upper()))
        for function, data in sorted(self.blobs.items()):
            lines.append("blob %02X %s" % (function, data.hex().upper()))
        return "\n".join(lines) + "\n"

    def expect_text(self):
        lines = ["# Written by make_profiles.py: the fields a configuration read of %s finds; do not edit." % self.name]
        lines.append("requests %d" % self.requests)
        lines.append("minimum %d" % self.minimum)
        for block, count in self.block_counts():
            lines.append("count %s %d" % (block, count))
        for key, fields in self.items:
            lines.append("item %s" % key)
            lines += ["field %s=%s" % (name, value) for name, value in fields.items()]
        return "\n".join(lines) + "\n"

    def block_counts(self):
        c = self.counts
        return [("AI", c["ai"]), ("AO", c["ao"] + c["extao"]), ("DI", c["di"]), ("DO", c["do"] + c["extdo"]),
                ("IP", c["ip"]), ("Pages", c["pages"]), ("SM", c["sm"]), ("CT", c["ct"]), ("TTL", c["ttl"]),
                ("TMR", c["tmr"]), ("Ctl", c["ctl"]), ("TagFields", self.tag_fields()),
                ("Schedule", 12 if self.has(SCHEDULE) else 0)]


# --- The blocks. Each item's values vary with its index, so a record stored into the
# wrong item, block or form shows. Values are chosen inside what the readers accept, so
# the fields read are the fields written. ---

def ev(header, c0, c1, params=(0, 0)):
    """An event item whose codes no conversion above 2.1.80 touches (classes 3, 5, 7)."""
    return {"Header": header, "Params": list(params), "Codes": [c0, c1]}


def add_general(p):
    v = p.v
    tenths = (12, 250, 7)
    selector32 = 0x5A if at_least(v, V(2, 1, 130)) else 0
    name = "Линия %d" % (p.serial % 100000)
    p.put_single(0, general.general_record(v, 3, p.selector1, True, name, 0, tenths, selector32))
    fields = {"Selector0": 3, "Selector1": p.selector1, "Switch2": True, "Selector3": 0, "Name": name}
    if v >= V(2, 1, 0):
        fields.update(TenthsA=tenths[0], TenthsB=tenths[1], TenthsC=tenths[2], Selector32=selector32)
    p.expect("General", fields)


def add_ai(p):
    """Current, voltage and mathematical inputs by turns, at the positions the device's
    channels offer those signals (the layouts' own examples number them otherwise)."""
    v, count = p.v, p.counts["ai"]
    records = []
    for i in range(count):
        position = [0, 1, 7][i % 3]
        signal = SIGNAL_CODES[position]
        name = "АВх %d" % (i + 1)
        units = {1: "мА", 2: "В"}.get(signal, "")
        tf, expression = (4, b"a%d+1" % (i % 8 + 1)) if signal == 8 else (1, b"")
        low, high = (45 + i, 1), (205, 1)
        scale = ((-125, 1), (12341 + 2 * i, 2))  # an odd last digit: no decimal to drop
        if v < V(2, 1, 0):
            record = ai_ao.ai_form_f(name, signal, (low, high), (2, 2), 0, tf, scale, (1, 2), units,
                                     [ai_ao.event14(0, (0, 1), (0, 1))] * 4, signal=position, expression=expression)
            record = patched(record, 32, position)
        elif v < V(2, 1, 159) or in_branch(v):
            record = ai_ao.ai_form_g(v, name, signal, (low, high), (2, 2), 0, tf, scale, 2, units,
                                     [ai_ao.event14(0, (0, 1), (0, 1))] * 4, expression=expression)
            record = patched(record, 32, position)
        else:
            record = ai_ao.ai_form_h(name, signal, (2, 2), tf, 0, 0, scale, 2, units,
                                     [ai_ao.event16(0, (0, 1), (0, 1))] * 4, input_range=(low, high),
                                     expression=expression)
            record = patched(record, 24, position)
        records.append(record)
        fields = {"Name": name, "SignalIndex": position, "Units": units, "TransferFunction": tf,
                  "ScaleLow": "%d/%d" % scale[0], "ScaleHigh": "%d/%d" % scale[1]}
        if tf in (1, 2, 3) or v < V(2, 1, 159) or in_branch(v):
            fields.update(InputLow="%d/%d" % low, InputHigh="%d/%d" % high)
        if expression:
            fields["Expression"] = expression
        p.expect("AI[%d]" % i, fields)
    p.put_run(count, 0x10, 0x00, records, one_per_request=True)


def patched(record, offset, value):
    """The record with one byte set: the signal's position as this device numbers it."""
    out = bytearray(record)
    out[offset] = value
    return bytes(out)


def add_ao(p):
    v, count = p.v, p.counts["ao"] + p.counts["extao"]
    records = []
    for i in range(count):
        name = "АВых %d" % (i + 1)
        value = (25 + 10 * i, 1) if i % 2 == 0 else (-1234 - i, 2)
        expression = b"a%d*2" % (i + 1)
        if v < V(2, 1, 110) or in_branch(v):
            records.append(ai_ao.ao_record_160(name, 1, 2, 2, value, expression))
        else:
            assert i < p.counts["ao"], "extension outputs need their own settings"
            records.append(ai_ao.ao_record_248(v, name, 1, ai_ao.EXPRESSION, 2, 2, i % 2, value, expression))
        p.expect("AO[%d]" % i, {"Name": name, "ControlTypeIndex": 1, "OutputValue": "%d/%d" % value,
                                "Expression": expression})
    p.put_run(count, 0xC0, 0x40, records, one_per_request=True)


def add_di(p):
    v, count = p.v, p.counts["di"]
    records = []
    for i in range(count):
        mode = i % len(DI_MODES)
        event = ev(0x05 + i % 8, code(3, i % 4), code(5, 1), (i, 2 * i))
        fields = {"Name": "ДВ вход %d" % (i + 1), "ModeIndex": mode, "Param0": 10 + i, "Events": [event, ev(0, 0, 0)]}
        text = b"di %d" % i
        if v >= V(2, 1, 51):
            fields["Text"] = text
        records.append(blk.di_record(v, DI_MODES[mode], fields))
        expected = dict(fields)
        expected["Text"] = text if "Text" in fields else b""
        p.expect("DI[%d]" % i, expected)
    p.put_run(count, 0x50, 0xC0, records, one_per_request=True)


def add_do(p):
    v, count = p.v, p.counts["do"] + p.counts["extdo"]
    if not at_least(v, V(2, 1, 54)):
        return  # the relays have no configuration records before 2.1.54 (nor on the branch)
    records = []
    for i in range(count):
        fields = {"Name": "Реле %d" % (i + 1), "Text": b"relay %d" % i, "ControlIndex": 0}
        if blk.do_size(v) == 220:
            fields.update(Mode=0, OptionA=i % 2, OptionB=i % 3)
        records.append(blk.do_record(v, fields, [0, 1, 2, 3]))
        p.expect("DO[%d]" % i, fields)
    p.put_run(count, 0x30, 0x80, records)


def add_ip(p):
    records = []
    for i in range(p.counts["ip"]):
        header, params, codes, spare = 0x03 + i, (i, 0x20 + i), (code(7, i), code(3, 2)), 0x40 + i
        records.append(blk.ip_record(p.v, header, params, codes, spare))
        p.expect("IP[%d]" % i, {"Event": {"Header": header, "Params": list(params), "Codes": list(codes),
                                          "Spare": spare}})
    p.put_run(len(records), 0xE0, None, records)


def channel_source(p, n):
    """A value source the device has: AI and DI channels by turns."""
    kinds = [(kind, p.counts[key]) for kind, key in ((1, "ai"), (3, "di")) if p.counts[key]]
    if not kinds:
        return 0, 0
    kind, count = kinds[n % len(kinds)]
    return kind, n % count


def page_form(p):
    v = p.v
    if in_branch(v):
        return "248b", 20
    if v < V(2, 1, 0):
        return "100", 8
    if v < V(2, 1, 10):
        return "164a", 12
    if v < V(2, 1, 90):
        return "164b", 12
    return ("204", 16) if p.counts["pagechannels"] == 16 else ("248", 20)


def add_pages(p):
    v = p.v
    form, slots = page_form(p)
    named = form != "100"
    records = []
    for i in range(p.counts["pages"]):
        channels = []
        for k in range(slots):
            kind, index = channel_source(p, i + k)
            channels.append(blk.slot(kind, index, (i + k) % 8, k % 3, -10.0 * k, 1, 100.0 + k, 2))
        name = "Стр. %d" % (i + 1)
        setting20 = (i + 2) % 8
        fields = {"Mode0": i % 2, "Name": name, "Setting20": setting20, "Channels": channels}
        records.append(blk.page_record(v, fields, form))
        expected = {"Mode0": i % 2, "ChannelCount": slots,
                    "Setting20": setting20 if at_least(v, V(2, 1, 91)) else p.selector1}
        if named:
            expected["Name"] = name
        for k, s in enumerate(channels[:4]):
            expected["Channels[%d].Source.Kind" % k] = s["Kind"]
            expected["Channels[%d].Source.Index" % k] = s["Index"]
            expected["Channels[%d].Pen" % k] = s["Pen"]
        p.expect("Pages[%d]" % i, expected)
    p.put_run(len(records), 0x70, None, records, one_per_request=True)


def add_tablo(p):
    v = p.v
    if not p.has(TABLO) or v < V(2, 1, 0):
        return  # a 2.0 recorder has no summary board record whatever its feature bit says
    form = blk.board_form(v)
    slots = [channel_source(p, i) for i in range(32)]
    name = "Табло" if form == 200 else ""
    p.put_single(127, blk.board_record(form, 1, slots, name))
    p.expect("TabloPage", {"Mode": 1, "Name": name,
                           "Slots": [{"Kind": kind, "Index": index} for kind, index in slots]})


def add_counters(p):
    v = p.v
    records = []
    for i in range(p.counts["sm"]):
        fields = {"Name": "Сумматор %d" % (i + 1), "ShortText": "СМ%d" % (i + 1), "SmWord": 1000 + i,
                  "SmByte0": i}
        records.append(blk.sm_record(v, fields))
        p.expect("SM[%d]" % i, fields)
    p.put_run(len(records), 0x90, None, records)
    records = []
    for i in range(p.counts["ct"]):
        fields = {"Name": "Счётчик %d" % (i + 1), "ShortText": "СЧ%d" % (i + 1), "CtValue": 12.5 + i,
                  "CtFactor": 0.25, "CtByte0": 1, "CtByte1": 0}
        records.append(blk.ct_record(v, fields))
        p.expect("CT[%d]" % i, fields)
    p.put_run(len(records), 0x94, None, records)


def add_ttl(p):
    v = p.v
    records = []
    for i in range(p.counts["ttl"]):
        fields = {"Name": "ТТЛ %d" % (i + 1), "ShortText": "T%d" % (i + 1), "TtlFactor": 2.5 + i, "TtlSelA": 1,
                  "TtlSelC": i % 4, "TtlSelE": 3, "Text": b"ttl %d" % i}
        records.append(blk.ttl_record(v, fields))
        expected = {k: fields[k] for k in ("Name", "ShortText", "TtlFactor", "TtlSelA", "TtlSelC", "TtlSelE")}
        if blk.ttl_form(v) in ("200", "248"):
            expected["Text"] = fields["Text"]
        p.expect("TTL[%d]" % i, expected)
    p.put_run(len(records), 0xA0, None, records)


def add_timers(p):
    records = []
    for i in range(p.counts["tmr"]):
        fields = {"Name": "Таймер %d" % (i + 1), "TmrValue": 60 * (i + 1), "TmrByte": i % 2,
                  "Codes": [code(5, i), code(7, 1), 0, code(3, 0)]}
        records.append(blk.tmr_record(p.v, fields))
        p.expect("TMR[%d]" % i, fields)
    p.put_run(len(records), 0x98, None, records)


def add_regulators(p):
    records = []
    for i in range(p.counts["ctl"]):
        fields = {"Name": "ПИД %d" % (i + 1), "Mode": 1, "Text": b"pid %d" % i, "ByteA": i}
        records.append(blk.pid_record(p.v, fields))
        p.expect("Ctl[%d]" % i, fields)
    p.put_run(len(records), 0x80, None, records)


def add_schedule(p):
    if not p.has(SCHEDULE):
        return
    stream = b""
    for i in range(12):
        times = [(i + t) % 24 for t in range(7)]
        codes = [code(5, i % 4), code(3, 1)]
        stream += blk.schedule_item(p.v, i % 3 != 0, i, times, codes)
        fields = {"Enabled": i % 3 != 0, "ItemByte": i, "Codes": codes}
        fields.update({"Time%d" % (t + 1): times[t] for t in range(7)})
        p.expect("Schedule[%d]" % i, fields)
    p.put_single(10, stream)


def add_tags(p):
    records = []
    for i in range(p.tag_fields()):
        short, long = b"tag %d" % i, bytes(range(i, i + 40))
        records.append(blk.tag_record(i % 4, short, long))
        p.expect("TagFields[%d]" % i, {"Type": i % 4, "ShortArea": short.ljust(24, b"\0"),
                                       "LongArea": long.ljust(220, b"\0")})
    p.put_run(len(records), 0xB0, None, records)


def add_cp(p):
    if not p.has(CP):
        return
    items = [(1, 1, 0, "Вход"), (3, 7, 2, ""), (p.serial % 200, 0, 1, "Котёл №%d" % (p.serial % 10))]
    p.put_single(7, streams.cp_record(items))
    p.expect("CP", {"Format": 1, "ItemCount": len(items),
                    "Items": [{"FirstCode": a, "SecondCode": b, "Kind": k, "Text": streams.cp1251(t)}
                              for a, b, k, t in items]})


def add_boards1(p):
    if not p.has(BOARDS1):
        return
    boards = [((1, 5), [streams.tim1_screen(200, [streams.tim1_analog(2, 0, 3, 1, "", "")])]),
              ((0, 9), [streams.tim1_screen(4, [streams.tim1_text("Т1"),
                                                streams.tim1_analog(1, 2, 5, 2, "ПЕРЕГР", "ОБР"),
                                                streams.tim1_discrete(3, 1, "ВЫКЛ", "ВКЛ", "ОБР", "КЗ")])])]
    p.put_single(6, streams.tim1_record(boards))
    cp = streams.cp1251
    p.expect("TIM2v1", {"Format": 1, "BoardCount": 2, "Boards": [
        {"Address": "0.9", "Screens": [{"ScreenCode": 4, "Elements": [
            {"Type": 1, "Text": cp("Т1")},
            {"Type": 2, "Source": {"Kind": 1, "Index": 2}, "Digits": 5, "Decimals": 2,
             "OverloadText": cp("ПЕРЕГР"), "BreakText": cp("ОБР")},
            {"Type": 3, "Source": {"Kind": 3, "Index": 1}, "OpenText": cp("ВЫКЛ"), "ClosedText": cp("ВКЛ"),
             "BreakText": cp("ОБР"), "ShortText": cp("КЗ")}]}]},
        {"Address": "1.5", "Screens": [{"ScreenCode": 200, "Elements": [
            {"Type": 2, "Source": {"Kind": 2, "Index": 0}, "Digits": 3, "Decimals": 1, "OverloadText": b"",
             "BreakText": b""}]}]}]})


def add_boards2(p):
    if not p.has(BOARDS2):
        return
    boards = [((7, 1), [(255, "Котёл")]), ((0, 3), [(5, "AB"), (0, "")])]
    p.put_file(FILE_BOARDS2, streams.tim2_stream(boards))
    p.expect("TIM2v2", {"Format": 2, "BoardCount": 2, "Boards": [
        {"Address": "0.3", "Items": [{"ItemCode": 5, "Text": b"AB"}, {"ItemCode": 0, "Text": b""}]},
        {"Address": "7.1", "Items": [{"ItemCode": 255, "Text": streams.cp1251("Котёл")}]}]})


def blobs_before_files(v):
    return not at_least(v, V(2, 1, 127))


def add_amx(p):
    if not p.has(AMX):
        return
    code_bytes = bytes((p.serial + i) % 256 for i in range(300))
    carried = bytes([9, 8, 7, 6, 5, 4])
    stream = streams.amx_stream(code_bytes, carried)
    if blobs_before_files(p.v):
        # The blob is the stream: its presence byte is the format, its size the code's.
        p.put_blob(AMX_BLOB if p.v >= V(2, 1, 110) else AMX_BLOB_OLD, stream)
    else:
        p.put_file(FILE_AMX, stream)
    p.expect("AMX", {"Header": stream[:12], "Code": code_bytes})


def add_tables(p):
    if not p.has(TABLES):
        return
    tables = [([(i, 0x1000 + i) for i in range(5)], bytes(range(1, 27))), ([(0xFFFFFFFF, 7)],)]
    stream = streams.ut_stream(tables + [([],)] * 6, USER_TABLE_POINTS)
    p.put_file(FILE_TABLES, stream)
    carried = [tables[0][1], bytes(26)]
    p.expect("UserTables", {"TableCount": USER_TABLES, "Tables": [
        {"Header": struct.pack("<H", len(t[0])) + carried[n],
         "Points": [{"Value1": a, "Value2": b} for a, b in t[0]]} for n, t in enumerate(tables)]})


def add_ms(p):
    if not p.has(MS):
        return
    pages = []
    expected_pages = []
    for i in range(p.counts["pages"]):
        widgets = [streams.ms_widget(k % 6, bytes((i + k + j) % 256 for j in range(streams.MS_WIDGET_SIZES[k % 6])))
                   for k in range(i + 1)]
        data = bytes([0xD0 + i]) * (i + 1)
        carried = bytes([0xA0 + i, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5])
        page = streams.ms_page(1 + i % 2, data, widgets, carried)
        pages.append(page)
        expected_pages.append({"Header": page[:12], "Data": data,
                               "Widgets": [{"Type": w[0], "Data": w[2:]} for w in widgets]})
    limit = streams.ms_limit_byte(p.firmware, MS_CAPACITY)
    stream = streams.ms_stream(p.counts["pages"], limit, pages, carried=bytes([0xC2, 0xC3, 0xC6, 0xC7]))
    if blobs_before_files(p.v):
        p.put_blob(MS_BLOB, stream)
    else:
        p.put_file(FILE_MS, stream)
    p.expect("MS", {"Header": stream[:12], "PageCount": p.counts["pages"], "Pages": expected_pages})


BLOCKS = [add_general, add_ai, add_ao, add_di, add_do, add_ip, add_pages, add_tablo, add_counters, add_ttl, add_timers,
          add_regulators, add_schedule, add_tags, add_cp, add_boards1, add_boards2, add_amx, add_tables, add_ms]


# --- The recorders. The update road from 2.0.20 to 2.1.160 on the first brand line's
# hardware 2.5, for which the release carries images (models 21 and 51); a large one;
# the 2.2 branch for the tests of the upload job; and small ones at the firmware
# boundaries of the configuration read. ---

def profiles():
    road = [
        Profile("corvane-21-2.0.20-h2.5", (2, 0, 20), 21, [SCHEDULE, TABLO, CP, BOARDS1], 2020025, ip=2,
                pagechannels=8, sm=2, ct=1, selector1=4),
        Profile("corvane-21-2.1.20-h2.5", (2, 1, 20), 21, [SCHEDULE, TABLO, CP], 2120025, sm=1, ct=1),
        Profile("corvane-21-2.1.54-h2.5", (2, 1, 54), 21, [SCHEDULE, TABLO, TAGS], 2154025, ttl=2, tmr=4),
        # The recorder the README walks to, and the same with the login. Who they are and
        # what their information records say stay as the tests of the update road know
        # them: eight inputs, eight relays, four pages of six channels, nothing more.
        Profile("corvane-21-2.1.70-h2.5", (2, 1, 70), 21, [TAGS], 2170025, ao=0, ip=0, pagechannels=6, tmr=0),
        Profile("corvane-21-2.1.70-h2.5-login", (2, 1, 70), 21, [TAGS, LOGIN], 2170026, ao=0, ip=0, pagechannels=6,
                tmr=0),
        Profile("corvane-21-2.1.90-h2.5", (2, 1, 90), 21, [SCHEDULE, TABLO, CP, TAGS, AMX, BOARDS1], 2190025,
                di=16, pagechannels=16, ttl=2, tmr=4, selector1=6),
        Profile("corvane-51-2.1.110-h2.5", (2, 1, 110), 51, [SCHEDULE, TABLO, TAGS, MS, AMX], 2111025, pages=5,
                pagechannels=20, ttl=2),
        Profile("corvane-21-2.1.127-h2.5", (2, 1, 127), 21, [SCHEDULE, TABLO, CP, TAGS, MS, AMX, TABLES, BOARDS2],
                2112725, pagechannels=16, ttl=1),
        Profile("corvane-51-2.1.132-h2.5", (2, 1, 132), 51,
                [SCHEDULE, TABLO, TAGS, MS, AMX, TABLES, BOARDS1, BOARDS2], 2113225, pages=6, pagechannels=20,
                ttl=2),
        Profile("corvane-51-2.1.157-h2.5", (2, 1, 157), 51,
                [SCHEDULE, TABLO, CP, TAGS, MS, AMX, TABLES, PID, BOARDS2], 2115725, pagechannels=20, ttl=2,
                ctl=2, do=6, extdo=2),
        Profile("corvane-21-2.1.160-h2.5", (2, 1, 160), 21,
                [SCHEDULE, TABLO, CP, TAGS, MS, AMX, TABLES, PID, BOARDS1, BOARDS2], 2116025, pagechannels=16,
                ttl=2, ctl=4, ao=4),
        # Blocks of more than 32 items: analog inputs, discrete inputs, relays and analog
        # outputs by 0x6B.
        Profile("corvane-51-2.1.140-h2.5-large", (2, 1, 140), 51,
                [SCHEDULE, TABLO, CP, TAGS, MS, AMX, TABLES, BOARDS2], 2114025, ai=40, physai=16, di=40, do=36,
                ao=34, ip=8, pages=8, pagechannels=20, ttl=4, tmr=8),
    ]
    branch = [
        Profile("pelkar-51-2.2.1", (2, 2, 1), 51, [SCHEDULE, TABLO, CP, BOARDS1], 2201, brand="pelkar", hw="2.1.0.0",
                pagechannels=20, ttl=2),
    ]
    edges = [
        Profile("edge-2.1.140-ai32", (2, 1, 140), 51, [], 3214032, ai=32, physai=16, di=2, do=2, ao=0, ip=0,
                pages=1, pagechannels=20, tmr=0),
        Profile("edge-2.1.53", (2, 1, 53), 21, [], 3215300, ai=1, di=1, do=4, ao=0, ip=0, pages=1, tmr=0),
        Profile("edge-2.1.54-do36", (2, 1, 54), 21, [], 3215436, ai=1, di=1, do=36, ao=0, ip=0, pages=1, tmr=0),
        Profile("edge-2.1.109-amx", (2, 1, 109), 21, [AMX], 3210900, ai=1, di=1, do=1, ao=0, ip=0, pages=1,
                pagechannels=16, tmr=0),
        Profile("edge-2.1.126-amx", (2, 1, 126), 21, [AMX], 3212600, ai=1, di=1, do=1, ao=0, ip=0, pages=1,
                pagechannels=16, tmr=0),
        # The largest blocks the long read takes: 64 each of analog inputs, analog outputs
        # (24 of them extension outputs), relays and discrete inputs fill 0x6B's records
        # 0x00-0xFF, each block ending where the next begins.
        Profile("edge-2.1.100-long64", (2, 1, 100), 21, [], 3210064, ai=64, physai=16, di=64, do=64, ao=40,
                extao=24, ip=0, pages=1, pagechannels=16, tmr=0),
    ]
    return road + branch + edges


def texts():
    """Every file this script writes, by name."""
    files = {}
    for p in profiles():
        for add in BLOCKS:
            add(p)
        files[p.name + ".profile"] = p.profile_text()
        files[p.name + ".expect"] = p.expect_text()
    return files


def main():
    files = texts()
    if sys.argv[1:] == ["--check"]:
        present = {name for name in os.listdir(HERE) if name.endswith((".profile", ".expect"))}
        stale = sorted(name for name, text in files.items()
                       if name not in present or open(os.path.join(HERE, name), encoding="utf-8").read() != text)
        extra = sorted(present - set(files))
        for name in stale:
            print("not as make_profiles.py writes it: " + name)
        for name in extra:
            print("not written by make_profiles.py: " + name)
        sys.exit(1 if stale or extra else 0)
    for name, text in files.items():
        with open(os.path.join(HERE, name), "w", encoding="utf-8", newline="\n") as out:
            out.write(text)


if __name__ == "__main__":
    main()
