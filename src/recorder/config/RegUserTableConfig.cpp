// The user-table stream: an 8-byte header, eight table headers, then the points of the
// tables in order.

#include "recorder/config/RegUserTableConfig.h"

#include <algorithm>
#include <span>

#include "platform/Bytes.h"
#include "recorder/config/StreamTransfer.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionBands.h"
#include "recorder/info/VersionWord.h"

namespace {

enum class TablesForm : std::uint8_t { None, Stream };

constexpr std::size_t kSlots = 8;           // table headers in every stream
constexpr std::size_t kTableHeaderSize = std::tuple_size_v<decltype(TRegUserTable::Header)>;
constexpr std::size_t kPointSize = 8;
constexpr std::uint16_t kMaxTotal = 8000;   // points of all tables together
constexpr std::uint16_t kMaxPerTable = 2000;

// Stream header bytes.
constexpr std::size_t kCountAt = 0;
constexpr std::size_t kTotalAt = 2;
constexpr std::size_t kPerTableAt = 4;
constexpr std::size_t kCapacityAt = 6;  // written as 8000, not read

constexpr VersionBand<TablesForm> kReadingBands[] = {
    Served(0, MakeVersion(2, 1, 126, 255), TablesForm::None, LengthRule{}),
    Served(MakeVersion(2, 1, 127), kSecondLineUpTo, TablesForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    Served(kBranchFrom, kBranchUpTo, TablesForm::None, LengthRule{}),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

constexpr VersionBand<TablesForm> kWritingBands[] = {
    RefusedAsOld(0, MakeVersion(2, 1, 126, 255)),
    Served(MakeVersion(2, 1, 127), kSecondLineUpTo, TablesForm::Stream, LengthRule{}),
    RefusedAsNew(kSecondLineUpTo + 1, kBranchFrom - 1, kSecondLineUpTo),
    RefusedAsOld(kBranchFrom, kBranchUpTo),
    RefusedAsNew(kBranchUpTo + 1, 0xFFFFFFFF, kSecondLineUpTo),
};

std::uint16_t PointCountOf(const TRegUserTable& table) { return ByteReader(table.Header).u16(0); }

}  // namespace

void TRegUserTableConfig::SetDefaults()
{
  for (auto& table : Tables) table.SetDefaults();
}

void TRegUserTableConfig::Resize(std::size_t count)
{
  Tables.clear();
  Tables.resize(count);
}

void TRegUserTableConfig::ReadStream(const TRegInfo& info, std::uint32_t version, TStream& stream)
{
  SetDefaults();
  if (BandForReading<kReadingBands>(version, 0).form == TablesForm::None) return;
  // A device that offers tables but holds none sends nothing at all: as a stream that
  // brings no tables, it leaves the device's number of default tables.
  if (stream.GetSize() == 0) {
    Resize(info.UserTableCount);
    return;
  }
  std::array<std::uint8_t, 8> head;
  StreamReading(stream).raw(head);
  const ByteReader header(head);
  const std::uint8_t count = header.u8(kCountAt);
  const std::uint16_t total = header.u16(kTotalAt);
  const std::uint16_t perTable = header.u16(kPerTableAt);
  if (count > kSlots) throw EVantorInvalid(14804);
  if (total > kMaxTotal) throw EVantorInvalid(14806);
  if (perTable > kMaxPerTable) throw EVantorInvalid(14808);
  if (total > info.UserTableLimit1) throw EVantorInvalid(14812);
  if (perTable > info.UserTableLimit2) throw EVantorInvalid(14814);
  Resize(info.UserTableCount);
  if (count != kSlots) return;

  const std::size_t n = std::min<std::size_t>(kSlots, info.UserTableCount);
  const std::uint32_t totalLimit = std::min<std::uint32_t>(total, info.UserTableLimit1);
  const std::uint32_t perTableLimit = std::min<std::uint32_t>(perTable, info.UserTableLimit2);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) {
    StreamReading(stream).raw(Tables[i].Header);
    const std::uint16_t points = PointCountOf(Tables[i]);
    if (points > perTableLimit) throw EVantorInvalid(14842);
    sum += points;
    if (sum > totalLimit) throw EVantorInvalid(14848);
  }
  SkipForward(stream, (kSlots - n) * kTableHeaderSize);
  for (std::size_t i = 0; i < n; ++i) {
    auto& points = Tables[i].Points;
    points.resize(PointCountOf(Tables[i]));
    for (auto& point : points) {
      std::array<std::uint8_t, kPointSize> bytes;
      StreamReading(stream).raw(bytes);
      point.Value1 = ByteReader(bytes).u32(0);
      point.Value2 = ByteReader(bytes).u32(4);
    }
  }
}

int TRegUserTableConfig::WriteStream(const TRegInfo& info, std::uint32_t targetVersion, TStream& stream) const
{
  BandForWriting<kWritingBands>(targetVersion);
  // The stream has room for 8 tables, and no reader takes more: a device that reports
  // more has the others default, and they are left out rather than written where the
  // points of the first 8 are expected.
  const auto written = std::span(Tables).first(std::min(Tables.size(), kSlots));
  std::size_t total = 0;
  for (const auto& table : written) total += table.Points.size();
  std::array<std::uint8_t, 8> head{};
  ByteWriter header(head);
  header.u8(kCountAt, kSlots);
  header.u16(kTotalAt, static_cast<std::uint16_t>(total));
  header.u16(kPerTableAt, static_cast<std::uint16_t>(info.UserTableLimit2));
  header.u16(kCapacityAt, kMaxTotal);
  StreamWriting io(stream);
  io.raw(head);
  for (const auto& table : written) io.raw(table.Header);
  const std::array<std::uint8_t, kTableHeaderSize> missing{};
  for (std::size_t i = written.size(); i < kSlots; ++i) io.raw(missing);
  for (const auto& table : written) {
    for (const auto& point : table.Points) {
      std::array<std::uint8_t, kPointSize> bytes{};
      ByteWriter(bytes).u32(0, point.Value1);
      ByteWriter(bytes).u32(4, point.Value2);
      io.raw(bytes);
    }
  }
  return 0;
}
