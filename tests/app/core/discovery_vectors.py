#!/usr/bin/env python3
# Independent vectors for the Ethernet discovery: the request datagram, replies built
# field by field with struct (little-endian), and the list row each reply should give.
# Run it to print discovery_vectors.txt; the tests hold the codec against that output.
import struct

def request(tick):
    return struct.pack('<6I', 1, 24, 21, 0x0201A0FF, 3, tick)

def reply(model, v1, v2, value, tick, a=None, b=None, length=None):
    flags = (1 if a is not None else 0) | (2 if b is not None else 0)
    tail = b''
    for s in (a, b):
        if s is not None:
            raw = s.encode('cp1251')
            tail += bytes([len(raw)]) + raw
    size = 40 + len(tail)
    head = struct.pack('<5IH10sIB3s', 1, size if length is None else length, model, v1, v2, value,
                       bytes(10), tick, flags, bytes(3))
    assert len(head) == 40
    return head + tail

def version(word):
    return '%u.%u.%u.%u' % (word >> 24, (word >> 16) & 255, (word >> 8) & 255, word & 255)

def describe(v1, v2, a=None, b=None):
    text = b or ''
    if a:
        text += (' / ' if text else '') + a
    if text:
        text += ' / '
    return text + 'v%s / %s' % (version(v1), version(v2))

def show(name, data):
    print(name, '=', data.hex(' ').upper())

TICK = 0x12345678
V1, V2 = 0x0201A073, 0x02050000
show('request tick 12345678', request(TICK))
show('reply 40 bytes, flags 0', reply(21, V1, V2, 502, TICK))
print('  row:', describe(V1, V2))
show('reply both strings', reply(51, V1, V2, 502, TICK, a='12345', b='Pelkar-740-L7'))
print('  row:', describe(V1, V2, a='12345', b='Pelkar-740-L7'))
show('reply string A only', reply(1, V1, V2, 7, TICK, a='12345'))
print('  row:', describe(V1, V2, a='12345'))
show('reply cp1251 string B, empty string A', reply(8, V1, V2, 0, TICK, a='', b='Котельная'))
print('  row:', describe(V1, V2, a='', b='Котельная'))
bad = bytearray(reply(21, V1, V2, 502, TICK, a='12345', b='Pelkar-740-L7'))
bad[40] = 30  # string A announces 30 bytes; 19 remain after its length byte
show('reply string A past the end (dropped)', bytes(bad))
