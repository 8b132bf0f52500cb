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
};

// The information model of the configuration an item is attached to. A block that needs
// its device context refuses to read or write unattached, rather than guess.
const TRegInfo& OwnerInfo(const TRegConfig* owner, const char* block);
