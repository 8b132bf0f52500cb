// The entry points through which the configuration read puts what the recorder
// delivers into the blocks. They only route: the version each reader decodes at is
// always the device's own (RegInfo.SwVersion), and an item index is checked before
// anything is stored, since it comes from the order of the device's replies.

#include "recorder/config/RegConfig.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

// Check numbers of an index beyond the block's list, one per block.
constexpr unsigned kCheckAI = 16416;
constexpr unsigned kCheckAO = 16429;
constexpr unsigned kCheckDI = 16442;
constexpr unsigned kCheckDO = 16455;
constexpr unsigned kCheckIP = 16468;
constexpr unsigned kCheckPage = 16481;
constexpr unsigned kCheckSM = 16511;
constexpr unsigned kCheckCT = 16524;
constexpr unsigned kCheckTTL = 16537;
constexpr unsigned kCheckTMR = 16550;
constexpr unsigned kCheckCtl = 16563;
constexpr unsigned kCheckTagField = 16576;

// The schedule record holds the twelve items one after another: 11 bytes each on the
// first line, 13 on the second.
constexpr std::int64_t kScheduleBytesFirstLine = 12 * 11;
constexpr std::int64_t kScheduleBytes = 12 * 13;
constexpr unsigned kCheckScheduleFirstLine = 16597;
constexpr unsigned kCheckSchedule = 16608;
constexpr std::uint32_t kScheduleFrom = MakeVersion(1, 6, 0);

std::span<const std::uint8_t> Bytes(const std::uint8_t* data, std::uint32_t length) { return {data, length}; }

template <typename Item, typename Read>
int StoreAt(std::vector<Item>& items, std::uint32_t index, unsigned check, Read&& read)
{
  if (index >= items.size()) throw EVantorInvalid(check);
  read(items[index]);
  return 0;
}

}  // namespace

TRegRecordStoreEvent TRegConfig::StoreEvent(StoreMember member)
{
  return [this, member](std::uint32_t index, const std::uint8_t* data, std::uint32_t length) {
    return (this->*member)(index, data, length);
  };
}

int TRegConfig::ReadAIRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(AI, index, kCheckAI, [&](TRegAIConfig& item) { item.ReadRecord(Bytes(data, length)); });
}

int TRegConfig::ReadAORecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(AO, index, kCheckAO,
                 [&](TRegAOConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadDIRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(DI, index, kCheckDI, [&](TRegDIConfig& item) { item.ReadRecord(Bytes(data, length)); });
}

int TRegConfig::ReadDORecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(DO, index, kCheckDO,
                 [&](TRegDOConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadIPRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(IP, index, kCheckIP,
                 [&](TRegIPConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadDisplayPageRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(Pages, index, kCheckPage, [&](TRegDisplayPageConfig& page) {
    page.ReadRecord(RegInfo, Bytes(data, length));
    page.FixSources(RegInfo);
    if (!IsSwAtLeast2_1_91(RegInfo.SwVersion)) page.Setting20 = Selector1;
  });
}

int TRegConfig::ReadSMRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(SM, index, kCheckSM, [&](TRegSMConfig& item) { item.ReadRecord(Bytes(data, length)); });
}

int TRegConfig::ReadCTRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(CT, index, kCheckCT, [&](TRegCTConfig& item) { item.ReadRecord(Bytes(data, length)); });
}

int TRegConfig::ReadTTLRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(TTL, index, kCheckTTL,
                 [&](TRegTTLConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadTMRRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(TMR, index, kCheckTMR,
                 [&](TRegTMRConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadCtlRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(Ctl, index, kCheckCtl,
                 [&](TRegCtlConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadTagFieldRecord(std::uint32_t index, const std::uint8_t* data, std::uint32_t length)
{
  return StoreAt(TagFields, index, kCheckTagField,
                 [&](TRegTagFieldConfig& item) { item.ReadRecord(RegInfo.SwVersion, Bytes(data, length)); });
}

int TRegConfig::ReadTabloRecord(const std::uint8_t* data, std::uint32_t length)
{
  TabloPage.ReadRecord(RegInfo, Bytes(data, length));
  return 0;
}

int TRegConfig::ReadCPRecord(const std::uint8_t* data, std::uint32_t length)
{
  CP.ReadRecord(RegInfo.SwVersion, Bytes(data, length));
  return 0;
}

int TRegConfig::ReadTIM2v1Record(const std::uint8_t* data, std::uint32_t length)
{
  TIM2v1.ReadRecord(RegInfo.SwVersion, Bytes(data, length));
  return 0;
}

int TRegConfig::ReadScheduleStream(TStream& stream)
{
  const std::uint32_t sw = RegInfo.SwVersion;
  if (sw < kScheduleFrom) throw EVantorUnsupportedOldVer(sw);
  if (sw < kSecondLineFrom) {
    if (stream.GetSize() < kScheduleBytesFirstLine) throw EVantorInvalid(kCheckScheduleFirstLine);
  } else {
    if (sw > kSecondLineUpTo && !IsInBranch(sw)) throw EVantorUnsupportedNewVer(sw, kSecondLineUpTo);
    if (stream.GetSize() < kScheduleBytes) throw EVantorInvalid(kCheckSchedule);
  }
  for (TRegScheduleItemConfig& item : Schedule) item.ReadStream(RegInfo, stream);
  return 0;
}

int TRegConfig::ReadTIM2v2Stream(TStream& stream)
{
  // A recorder that offers the boards but has none set may keep a file of no bytes: no
  // board, as for the other stream blocks, rather than a stream cut short, which would
  // fail every backup of that recorder.
  if (stream.GetSize() == 0) TIM2v2.SetDefaults();
  else TIM2v2.ReadStream(RegInfo.SwVersion, stream);
  return 0;
}

int TRegConfig::ReadMSStream(TStream& stream)
{
  MS.ReadStream(RegInfo.SwVersion, stream);
  return 0;
}

int TRegConfig::ReadAMXStream(TStream& stream)
{
  AMX.ReadStream(RegInfo.SwVersion, stream);
  return 0;
}

int TRegConfig::ReadUserTablesStream(TStream& stream)
{
  UserTables.ReadStream(RegInfo, RegInfo.SwVersion, stream);
  return 0;
}
