#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "recorder/info/FixedValue.h"
#include "recorder/info/RecordStoreEvent.h"
#include "recorder/info/RegInfoEnums.h"
#include "recorder/info/StringList.h"
#include "recorder/info/ValueSource.h"
#include "recorder/info/VersionPair.h"

// The recorder's identity and capabilities: versions, serial number, brand line, model,
// feature bits, channel counts and per-channel information. Filled from information
// record 1 (ReadDeviceInfoRecord), record 0 (ReadGeneralInfoRecord) and the channel
// records (the Store...Record callbacks), then completed by the list builder. Never
// copied: a configuration embeds one, the update workflow owns one.
//
// The channel information classes are nested here but defined in RegAIChannelInfo.h
// (signal support, analog inputs) and RegChannelInfo.h (outputs, discrete inputs, IP
// channels), which include this header. Code that touches the elements of a channel
// vector includes the header of that class.
class TRegInfo {
public:
  class TRegAIChannelSignalSupportInfo;
  class TRegAIChannelInfo;
  class TRegAOChannelInfo;
  class TRegDIChannelInfo;
  class TRegDOChannelInfo;
  class TRegIPChannelInfo;

  TRegInfo();
  ~TRegInfo();
  TRegInfo(const TRegInfo&) = delete;
  TRegInfo& operator=(const TRegInfo&) = delete;

  // --- Fields, in the order the records and the configuration file know them. ---
  std::uint8_t GenFlags = 0;         // rec 0 flag byte; bit 0 read by the list builder
  std::uint32_t GenModelCode = 0;    // model code as rec 0 reports it
  std::uint32_t GenHwVersion = 0;    // hardware version of the general part
  std::uint32_t GenSwVersion = 0;    // software version of the general part (second word of the pair)
  std::uint32_t GenTimeBase = 0;     // measurement time base, ms, never 0 once read
  std::vector<TRegAIChannelSignalSupportInfo> AISignalSupport;
  std::uint8_t GenAux1 = 0;          // RTD connection schemes offered (mask)
  std::uint16_t GenAux2 = 0;         // thermocouple types offered (13-bit mask)
  std::uint8_t GenOptionMask = 0;
  std::uint8_t RtdTypeMask = 0;
  std::uint8_t RtdR0Mask = 0;
  std::uint8_t GenAux3 = 0;          // pyrometer types offered (mask)
  std::uint8_t GenAux4 = 0;
  std::uint32_t PhysAICount = 0;
  std::uint8_t GenAux5 = 0;
  std::uint8_t GenAux6 = 0;
  std::uint8_t GenAux7 = 0;
  std::uint8_t GenAux8 = 0;
  float AORangeLow = 0.0f;           // no record sets it
  float GenValue1 = 20.0f;
  float GenValue2 = 23.0f;           // also the high end of the base unit's AO range
  std::array<std::uint8_t, 6> ModuleSlots{};
  std::uint32_t AORangeDecimals = 3; // no record sets it
  std::uint8_t GenCount1 = 0;
  std::uint8_t GenCount2 = 0;
  std::uint8_t GenCount3 = 0;
  std::uint8_t AOCount = 0;          // analog outputs of the base unit
  std::uint8_t DOCount = 0;          // relays of the base unit
  std::uint32_t IPCount = 0;
  std::uint32_t Features = 0;        // rec 1 feature bits, bit 0 = LSB of byte 8
  std::uint32_t HwVersion = 0;
  std::uint32_t SwVersion = 0;       // selects every record layout (first word of the pair)
  std::uint32_t PageCount = 0;
  std::uint32_t PageChannelCount = 0;
  std::uint32_t DevAuxWord = 0;
  std::uint32_t SMCount = 0;         // totalizers
  std::uint32_t CTCount = 0;         // counters
  std::uint32_t TTLCount = 0;
  std::uint32_t TMRCount = 0;        // timers
  std::uint32_t CtlCount = 0;        // PID regulators
  std::uint32_t ScheduleCount = 0;
  std::uint32_t RS485Count = 0;
  std::uint32_t DevFilterParam = 0;
  std::uint8_t DeviceLine = 0;       // 0 or 2: first brand line, 1: second
  std::uint32_t TagFieldCount = 0;
  std::uint32_t TagFieldAux = 0;
  std::uint32_t ModelCode = 0;
  std::uint32_t ModelVariant = 0;
  std::uint32_t ExtAOCount = 0;      // analog outputs of extension modules
  std::uint32_t ExtDOCount = 0;      // relays of extension modules
  std::uint32_t UserTableCount = 0;
  std::uint32_t UserTableLimit1 = 0;
  std::uint32_t UserTableLimit2 = 0;
  std::uint32_t MSCapacity = 0;      // mnemonic-scheme capacity
  std::uint32_t MSAuxWord = 0;
  std::uint32_t ScreenWidth = 0;
  std::uint32_t ScreenHeight = 0;
  std::uint8_t InterfaceMask = 0;    // bit 1 RS-485 No 1, bit 2 No 2, bit 3 Ethernet, bit 4 CAN
  std::uint32_t SerialNumber = 0;
  std::array<std::uint8_t, 16> HardwareId{};
  std::vector<TRegAIChannelInfo> AIChannels;
  std::vector<TRegAOChannelInfo> AOChannels;
  std::vector<TRegDIChannelInfo> DIChannels;
  std::vector<TRegDOChannelInfo> DOChannels;
  std::vector<TRegIPChannelInfo> IPChannels;

