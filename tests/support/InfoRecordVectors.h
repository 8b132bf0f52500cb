#pragma once

// Information records of the standard simulator profiles, written out by hand from the
// record layouts (one device information record per firmware band, the general
// information layouts, a few channel records). The decoder tests read them, the
// simulator tests compare its encoders with them.

#include <cstdint>
#include <vector>

#include "support/Hex.h"

namespace vectors {

// --- Record 1 ---------------------------------------------------------------------
//                 hardware     firmware     features
// corvane-1.4.2: 34 bytes; pages 4 x 6, serial 1402, HardwareId A0..AF in reversed groups.
inline const std::vector<std::uint8_t> kDevice_1_4_2 = Hex(
    "00 00 04 01  00 02 04 01  00 00 00 00"
    "04 06  7A 05 00 00"
    "A3 A2 A1 A0  A7 A6 A5 A4  AB AA A9 A8  AF AE AD AC");

// corvane-1.5.3: 40 bytes; aux word 0, pages 4 x 6, 2 totalizers, 1 counter, serial 1503.
inline const std::vector<std::uint8_t> kDevice_1_5_3 = Hex(
    "00 00 04 01  00 03 05 01  00 00 00 00"
    "00 00 00 00  04 06 02 01  DF 05 00 00"
    "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");

// corvane-1.6.3: 44 bytes; feature bit 12 (first line), 4 timers, serial 1603.
inline const std::vector<std::uint8_t> kDevice_1_6_3 = Hex(
    "00 00 04 01  00 03 06 01  00 10 00 00"
    "00 00 00 00  04 06 00 00  04 00 00 00  43 06 00 00"
    "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");

// corvane-1.7.0: 44 bytes; 2 timers, serial 1700.
inline const std::vector<std::uint8_t> kDevice_1_7_0 = Hex(
    "00 00 04 01  00 00 07 01  00 10 00 00"
    "00 00 00 00  04 06 00 00  02 00 00 00  A4 06 00 00"
    "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");

// corvane-1.8.1: 44 bytes; feature bits 0 and 12, 2 timers, 2 RS-485 ports, serial 1801.
inline const std::vector<std::uint8_t> kDevice_1_8_1 = Hex(
    "00 00 04 01  00 01 08 01  01 10 00 00"
    "00 00 00 00  04 06 00 00  02 02 00 00  09 07 00 00"
    "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");

// corvane-1.9.0: 44 bytes; 2 timers, schedule 12, model 2, 2 TTL channels, serial 1900.
inline const std::vector<std::uint8_t> kDevice_1_9_0 = Hex(
    "00 00 04 01  00 00 09 01  01 10 00 00"
    "00 00 00 00  04 06 00 00  02 0C 02 02  6C 07 00 00"
    "A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF");

// pelkar-2.0.20: 28 bytes; pages 4 x 12, 2 ports, filter 50, line 1, serial 2020.
inline const std::vector<std::uint8_t> kDevice_2_0_20 = Hex(
    "00 00 01 02  00 14 00 02  00 00 00 00"
    "00 00 00 00  04 0C 00 00  00 02 32 01  E4 07 00 00");

// pelkar-2.1.70: 32 bytes; feature bit 13, 4 TTL, 4 tag fields (aux 0x0102), serial 2170.
inline const std::vector<std::uint8_t> kDevice_2_1_70 = Hex(
    "00 00 01 02  00 46 01 02  00 20 00 00"
    "00 00 00 00  04 06 00 00  00 02 32 01  7A 08 00 00"
    "04 04 02 01");

// pelkar-2.1.100: 44 bytes; feature bits 13 and 14, pages 4 x 16, model 51, 2 extension
// relays, mnemonic byte 128 (ignored below 2.1.128), serial 21100.
inline const std::vector<std::uint8_t> kDevice_2_1_100 = Hex(
    "00 00 01 02  00 64 01 02  00 60 00 00"
    "00 00 00 00  04 10 00 00  00 02 32 01  6C 52 00 00"
    "00 04 02 01  33 00 00 02  00 00 00 00  00 80 00 00");

// pelkar-2.1.150: 64 bytes; feature bits 13, 14 and 25, pages 4 x 16, model 51,
// 4 regulators, screen 600 x 768, interfaces 0x0E, serial 21150.
inline const std::vector<std::uint8_t> kDevice_2_1_150 = Hex(
    "00 00 01 02  00 96 01 02  00 60 00 02"
    "00 00 00 00  04 10 00 00  00 02 32 01  9E 52 00 00"
    "00 04 02 01  33 00 00 00  00 00 00 00  00 80 00 00"
    "04 00 58 02  00 03 0E 00  00 00 00 00  00 00 00 00  00 00 00 00");

// pelkar-2.2.1: 32 bytes (the branch keeps the older layout); pages 4 x 20, serial 2201.
inline const std::vector<std::uint8_t> kDevice_2_2_1 = Hex(
    "00 00 01 02  00 01 02 02  00 20 00 00"
    "00 00 00 00  04 14 00 00  00 02 32 01  99 08 00 00"
    "00 00 00 00");

// --- Record 0 ---------------------------------------------------------------------
// corvane-1.4.2, 188 bytes: nine 18-byte signal entries (ranges 0..20+i and 0..100,
// aux 0, decimals i % 4), the masks, 8 AI (8 physical), 8 DI, 8 relays.
inline const std::vector<std::uint8_t> kGeneral_1_4_2 = Hex(
    "00  00 00 04 01  00 02 04 01  64 00  09"
    "00 00 00 00  00 00 A0 41  00 00 00 00  00 00 C8 42  00 00"
    "00 00 00 00  00 00 A8 41  00 00 00 00  00 00 C8 42  00 01"
    "00 00 00 00  00 00 B0 41  00 00 00 00  00 00 C8 42  00 02"
    "00 00 00 00  00 00 B8 41  00 00 00 00  00 00 C8 42  00 03"
    "00 00 00 00  00 00 C0 41  00 00 00 00  00 00 C8 42  00 00"
    "00 00 00 00  00 00 C8 41  00 00 00 00  00 00 C8 42  00 01"
    "00 00 00 00  00 00 D0 41  00 00 00 00  00 00 C8 42  00 02"
    "00 00 00 00  00 00 D8 41  00 00 00 00  00 00 C8 42  00 03"
    "00 00 00 00  00 00 E0 41  00 00 00 00  00 00 C8 42  00 00"
    "0F  FF 1F  07  1F  7F  00  08 08 0A 08 01 08 01");

// corvane-1.8.1, 28 bytes: model 6, time base 100, 10 signal types (records later).
inline const std::vector<std::uint8_t> kGeneral_1_8_1 = Hex(
    "00 00 04 01  00 01 08 01  06 00 64 0A  0F 07 FF 1F  1F 7F 0F 00  08 08 0A 08  01 08 01 00");

// corvane-1.10.6, 28 bytes: model 3, 16 relays, no aux counts 5-7, aux 8 at byte 27.
inline const std::vector<std::uint8_t> kGeneral_1_10_6 = Hex(
    "00 00 04 01  00 06 0A 01  03 00 64 0A  0F 07 FF 1F  1F 7F 0F 00  08 08 00 08  00 10 00 00");

// pelkar-2.1.100, 48 bytes: model 51, 10 signal types, values 20.0 and 23.0, module
// slots 1 0 3 0 0 12, 8 AI (8 physical), 8 DI, 4 relays.
inline const std::vector<std::uint8_t> kGeneral_2_1_100 = Hex(
    "00 00 01 02  00 64 01 02  33 00 64 00  0A 0F FF 1F  07 0F 1F 00  7F 00 00 00"
    "00 00 A0 41  00 00 B8 41  01 00 03 00  00 0C 08 00  08 00 00 00  08 04 00 00");

// --- Channel records --------------------------------------------------------------
// corvane-1.4.2 AI channel 0: the 10-byte list, nine positions.
inline const std::vector<std::uint8_t> kAIChannel_1_4_2 = Hex("09 00 01 02 03 04 05 06 07 08");
// corvane-1.8.1 AI channel 0: the 12-byte list with kind and number.
inline const std::vector<std::uint8_t> kAIChannel_1_8_1 = Hex("00 00 09 00 01 02 03 04 05 06 07 08");
// pelkar-2.1.100 AI channel 0: kind, number, 16-bit mask of 10 positions.
inline const std::vector<std::uint8_t> kAIChannel_2_1_100 = Hex("00 00 FF 03");
// pelkar-2.1.150 AI channel 0: kind, number, 32-bit mask of 18 positions.
inline const std::vector<std::uint8_t> kAIChannel_2_1_150 = Hex("00 00 FF FF 03 00");
// corvane-1.10.6 signal types 0 and 1 (14-byte form): code, aux | decimals << 4, ranges.
inline const std::vector<std::uint8_t> kSignal_1_10_6_0 = Hex("01 00  00 00 A0 41  00 00 00 00  00 00 C8 42");
inline const std::vector<std::uint8_t> kSignal_1_10_6_1 = Hex("02 10  00 00 A8 41  00 00 00 00  00 00 C8 42");

}  // namespace vectors
