#!/usr/bin/env python3
"""Independent vectors for the shared value codecs (CRC-32, block sections, packed
decimal words, packed dates). Written from first principles with the standard library
only; its output is kept beside it in values_vectors.txt and the C++ tests carry the
values as literals. Run: python3 values_vectors.py > values_vectors.txt
"""
import datetime
import struct


def crc_reflected(data, poly, init):
    # Bit by bit, least significant bit first, no final inversion.
    crc = init
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ poly if crc & 1 else crc >> 1
    return crc


def crc32_reflected_init0(data):
    return crc_reflected(data, 0xEDB88320, 0)


def crc16_modbus(data):
    return crc_reflected(data, 0xA001, 0xFFFF)


def f32(x):
    # Round a Python float (double) to the nearest IEEE single.
    return struct.unpack("<f", struct.pack("<f", x))[0]


def round_half_away(x):
    # Exact for doubles: the comparison happens on the exact fraction.
    import math
    whole = math.trunc(x)
    frac = x - whole
    if frac >= 0.5:
        whole += 1
    elif frac <= -0.5:
        whole -= 1
    return whole


def pack(m, d):
    return (m & 0x0FFFFFFF) | (d & 7) << 28


def float_to_word(x, d):
    # The product of two singles is exact in double; one rounding to single follows.
    scaled = f32(f32(x) * f32(10.0 ** (d & 7)))
    return pack(round_half_away(scaled), d)


def hexbytes(b):
    return " ".join("%02X" % v for v in b)


def section16(tag, count, size, items):
    out = bytes([tag, count, size & 0xFF, size >> 8])
    if count * size:
        crc = crc16_modbus(items)
        out += items + bytes([crc & 0xFF, crc >> 8])
    return out


def section32(tag, count, size, items):
    out = bytes([tag, count]) + struct.pack("<I", size)
    if count * size:
        out += items + struct.pack("<I", crc32_reflected_init0(items))
    return out


def main():
    print("# CRC-32 reflected 0xEDB88320, init 0, no xorout")
    print('crc32("123456789") = 0x%08X' % crc32_reflected_init0(b"123456789"))
    print('crc32("abc") = 0x%08X' % crc32_reflected_init0(b"abc"))
    ramp = bytes(i & 0xFF for i in range(1000))
    print("crc32(bytes i & 0xFF, i < 1000) = 0x%08X" % crc32_reflected_init0(ramp))
    for start, length in ((1, 17), (3, 9), (5, 1), (7, 64)):
        print("crc32(ramp[%d:%d]) = 0x%08X" % (start, start + length, crc32_reflected_init0(ramp[start:start + length])))
    part1, part2 = ramp[:333], ramp[333:]
    print("crc32 chained ramp[:333] then ramp[333:] = 0x%08X (register after first: 0x%08X)"
          % (crc32_reflected_init0(ramp), crc32_reflected_init0(part1)))

    print("# sections")
    items = bytes(range(12))
    print("short tag 19 count 3 size 4 over 00..0B:", hexbytes(section16(19, 3, 4, items)))
    print("short tag 7 count 0 size 4:", hexbytes(section16(7, 0, 4, b"")))
    print("short tag 7 count 5 size 0:", hexbytes(section16(7, 5, 0, b"")))
    print("long tag 40 count 1 size 5 over 'abcde':", hexbytes(section32(40, 1, 5, b"abcde")))
    print("long tag 41 count 1 size 0:", hexbytes(section32(41, 1, 0, b"")))
    print("short tag 2 count 1 size 3 over 'abc':", hexbytes(section16(2, 1, 3, b"abc")))

    print("# packed decimal words, FloatToDecimalWord(x, d) in single precision")
    for x, d in ((-1.5, 1), (1.5, 1), (1.49, 2), (999999.9, 1), (12.345, 3), (0.0, 3), (100.0, 3),
                 (2.5, 0), (-2.5, 0), (0.05, 1), (-0.05, 1), (13421772.7, 1)):
        print("FloatToDecimalWord(%r, %d) = 0x%08X (single x = %r)" % (x, d, float_to_word(x, d), f32(x)))
    print("  (the last one: the low 28 bits of 2^27 read back as -2^27; saturated it is 0x%08X)"
          % pack((1 << 27) - 1, 1))

    print("# FloatToDecimalWordInRange(x, 1, 6, -9999999, 9999999), float form: 8 digits in single precision")
    for x in (999999.9, 1.49, 12.345, 0.1):
        xs = f32(x)
        n = len(str(int(abs(xs)))) if abs(xs) >= 10 else 1
        d = 8 - n
        scaled = f32(xs * f32(10.0 ** d))
        print("x = %r: single %r, digits %d, scaled to %d decimals = %r, rounded %d"
              % (x, xs, n, d, scaled, round_half_away(scaled)))
    print("double form of 999999.9: scaled %r" % (999999.9 * 100))

    print("# dates (proleptic Gregorian, Python's datetime)")
    jd = datetime.date(2000, 1, 1).toordinal() + 1721425
    print("JulianDay(1, 1, 2000) = %d, mod 7 = %d, weekday (0 = Monday) = %d"
          % (jd, jd % 7, datetime.date(2000, 1, 1).weekday()))
    for y, m, d in ((2099, 12, 31), (2024, 2, 29), (2023, 3, 26)):
        j = datetime.date(y, m, d).toordinal() + 1721425
        print("JulianDay(%d, %d, %d) = %d, weekday %d" % (d, m, y, j, datetime.date(y, m, d).weekday()))
    for year in (2000, 2001, 2021, 2023, 2024, 2038, 2099):
        def last_sunday(month):
            day = datetime.date(year, month, 31)
            while day.weekday() != 6:
                day -= datetime.timedelta(days=1)
            return day.day
        print("summer time %d: March %d, October %d" % (year, last_sunday(3), last_sunday(10)))
    a, b = datetime.date(2024, 3, 1), datetime.date(2023, 2, 28)
    print("days 1.3.2024 - 28.2.2023 = %d" % (a - b).days)
    a, b = datetime.date(2099, 12, 31), datetime.date(2000, 1, 1)
    print("days 31.12.2099 - 1.1.2000 = %d" % (a - b).days)
    s = datetime.datetime(2024, 3, 1, 0, 0, 1) - datetime.datetime(2024, 2, 28, 23, 59, 59)
    print("seconds 1.3.2024 00:00:01 - 28.2.2024 23:59:59 = %d" % s.total_seconds())
    print("days 3.1.2024 - 1.1.2000 = %d" % (datetime.date(2024, 1, 3) - datetime.date(2000, 1, 1)).days)
    print("weekday of 3.1.2024 = %d, 7.1.2024 = %d" % (datetime.date(2024, 1, 3).weekday(),
                                                         datetime.date(2024, 1, 7).weekday()))


main()
