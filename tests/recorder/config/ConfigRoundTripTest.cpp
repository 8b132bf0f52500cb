#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "AITestSupport.h"
#include "platform/Bytes.h"
#include "recorder/info/InfoTestSupport.h"

// A record read at its firmware and written for the same firmware gives the same bytes
// (the vector tests of each block show it for records of every signal kind and control
// type). Where a device's record holds something the model does not keep as it is, the
// writer normalises it; the rows below list every such normalisation, each on a vector
// changed where the device may differ. And every fault of the record layouts that the
// blocks mend has its row in the second table.

namespace {

using Patch = std::pair<std::size_t, std::uint8_t>;

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> record, const std::vector<Patch>& patches)
{
  for (const auto& [offset, value] : patches) record[offset] = value;
  return record;
}

enum class Block { AI, AO };

struct Normalisation {
  const char* name;
  Block block;
  const char* vector;
  std::uint32_t version;
  std::vector<Patch> device;   // what the device's record holds, on the vector
  std::vector<Patch> written;  // what the writer puts there instead
};

class WrittenRecord : public testing::TestWithParam<Normalisation> {};

TEST_P(WrittenRecord, NormalisesWhatTheModelDoesNotKeep)
{
  const Normalisation& n = GetParam();
  const auto record = Patched(RecordVector("ai_ao", n.vector), n.device);
  std::vector<std::uint8_t> written;
  if (n.block == Block::AI) {
    AIDevice device(n.version);
    device.AI().ReadRecord(record);
    device.AI().WriteRecord(n.version, written);
  } else {
    AODevice device(n.version);
    device.Base().ReadRecord(n.version, record);
    device.Base().WriteRecord(n.version, written);
  }
  EXPECT_EQ(written, Patched(record, n.written));
}

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c) { return MakeVersion(a, b, c); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Prescribed, WrittenRecord, testing::Values(
    // Event limits: the decimals (a byte or a nibble) are written from the limit, never read.
    Normalisation{"event_decimals_14_byte", Block::AI, "aiF_v2_0_20_resistance", V(2, 0, 20), {{199, 0x33}}, {{199, 0x11}}},
    Normalisation{"event_decimals_13_byte", Block::AI, "aiB_v1_7_0_rtd", V(1, 7, 0), {{199, 3}}, {{199, 1}}},
    // The channel shows the smaller of the two scale decimals; each end is written with
    // the larger of its own and that.
    Normalisation{"scale_decimals_of_unequal_ends", Block::AI, "aiF_v2_0_20_pyrometer", V(2, 0, 20), {{47, 0x13}}, {{47, 0x31}}},
    // The header's action fields exist from 2.1.80 on.
    Normalisation{"action_fields_below_2_1_80", Block::AI, "aiG_v2_1_20_tc", V(2, 1, 20), {{198, 0x62}}, {{198, 0x02}}},
    // Above 2.1.80.0 codes of the older numbering are converted (class 1 into field A).
    Normalisation{"codes_converted_above_2_1_80_0", Block::AI, "aiG_v2_1_90_rtd_value", V(2, 1, 90),
                  {{244, 0x01}, {245, 0x05}}, {{244, 0x00}, {245, 0x00}, {240, 0x63}}},
    // Bytes no field of the signal names: byte 44 is the RTD type (signal 6 here); the
    // last byte of the units field.
    Normalisation{"unnamed_bytes", Block::AI, "aiF_v2_0_20_tc", V(2, 0, 20), {{44, 1}, {63, 'x'}}, {{44, 0}, {63, 0}}},
    Normalisation{"filter_byte_above_the_device_limit", Block::AI, "aiF_v2_0_20_resistance", V(2, 0, 20), {{35, 200}}, {{35, 49}}},
    // Byte 46's high nibble is the protocol (signal 10 from 2.1.30) or the Ethernet option.
    Normalisation{"high_nibble_of_46_for_other_signals", Block::AI, "aiG_v2_1_20_tc", V(2, 1, 20), {{46, 0x50}}, {{46, 0x00}}},
    Normalisation{"can_flag_2_means_1", Block::AI, "aiG_v2_1_131_can", V(2, 1, 131), {{53, 2}}, {{53, 1}}},
    Normalisation{"no_expression_for_the_ethernet_signal", Block::AI, "aiF_v2_0_20_ethernet", V(2, 0, 20), {{64, 'x'}}, {{64, 0}}},
    // The 88-byte flow form of a medium without gas values holds the default ones.
    Normalisation{"flow_88_placeholders", Block::AI, "aiF_v2_0_20_flow", V(2, 0, 20), {{116, 0}}, {{116, 0xCD}}},
    Normalisation{"flow_100_format_flag_0", Block::AI, "aiH_v2_1_160_flow", V(2, 1, 160), {{64, 0}}, {{64, 1}}},
    Normalisation{"transfer_function_5_in_form_H", Block::AI, "aiH_v2_1_160_tc", V(2, 1, 160), {{27, 5}}, {{27, 0}}},
    Normalisation{"filter_length_above_the_type_limit", Block::AI, "aiH_v2_1_160_filter", V(2, 1, 160),
                  {{28, 0x20}, {29, 0x4E}}, {{28, 0x0F}, {29, 0x27}}},
    Normalisation{"filter_length_0", Block::AI, "aiH_v2_1_160_filter", V(2, 1, 160), {{28, 0}, {29, 0}}, {{28, 1}}},
    Normalisation{"no_filter_no_length", Block::AI, "aiH_v2_1_160_tc", V(2, 1, 160), {{28, 5}}, {{28, 0}}},
    Normalisation{"ao_option3_above_1", Block::AO, "ao248_v2_1_120_rs485_p0", V(2, 1, 120), {{27, 2}}, {{27, 0}}},
    Normalisation{"ao_output_flag_any_non_zero", Block::AO, "ao248_v2_1_120_rs485_p0", V(2, 1, 120), {{168, 7}}, {{168, 1}}},
    // A base output's range and units are the device's own.
    Normalisation{"ao_base_output_range", Block::AO, "ao248_v2_1_120_rs485_p0", V(2, 1, 120),
                  {{188, 0x11}, {192, 'V'}, {169, 1}}, {{188, 0xD8}, {192, 0xEC}, {169, 3}}},
    Normalisation{"ao_codes_converted_above_2_1_80_0", Block::AO, "ao160_v2_1_100", V(2, 1, 100),
                  {{152, 0x03}, {156, 0x01}, {157, 0x05}}, {{152, 0x23}, {156, 0x00}, {157, 0x00}}}),
    [](const testing::TestParamInfo<Normalisation>& info) { return std::string(info.param.name); });
