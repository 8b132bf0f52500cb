#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Resources.h"
#include "platform/TextWriter.h"

namespace Registrator {

// One firmware image of the program's resources: the header in front of its payload.
// An image resource is "Q318", u32 description length L (at most 256), L bytes of
// description in code page 1251, the 48-byte header, "U318", then the payload, which
// the recorder receives unchanged.
struct TFWResRec {
  static constexpr std::size_t kHeaderBytes = 48;

  std::uint16_t HeaderFormat = 0;    // must be 1
  std::uint16_t HeaderSize = 0;      // at least 48; the marker follows 48 bytes on whatever it says
  std::uint32_t FwVersion = 0;       // version words
  std::uint32_t HwVersion = 0;       // only the upper 16 bits are compared
  std::uint32_t MinSwVersion = 0;
  std::uint32_t GenHwVersion = 0;    // only the upper 16 bits are compared
  std::uint32_t MinGenSwVersion = 0;
  std::uint8_t ModelCode = 0;        // 21, 50 or 51
  std::uint8_t LineFlag = 0;         // 0 the first brand line, 1 the second
  std::uint8_t Variant = 0;          // 0 none, 1 "A", 2 "P"
  std::uint8_t Reserved27 = 0;
  std::uint32_t DataSize = 0;        // marker plus payload, as the image maker wrote it; not checked
  std::array<std::uint8_t, 16> Reserved{};

  std::int64_t PayloadOffset = 0;    // first payload byte within the resource
  std::string ResName;
  std::string Description;           // UTF-8

  // Reads and checks the image resource "FW"/name. Raises EResNotFound when there is no
  // such resource, EReadError when it ends early, and Exception "Ошибка [%d]" with the
  // code of the failed check: 54 magic, 61 description length, 86 header format,
  // 89 header size, 99 brand line, 134 marker.
  void LoadHeader(const ResourceTable& module, const std::string& name);
};

// The firmware images the program carries, sorted so that walking from the end tries
// the newest image of the most specific hardware first.
class TFWUpRes {
public:
  using LogLine = std::function<void(const std::string&)>;

  // Fills the list from the module's "FW" resources whose names begin "FW_", logging
  // each image's description, or its error (the image is left out), and sorts it
  // stably by (LineFlag, ModelCode, HwVersion, GenHwVersion, MinGenSwVersion, FwVersion).
  void Load(const ResourceTable& module, const LogLine& log);

  bool IsEmpty() const { return list_.empty(); }
  std::size_t Count() const { return list_.size(); }
  const TFWResRec& operator[](std::size_t index) const { return list_.at(index); }
  const std::vector<TFWResRec>& Items() const { return list_; }

  // Appends the record's payload at the destination's position (left at its end).
  void ExtractImage(const TFWResRec& record, TStream& destination) const;

  // One line per image in list order; 501 for an empty list, 506 when an image is newer
  // than this release (its line ends ";W!"), else 0.
  int WriteInfo(TextWriter& writer) const;

private:
  const ResourceTable* module_ = nullptr;
  std::vector<TFWResRec> list_;
};

}  // namespace Registrator
