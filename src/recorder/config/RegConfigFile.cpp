// The backup file in its sectioned layout "RCF2": the magic, then short and long block
// sections (recorder/info/BlockSection.h) in the order the firmware and the feature bits
// of the configuration's device call for:
//
//   4    model code and firmware version (1 × 8)
//   16-22  the device information (TRegInfo::WriteInfoSection)
//   32   general settings               33 AI                  34 AO (2.x)
//   35   DI                             37 IP (2.x)            38 display pages
//   43   summary board (2.1 on and the 2.2 branch, bit 8)
//   36   DO (1.10.6-1.x: at most DOCount + ExtDOCount; 2.1.54 on: all)
//   130  AMX program (bit 15, long)     47 user tables (bit 19)  64 regulators (bit 25)
//   the part that depends on the firmware's age, below
//   129  mnemonic scheme (bit 14, long), last
//
//   newest, 2.1.157 on:  44 TTL (9), 41 timers (3), 42 schedule (0), 45 tag fields (13),
//                        46 CP (10), 80 boards (24), 80 boards (27)
//   newer, 2.1.132 on:   44, 41, 39 totalizers, 40 counters, 42, 45, 46, 80, 80
//   older, and the 2.2 branch: 39, 40, 41, 42, 44, 45 (2.1.53 on), 46, 80, 80
//
// Both 80 sections carry the same tag: the first-format board record and the
// second-format board stream. Every record section holds the list's records for the
// version; every stream section is written into a memory stream of its own and framed
// whole.

#include "recorder/config/RegConfigFile.h"

#include <algorithm>
#include <span>

#include "platform/Bytes.h"
#include "platform/Stream.h"
#include "recorder/config/RegConfig.h"
#include "recorder/config/SnStream.h"
#include "recorder/info/BlockSection.h"
#include "recorder/info/FirmwarePredicates.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr char kMagic[4] = {'R', 'C', 'F', '2'};

// The write buffer of the file: the image goes to the disk in blocks of this size.
constexpr std::uint32_t kSaveBufferSize = 10240;

bool Bit(const TRegInfo& info, unsigned bit) { return (info.Features >> bit & 1u) != 0; }

// Every item's record for the version, framed with the list's count and the block's
// record size; the framing refuses a list or a record that does not fit the section.
template <typename Item>
void WriteRecordSection(std::vector<std::uint8_t>& out, std::uint8_t tag, std::span<const Item> items,
                        std::uint32_t version, std::size_t itemSize)
{
  std::vector<std::uint8_t> records;
  for (const Item& item : items) item.WriteRecord(version, records);
  WriteRecordsBlock(out, tag, items.size(), itemSize, records);
}

// A block that writes one record of its own size: one item of that size.
template <typename Write>
void WriteSingleRecordSection(std::vector<std::uint8_t>& out, std::uint8_t tag, Write write)
{
  std::vector<std::uint8_t> record;
  write(record);
  WriteBufferBlock(out, tag, record);
}

enum class StreamForm { Short, Long };

// A stream block, written into a fresh memory stream and framed whole: the short form
// refuses 64 KiB and more rather than cut its 16-bit size.
template <typename Write>
void WriteStreamSection(std::vector<std::uint8_t>& out, std::uint8_t tag, StreamForm form, Write write)
{
  TMemoryStream stream;
  write(stream);
  if (form == StreamForm::Long) {
    WriteSizedBlock(out, tag, stream.Data());
  } else {
    std::size_t position = 0;
    WriteStreamBlock(out, tag, stream.Data(), position);
  }
}

// The sections whose place depends on the firmware's age.
enum class Late : std::uint8_t { TTL, Timers, Totalizers, Counters, Schedule, TagFields, CP, Boards1, Boards2 };

constexpr Late kNewest[] = {Late::TTL, Late::Timers, Late::Schedule, Late::TagFields, Late::CP, Late::Boards1,
                            Late::Boards2};
constexpr Late kNewer[] = {Late::TTL,      Late::Timers,    Late::Totalizers, Late::Counters, Late::Schedule,
                           Late::TagFields, Late::CP,       Late::Boards1,    Late::Boards2};
constexpr Late kOlder[] = {Late::Totalizers, Late::Counters, Late::Timers,  Late::Schedule, Late::TTL,
                           Late::TagFields,  Late::CP,       Late::Boards1, Late::Boards2};

std::span<const Late> LateOrder(std::uint32_t version)
{
  if (IsSwAtLeast2_1_157(version)) return kNewest;
  if (IsSwAtLeast2_1_132(version)) return kNewer;
  return kOlder;
}

