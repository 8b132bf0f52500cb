// The fuzz targets' inputs replayed through the very entries the fuzz programs call:
// every input a fuzzer once broke the code with (fuzz/regressions/<target>/) must now
// run through clean, and every seed (fuzz/corpus/<target>/) must still go the whole
// way, or the seeds no longer lead the fuzzer past the first check.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <vector>

#include "FuzzTargets.h"

namespace fuzzing {
// Names the case in the test's name, not its bytes.
void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }
}  // namespace fuzzing

namespace {

namespace fs = std::filesystem;

const fs::path kFuzzDir = KESTREL_FUZZ_DIR;

std::vector<fs::path> FilesIn(const fs::path& folder)
{
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::uint8_t> Read(const fs::path& file)
{
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public ::testing::TestWithParam<fuzzing::Target> {};

TEST_P(FuzzReplay, EveryRegressionInputRunsThroughClean)
{
  for (const fs::path& file : FilesIn(kFuzzDir / "regressions" / std::string(GetParam().name))) {
    SCOPED_TRACE(file.string());
    GetParam().entry(Read(file));
  }
}

TEST_P(FuzzReplay, EverySeedGoesTheWholeWay)
{
  auto seeds = FilesIn(kFuzzDir / "corpus" / std::string(GetParam().name));
  EXPECT_FALSE(seeds.empty());
  for (const fs::path& file : seeds) {
    SCOPED_TRACE(file.string());
    EXPECT_TRUE(GetParam().entry(Read(file)));
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(fuzzing::Targets().begin(), fuzzing::Targets().end()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FuzzFolders, NameOnlyTargetsThatExist)
{
  for (const char* kind : {"corpus", "regressions"}) {
    if (!fs::is_directory(kFuzzDir / kind)) continue;
    for (const auto& entry : fs::directory_iterator(kFuzzDir / kind)) {
      SCOPED_TRACE(entry.path().string());
      EXPECT_NE(fuzzing::FindTarget(entry.path().filename().string()), nullptr);
    }
  }
}

}  // namespace
