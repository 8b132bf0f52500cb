#pragma once

// One recorder's whole configuration: its information model, the general settings
// (configuration record 0) and one block per kind of configuration data.
//
// Shape of the model. Each block class is defined at namespace scope in its own header,
// named after the class (RegAIConfig.h holds TRegAIConfig), which forward-declares
// TRegConfig for its owner pointer and never includes this header; its .cpp does. This
// header includes every block header and names the classes inside TRegConfig as well
// (TRegConfig::TRegAIConfig, TRegConfig::TRegAIConfig::TRegAIEvent), so the container
// holds them by value and no header includes another in a circle.
//
// The common block scheme: a constructor that sets the defaults, SetDefaults, Attach
// (owner, index) for the channel items that need their device context (ItemPlace.h), a
// copy assignment that is Assign (every setting, neither owner nor index), a static
// RecordSize(version) that is 0 where the firmware has no such record, ReadRecord from
// the record bytes and WriteRecord(target version, output) appending a zero-filled
// record of the version's size with the fields placed. Each block keeps one band table
// (recorder/info/VersionBands.h) that RecordSize and the form lookup both read, and
// writes each record form once as a transfer function over the cursors of
// RecordTransfer.h. Failures are EVantorInvalid with the check numbers, and the
// refusals of too old or too new firmware.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "recorder/config/FieldConventions.h"
#include "recorder/config/RegAIConfig.h"
#include "recorder/config/RegAMXConfig.h"
#include "recorder/config/RegAOConfig.h"
#include "recorder/config/RegCPConfig.h"
#include "recorder/config/RegCTConfig.h"
#include "recorder/config/RegCtlConfig.h"
#include "recorder/config/RegDIConfig.h"
#include "recorder/config/RegDOConfig.h"
#include "recorder/config/RegDisplayPageConfig.h"
#include "recorder/config/RegDisplayPageTabloConfig.h"
#include "recorder/config/RegIPConfig.h"
#include "recorder/config/RegMSConfig.h"
#include "recorder/config/RegSMConfig.h"
#include "recorder/config/RegScheduleItemConfig.h"
#include "recorder/config/RegTIM2v1Config.h"
#include "recorder/config/RegTIM2v2Config.h"
#include "recorder/config/RegTMRConfig.h"
#include "recorder/config/RegTTLConfig.h"
#include "recorder/config/RegTagFieldConfig.h"
#include "recorder/config/RegUserTableConfig.h"
#include "recorder/info/FixedValue.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionPair.h"

// Neither copyable nor movable: the items of its vectors point back at it.
class TRegConfig {
public:
  template <typename JobClass, int Kind>
  using TChEventJobClass = ::TChEventJobClass<JobClass, Kind>;
  using TRegAIConfig = ::TRegAIConfig;
  using TRegAOConfig = ::TRegAOConfig;
  using TRegDIConfig = ::TRegDIConfig;
  using TRegDOConfig = ::TRegDOConfig;
  using TRegIPConfig = ::TRegIPConfig;
  using TRegDisplayPageChannelConfig = ::TRegDisplayPageChannelConfig;
  using TRegDisplayPageConfig = ::TRegDisplayPageConfig;
  using TRegDisplayPageTabloChannelConfig = ::TRegDisplayPageTabloChannelConfig;
  using TRegDisplayPageTabloConfig = ::TRegDisplayPageTabloConfig;
  using TRegSMConfig = ::TRegSMConfig;
  using TRegCTConfig = ::TRegCTConfig;
  using TRegTTLConfig = ::TRegTTLConfig;
  using TRegTMRConfig = ::TRegTMRConfig;
  using TRegCtlConfig = ::TRegCtlConfig;
  using TRegScheduleItemConfig = ::TRegScheduleItemConfig;
  using TRegTagFieldConfig = ::TRegTagFieldConfig;
  using TRegCPConfig = ::TRegCPConfig;
  using TRegTIM2v1Config = ::TRegTIM2v1Config;
  using TRegTIM2v2Config = ::TRegTIM2v2Config;
  using TRegMSConfig = ::TRegMSConfig;
  using TRegAMXConfig = ::TRegAMXConfig;
  using TRegUserTable = ::TRegUserTable;
  using TRegUserTableConfig = ::TRegUserTableConfig;

  // The schedule's size when the device offers one (feature bit 0).
  static constexpr std::size_t kScheduleItems = 12;

  TRegConfig();
  ~TRegConfig();
  TRegConfig(const TRegConfig&) = delete;
  TRegConfig& operator=(const TRegConfig&) = delete;
  TRegConfig(TRegConfig&&) = delete;
  TRegConfig& operator=(TRegConfig&&) = delete;

