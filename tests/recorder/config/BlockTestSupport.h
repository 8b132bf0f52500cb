#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "recorder/config/RegConfig.h"
#include "recorder/info/VantorException.h"
#include "recorder/info/VersionWord.h"

// The device the channel and function blocks are tested on: counts and lists a full
// information read would leave, then fitted, so that the first item of every block is
// attached.
struct DeviceCounts {
  std::uint32_t ai = 8;
  std::uint8_t ao = 4;
  std::uint32_t di = 8;
  std::uint8_t dout = 8;
  std::uint32_t ttl = 4;
  std::uint32_t ctl = 4;
  std::uint32_t sm = 1;
  std::uint32_t ct = 1;
  std::uint8_t pens = 20;
  std::uint8_t groups = 5;
  std::uint32_t pageChannels = 16;
  std::vector<std::uint8_t> diModes{0, 1, 2, 3, 4, 5, 6, 7};  // channel 0's mode list
  std::vector<std::uint8_t> doControlTypes{0, 1, 2, 3, 4};
  std::uint8_t doInfoType = 0;  // relay 0's type (2: the record has an extension part)
};

struct BlockDevice : ConfigFixture {
  explicit BlockDevice(std::uint32_t sw, const DeviceCounts& c = {}) : ConfigFixture(sw)
  {
    TRegInfo& info = config.RegInfo;
    info.AIChannels.resize(c.ai);
    info.AOCount = c.ao;
    info.DIChannels.resize(c.di);
    if (!info.DIChannels.empty()) info.DIChannels[0].Modes = c.diModes;
    info.DOCount = c.dout;
    info.DOChannels.assign(c.dout, TRegInfo::TRegDOChannelInfo(0));
    if (!info.DOChannels.empty()) info.DOChannels[0].Type = c.doInfoType;
    info.DOControlTypes = c.doControlTypes;
    info.TTLCount = c.ttl;
    info.CtlCount = c.ctl;
    info.SMCount = c.sm;
    info.CTCount = c.ct;
    info.PagePenCount = c.pens;
    info.PageGroupCount = c.groups;
    info.PageChannelCount = c.pageChannels;
    Fit();
  }
  const TRegInfo& Info() const { return config.RegInfo; }
};

// What a call raised, as a short text a table row can hold:
//   ""             nothing
//   "{6192}"       EVantorInvalid with that check
//   "old"          EVantorUnsupportedOldVer carrying the version the call was given
//   "new 2.1.160"  EVantorUnsupportedNewVer carrying it and naming that newest version
//   "version"      a plain EVantorVersion carrying it
// and anything else spelled out, so that a wrong error reads as one.
template <typename F>
std::string Outcome(std::uint32_t version, F&& call)
{
  auto carried = [&](const EVantorVersion& e, std::string text) {
    return e.Version() == version ? text : text + " carrying " + VersionToText(e.Version());
  };
  try {
    call();
  } catch (const EVantorUnsupportedOldVer& e) {
    return carried(e, "old");
  } catch (const EVantorUnsupportedNewVer& e) {
    // Text 1521 names the newest version: "... версий до 2.1.160 включительно ...".
    const std::string& m = e.Message();
    const std::string before = "версий до ";
    const auto from = m.find(before);
    const auto to = m.find(" включительно");
    if (from == std::string::npos || to == std::string::npos) return carried(e, "new");
    return carried(e, "new " + m.substr(from + before.size(), to - from - before.size()));
  } catch (const EVantorVersion& e) {
    return carried(e, "version");
  } catch (const EVantorInvalid& e) {
    return e.Message();
  } catch (const Exception& e) {
    return "other: " + e.Message();
  }
  return "";
}

// The record a writer appends for version, alone.
template <typename Block>
std::vector<std::uint8_t> Written(const Block& block, std::uint32_t version)
{
  std::vector<std::uint8_t> out;
  const std::size_t size = block.WriteRecord(version, out);
  EXPECT_EQ(size, out.size());
  return out;
}

// A name for a test row from a version word: "v2_1_80_1".
inline std::string VersionName(std::uint32_t v)
{
  std::string name = "v" + std::to_string(VersionByte(v, 0)) + "_" + std::to_string(VersionByte(v, 1)) + "_" +
                     std::to_string(VersionByte(v, 2));
  if (VersionByte(v, 3) != 0) name += "_" + std::to_string(VersionByte(v, 3));
  return name;
}

// RecordSize of a block by firmware, a row a version.
struct SizeRow {
  std::uint32_t version;
  std::uint32_t size;
};

template <typename Size>
void ExpectSizes(std::initializer_list<SizeRow> rows, Size size)
{
  for (const SizeRow& row : rows) {
    SCOPED_TRACE(VersionToText(row.version));
    EXPECT_EQ(size(row.version), row.size);
  }
}

// What a block's reader makes of a zeroed record of `size` bytes at a firmware version,
// and what its writer makes of that version (nullptr: not checked), as Outcome spells
// them.
struct BandRow {
  const char* name;
  std::uint32_t version;
  std::size_t size;
  const char* read;
  const char* write = nullptr;
};

// read(version, record) and write(version) each on a block of their own.
template <typename Read, typename Write>
void ExpectBands(std::initializer_list<BandRow> rows, Read read, Write write)
{
  for (const BandRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::vector<std::uint8_t> record(row.size, 0);
    EXPECT_EQ(Outcome(row.version, [&] { read(row.version, record); }), row.read);
    if (row.write != nullptr) {
      EXPECT_EQ(Outcome(row.version, [&] { write(row.version); }), row.write);
    }
  }
}
