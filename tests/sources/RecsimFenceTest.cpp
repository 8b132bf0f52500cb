// The simulated recorder is the program's peer, so it must not be built from the
// program's own record code: a record layout, a codec or a frame both sides took from
// one source would agree with itself however wrong it is. This fence follows every
// include of tools/recsim/ (and, through the program's headers, theirs) and names each
// program header it reaches outside what the simulator may share:
//  - platform/: the stand-ins for the operating system;
//  - recorder/info/Version*.h: version words, numbers without a layout;
//  - recorder/access/Sha256.h and SrpNumber.h: the login's arithmetic, which its own
//    tests hold against independent vectors.
// Everything else is off limits: the configuration model (recorder/config/), the
// information decoders and value codecs (the rest of recorder/info/), the program's
// requests and login (the rest of recorder/access/), its Modbus framing and CRC
// (modbus/) and the application (app/).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "IncludedFiles.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

bool SharedWithTheSimulator(const std::string& header)
{
  static const std::regex allowed(R"(platform/.*|recorder/info/Version[A-Za-z]*\.h|recorder/access/(Sha256|SrpNumber)\.h)");
  return std::regex_match(header, allowed);
}

// A path under `root`, relative to it; empty when the path lies elsewhere.
std::string Under(const fs::path& root, const fs::path& path)
{
  const fs::path relative = fs::weakly_canonical(path).lexically_relative(fs::weakly_canonical(root));
  if (relative.empty() || *relative.begin() == "..") return {};
  return relative.generic_string();
}

// "tools/recsim/X.cpp: recorder/info/RegInfo.h (via platform/Y.h)" for every program
// header a file under tools/recsim/ reaches that the simulator may not share. Includes
// are looked up beside the file, under tools/ and under src/, in that order.
std::vector<std::string> FenceBreaches(const fs::path& tools, const fs::path& src)
{
  std::vector<std::string> breaches;
  for (const auto& entry : fs::recursive_directory_iterator(tools / "recsim")) {
    const fs::path& file = entry.path();
    if (!entry.is_regular_file() || (file.extension() != ".h" && file.extension() != ".cpp")) continue;
    // Program headers to follow, each with the chain of program headers that led to it.
    std::vector<std::pair<fs::path, std::string>> pending;
    for (const fs::path& included : IncludedFiles(file, {tools, src})) pending.emplace_back(included, "");
    std::set<std::string> seen;
    while (!pending.empty()) {
      auto [path, via] = pending.back();
      pending.pop_back();
      const std::string header = Under(src, path);
      if (header.empty() || !seen.insert(header).second) continue;  // the simulator's own, or done
      if (!SharedWithTheSimulator(header)) {
        breaches.push_back(Under(tools.parent_path(), file) + ": " + header + (via.empty() ? "" : " (via " + via + ")"));
        continue;
      }
      for (const fs::path& included : IncludedFiles(path, {tools, src}))
        pending.emplace_back(included, via.empty() ? header : via + ", " + header);
    }
  }
  return breaches;
}

TEST(RecsimFence, SharesNoRecordCodeWithTheProgram)
{
  const fs::path src = KESTREL_SOURCE_ROOT;
  ASSERT_TRUE(fs::is_directory(src.parent_path() / "tools/recsim")) << "the simulator was not found beside " << src;
  EXPECT_EQ(FenceBreaches(src.parent_path() / "tools", src), std::vector<std::string>{})
      << "the simulator must write the device's side itself (see the comment at the top of this test)";
}

// The fence itself, on a tree of its own: it sees a forbidden header however it is
// reached, and lets the shared ones through.
TEST(RecsimFence, FindsEveryWayIn)
{
  TempDir dir;
  const fs::path tools = dir.path() / "tools";
  const fs::path src = dir.path() / "src";
  const std::map<fs::path, std::string> files = {
      {src / "platform/Bytes.h", "#include \"platform/Exception.h\"\n"},
      {src / "platform/Exception.h", ""},
      {src / "platform/Leaky.h", "#pragma once\n#include \"recorder/info/RegInfo.h\"\n"},
      {src / "recorder/info/RegInfo.h", "#include \"recorder/info/VersionWord.h\"\n"},
      {src / "recorder/info/VersionWord.h", "#include \"platform/Exception.h\"\n"},
      {src / "recorder/config/RegConfig.h", ""},
      {src / "recorder/access/SrpNumber.h", ""},
      {src / "recorder/access/RegConfigOp.h", ""},
      {src / "modbus/ModbusChecksum.h", ""},
      {tools / "recsim/Clean.cpp",
       "#include <vector>\n#include \"platform/Bytes.h\"\n#include \"recorder/info/VersionWord.h\"\n"
       "#include \"recorder/access/SrpNumber.h\"\n#include \"recsim/Own.h\"\n"},
      {tools / "recsim/Own.h", "#pragma once\n"},
      {tools / "recsim/Config.h", "#include \"recsim/Own.h\"\n  #  include <recorder/config/RegConfig.h>\n"},
      {tools / "recsim/Crc.cpp", "#include \"modbus/ModbusChecksum.h\"\n"},
      {tools / "recsim/Login.cpp", "#include \"recorder/access/RegConfigOp.h\"\n"},
      {tools / "recsim/Relative.cpp", "#include \"../../src/recorder/config/RegConfig.h\"\n"},
      {tools / "recsim/sub/Through.h", "#include \"platform/Leaky.h\"\n"},
  };
  for (const auto& [path, text] : files) {
    fs::create_directories(path.parent_path());
    WriteFileBytes(path.string(), text);
  }
  auto breaches = FenceBreaches(tools, src);
  std::sort(breaches.begin(), breaches.end());
  const std::vector<std::string> expected = {
      "tools/recsim/Config.h: recorder/config/RegConfig.h",
      "tools/recsim/Crc.cpp: modbus/ModbusChecksum.h",
      "tools/recsim/Login.cpp: recorder/access/RegConfigOp.h",
      "tools/recsim/Relative.cpp: recorder/config/RegConfig.h",
      "tools/recsim/sub/Through.h: recorder/info/RegInfo.h (via platform/Leaky.h)",
  };
  EXPECT_EQ(breaches, expected);
}

}  // namespace