  // Kept for the layout the model has always had; nothing reads it.
  std::array<std::uint8_t, 10> Preamble{1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  TRegInfo RegInfo;

  // --- General settings: configuration record 0. ---
  std::uint8_t Selector0 = 2;
  std::uint8_t Selector1 = 1;
  std::uint8_t Selector3 = 0;   // from 2.1 on
  std::uint8_t Selector32 = 0;  // from 2.1 on
  bool Switch2 = false;
  std::string Name;
  fixed::TFixedPrec<int, 1, 0, 250> TenthsA;  // from 2.1 on, each as the low byte of its mantissa
  fixed::TFixedPrec<int, 1, 0, 250> TenthsB;
  fixed::TFixedPrec<int, 1, 1, 250> TenthsC;  // 0.1

  // --- The blocks, in the order of the backup file. ---
  std::vector<TRegAIConfig> AI;
  std::vector<TRegAOConfig> AO;
  std::vector<TRegDIConfig> DI;
  std::vector<TRegDOConfig> DO;
  std::vector<TRegIPConfig> IP;
  std::vector<TRegDisplayPageConfig> Pages;
  TRegDisplayPageTabloConfig TabloPage;
  std::vector<TRegSMConfig> SM;
  std::vector<TRegCTConfig> CT;
  std::vector<TRegTTLConfig> TTL;
  std::vector<TRegTMRConfig> TMR;
  std::vector<TRegCtlConfig> Ctl;
  std::vector<TRegScheduleItemConfig> Schedule;
  std::vector<TRegTagFieldConfig> TagFields;
  TRegCPConfig CP;
  TRegTIM2v1Config TIM2v1;
  TRegTIM2v2Config TIM2v2;
  TRegMSConfig MS;
  TRegAMXConfig AMX;
  TRegUserTableConfig UserTables;

  // Fits every block to the counts of RegInfo (nothing while InfoIncomplete): the
  // channel vectors to the device's channel counts (items present keep their settings,
  // new ones have the constructor's defaults), then attaches every item that needs its
  // owner. The configuration read calls it once, before any record.
  void ResizeToInfo();

  // Configuration record 0 at RegInfo.SwVersion; returns the size it used (3, 4, 28 or
  // 36). Nothing is stored unless the size and range checks pass.
  std::uint32_t ReadGeneralRecord(std::span<const std::uint8_t> record);
  std::uint32_t ReadGeneralRecord(const std::uint8_t* data, std::uint32_t length)
  {
    return ReadGeneralRecord({data, length});
  }
  // Record 0 for the target firmware, appended; 0 (nothing) below 1.3.
  std::size_t WriteGeneralRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
  static std::uint32_t GeneralRecordSize(std::uint32_t version);

  // --- Where the configuration read hands what the device delivers (RegConfigStore.cpp).
  // Each passes the data to its block's reader at RegInfo.SwVersion and returns 0. The
  // per-channel ones take the item's position in its list and refuse one beyond it
  // (EVantorInvalid with the block's check number): the lists are sized to the device
  // by ResizeToInfo before the read, and a record outside them is never stored. ---
  int ReadAIRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadAORecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadDIRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadDORecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadIPRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  // The page reader, then its sources repaired against the device; below 2.1.91 (and on
  // the 2.2 branch) the page record has no Setting20 and the page takes Selector1.
  int ReadDisplayPageRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadSMRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadCTRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadTTLRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadTMRRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadCtlRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  int ReadTagFieldRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length);
  using StoreMember = int (TRegConfig::*)(std::uint32_t, const std::uint8_t*, std::uint32_t);
  // One of the callbacks above bound to this configuration, for the record transfers.
  TRegRecordStoreEvent StoreEvent(StoreMember member);

  int ReadTabloRecord(const std::uint8_t* data, std::uint32_t length);
  int ReadCPRecord(const std::uint8_t* data, std::uint32_t length);
  int ReadTIM2v1Record(const std::uint8_t* data, std::uint32_t length);
  // The schedule record as a stream from its start: 12 items of 11 bytes (first line) or
  // 13 bytes (2.x) must fit in it, checked by its size first (EVantorInvalid 16597 /
  // 16608), then every item of the schedule list reads itself in order.
  int ReadScheduleStream(TStream& stream);
  // The stream blocks, each from the start of what the device delivered (possibly
  // nothing: a recorder with the feature but without the data).
  int ReadTIM2v2Stream(TStream& stream);
  int ReadMSStream(TStream& stream);
  int ReadAMXStream(TStream& stream);
  int ReadUserTablesStream(TStream& stream);

  // --- The backup file (RegConfigFile.cpp, RegConfigOldFile.cpp). ---
  // The whole configuration as one file image for its own pair {SwVersion,
  // GenSwVersion}, written to the stream with one write: "RLCF" for 1.3-1.8, "RCF2" for
  // 1.9-2.1.160 and the 2.2 branch. A failure of any block writer raises before anything
  // reaches the stream.
  void SaveToStream(TStream& stream) const;
  void SaveToStreamForVersion(TStream& stream, const TRegVersionPair& target) const;
  // The image into path through a temporary file beside it, which replaces path only once
  // it is complete and on the disk; the previous file stays as path + ".bak". On any
  // failure path is as it was and no temporary file remains.
  void SaveToFile(const std::string& path) const;

  // The stream and single-record blocks as the file holds them, for the target version.
  void WriteScheduleStream(std::uint32_t version, TStream& stream) const;
  std::size_t WriteCPRecord(std::uint32_t version, std::vector<std::uint8_t>& output) const;
  std::size_t WriteTIM2v1Record(std::uint32_t version, std::vector<std::uint8_t>& output) const;
  void WriteTIM2v2Stream(std::uint32_t version, TStream& stream) const;
  void WriteMSStream(std::uint32_t version, TStream& stream) const;
  void WriteAMXStream(std::uint32_t version, TStream& stream) const;
  void WriteUserTablesStream(std::uint32_t version, TStream& stream) const;
};

// The information model of the configuration an item is attached to. A block that needs
// its device context refuses to read or write unattached, rather than guess.
const TRegInfo& OwnerInfo(const TRegConfig* owner, const char* block);
