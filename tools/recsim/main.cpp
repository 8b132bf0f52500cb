// kestrel-recsim: the simulated recorder as a program, for trying Kestrel without a
// recorder. It serves Modbus TCP, UDP and RTU (on a pseudo-terminal whose path it
// prints) and prints every request it receives.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Cp1251.h"
#include "platform/Exception.h"
#include "platform/OSError.h"
#include "recsim/FirmwareUpdate.h"
#include "recsim/LoginHandlers.h"
#include "recsim/RecorderHandlers.h"
#include "recsim/Server.h"

namespace {

void Usage()
{
  std::cerr << "usage: kestrel-recsim [--tcp PORT] [--udp PORT] [--discovery PORT] [--rtu] [--unit N]... [--baud RATE]\n"
               "                      [--any] [--quiet] [--profile NAME]\n"
               "                      [--password LEVEL:TEXT]... [--installs VERSION] [--install-status N]\n"
               "  --tcp PORT  serve Modbus TCP on PORT (0: any free port); a port below 1024, such as\n"
               "              Modbus's own 502, needs root or the right cap_net_bind_service\n"
               "  --udp PORT  serve Modbus UDP on PORT\n"
               "  --discovery PORT  answer the Ethernet discovery on PORT (127.0.0.1 and 127.255.255.255)\n"
               "  --rtu       serve Modbus RTU on a pseudo-terminal and print its path\n"
               "  --unit N    serial address to answer (default 1); given again, another recorder of the\n"
               "              same profile on the same line answers at that address too\n"
               "  --baud RATE on the serial line, answer only what is sent at RATE baud, no parity, one\n"
               "              stop bit (other settings are noise to the recorders, as on a real bus)\n"
               "  --any       listen on every address, not only 127.0.0.1\n"
               "  --quiet     do not print the requests\n"
               "  --profile NAME  be the recorder of a profile (default pelkar-2.1.160)\n"
               "  --list-profiles  list the profiles and end (also --profiles)\n"
               "  --password LEVEL:TEXT  protect access level LEVEL (1-16; uploads log in at 1) with TEXT;\n"
               "              the profile must have the login (feature bit 16, as corvane-21-2.1.70-h2.5-login)\n"
               "  --installs VERSION  firmware reported after a successful install (default 2.1.160.115)\n"
               "  --install-status N  status answered to the install command (default 0, success)\n";
}

bool ParsePort(const char* text, int& port)
{
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < 0 || value > 65535) return false;
  port = static_cast<int>(value);
  return true;
}

// A baud rate a serial line can be set to: 1 to 4000000.
bool ParseBaudRate(const char* text, int& baud)
{
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (!*text || *end || value < 1 || value > 4000000) return false;
  baud = static_cast<int>(value);
  return true;
}

// "1:secret" -> level 1, "secret" (taken as code page 1251 bytes, as the program sends it).
bool ParsePassword(const char* text, std::pair<std::uint32_t, std::string>& out)
{
  std::string arg = text;
  std::size_t colon = arg.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == arg.size()) return false;
  int level = 0;
  if (!ParsePort(arg.substr(0, colon).c_str(), level) || level < 1 || level > 16) return false;
  out = {static_cast<std::uint32_t>(level), Utf8ToCp1251(arg.substr(colon + 1))};
  return true;
}

// Where this program lies, for a command the user can copy.
std::string OwnPath(const char* argv0)
{
  std::error_code failed;
  const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", failed);
  return failed ? argv0 : path.string();
}

