// The totalizer block beyond the record vectors (BlockVectorsTest), and the refusal of a
// backup whose totalizers or counters have no record form to be written in.

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "support/ExpectThrowMsg.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(SMRecord, SizeByFirmware)
{
  ExpectSizes({{V(1, 4, 255, 255), 0}, {V(1, 5, 0), 64}, {V(1, 9, 0), 64}, {V(2, 1, 160), 64}, {V(2, 2, 1), 64},
               {V(3, 0, 0), 64}},
              TRegSMConfig::RecordSize);
}

TEST(SMRecord, ReadersAndWritersBands)
{
  ExpectBands({{"before 1.5", V(1, 4, 0), 64, "old", "old"},
               {"first line short", V(1, 6, 0), 63, "{10145}", ""},
               {"first line longer", V(1, 8, 0), 70, "", ""},
               {"1.9 reads, is not written", V(1, 9, 0), 64, "", "new 1.10.20"},
               {"second line short", V(2, 0, 20), 63, "{10168}", ""},
               {"last written", V(2, 1, 24, 255), 64, "", ""},
               {"read, not written", V(2, 1, 30), 64, "", "new 2.1.160"},
               // Its size says 64, and yet neither direction takes the branch.
               {"branch", V(2, 2, 1), 64, "new 2.1.160", "new 2.1.160"},
               {"past the newest", V(2, 1, 161), 64, "new 2.1.160", "new 2.1.160"}},
              [](std::uint32_t v, const auto& record) { BlockDevice(v).config.SM[0].ReadRecord(record); },
              [](std::uint32_t v) { Written(BlockDevice(v).config.SM[0], v); });
}

TEST(SMRecord, FirstLineCodesDecodeAtTheDevicesFirmware)
{
  // At 1.5 the byte is the class in the high nibble and the parameter in the low one.
  BlockDevice device(V(1, 5, 0));
  std::vector<std::uint8_t> record(64, 0);
  record[48 + 6] = 0x12;
  auto& sm = device.config.SM[0];
  sm.ReadRecord(record);
  EXPECT_EQ(sm.Events[0].Codes[0], 0x0201);
  EXPECT_EQ(Written(sm, V(1, 5, 0))[48 + 6], 0x12);
}

TEST(TotalizersAndCounters, ABackupThatCannotWriteThemIsRefusedBeforeItStarts)
{
  struct Row {
    const char* name;
    std::uint32_t version;
    std::uint32_t sm;
    std::uint32_t ct;
    bool refused;
  };
  for (const Row& row : {Row{"2.1.24 writes them", V(2, 1, 24, 255), 2, 1, false},
                         Row{"from 2.1.25", V(2, 1, 25), 1, 0, true},
                         Row{"counters alone", V(2, 1, 100), 0, 3, true},
                         Row{"up to 2.1.156", V(2, 1, 156, 255), 4, 4, true},
                         // The newest layout of the backup has no such sections at all.
                         Row{"from 2.1.157", V(2, 1, 157), 1, 1, false},
                         Row{"none to write", V(2, 1, 100), 0, 0, false},
                         Row{"branch", V(2, 2, 1), 1, 1, false}}) {
    SCOPED_TRACE(row.name);
    TRegInfo info;
    info.SwVersion = row.version;
    info.SMCount = row.sm;
    info.CTCount = row.ct;
    EXPECT_EQ(Outcome(row.version, [&] { RefuseUnwritableTotalizersAndCounters(info); }), row.refused ? "version" : "");
  }
  TRegInfo info;
  info.SwVersion = V(2, 1, 50);
  info.SMCount = 2;
  info.CTCount = 1;
  EXPECT_THROW_MSG(RefuseUnwritableTotalizersAndCounters(info), EVantorVersion,
                   "Сумматоры и счётчики регистратора (СМ: 2, СЧ: 1) для версии ПО 2.1.50 не поддерживаются: "
                   "резервную копию конфигурации сохранить нельзя.");
}

}  // namespace
