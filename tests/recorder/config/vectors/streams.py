"""Encoders of the configuration blocks that travel as packed lists or streams: the CP
item list, the external display boards in both formats, the mnemonic-scheme pages, the
AMX program and the user tables. Written from the device's record and stream layouts
with the standard library only, never from the program's code, so that the tests and
the simulated recorder check the program against bytes it did not make.

Texts are given as str (encoded to code page 1251 here) or as bytes (taken as they
are). Every function returns the bytes as the recorder sends them.
"""
import struct

from _records import cp1251

RECORD_SIZE = 250          # CP items and first-format boards: one fixed record
RECORD_PAYLOAD = 246       # what follows the record's 4 header bytes
STREAM_HEADER = 12         # mnemonic scheme and AMX program
UT_TABLES = 8              # user-table slots in the stream
UT_HEADER = 28             # one table's header
UT_WRITTEN_TOTAL = 8000    # bytes 6-7 of a user-table stream as the recorder writes them

# Data bytes of a mnemonic-scheme widget, by its type.
MS_WIDGET_SIZES = {0: 17, 1: 24, 2: 17, 3: 17, 4: 22, 5: 102}


def short_string(text):
    """u8 length, then the bytes; the recorder keeps at most 255 of them."""
    data = cp1251(text)
    if len(data) > 255:
        raise ValueError("a short string holds at most 255 bytes")
    return bytes([len(data)]) + data


def fixed_record(count, payload, format_byte=1):
    """The 250-byte record: format, 0, count, 0, the packed payload, zeros."""
    if len(payload) > RECORD_PAYLOAD:
        raise ValueError("the payload holds at most %d bytes" % RECORD_PAYLOAD)
    head = bytes([format_byte, 0, count & 0xFF, 0])
    return head + payload + bytes(RECORD_PAYLOAD - len(payload))


# --- CP items -------------------------------------------------------------------------

def cp_item(first, second, kind, text):
    """One packed item: two codes, the kind, L, the L text bytes and a zero."""
    data = cp1251(text)
    return bytes([first, second, kind, len(data)]) + data + b"\x00"


def cp_record(items):
    """items: (first code, second code, kind, text) in list order."""
    return fixed_record(len(items), b"".join(cp_item(*item) for item in items))


# --- External display boards, first format --------------------------------------------

def tim1_text(text):
    return b"\x01" + short_string(text)


def tim1_analog(kind, index, digits, decimals, overload, broken):
    return bytes([2, kind, index & 0xFF, digits, decimals]) + short_string(overload) + short_string(broken)


def tim1_discrete(kind, index, opened, closed, broken, shorted):
    return (bytes([3, kind, index & 0xFF]) + short_string(opened) + short_string(closed) + short_string(broken)
            + short_string(shorted))


def tim1_screen(code, elements):
    """elements: the packed elements (tim1_text, tim1_analog, tim1_discrete)."""
    return bytes([code, len(elements)]) + b"".join(elements)


def tim1_record(boards):
    """boards: ((first, second address part), [packed screens]) in the order they go."""
    body = b"".join(bytes([a, b, len(screens)]) + b"".join(screens) for (a, b), screens in boards)
    return fixed_record(len(boards), body)


# --- External display boards, second format -------------------------------------------

def tim2_stream(boards, format_byte=2):
    """boards: ((first, second address part), [(item code, text)]) in the order they go."""
    body = b""
    for (a, b), items in boards:
        body += bytes([a, b, len(items)])
        for code, text in items:
            body += bytes([code]) + short_string(text)
    return bytes([format_byte, len(boards) & 0xFF]) + struct.pack("<H", len(body)) + body


# --- Mnemonic-scheme pages ------------------------------------------------------------

def ms_widget(kind, data=None):
    """u8 type, u8 size, the data (zeros when not given)."""
    size = MS_WIDGET_SIZES[kind]
    data = bytes(size) if data is None else bytes(data)
    if len(data) != size:
        raise ValueError("widget type %d has %d data bytes" % (kind, size))
    return bytes([kind, size]) + data


def ms_page(data_kind=0, data=b"", widgets=(), carried=bytes(6)):
    """The 12-byte page header (widget count, carried bytes 1-2, the data kind, carried
    bytes 4-7, the data size), the page data when its kind is 1 or 2, the widgets."""
    data = bytes(data)
    if data_kind == 0 and data:
        raise ValueError("a page of data kind 0 has no data")
    header = bytes([len(widgets)]) + bytes(carried[0:2]) + bytes([data_kind]) + bytes(carried[2:6])
    header += struct.pack("<I", len(data))
    body = data if data_kind in (1, 2) else b""
    return header + body + b"".join(widgets)


def stream_with_header(carried_2_4, byte4, byte5, carried_6_8, body, format_byte=1, header_size=STREAM_HEADER):
    return (bytes([format_byte, header_size]) + bytes(carried_2_4) + bytes([byte4, byte5]) + bytes(carried_6_8)
            + struct.pack("<I", len(body)) + body)


def ms_stream(page_count, limit, pages, carried=bytes(4)):
    """The scheme: format 1, header size 12, carried bytes 2-3, the page count and the
    per-page limit byte of the device, carried bytes 6-7, the body size, the pages."""
    return stream_with_header(carried[0:2], page_count, limit, carried[2:4], b"".join(pages))


