#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace recsim {

// The brand line a simulated recorder identifies as; Foreign answers with a vendor and
// product code that neither line has.
enum class Brand { Corvane, Pelkar, Foreign };

// One analog signal type the device supports (an entry of its signal-support list).
struct SignalSupportEntry {
  std::uint8_t Code = 0;
  float Range1Low = 0.0f;
  float Range1High = 20.0f;
  float Range2Low = 0.0f;
  float Range2High = 100.0f;
  std::int8_t AuxParam = 0;  // -8..7 in the 14-byte form
  std::uint8_t Decimals = 2;
};

// One analog input channel: its kind, number within the kind and the signal-support
// positions it accepts.
struct AIChannelEntry {
  std::uint8_t Kind = 0;
  std::uint8_t Number = 0;
  std::vector<std::uint8_t> Signals;
};

// A recorder's configuration as the device keeps it: the records it answers to 0x65 and
// 0x6B, its record files (0x69) and its blobs (the mnemonic scheme by 0x69, the AMX
// program by 0x6B or 0x6F), each the 12-byte blob header and the payload. The
// simulator serves the bytes as they are; it never decodes them.
struct DeviceConfiguration {
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::vector<std::uint8_t>> records;  // (function, number)
  std::map<std::uint8_t, std::vector<std::uint8_t>> files;                             // by type, 1-4
  std::map<std::uint8_t, std::vector<std::uint8_t>> blobs;                             // by function
};

// Everything a simulated recorder tells about itself: its identification objects and
// the fields of its information records. The encoders below turn it into the record
// bytes of the layout its firmware version calls for; change SwVersion (and, where it
// matters, GenSwVersion) to get the records of another firmware.
struct DeviceProfile {
  std::string Name;

  // Identification objects 0, 1 and 2.
  std::string Vendor;
  std::string ProductCode;
  std::string Revision;

  // Information record 1.
  std::uint32_t HwVersion = 0;
  std::uint32_t SwVersion = 0;
  std::uint32_t Features = 0;
  std::uint32_t DevAuxWord = 0;
  std::uint8_t PageCount = 0;
  std::uint8_t PageChannelCount = 0;
  std::uint8_t SMCount = 0;
  std::uint8_t CTCount = 0;
  std::uint8_t TMRCount = 0;
  std::uint8_t TTLCount = 0;
  std::uint8_t CtlCount = 0;
  std::uint8_t RS485Count = 0;
  std::uint8_t ScheduleCount = 0;
  std::uint8_t DevFilterParam = 0;
  std::uint8_t DeviceLine = 0;
  std::uint8_t ModelCode = 0;
  std::uint8_t ModelVariant = 0;
  std::uint8_t ExtAOCount = 0;
  std::uint8_t ExtDOCount = 0;
  std::uint8_t TagFieldCount = 0;
  std::uint16_t TagFieldAux = 0;
  std::uint16_t UserTableLimit1 = 0;
  std::uint16_t UserTableLimit2 = 0;
  std::uint8_t UserTableCount = 0;
  std::uint8_t MSCapacity = 0;
  std::uint16_t MSAuxWord = 0;
  std::uint16_t ScreenWidth = 0;
  std::uint16_t ScreenHeight = 0;
  std::uint8_t InterfaceMask = 0;
  std::uint32_t SerialNumber = 0;
  std::array<std::uint8_t, 16> HardwareId{};
  // The 2.1.150-2.1.160 firmware sends 44 or 64 bytes; elsewhere the band decides.
  bool ExtendedDeviceInfo = true;
  // Whether the device answers for its relay information records. Firmware before
  // 2.1.54 (and before 1.10.6) is not bound to have them: some has, some has not.
  bool RelayRecords = true;

  // Information record 0.
  std::uint32_t GenHwVersion = 0;
  std::uint32_t GenSwVersion = 0;
  std::uint8_t GenFlags = 0;
  std::uint16_t GenTimeBase = 100;
  std::uint8_t GenAux1 = 0, GenAux3 = 0, GenAux4 = 0, GenAux5 = 10, GenAux6 = 1, GenAux7 = 1, GenAux8 = 0;
  std::uint16_t GenAux2 = 0;
  std::uint8_t GenOptionMask = 0;
  std::uint8_t RtdTypeMask = 0;
  std::uint8_t RtdR0Mask = 0;
  float GenValue1 = 20.0f;
  float GenValue2 = 23.0f;
  std::array<std::uint8_t, 6> ModuleSlots{};
  std::uint8_t GenCount1 = 0, GenCount2 = 0, GenCount3 = 0;
  std::uint8_t PhysAICount = 0;
  std::uint8_t AOCount = 0;
  std::uint8_t DOCount = 0;
  std::uint8_t IPCount = 0;