// Opens one listener and prints "<link> port N" once it is up; a failure names the port.
// Ports below 1024 are kept for root: an ordinary user is refused with EACCES, which
// alone does not tell how to get the right (the discovery walk needs 502, the port a
// discovered recorder is reached at). False when the port could not be had.
bool Listen(const char* link, int port, const std::function<std::uint16_t()>& open, const std::string& self)
{
  std::uint16_t bound = 0;
  try {
    bound = open();
  } catch (const EOSError& e) {
    std::cerr << "kestrel-recsim: " << link << " port " << port << ": " << e.Message() << "\n";
    if (e.Code() == EACCES && port > 0 && port < 1024)
      std::cerr << "kestrel-recsim: a port below 1024 needs root, or this program given the right once (again\n"
                   "after each rebuild):\n"
                   "  sudo setcap cap_net_bind_service=+ep "
                << self << "\n";
    return false;
  }
  std::cout << link << " port " << bound << "\n";
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  int tcpPort = -1, udpPort = -1, discoveryPort = -1, unit = 1, baud = 0;
  std::vector<std::uint8_t> units;
  bool rtu = false, any = false, quiet = false;
  std::string profile = "pelkar-2.1.160";
  std::vector<std::pair<std::uint32_t, std::string>> passwords;
  std::uint32_t installs = 0x0201A073;
  int installStatus = 0;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasValue = i + 1 < argc;
    if (arg == "--tcp" && hasValue && ParsePort(argv[i + 1], tcpPort)) {
      ++i;
    } else if (arg == "--udp" && hasValue && ParsePort(argv[i + 1], udpPort)) {
      ++i;
    } else if (arg == "--discovery" && hasValue && ParsePort(argv[i + 1], discoveryPort)) {
      ++i;
    } else if (arg == "--unit" && hasValue && ParsePort(argv[i + 1], unit) && unit >= 1 && unit <= 247) {
      ++i;
      if (std::find(units.begin(), units.end(), unit) == units.end()) units.push_back(static_cast<std::uint8_t>(unit));
    } else if (arg == "--baud" && hasValue && ParseBaudRate(argv[i + 1], baud)) {
      ++i;
    } else if (arg == "--profile" && hasValue) {
      profile = argv[++i];
    } else if (arg == "--password" && hasValue && ParsePassword(argv[i + 1], passwords.emplace_back())) {
      ++i;
    } else if (arg == "--profiles" || arg == "--list-profiles") {
      for (const auto& name : recsim::ProfileNames()) std::cout << name << "\n";
      return 0;
    } else if (arg == "--installs" && hasValue && recsim::ParseFirmwareVersion(argv[i + 1])) {
      installs = *recsim::ParseFirmwareVersion(argv[++i]);
    } else if (arg == "--install-status" && hasValue && ParsePort(argv[i + 1], installStatus) && installStatus <= 255) {
      ++i;
    } else if (arg == "--rtu") {
      rtu = true;
    } else if (arg == "--any") {
      any = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else {
      Usage();
      return 2;
    }
  }
  if (tcpPort < 0 && udpPort < 0 && discoveryPort < 0 && !rtu) tcpPort = 502;
  if (units.empty()) units.push_back(1);

  // The server thread must not take the stop signals: block them before it starts.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  const std::optional<recsim::DeviceProfile> found = recsim::FindProfile(profile);
  if (!found) {
    std::cerr << "kestrel-recsim: no profile named " << profile << " (see --profiles)\n";
    return 2;
  }
  if (!passwords.empty() && !(found->Features & (1u << 16)))
    std::cerr << "kestrel-recsim: profile " << profile << " has no login (feature bit 16): no password is asked for\n";

  try {
    recsim::Server server;
    const auto setUp = [&](recsim::Device& device) {
      recsim::ServeProfile(device, *found);
      recsim::Firmware(device).versionAfterInstall = installs;
      device.upload.installStatus = static_cast<std::uint8_t>(installStatus);
      for (const auto& [level, password] : passwords) recsim::Login(device).srp.SetPassword(level, password);
      return 0;
    };
    server.WithDevice([&](recsim::Device& device) {
      device.unit = units.front();
      return setUp(device);
    });
    for (std::size_t i = 1; i < units.size(); ++i) {
      server.AddLineDevice(units[i]);
      server.WithDeviceAt(units[i], setUp);
    }
    if (baud > 0) server.AnswerOnlyAt({static_cast<std::uint32_t>(baud), SerialParity::None, false});
    const std::string self = OwnPath(argv[0]);
    const auto port = [](int number) { return static_cast<std::uint16_t>(number); };
    if (tcpPort >= 0 && !Listen("tcp", tcpPort, [&] { return server.ListenTcp(port(tcpPort), any); }, self)) return 1;
    if (udpPort >= 0 && !Listen("udp", udpPort, [&] { return server.ListenUdp(port(udpPort), any); }, self)) return 1;
    if (discoveryPort >= 0 &&
        !Listen("discovery", discoveryPort, [&] { return server.ListenDiscovery(port(discoveryPort), any); }, self))
      return 1;
    if (rtu) std::cout << "rtu " << server.OpenRtu() << "\n";
    std::cout.flush();
    if (!quiet) server.SetLogSink([](const recsim::LogEntry& entry) { std::cout << recsim::FormatLogEntry(entry) << std::endl; });
    server.Start();
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
  } catch (const Exception& e) {
    std::cerr << "kestrel-recsim: " << e.Message() << "\n";
    return 1;
  }
  return 0;
}
