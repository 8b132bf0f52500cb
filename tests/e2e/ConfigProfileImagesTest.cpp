// The simulator's recorders with a configuration are the ones a backup before an upload
// is tried on: from firmware 2.1.38 on, each must be offered an image of the release.

#include <gtest/gtest.h>

#include <string>

#include "WindowDriving.h"
#include "app/core/UpdateWorkflow.h"
#include "recorder/access/RegConfigOp.h"
#include "recorder/info/RegInfo.h"
#include "recsim/ConfigProfiles.h"
#include "support/RecorderLink.h"

namespace {

// The release's images that fit the recorder, by resource name.
std::vector<std::string> FittingImages(const TRegInfo& info)
{
  std::vector<std::string> names;
  for (const auto& image : ReleaseImages().Items())
    if (CheckImageApplicable(info, image) == 0) names.push_back(image.ResName);
  return names;
}

TEST(ConfigProfileImages, TheUpdateRoadFrom2_1_38IsOfferedAnImage)
{
  if (ReleaseImages().Count() != 11) GTEST_SKIP() << "built without the release's images";
  struct Row {
    const char* profile;
    std::size_t images;  // that fit
  };
  // Below 2.1.38 no image of hardware 2.5 fits (the lowest asks for 2.1.38).
  const Row rows[] = {
      {"corvane-21-2.0.20-h2.5", 0},  {"corvane-21-2.1.20-h2.5", 0},  {"corvane-21-2.1.54-h2.5", 1},
      {"corvane-21-2.1.70-h2.5", 2},  {"corvane-21-2.1.70-h2.5-login", 2},  {"corvane-21-2.1.90-h2.5", 2},  {"corvane-51-2.1.110-h2.5", 2}, {"corvane-21-2.1.127-h2.5", 2},
      {"corvane-51-2.1.132-h2.5", 1}, {"corvane-51-2.1.140-h2.5-large", 1}, {"corvane-51-2.1.157-h2.5", 1},
      {"corvane-21-2.1.160-h2.5", 1},
  };
  RecorderLink link(LinkKind::Tcp);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.profile);
    link.Load(row.profile);
    Registrator::TRegConfigOp op;
    TRegInfo info;
    op.Identify(*link.transport, RecorderLink::kUnit);
    op.ReadDeviceInfo(*link.transport, RecorderLink::kUnit, &info);
    op.ReadGeneralInfo(*link.transport, RecorderLink::kUnit, info);
    EXPECT_EQ(FittingImages(info).size(), row.images) << ::testing::PrintToString(FittingImages(info));
  }
}

}  // namespace
