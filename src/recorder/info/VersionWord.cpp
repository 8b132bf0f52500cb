#include "recorder/info/VersionWord.h"

#include "platform/Format.h"

int CompareVersion(std::uint32_t version, std::uint32_t limit)
{
  if (version == 0 || limit == 0) throw EVersion();
  return version < limit ? -1 : version > limit ? 1 : 0;
}

bool ParseVersionText(std::string_view text, std::uint32_t& version)
{
  version = 0;
  if (text.empty() || text[0] != 'v') return false;
  std::size_t pos = 1;
  std::uint32_t word = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    // Like the scan format's %u, white space may stand before a number.
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
      ++pos;
    std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      if (value > 255) return false;
      ++pos;
    }
    if (pos == start) return false;
    word |= value << (24 - 8 * part);
  }
  version = word;
  return true;
}

std::string VersionToText(std::uint32_t version)
{
  return Format("%u.%u.%u.%u", VersionByte(version, 0), VersionByte(version, 1), VersionByte(version, 2),
                VersionByte(version, 3));
}