  // Channel information.
  std::vector<SignalSupportEntry> Signals;
  std::vector<AIChannelEntry> AIChannels;
  std::vector<std::uint8_t> DICaps;      // one capability byte per discrete input
  std::vector<std::uint8_t> RelayTypes;  // DOCount + ExtDOCount relay types

  // What the device answers to the configuration reads; none: it has no configuration
  // records, files or blobs at all.
  std::shared_ptr<const DeviceConfiguration> Configuration;
};

// A readable description from which a whole profile is built: who the device is, its
// versions, feature bits and counts. Channel lists get plausible contents.
struct ProfileDescription {
  std::string_view Name;
  Brand BrandLine = Brand::Pelkar;
  std::string_view Firmware;          // "2.1.150": the firmware and the general part's version
  std::uint32_t Features = 0;
  std::uint8_t Model = 51;            // second line: 21, 50 or 51; first line 1.9 on: 1..7
  std::uint32_t SerialNumber = 0;
  std::uint8_t AI = 8, PhysAI = 8, DI = 8, DO = 8, AO = 0, IP = 0, ExtAO = 0, ExtDO = 0;
  std::uint8_t Signals = 10;          // signal-support entries (9 on 1.3-1.5, 10 on 1.6-1.9 by the format)
  std::uint8_t Pages = 4, PageChannels = 6;
  std::uint8_t SM = 0, CT = 0, TMR = 0, TTL = 0, Ctl = 0;
  std::array<std::uint8_t, 6> ModuleSlots{};
  bool ExtendedDeviceInfo = true;     // 2.1.150-2.1.160: the 64-byte record
  bool RelayRecords = true;           // false: no relay information records
  std::string_view Revision = {};     // identification text; empty: "v" and three numbers
  std::string_view Vendor = {};       // empty: the brand's own
  std::string_view ProductCode = {};  // empty: the brand's own
  std::uint32_t HwVersion = 0;        // 0: 1.4.0.0 on the first line, 2.1.0.0 on the second
  std::shared_ptr<const DeviceConfiguration> Configuration = {};
};

DeviceProfile BuildProfile(const ProfileDescription& description);

// The profiles tests and the simulator offer by name: one per firmware band of the
// device information record and the identification cases.
const std::vector<ProfileDescription>& StandardProfiles();
// Throws std::out_of_range for an unknown name.
DeviceProfile StandardProfile(std::string_view name);

// Record encoders; the layout follows the profile's SwVersion (and GenSwVersion).
std::vector<std::uint8_t> EncodeDeviceInfoRecord(const DeviceProfile& profile);    // record 1
std::vector<std::uint8_t> EncodeGeneralInfoRecord(const DeviceProfile& profile);   // record 0
std::vector<std::uint8_t> EncodeSignalSupportRecord(const DeviceProfile& profile, std::size_t index);
std::vector<std::uint8_t> EncodeAIChannelRecord(const DeviceProfile& profile, std::size_t index);
std::vector<std::uint8_t> EncodeDIChannelRecord(const DeviceProfile& profile, std::size_t index);
std::vector<std::uint8_t> EncodeRelayRecord(const DeviceProfile& profile, std::size_t index);

// Every information record (function 0x64) the device answers, by record number: 0 and
// 1, the signal-support records from 0xD0 (firmware 1.10 on), the AI, DI and relay
// records at their bases (0x10, 0x30, 0x50 below 2.0; 0x10, 0x50, 0x70 from 2.0; the
// relays only when the profile has them), DI channels beyond 32 from 0xB0. A record
// number is one byte: channels past 0xFF have no record, and where blocks of a profile
// too large for its device run into each other, the block named first here keeps the
// number.
std::map<std::uint32_t, std::vector<std::uint8_t>> EncodeInfoRecords(const DeviceProfile& profile);

}  // namespace recsim
