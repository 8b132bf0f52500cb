#include "modbus/EnumPorts.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ModbusMaster {
namespace {

namespace fs = std::filesystem;

// A tty with a device behind it is a port, except the legacy UART slots that the
// 8250 driver registers whether or not a chip answers there: serial_core says
// "type 0" (PORT_UNKNOWN) for those.
bool IsRealPort(const fs::path& entry)
{
  std::error_code error;
  if (!fs::exists(entry / "device", error)) return false;
  std::ifstream typeFile(entry / "type");
  if (typeFile) {
    int type = -1;
    if (typeFile >> type && type == 0) return false;
  }
  return true;
}

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b)
{
  std::size_t i = 0, j = 0;
  auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t si = i, sj = j;
      while (si < a.size() && a[si] == '0') ++si;
      while (sj < b.size() && b[sj] == '0') ++sj;
      std::size_t ei = si, ej = sj;
      while (ei < a.size() && isDigit(a[ei])) ++ei;
      while (ej < b.size() && isDigit(b[ej])) ++ej;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      int cmp = a.compare(si, ei - si, b, sj, ej - sj);
      if (cmp != 0) return cmp < 0;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

bool EnumSerialPorts(std::vector<std::string>* list, const std::string& sysClassTty, const std::string& devDir)
{
  if (!list) return false;
  std::error_code error;
  fs::directory_iterator it(sysClassTty, error);
  if (error) return false;
  std::vector<std::string> names;
  for (const auto& entry : it) {
    if (IsRealPort(entry.path())) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  for (const auto& name : names) list->push_back(devDir + "/" + name);
  return true;
}

bool EnumSerialPorts(std::vector<std::string>* list) { return EnumSerialPorts(list, "/sys/class/tty", "/dev"); }

}  // namespace ModbusMaster