  // --- The selectable-value lists, filled by BuildLists. An item's object is its
  // position unless a comment says otherwise. ---
  // One entry of the expression function table: the class code of the function, the
  // least and the greatest number of its arguments, and a flag (1 for the functions of
  // class 5).
  struct TExprCheckFunc {
    const char* Name = "";
    std::uint8_t Class = 0;
    std::uint8_t MinArgs = 0;
    std::uint8_t MaxArgs = 0;
    std::uint32_t Flag = 0;
  };
  // One variable of the expression language; a variable with members is written
  // name.member (ctl1.sp).
  struct TExprCheckVar {
    std::string Name;
    std::set<std::string> Members;
    friend bool operator<(const TExprCheckVar& a, const TExprCheckVar& b) { return a.Name < b.Name; }
  };

  bool HasTcOrPyrometer = false;          // a thermocouple (6) or pyrometer (5) signal is supported
  TEnumStringList<TAIMBValueType> AIMBValueTypes;
  std::vector<std::uint8_t> AOControlTypes;
  TStringList AOControlTypeNames;         // object: the control type code
  std::vector<std::uint8_t> DOControlTypes;
  TStringList DOControlTypeNames;         // object: the control type code
  TEnumStringList<TRegDOChannelMode> DOChannelModes;
  // By TSensorRangeTable; one value per sensor type, degrees Celsius.
  std::array<std::span<const float>, srtCount> SensorRangeTables{};
  std::set<TExprCheckVar> ExprVars;
  std::map<std::string, TExprCheckFunc> ExprFuncs;
  TStringList RtdWiringNames;             // object: the mask bit
  TStringList ThermocoupleNames;          // object: the mask bit
  TStringList ColdJunctionModes;          // 0 manual, 1 internal sensor, channel index + 2
  TStringList RtdTypeNames;               // object: the mask bit
  TStringList RtdR0Names;                 // object: the mask bit
  TStringList PyrometerNames;             // object: the mask bit
  TStringList PeriodNames;                // object: the multiplier of GenTimeBase
  TStringList AIFilterNames;
  TStringList ShortPeriodNames;           // object: the multiplier
  TStringList MinutePeriodNames;          // object: the multiplier
  TStringList ValueModeNames;
  TStringList FlowMediumNames;
  TStringList ReportIntervalNames;
  std::uint8_t PageViewCount = 0;
  std::uint8_t PagePenCount = 0;
  std::uint8_t PageGroupCount = 0;
  std::uint8_t PageLayoutCount = 0;
  TStringList PageViewNames;              // these four without objects
  TStringList PageLayoutNames;
  TStringList PenNames;
  TStringList PageGroupNames;
  TStringList AINames;                    // the channel and function names, without objects
  TStringList AONames;
  TStringList DINames;
  TStringList DONames;
  TStringList IPNames;
  TStringList SMNames;
  TStringList CTNames;
  TStringList TTLNames;
  TStringList TMRNames;
  TStringList CtlNames;
  TStringList RS485PortNames;             // object: the port, 0 or 1
  TStringList InterfaceNames;             // object: 0 none, 1 and 2 RS-485, 3 Ethernet
  TStringList CounterSourceNames;
  std::set<std::uint8_t> CounterSources;
  TEnumStringList<TRegPIDMode> PIDModes;
  std::vector<std::uint32_t> Colors;      // pen colours, 0x00BBGGRR
  std::vector<std::uint32_t> RtdR0List;   // nominal resistances offered, ohms
  std::vector<std::uint32_t> FilterMaxList;
  std::map<std::uint8_t, std::uint32_t> AIFilterTypes;  // filter type -> its limit
  std::vector<std::string> SignalFormatMasks;           // one per AISignalSupport entry

  bool InfoIncomplete = true;  // until the list builder has run to its end
  std::array<std::string, 4> FormatMasks{"0.######", "0.0######", "0.0######", "0.0#######"};
  // Limits of decimal settings; the list builder sets their bounds by firmware version.
  fixed::TFloatPrec<int, 1, 6, -9999999, 9999999> ValueLimit1;
  fixed::TFloatPrec<int, 1, 6, -9999999, 9999999> ValueLimit2;
  fixed::TFloatPrecEx<int> ValueLimitEx1;
  fixed::TFloatPrecEx<int> ValueLimitEx2;

  // Fills every list above from the fields and the channel information (the last step
  // of a full information read) and clears InfoIncomplete at its end. EVantorInvalid
  // 2617 for a signal code above 18, 2700/2710/2720 for a module channel that is no
  // discrete input, 3006 for more than 8 user tables; the lists built so far remain.
  void BuildLists();
  void AddExprFunc(const TExprCheckFunc& entry);
  void AddExprVar(const TExprCheckVar& entry);

