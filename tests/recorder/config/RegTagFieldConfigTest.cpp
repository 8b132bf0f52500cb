// The tag field block beyond the record vectors (BlockVectorsTest).

#include <gtest/gtest.h>

#include <vector>

#include "BlockTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VersionWord.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0) { return MakeVersion(a, b, c, d); }

TEST(TagFieldRecord, SizeByFirmware)
{
  // Unlike the other blocks, the size is refused below 1.5.
  EXPECT_EQ(Outcome(V(1, 4, 255, 255), [] { TRegTagFieldConfig::RecordSize(V(1, 4, 255, 255)); }), "old");
  ExpectSizes({{V(1, 5, 0), 0}, {V(2, 1, 52, 255), 0}, {V(2, 1, 53), 248}, {V(2, 1, 161), 248}, {V(2, 2, 1), 248},
               {V(3, 0, 0), 248}},
              TRegTagFieldConfig::RecordSize);
}

TEST(TagFieldRecord, RefusalsAndChecks)
{
  auto record = [](std::size_t size, std::uint8_t type) {
    std::vector<std::uint8_t> r(size, 0);
    r[0] = type;
    return r;
  };
  struct Row {
    const char* name;
    std::uint32_t version;
    std::vector<std::uint8_t> record;
    const char* outcome;
  };
  for (const Row& row : {Row{"no tag fields yet", V(2, 1, 52), record(248, 0), "old"},
                         Row{"247 bytes", V(2, 1, 60), record(247, 0), "{12116}"},
                         Row{"type 4", V(2, 1, 60), record(248, 4), "{12120}"},
                         Row{"type 0xFF passes the signed check", V(2, 1, 60), record(248, 0xFF), ""},
                         Row{"branch", V(2, 2, 1), record(248, 3), ""},
                         Row{"past the newest", V(2, 1, 161), record(248, 0), "new 2.1.160"}}) {
    SCOPED_TRACE(row.name);
    TRegTagFieldConfig tag;
    EXPECT_EQ(Outcome(row.version, [&] { tag.ReadRecord(row.version, row.record); }), row.outcome);
  }

  TRegTagFieldConfig tag;
  std::vector<std::uint8_t> out;
  EXPECT_EQ(Outcome(V(1, 4, 0), [&] { Written(tag, V(1, 4, 0)); }), "old");
  EXPECT_EQ(tag.WriteRecord(V(2, 1, 52), out), 0u);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(Outcome(V(2, 1, 161), [&] { Written(tag, V(2, 1, 161)); }), "new 2.1.160");
}

}  // namespace
