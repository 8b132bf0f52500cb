#pragma once

// What a simulated recorder serves, written out in the text of the simulator's
// configuration profiles ("record FN NUMBER HEX", "file TYPE HEX"), for the independent
// reader of the backup files to compare a file with (support/BackupReader.h).

#include <fstream>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "recsim/Device.h"

// Every record and record file the device serves. Blobs are not in the device's store:
// the reader takes them from the profile itself.
inline void DumpServed(recsim::Device& device, const std::string& path)
{
  std::ofstream out(path);
  auto hex = [](const std::vector<std::uint8_t>& bytes) {
    std::ostringstream text;
    for (std::uint8_t b : bytes) text << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int(b);
    return text.str();
  };
  for (std::uint8_t function : {0x64, 0x65, 0x6B})
    for (int number = 0; number < 256; ++number)
      if (const auto* record = device.records.Find(function, static_cast<std::uint8_t>(number)))
        out << "record " << std::hex << int(function) << ' ' << number << ' ' << hex(*record) << '\n';
  for (const auto& [type, bytes] : device.recordFiles) out << "file " << std::hex << int(type) << ' ' << hex(bytes) << '\n';
}

// The profile text the simulator compiled in for a configuration profile.
inline std::string ConfigProfileFile(const std::string& name)
{
  return std::string(KESTREL_RECSIM_CONFIG_DIR) + "/" + name + ".profile";
}