// clang-format on

// --- The faults the blocks mend ---------------------------------------------------------

struct Mended {
  const char* name;
  void (*check)();
};

class MendedFault : public testing::TestWithParam<Mended> {};

TEST_P(MendedFault, HoldsTheSoundBehaviour) { GetParam().check(); }

const std::vector<std::uint8_t>& Vec(const char* name) { return RecordVector("ai_ao", name); }

// clang-format off
INSTANTIATE_TEST_SUITE_P(Records, MendedFault, testing::Values(
    // Three stored bytes read back as the value written: 0.1, not 0.099999, and no
    // drift of the bytes on every rewrite (25.4: 33 CB 41 stays 33 CB 41).
    Mended{"fourteen_byte_limits", [] {
      AIDevice device(MakeVersion(2, 0, 20));
      auto record = Vec("aiF_v2_0_20_resistance");
      for (int round = 0; round < 2; ++round) {
        device.AI().ReadRecord(record);
        EXPECT_EQ(device.AI().Events[0].Limit1.GetMantissa(), 1);
        EXPECT_EQ(device.AI().Events[0].Limit1.GetPrec(), 1);
        record = Written(device.AI(), MakeVersion(2, 0, 20));
        EXPECT_EQ(record, Vec("aiF_v2_0_20_resistance"));
      }
    }},
    // The same fault in four-byte floats: 8.007813 is stored as 8.00781345, which 9
    // digits rounded one decimal at a time read as 8.007814. Read as the decimal whose
    // single it is, a float field keeps its value and its bytes.
    Mended{"float_fields_keep_their_value", [] {
      AIDevice device(MakeVersion(2, 0, 20));
      auto record = Vec("aiF_v2_0_20_math");
      ByteWriter(record).u32(28, 0x41002001u);   // InputHigh
      ByteWriter(record).u32(184, 0xC6000041u);  // ScaleLow, -8192.0634765625
      record[47] = 0x13;                          // its three decimals
      device.AI().ReadRecord(record);
      EXPECT_EQ(device.AI().InputHigh.GetMantissa(), 8007813);
      EXPECT_EQ(device.AI().InputHigh.GetPrec(), 6);
      EXPECT_EQ(device.AI().ScaleLow.GetMantissa(), -8192063);
      EXPECT_EQ(device.AI().ScaleLow.GetPrec(), 3);
      EXPECT_EQ(Written(device.AI(), MakeVersion(2, 0, 20)), record);
    }},
    // The old signal 11 (an RS-485 source of protocol 1) stays signal 11 with its four
    // settings when form G is written for firmware below 2.1.30.
    Mended{"form_G_old_signal_11", [] {
      AIDevice device(MakeVersion(2, 1, 20));
      device.AI().ReadRecord(Vec("aiG_v2_1_20_old_external"));
      const auto record = Written(device.AI(), MakeVersion(2, 1, 20));
      EXPECT_EQ(record[32] & 0x7F, PositionOf(11));
      EXPECT_EQ(ByteReader(record).u32(52), 0x65341201u);  // port, then the protocol-1 settings
    }},
    // The compensation temperature of form G is degrees both ways: 25.0 stays 25.0.
    Mended{"form_G_cjc_temperature", [] {
      AIDevice device(MakeVersion(2, 1, 20));
      device.AI().ReadRecord(Vec("aiG_v2_1_20_tc"));
      EXPECT_EQ(device.AI().CjcTemperature.GetMantissa(), 2500);
      EXPECT_EQ(ByteReader(Written(device.AI(), MakeVersion(2, 1, 20))).f32(40), 25.0f);
    }},
    // A filter type the device does not list fails the read, not the backup's end.
    Mended{"form_H_filter_type_checked_when_read", [] {
      AIDevice device(MakeVersion(2, 1, 160));
      auto record = Vec("aiH_v2_1_160_filter");
      record[30] = 7;
      EXPECT_EQ(CheckOf([&] { device.AI().ReadRecord(record); }), 3200);
    }},
    // The transfer table is kept as the device sent it (first byte 20, second 99).
    Mended{"transfer_table_unchanged", [] {
      AIDevice device(MakeVersion(2, 1, 131));
      device.AI().ReadRecord(Vec("aiG_v2_1_131_table"));
      EXPECT_EQ(device.AI().TransferTable[1], 99);
      EXPECT_EQ(Written(device.AI(), MakeVersion(2, 1, 131)), Vec("aiG_v2_1_131_table"));
    }},
    // A channel shown with two decimals (0.0..100.0, bytes 2 and 2) keeps them.
    Mended{"scale_decimals_kept", [] {
      AIDevice device(MakeVersion(1, 7, 0));
      device.AI().ReadRecord(Vec("aiB_v1_7_0_rtd"));
      const auto record = Written(device.AI(), MakeVersion(1, 7, 0));
      EXPECT_EQ(record[187], 2);
      EXPECT_EQ(record[192], 2);
      AIDevice f(MakeVersion(2, 0, 20));
      f.AI().ReadRecord(Vec("aiF_v2_0_20_resistance"));
      EXPECT_EQ(Written(f.AI(), MakeVersion(2, 0, 20))[47], 0x22);
    }},
    // Form C's expression area is read and written as 120 bytes.
    Mended{"form_C_expression_120_bytes", [] {
      AIDevice device(MakeVersion(1, 8, 1));
      device.AI().ReadRecord(Vec("aiC_v1_8_1_rs485"));
      EXPECT_EQ(device.AI().Expression.size(), 120u);
      EXPECT_EQ(Written(device.AI(), MakeVersion(1, 8, 1))[187], 'y');
    }},
    // A 16-bit filter length is bounded before it becomes the filter byte.
    Mended{"filter_byte_bounds_first", [] {
      AIDevice device(MakeVersion(2, 0, 20));
      device.config.RegInfo.DevFilterParam = 0;
      device.AI().FilterType = 1;
      device.AI().FilterLength = 300;
      EXPECT_EQ(device.AI().FilterByte(), 255);
    }},
    // A control type position the device does not offer writes no control-type area.
    Mended{"ao_control_type_beyond_the_list", [] {
      AODevice device(MakeVersion(2, 1, 120), {0, 1, 2, 3});
      TRegAOConfig& ao = device.Base();
      ao.ControlTypeIndex = 6;
      ao.Source.Address = 0x11223344;
      ao.CtlParam1 = 9;
      std::vector<std::uint8_t> out;
      ASSERT_EQ(ao.WriteRecord(MakeVersion(2, 1, 120), out), 248u);
      EXPECT_EQ(out[24], 6);
      EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 160, out.begin() + 168), std::vector<std::uint8_t>(8, 0));
      EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 172, out.begin() + 184), std::vector<std::uint8_t>(12, 0));
    }},
    // One rule for the output value of both forms: a float that is not a number reads
    // as 0, an infinity as the largest value of its sign, and neither fails the read.
    Mended{"ao_non_finite_output_value", [] {
      const struct {
        const char* vector;
        std::uint32_t version;
        std::size_t channel;
      } forms[] = {{"ao160_v2_0_20", MakeVersion(2, 0, 20), 0}, {"ao248_v2_1_120_ethernet", MakeVersion(2, 1, 120), 2}};
      const struct {
        float value;
        int mantissa, decimals;
      } values[] = {{std::numeric_limits<float>::quiet_NaN(), 0, 0},
                    {std::numeric_limits<float>::infinity(), 9999999, 1},
                    {-std::numeric_limits<float>::infinity(), -9999999, 1}};
      for (const auto& form : forms) {
        for (const auto& value : values) {
          SCOPED_TRACE(std::string(form.vector) + " " + std::to_string(value.value));
          AODevice device(form.version);
          auto record = RecordVector("ai_ao", form.vector);
          ByteWriter(record).f32(28, value.value);
          TRegAOConfig& ao = device.config.AO[form.channel];
          ASSERT_NO_THROW(ao.ReadRecord(form.version, record));
          EXPECT_EQ(ao.OutputValue.GetMantissa(), value.mantissa);
          EXPECT_EQ(ao.OutputValue.GetPrec(), value.decimals);
        }
      }
    }},
    // The general record's range checks compare signed bytes on every band.
    Mended{"general_record_signed_checks", [] {
      ConfigFixture device(MakeVersion(2, 0, 20));
      auto record = RecordVector("general", "v2_0_20");
      record[0] = 0x90;
      record[1] = 0xF0;
      EXPECT_EQ(CheckOf([&] { device.config.ReadGeneralRecord(record); }), 0);
      EXPECT_EQ(device.config.Selector0, 0x90);
      std::vector<std::uint8_t> out;
      device.config.WriteGeneralRecord(MakeVersion(2, 0, 20), out);
      EXPECT_EQ(out, record);
    }},
    // A name holding code page 1251's unassigned byte 0x98 comes back unchanged.
    Mended{"cp1251_byte_0x98", [] {
      ConfigFixture device(MakeVersion(2, 0, 20));
      device.config.ReadGeneralRecord(RecordVector("general", "v2_0_20_byte98"));
      std::vector<std::uint8_t> out;
      device.config.WriteGeneralRecord(MakeVersion(2, 0, 20), out);
      EXPECT_EQ(out, RecordVector("general", "v2_0_20_byte98"));
    }}),
    [](const testing::TestParamInfo<Mended>& info) { return std::string(info.param.name); });
// clang-format on

}  // namespace