// The DO section: late first-line firmware and the second line from 2.1.54 (not the 2.2
// branch) have one; the first line holds at most the device's own relays, the second
// every item.
bool HasDOSection(std::uint32_t version)
{
  return (version >= MakeVersion(1, 10, 6) && version < kSecondLineFrom) ||
         IsFirmwareFrom(version, MakeVersion(2, 1, 54));
}

std::span<const TRegDOConfig> DOSectionItems(const TRegConfig& config, std::uint32_t version)
{
  std::span<const TRegDOConfig> items = config.DO;
  if (version >= kSecondLineFrom) return items;
  const TRegInfo& info = config.RegInfo;
  return items.first(std::min<std::size_t>(std::size_t(info.DOCount) + info.ExtDOCount, items.size()));
}

class SectionedWriter {
public:
  SectionedWriter(const TRegConfig& config, std::uint32_t version)
      : config_(config), info_(config.RegInfo), version_(version)
  {
  }

  void Head(const TRegVersionPair& target)
  {
    AppendBytes(out_, kMagic, sizeof kMagic);
    std::vector<std::uint8_t> identity;
    ByteAppender w(identity);
    w.u32(info_.ModelCode);
    w.u32(version_);
    WriteBufferBlock(out_, 4, identity);
    info_.WriteInfoSection(target, out_);
    WriteSingleRecordSection(out_, 32, [&](auto& record) { config_.WriteGeneralRecord(version_, record); });
  }

  void Channels()
  {
    Records<TRegAIConfig>(33, config_.AI, TRegAIConfig::RecordSize(version_));
    if (VersionAtLeast(version_, kSecondLineFrom))
      Records<TRegAOConfig>(34, config_.AO, TRegAOConfig::RecordSize(version_));
    Records<TRegDIConfig>(35, config_.DI, TRegDIConfig::RecordSize(version_));
    if (VersionAtLeast(version_, kSecondLineFrom))
      Records<TRegIPConfig>(37, config_.IP, TRegIPConfig::RecordSize(version_));
    Records<TRegDisplayPageConfig>(38, config_.Pages, TRegDisplayPageConfig::RecordSize(info_, version_));
    // The 2.2 branch reads its summary board like 2.1 and its writer serves it: the board
    // belongs in the file there too.
    if (VersionAtLeast(version_, MakeVersion(2, 1, 0)) && Bit(info_, 8))
      WriteSingleRecordSection(out_, 43, [&](auto& record) { config_.TabloPage.WriteRecord(version_, record); });
    if (HasDOSection(version_))
      Records<TRegDOConfig>(36, DOSectionItems(config_, version_), TRegDOConfig::RecordSize(version_));
  }

  void Programs()
  {
    if (Bit(info_, 15))
      WriteStreamSection(out_, 130, StreamForm::Long, [&](TStream& s) { config_.WriteAMXStream(version_, s); });
    if (Bit(info_, 19))
      WriteStreamSection(out_, 47, StreamForm::Short,
                         [&](TStream& s) { config_.WriteUserTablesStream(version_, s); });
    if (Bit(info_, 25)) Records<TRegCtlConfig>(64, config_.Ctl, TRegCtlConfig::RecordSize(version_));
    for (Late part : LateOrder(version_)) LateSection(part);
    if (Bit(info_, 14))
      WriteStreamSection(out_, 129, StreamForm::Long, [&](TStream& s) { config_.WriteMSStream(version_, s); });
  }

  std::vector<std::uint8_t> Image() { return std::move(out_); }

private:
  template <typename Item>
  void Records(std::uint8_t tag, std::span<const Item> items, std::size_t itemSize)
  {
    WriteRecordSection<Item>(out_, tag, items, version_, itemSize);
  }

  void LateSection(Late part)
  {
    switch (part) {
    case Late::TTL:
      if (Bit(info_, 9)) TTLSection();
      break;
    case Late::Timers:
      if (Bit(info_, 3)) Records<TRegTMRConfig>(41, config_.TMR, TRegTMRConfig::RecordSize(version_));
      break;
    case Late::Totalizers: Records<TRegSMConfig>(39, config_.SM, TRegSMConfig::RecordSize(version_)); break;
    case Late::Counters: Records<TRegCTConfig>(40, config_.CT, TRegCTConfig::RecordSize(version_)); break;
    case Late::Schedule:
      if (Bit(info_, 0))
        WriteStreamSection(out_, 42, StreamForm::Short,
                           [&](TStream& s) { config_.WriteScheduleStream(version_, s); });
      break;
    case Late::TagFields:
      if (Bit(info_, 13) && IsSwAtLeast2_1_53(version_))
        Records<TRegTagFieldConfig>(45, config_.TagFields, TRegTagFieldConfig::RecordSize(version_));
      break;
    case Late::CP:
      if (Bit(info_, 10))
        WriteSingleRecordSection(out_, 46, [&](auto& record) { config_.WriteCPRecord(version_, record); });
      break;
    case Late::Boards1:
      if (Bit(info_, 24))
        WriteSingleRecordSection(out_, 80, [&](auto& record) { config_.WriteTIM2v1Record(version_, record); });
      break;
    case Late::Boards2:
      if (Bit(info_, 27))
        WriteStreamSection(out_, 80, StreamForm::Short, [&](TStream& s) { config_.WriteTIM2v2Stream(version_, s); });
      break;
    }
  }

