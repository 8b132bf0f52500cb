// One save of the program's settings (the ten values the connection settings dialog
// saves at exit, through the INI wrapper) two ways: one locked read-modify-write of the
// store a value, as a write outside a batch does, and all of them in one batch, as the
// program's save does. The store lives in the temporary folder, which should be on the
// same kind of file system as the user's settings (a tmpfs makes syncs free).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Registry.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kSettingsKey = "\\SOFTWARE\\Nordwick\\Mirel\\1.0";
constexpr int kRounds = 30;

void SaveConnectionSettings(const Registry& store, int round)
{
  TRegIniFile ini(kSettingsKey, RegistryAccess::Write, store);
  ini.WriteInteger("MB", "if", round % 3);
  ini.WriteString("MB", "rtu_device", "/dev/ttyUSB0");
  ini.WriteInteger("MB", "rtu_baudrate", 115200);
  ini.WriteInteger("MB", "rtu_parity", 0);
  ini.WriteInteger("MB", "rtu_stopbits", 0);
  ini.WriteInteger("MB", "rtu_address", 1);
  ini.WriteInteger("MB", "rtu_timeout", 10);
  ini.WriteString("MB", "tcp_device", "mbtcp://10.0.0.5:502");
  ini.WriteString("MBSetup", "EthAddressMRU", "mbtcp://10.0.0.5:502,mbudp://10.0.0.6:502");
  ini.WriteInteger("MBSetup", "EthTimeout", 15);
}

double Milliseconds(Clock::time_point start)
{
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main()
{
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("bench_settings_save: mkdtemp");
    return 1;
  }
  const Registry store(pattern);
  std::vector<double> perValue, batched;
  try {
    SaveConnectionSettings(store, 0);  // the store exists, as it does after the first run
    // Alternated, so that both ways meet the same load of a shared machine.
    for (int round = 0; round < kRounds; ++round) {
      auto start = Clock::now();
      SaveConnectionSettings(store, round);
      perValue.push_back(Milliseconds(start));
      start = Clock::now();
      RegistryBatch batch(store);
      SaveConnectionSettings(store, round);
      batch.Commit();
      batched.push_back(Milliseconds(start));
    }
  } catch (const Exception& e) {
    std::fprintf(stderr, "bench_settings_save: %s\n", e.Message().c_str());
    return 1;
  }
  std::filesystem::remove_all(pattern);
  const double old = Median(perValue), now = Median(batched);
  std::printf("settings save, 10 values (median of %d, in %s): one write a value %.2f ms, one batch %.2f ms, "
              "ratio %.1f\n",
              kRounds, std::filesystem::temp_directory_path().c_str(), old, now, old / now);
  return 0;
}
