"""Shared pieces of the record encoders: a zero-filled record with little-endian field
setters, code page 1251 texts, IEEE singles rounded exactly, and packed decimal words.
Standard library only; written from the record descriptions, never from the C++ code.
"""
import struct
from fractions import Fraction


def version(major, minor, build, fourth=0):
    return major << 24 | minor << 16 | build << 8 | fourth


def version_text(v):
    return "%d.%d.%d.%d" % (v >> 24, v >> 16 & 255, v >> 8 & 255, v & 255)


def single_bits(value):
    """The IEEE single nearest to value (a Fraction, int or float), ties to even, as
    bits. Exact: a double is rounded first only to find the neighbours."""
    exact = Fraction(value)
    guess = struct.unpack("<I", struct.pack("<f", float(exact)))[0]
    best = None
    for bits in (guess - 1, guess, guess + 1):
        bits &= 0xFFFFFFFF
        f = struct.unpack("<f", struct.pack("<I", bits))[0]
        if f != f or f in (float("inf"), float("-inf")):
            continue
        err = abs(Fraction(f) - exact)
        if best is None or err < best[0] or (err == best[0] and bits % 2 == 0):
            best = (err, bits)
    return best[1]


def single_of_decimal(mantissa, decimals):
    """mantissa / 10^decimals as the nearest single, as bits."""
    return single_bits(Fraction(mantissa, 10 ** decimals))


def single_value(bits):
    return struct.unpack("<f", struct.pack("<I", bits))[0]


def round_half_away(x):
    x = Fraction(x)
    whole = int(x)  # toward zero
    frac = x - whole
    if frac >= Fraction(1, 2):
        whole += 1
    elif frac <= Fraction(-1, 2):
        whole -= 1
    return whole


def packed_word(mantissa, decimals):
    """Packed decimal word: bits 0-27 the mantissa (two's complement), 28-30 decimals."""
    return (mantissa & 0x0FFFFFFF) | (decimals & 7) << 28


def float_to_word(x, decimals):
    """A single x times 10^decimals, the product rounded to single, then rounded half
    away from zero to an integer: the packed word of a device float at fixed decimals."""
    product = single_value(single_bits(Fraction(single_value(single_bits(x))) * 10 ** (decimals & 7)))
    return packed_word(round_half_away(product), decimals)


def cp1251(text):
    """Text to code page 1251; bytes pass unchanged (for bytes the codec lacks)."""
    return text if isinstance(text, (bytes, bytearray)) else text.encode("cp1251")


class Record:
    def __init__(self, size):
        self.data = bytearray(size)

    def u8(self, offset, value):
        self.data[offset] = value & 0xFF

    def bits(self, offset, first, count, value):
        self.data[offset] |= (value & ((1 << count) - 1)) << first

    def u16(self, offset, value):
        self.data[offset:offset + 2] = struct.pack("<H", value & 0xFFFF)

    def u32(self, offset, value):
        self.data[offset:offset + 4] = struct.pack("<I", value & 0xFFFFFFFF)

    def single(self, offset, mantissa, decimals):
        """A decimal setting as the IEEE single nearest to its value."""
        self.u32(offset, single_of_decimal(mantissa, decimals))

    def raw(self, offset, data):
        self.data[offset:offset + len(data)] = bytes(data)

    def text(self, offset, width, text):
        """A name: at most width - 1 bytes, the rest of the field zero."""
        data = cp1251(text)
        assert len(data) < width, "text does not fit its field"
        self.raw(offset, data)

    def bytes(self):
        return bytes(self.data)
