#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "modbus/CBaseModbus.h"

namespace fuzzing {

// Every command class the program sends, in the order the selector byte picks them.
enum class CommandClass : std::uint8_t {
  ReadRecords,     // TModbusReadRecordCommand, 0x64/0x65/0x6B with several records
  RecordFile,      // TRegReadConfigRecordCommand, 0x69
  UpgradeChunk,    // TUpgradeWriteCommand, 0x68/1
  UpgradeStart,    // TUpgradeStartCommand, 0x68/2
  InputRegisters,  // TModbusCommand4
  DeviceId,        // TModbusCommand43ReadDeviceID
  ConfigRecord,    // TMBRegReadConfigCommand
  InfoRecord,      // TModbusCommandReadInfo
  MSBlobChunk,     // TRegReadMSConfigCommand
  AMXBlobChunk,    // TRegReadAMXConfigCommand, 0x6B or 0x6F
  Login,           // the plain message of the 0x6E login steps
  Count
};

// Four bytes of the input that choose a command's request (record numbers, offsets,
// quantities), each class reading them its own way.
using CommandParams = std::array<std::uint8_t, 4>;

// One command as the program builds it, with the reading of an accepted reply that the
// program's callers do.
class FuzzCommand {
public:
  virtual ~FuzzCommand() = default;
  virtual ModbusMaster::TBaseModbusMessage& Message() = 0;
  // Every accessor a caller uses on an accepted reply, with the promises they make
  // checked: a reply that passes CheckReply and still misleads a decoder, or makes it
  // read what did not arrive, is a finding.
  virtual void ReadAccepted() = 0;
};

// `selector` is taken modulo the number of classes.
std::unique_ptr<FuzzCommand> MakeFuzzCommand(std::uint8_t selector, const CommandParams& params);

// Executes the command once on the transport with the given retries and no reply
// time-out of its own (the install's 25 s would otherwise become every retry's pause):
// true when the reply was accepted, false when the transport refused it.
bool RunFuzzCommand(ModbusMaster::CBaseModbus& transport, std::uint8_t unit, FuzzCommand& command,
                    std::uint32_t maxRetries);

}  // namespace fuzzing
