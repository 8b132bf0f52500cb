#pragma once

// The analog input record's codec, shared by its form files (RegAIRecord1x.cpp,
// RegAIRecord2x.cpp, RegAIEvents.cpp). Not part of the block's interface.

#include <algorithm>
#include <cstdint>
#include <span>

#include "recorder/config/RecordTransfer.h"
#include "recorder/config/RegAIConfig.h"
#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegInfo.h"

// Signal codes that change what a record carries.
namespace ai_signal {
inline constexpr std::uint8_t kNone = 0;
inline constexpr std::uint8_t kResistance = 4;
inline constexpr std::uint8_t kPyrometer = 5;
inline constexpr std::uint8_t kThermocouple = 6;
inline constexpr std::uint8_t kRtd = 7;
inline constexpr std::uint8_t kMath = 8;
inline constexpr std::uint8_t kFlow = 9;
inline constexpr std::uint8_t kRs485 = 10;
inline constexpr std::uint8_t kExternal = 11;  // an RS-485 source of protocol 1 below 2.1.30
inline constexpr std::uint8_t kCan = 12;
inline constexpr std::uint8_t kFrequency = 13;
inline constexpr std::uint8_t kPulse = 14;
inline constexpr std::uint8_t kEthernet = 15;
inline constexpr std::uint8_t kFrequency2 = 16;
inline constexpr std::uint8_t kPulse2 = 17;
inline constexpr std::uint8_t kCounter = 18;
}  // namespace ai_signal

struct AIRecordCodec {
  // --- Context ---
  static const TRegInfo& Info(const TRegAIConfig& ai) { return ai.Info(); }
  static const TRegInfo::TRegAIChannelInfo& Channel(const TRegAIConfig& ai);
  // The signal code of the channel's current position.
  static std::uint8_t SignalCode(const TRegAIConfig& ai);
  // The channel's position of a signal code; EVantorInvalid noSupport when the device
  // has no such signal, notInChannel when this channel does not offer it.
  static std::uint8_t PositionOfSignalCode(const TRegAIConfig& ai, std::uint8_t code, unsigned noSupport,
                                           unsigned notInChannel);

  // --- Reading rules every form shares ---
  // A signal byte within the channel's list is its position; any other falls back to
  // the position of code 0 ("нет"), or 0.
  static void ReadSignalPosition(TRegAIConfig& ai, std::uint8_t b);
  // EVantorInvalid 1631 naming the channel when the byte is above limit (signed: a byte
  // of 0x80..0xFF is below any limit and stays).
  static void CheckTransferFunction(const TRegAIConfig& ai, std::uint8_t byte, int limit, bool signedCompare);
  // The resets of the forms that carry no frequency, pulse or counter settings.
  static void ResetInputSettings(TRegAIConfig& ai);
  // The nominal resistance of the index form: the list entry's whole ohms as mantissa.
  static void ReadRtdR0Index(TRegAIConfig& ai, std::uint8_t position);

  // Scale decimals written for one end: the value's own or the channel's, whichever is
  // more, so a channel shown with 2 decimals keeps them through a backup.
  static unsigned ScaleDecimalsOf(const TRegAIConfig& ai, const TRegAIConfig::Decimal& end, unsigned most);

  // --- The forms ---
  static void ReadFormA(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormB(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormC(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormD(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormF(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormG(TRegAIConfig& ai, const RecordReading& io);
  static void ReadFormH(TRegAIConfig& ai, const RecordReading& io);
  static void WriteFormA(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormB(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormC(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormD(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormF(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormG(const TRegAIConfig& ai, RecordWriting& io);
  static void WriteFormH(const TRegAIConfig& ai, RecordWriting& io);

  // --- Events (four per record) ---
  enum class OneByteEvent : std::uint8_t { Thirteen, Twelve };  // forms A, B, D / form C
  static void ReadOneByteEvents(TRegAIConfig& ai, const RecordReading& io, std::size_t offset, OneByteEvent form);
  static void WriteOneByteEvents(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset, OneByteEvent form);
  // 14 bytes (forms F and G): withFields says whether the header carries the action
  // fields (form G of 2.1.80 on); convert whether the codes are converted (writing
  // above 2.1.80.0).
  static void ReadEvents14(TRegAIConfig& ai, const RecordReading& io, std::size_t offset, bool withFields);
  static void WriteEvents14(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset, bool withFields,
                            bool convert);
  static void ReadEvents16(TRegAIConfig& ai, const RecordReading& io, std::size_t offset);
  static void WriteEvents16(const TRegAIConfig& ai, RecordWriting& io, std::size_t offset, bool convert);
};

// --- Fields several forms store alike -------------------------------------------------

// The one-byte filter field of the forms before H.
template <class IO, class Block>
void TransferFilterByte(IO& io, Block& ai, std::size_t offset)
{
  io.u8via(offset, [&] { return ai.FilterByte(); }, [&](auto b) { ai.SetFilterFromByte(b); });
}

// The scale's decimals, one per end (a byte each, or the nibbles of one byte, low the
// low end). The channel shows the smaller; a writer gives each end the larger of its own
// decimals and the channel's, so a channel shown as 0.00..100.00 keeps its two decimals.
template <class IO, class Block>
void TransferScaleDecimals(IO& io, Block& ai, std::size_t low, std::size_t high)
{
  if constexpr (IO::kReading) {
    ai.ScaleDecimals = std::min(io.Bytes().u8(low), io.Bytes().u8(high));
  } else {
    io.u8(low, AIRecordCodec::ScaleDecimalsOf(ai, ai.ScaleLow, 0xFF));
    io.u8(high, AIRecordCodec::ScaleDecimalsOf(ai, ai.ScaleHigh, 0xFF));
  }
}

template <class IO, class Block>
void TransferScaleDecimalNibbles(IO& io, Block& ai, std::size_t offset)
{
  if constexpr (IO::kReading) {
    const std::uint8_t b = io.Bytes().u8(offset);
    ai.ScaleDecimals = std::min(b & 0x0F, b >> 4);
  } else {
    io.bits8(offset, 0, 4, AIRecordCodec::ScaleDecimalsOf(ai, ai.ScaleLow, 15));
    io.bits8(offset, 4, 4, AIRecordCodec::ScaleDecimalsOf(ai, ai.ScaleHigh, 15));
  }
}