  // --- Records. ---
  // Information record 1. Must come first: the layout of everything else depends on the
  // SwVersion it sets.
  void ReadDeviceInfoRecord(std::span<const std::uint8_t> record);
  void ReadDeviceInfoRecord(const std::uint8_t* data, std::uint32_t length) { ReadDeviceInfoRecord({data, length}); }
  // Information record 0; sizes the channel vectors.
  void ReadGeneralInfoRecord(std::span<const std::uint8_t> record);
  void ReadGeneralInfoRecord(const std::uint8_t* data, std::uint32_t length) { ReadGeneralInfoRecord({data, length}); }

  // Store callbacks for the channel information records (bind with StoreEvent).
  int StoreAISignalSupportRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int StoreAIChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int StoreDIChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int StoreDOChannelRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  using StoreMember = int (TRegInfo::*)(std::uint32_t, const std::uint8_t*, std::uint32_t);
  TRegRecordStoreEvent StoreEvent(StoreMember member);

  TRegVersionPair VersionPair() const { return {SwVersion, GenSwVersion}; }

  // --- The device information of the configuration backup file (InfoSection.cpp). ---
  // Appends the general, device and channel information records in the layout of the
  // target pair: one raw area for the old file layout (1.3-1.6 and 1.8), tagged sections
  // 16-22 from 1.9 on. EVantorInvalid {5491} for a zero word in the pair, the version
  // refusals outside the bands (1.7 is too old), and whatever a record writer raises;
  // what was appended before a refusal stays, for the caller to discard.
  void WriteInfoSection(const TRegVersionPair& target, std::vector<std::uint8_t>& out) const;
  // Section 17 alone. The first-line writer serves 1.9-1.10.20 and writes nothing from
  // 2.0 on; the second-line writer refuses everything below 2.0.
  void WriteDeviceInfoSection1x(std::uint32_t version, std::vector<std::uint8_t>& out) const;
  void WriteDeviceInfoSection2x(std::uint32_t version, std::vector<std::uint8_t>& out) const;

  // --- Accessors. Indexes come from device records, so every one is checked: a channel
  // index outside its vector raises EVantorInvalid; a position outside a channel's own
  // list, or naming no signal-support entry, reads as code 0. ---
  TRegAIChannelSignalSupportInfo& SignalSupportAt(std::size_t index);
  const TRegAIChannelSignalSupportInfo& SignalSupportAt(std::size_t index) const;
  std::uint8_t AISignalAt(std::size_t ai, std::size_t position) const;
  std::uint8_t DIModeAt(std::size_t di, std::size_t position) const;

  // --- Firmware-version predicates of SwVersion (FirmwarePredicates.h has them for any
  // version word). "From 2.1.x on" leaves out the 2.2 branch. ---
  bool IsSwAtLeast2_1_128_90() const;
  bool IsSwAtLeast2_1_130() const;
  bool IsSwAtLeast2_1_131() const;
  bool IsSwAtLeast2_1_132() const;
  bool IsSwAtLeast2_1_158() const;
  bool IsSw2_1_80To2_1_100() const;  // a window inside the 2.1 line
  bool HasDOInfoRecords() const;
  bool HasModbusSlave() const;       // feature bit 21, any version
  // Whether a record of that version carries the RTD nominal resistance as a value
  // (not as an index into the offered list); the 2.2 branch is included.
  static bool IsRtdR0ValueVersion(std::uint32_t version);
  // 2: both words carry the value form, 1: SwVersion only, 0: an index.
  unsigned RtdR0Form() const;

  // --- Value sources and lookups. ---
  ValueSource FixValueSource(const ValueSource& source) const;
  bool HasSignalSupport(std::uint8_t signalCode) const;
  int IndexOfSignalSupport(std::uint8_t signalCode) const;
  double RtdR0At(unsigned index) const;
  // The RTD nominal resistance is compared by its stored mantissa.
  int IndexOfRtdR0(const fixed::TValBase<int>& value) const { return IndexOfRtdR0(value.GetMantissa()); }
  bool HasRtdR0(const fixed::TValBase<int>& value) const { return HasRtdR0(value.GetMantissa()); }
  int IndexOfRtdR0(std::int32_t mantissa) const;
  bool HasRtdR0(std::int32_t mantissa) const;

  // Channel count of a value-source kind (1 AI .. 6 regulator), 0 for any other kind.
  std::uint32_t ChannelCountOfKind(std::uint8_t kind) const;

private:
  void MakeExprNames();
  void BuildExprTables();
  void ResizeChannelVectors(std::size_t ai, std::size_t di, std::size_t dout);
};

// The recorder model codes: 1 to 8 (first line), 21, 50 and 51.
bool IsRecorderTypeCode(std::uint32_t code);

// A period for the lists: hours from one hour up (" час."), else minutes from one
// minute (" мин."), else seconds (" сек."), with one significant digit; a number of two
// or more integer digits is written in exponent form (10 s is "1E1 сек.").
std::string FormatDurationMs(double milliseconds);
