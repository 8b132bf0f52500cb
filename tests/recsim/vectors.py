#!/usr/bin/env python3
# Independent vectors for the wire tests of the simulated recorder: CRC-16/MODBUS
# computed bit by bit (no table), frames printed as hex. Output, kept for the tests:
#   crc('') = FFFF
#   crc('123456789') = 4B37
#   rtu exception 01 83 01 -> 01 83 01 80 F0
#   rtu record read request 01 64 00 -> 01 64 00 0A C0
#   rtu record read reply 01 64 00 03 AA BB CC -> 01 64 00 03 AA BB CC 51 25
#   rtu read holding registers 11 03 00 6B 00 03 -> 11 03 00 6B 00 03 76 87
#   rtu exception 01 E4 04 -> 01 E4 04 6A C3
#   rtu reply to unit 2 02 64 00 03 AA BB CC -> 02 64 00 03 AA BB CC 62 25
#   rtu record read request to unit 2 02 64 00 -> 02 64 00 FA C0
#   rtu longest frame 01 64 and bytes 0..253 -> CRC 63 9E
def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc

def frame(hexbytes):
    data = bytes.fromhex(hexbytes)
    c = crc16(data)
    return (data + bytes([c & 0xFF, c >> 8])).hex(' ').upper()

print("crc('') = %04X" % crc16(b""))
print("crc('123456789') = %04X" % crc16(b"123456789"))
print("rtu exception 01 83 01 ->", frame("01 83 01"))
print("rtu record read request 01 64 00 ->", frame("01 64 00"))
print("rtu record read reply 01 64 00 03 AA BB CC ->", frame("01 64 00 03 AA BB CC"))
print("rtu read holding registers 11 03 00 6B 00 03 ->", frame("11 03 00 6B 00 03"))
print("rtu exception 01 E4 04 ->", frame("01 E4 04"))
print("rtu reply to unit 2 02 64 00 03 AA BB CC ->", frame("02 64 00 03 AA BB CC"))
print("rtu record read request to unit 2 02 64 00 ->", frame("02 64 00"))
longest = bytes([0x01, 0x64]) + bytes(range(254))
c = crc16(longest)
print("rtu longest frame 01 64 and bytes 0..253 -> CRC %02X %02X" % (c & 0xFF, c >> 8))
