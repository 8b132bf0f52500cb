#include "app/core/FwUpRes.h"

#include <algorithm>
#include <cstring>
#include <tuple>

#include "app/core/Release.h"
#include "platform/Bytes.h"
#include "platform/Cp1251.h"
#include "platform/Format.h"
#include "recorder/info/VersionWord.h"

namespace Registrator {

namespace {

constexpr const char* kResourceType = "FW";
constexpr const char* kNamePrefix = "FW_";
constexpr std::uint32_t kMaxDescription = 256;

[[noreturn]] void Refuse(int code) { throw Exception(Format("Ошибка [%d]", code)); }

void ExpectTag(TStream& stream, const char (&tag)[5], int code)
{
  char bytes[4];
  stream.ReadBuffer(bytes, sizeof bytes);
  if (std::memcmp(bytes, tag, 4) != 0) Refuse(code);
}

auto SortKey(const TFWResRec& r)
{
  return std::make_tuple(r.LineFlag, r.ModelCode, r.HwVersion, r.GenHwVersion, r.MinGenSwVersion, r.FwVersion);
}

std::string QuoteDescription(const std::string& text)
{
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

void TFWResRec::LoadHeader(const ResourceTable& module, const std::string& name)
{
  TResourceStream stream(module, kResourceType, name);
  ExpectTag(stream, "Q318", 54);
  std::uint8_t lengthBytes[4];
  stream.ReadBuffer(lengthBytes, sizeof lengthBytes);
  std::uint32_t length = ByteReader(lengthBytes).u32(0);
  if (length > kMaxDescription) Refuse(61);
  if (length != 0) {
    std::string text(length, '\0');
    stream.ReadBuffer(text.data(), length);
    Description = Cp1251ToUtf8(text);
  }

  std::uint8_t header[kHeaderBytes];
  stream.ReadBuffer(header, sizeof header);
  ByteReader h(header, "image header");
  HeaderFormat = h.u16(0);
  HeaderSize = h.u16(2);
  FwVersion = h.u32(4);
  HwVersion = h.u32(8);
  MinSwVersion = h.u32(12);
  GenHwVersion = h.u32(16);
  MinGenSwVersion = h.u32(20);
  ModelCode = h.u8(24);
  LineFlag = h.u8(25);
  Variant = h.u8(26);
  Reserved27 = h.u8(27);
  DataSize = h.u32(28);
  std::copy_n(header + 32, Reserved.size(), Reserved.begin());

  if (HeaderFormat != 1) Refuse(86);
  if (HeaderSize < kHeaderBytes) Refuse(89);
  if (LineFlag > 1) Refuse(99);
  ExpectTag(stream, "U318", 134);
  PayloadOffset = stream.Position();
  ResName = name;
}

void TFWUpRes::Load(const ResourceTable& module, const LogLine& log)
{
  list_.clear();
  module_ = &module;
  // A module without the resource type is how a build without payloads looks.
  if (!module.HasType(kResourceType)) {
    log("Internal ERROR: no updates in exe");
    return;
  }
  for (const std::string& name : module.Names(kResourceType)) {
    if (name.compare(0, 3, kNamePrefix) != 0) continue;
    TFWResRec record;
    try {
      record.LoadHeader(module, name);
    } catch (const Exception& e) {
      log(Format("%s: Internal ERROR: %s", name, e.Message()));
      continue;
    }
    list_.push_back(record);
    log(record.Description);
  }
  std::stable_sort(list_.begin(), list_.end(),
                   [](const TFWResRec& a, const TFWResRec& b) { return SortKey(a) < SortKey(b); });
}

void TFWUpRes::ExtractImage(const TFWResRec& record, TStream& destination) const
{
  static const ResourceTable none;
  TResourceStream stream(module_ ? *module_ : none, kResourceType, record.ResName);
  stream.SetPosition(record.PayloadOffset);
  destination.CopyFrom(stream, std::max<std::int64_t>(stream.GetSize() - record.PayloadOffset, 0));
}

int TFWUpRes::WriteInfo(TextWriter& writer) const
{
  if (list_.empty()) return 501;
  int result = 0;
  for (const TFWResRec& r : list_) {
    std::string line = Format("%s;%s;%u;%u;%s;%s;%s;%s;%s;%u", QuoteDescription(r.Description), r.ResName,
                              r.ModelCode, r.LineFlag, VersionToText(r.FwVersion), VersionToText(r.MinSwVersion),
                              VersionToText(r.HwVersion), VersionToText(r.MinGenSwVersion),
                              VersionToText(r.GenHwVersion), r.Variant);
    if (r.FwVersion > kProgramRelease) {
      line += ";W!";
      result = 506;
    }
    writer.WriteLine(line);
  }
  return result;
}

}  // namespace Registrator