def ms_limit_byte(version, capacity):
    """The per-page limit byte a scheme carries for a firmware version (a tuple)."""
    if version < (2, 1, 126):
        return 64
    if version < (2, 1, 128):
        return 128
    return capacity


# --- AMX program ----------------------------------------------------------------------

def amx_stream(code, carried=bytes(6)):
    """Format 1, header size 12, carried bytes 2-7, the code size, the code."""
    return stream_with_header(carried[0:2], carried[2], carried[3], carried[4:6], bytes(code))


# --- User tables ----------------------------------------------------------------------

def ut_table(points, carried=bytes(UT_HEADER - 2)):
    """One table: its 28-byte header (the point count, 26 carried bytes) and its points,
    each a pair of 32-bit values."""
    header = struct.pack("<H", len(points)) + bytes(carried)
    if len(header) != UT_HEADER:
        raise ValueError("a table header has 28 bytes")
    return header, b"".join(struct.pack("<II", a, b) for a, b in points)


def ut_stream(tables, per_table_limit):
    """The stream as written: 8, 0, the total point count, the per-table limit, 8000,
    eight table headers (28 zeros for a table the device lacks), then the points."""
    if len(tables) > UT_TABLES:
        raise ValueError("the stream has room for 8 tables")
    packed = [ut_table(*table) for table in tables]
    total = sum(len(table[0]) for table in tables)
    head = bytes([UT_TABLES, 0]) + struct.pack("<HHH", total, per_table_limit, UT_WRITTEN_TOTAL)
    headers = b"".join(h for h, _ in packed) + bytes(UT_HEADER * (UT_TABLES - len(packed)))
    return head + headers + b"".join(p for _, p in packed)


# --- The vectors the tests read -------------------------------------------------------
# The C++ tests decode each into the values written here and write it back.

CYR = "Котёл №1"  # code page 1251, with the numero sign

TIM1_BOARD_09 = ((0, 9), [tim1_screen(4, [tim1_text("Т1"),
                                         tim1_analog(1, 2, 5, 2, "ПЕРЕГР", "ОБР"),
                                         tim1_discrete(3, 1, "ВЫКЛ", "ВКЛ", "ОБР", "КЗ")]),
                          tim1_screen(0, [])])
TIM1_BOARD_15 = ((1, 5), [tim1_screen(200, [tim1_analog(2, 0, 3, 1, "", "")])])
TIM1_BOARD_200 = ((200, 5), [])


def vectors():
    return [
        ("cp_empty", cp_record([])),
        ("cp_items", cp_record([(1, 1, 0, "Вход"), (3, 7, 2, ""), (255, 0, 1, CYR)])),
        # 25 + 221 payload bytes: the record's 246 exactly.
        ("cp_full", cp_record([(2, 4, 1, "y" * 20), (5, 6, 0, "x" * 216)])),

        ("tim1_empty", tim1_record([])),
        ("tim1_boards", tim1_record([TIM1_BOARD_09, TIM1_BOARD_15, TIM1_BOARD_200])),
        # The same boards as the device may send them: not in address order.
        ("tim1_unsorted", tim1_record([TIM1_BOARD_200, TIM1_BOARD_15, TIM1_BOARD_09])),
        # Two boards at one address; the second one's screens are what the board holds.
        ("tim1_twice", tim1_record([((0, 9), [tim1_screen(1, [tim1_text("A")])]),
                                    ((0, 9), [tim1_screen(2, [tim1_text("B")])])])),
        ("tim1_twice_read", tim1_record([((0, 9), [tim1_screen(2, [tim1_text("B")])])])),

        ("tim2_empty", tim2_stream([])),
        ("tim2_one", tim2_stream([((0, 3), [(5, "AB")])])),
        ("tim2_boards", tim2_stream([((0, 3), [(5, "AB"), (0, "")]), ((7, 1), [(255, CYR)]), ((128, 0), [])])),

        # The default scheme of a device with 2 pages and limit byte 200.
        ("ms_default_2_200", ms_stream(2, 200, [ms_page(), ms_page()])),
        # 3 pages at 2.1.127, whose limit byte is 128.
        ("ms_pages", ms_stream(3, ms_limit_byte((2, 1, 127), 0), [
            ms_page(1, bytes(range(1, 6)), [ms_widget(0, bytes(range(17))), ms_widget(1, bytes(range(24)))],
                    carried=bytes([0xA1, 0xA2, 0xA4, 0xA5, 0xA6, 0xA7])),
            ms_page(2, b"\xFF" * 3, [ms_widget(k) for k in (2, 3, 4, 5)]),
            ms_page()], carried=bytes([0xC2, 0xC3, 0xC6, 0xC7]))),

        ("amx_default", amx_stream(b"")),
        ("amx_code", amx_stream(bytes(range(0x20, 0x30)), carried=bytes([9, 8, 7, 6, 5, 4]))),

        ("ut_default_2000", ut_stream([([],)] * 8, 2000)),
        ("ut_tables", ut_stream([
            ([(1, 2), (0xFFFFFFFF, 0x80000000)], bytes(range(1, 27))),
            ([],),
            ([(7, 8)],),
            ([],), ([],), ([],), ([],),
            ([(0x11223344, 0x55667788)] * 3, b"\xEE" * 26)], 100)),
    ]