  // The TTL channels go in the form each was read in: from 2.1.54 the reader takes 200
  // or 248 bytes by their size, whatever the version says. A section has one record
  // size, so channels read in different forms all take the version's form, as a
  // channel no read filled does.
  void TTLSection()
  {
    std::span<const TRegTTLConfig> items = config_.TTL;
    const std::uint32_t size = items.empty() ? TRegTTLConfig::RecordSize(version_) : items[0].WrittenSize(version_);
    const bool oneForm = std::all_of(items.begin(), items.end(),
                                     [&](const TRegTTLConfig& item) { return item.WrittenSize(version_) == size; });
    if (oneForm) {
      Records<TRegTTLConfig>(44, items, size);
      return;
    }
    std::vector<TRegTTLConfig> versionForm(items.begin(), items.end());
    for (TRegTTLConfig& item : versionForm) item.ReadSize = 0;
    Records<TRegTTLConfig>(44, versionForm, TRegTTLConfig::RecordSize(version_));
  }

  const TRegConfig& config_;
  const TRegInfo& info_;
  std::uint32_t version_;
  std::vector<std::uint8_t> out_;
};

}  // namespace

std::vector<std::uint8_t> SectionedImage(const TRegConfig& config, const TRegVersionPair& target)
{
  SectionedWriter writer(config, target.SwVersion);
  writer.Head(target);
  writer.Channels();
  writer.Programs();
  return writer.Image();
}

void TRegConfig::SaveToStreamForVersion(TStream& stream, const TRegVersionPair& target) const
{
  const std::uint32_t version = target.SwVersion;
  if (version == 0) throw EVersion();
  if (version < kFirstLineFrom) throw EVantorUnsupportedOldVer(version);
  const std::vector<std::uint8_t> image = version < MakeVersion(1, 9, 0) ? OldLayoutImage(*this, target)
                                                                        : SectionedImage(*this, target);
  stream.WriteBuffer(image.data(), image.size());
}

void TRegConfig::SaveToStream(TStream& stream) const { SaveToStreamForVersion(stream, RegInfo.VersionPair()); }

void TRegConfig::SaveToFile(const std::string& path) const
{
  SnStream::TTempFileStream file(path, /*keepBackup=*/true);
  SnStream::TSnBufferedStream buffer(kSaveBufferSize, &file);
  SaveToStream(buffer);
  // The last block's failure (a full disk) must reach the caller, and before the commit:
  // a destructor could not report it.
  buffer.Flush();
  file.Commit();
}

void TRegConfig::WriteScheduleStream(std::uint32_t version, TStream& stream) const
{
  if (VersionBelow(version, MakeVersion(1, 6, 0))) throw EVantorUnsupportedOldVer(version);
  if (version > kFirstLineUpTo && version < kSecondLineFrom) throw EVantorUnsupportedNewVer(version, kFirstLineUpTo);
  if (version > kSecondLineUpTo && !IsInBranch(version)) throw EVantorUnsupportedNewVer(version, kSecondLineUpTo);
  for (const auto& item : Schedule) item.WriteStream(RegInfo, version, stream);
}

std::size_t TRegConfig::WriteCPRecord(std::uint32_t version, std::vector<std::uint8_t>& output) const
{
  return CP.WriteRecord(version, output);
}

std::size_t TRegConfig::WriteTIM2v1Record(std::uint32_t version, std::vector<std::uint8_t>& output) const
{
  return TIM2v1.WriteRecord(version, output);
}

void TRegConfig::WriteTIM2v2Stream(std::uint32_t version, TStream& stream) const { TIM2v2.WriteStream(version, stream); }

void TRegConfig::WriteMSStream(std::uint32_t version, TStream& stream) const { MS.WriteStream(version, stream); }

void TRegConfig::WriteAMXStream(std::uint32_t version, TStream& stream) const { AMX.WriteStream(version, stream); }

void TRegConfig::WriteUserTablesStream(std::uint32_t version, TStream& stream) const
{
  UserTables.WriteStream(RegInfo, version, stream);
}
