// Whether an image fits a recorder: every code, with the first failing test deciding.

#include <gtest/gtest.h>

#include <functional>

#include "app/core/FwUpRes.h"
#include "app/core/UpdateWorkflow.h"
#include "recorder/info/RegInfo.h"

namespace {

constexpr std::uint32_t V(unsigned a, unsigned b, unsigned c, unsigned d = 0)
{
  return a << 24 | b << 16 | c << 8 | d;
}

// A model 51 recorder of the first line, hardware 2.6, firmware 2.1.158, and an image
// that fits it ("P", the recorder having feature bit 29): each row changes one of them.
struct Case {
  const char* name;
  std::function<void(TRegInfo&, Registrator::TFWResRec&)> change;
  int code;
};

void Recorder(TRegInfo& info)
{
  info.DeviceLine = 0;
  info.ModelCode = 51;
  info.HwVersion = V(2, 6, 0);
  info.GenHwVersion = V(2, 6, 0);
  info.SwVersion = V(2, 1, 158);
  info.GenSwVersion = V(2, 1, 158);
  info.Features = 1u << 29;
}

Registrator::TFWResRec Image()
{
  Registrator::TFWResRec image;
  image.LineFlag = 0;
  image.ModelCode = 51;
  image.HwVersion = V(2, 6, 0);
  image.GenHwVersion = V(2, 6, 0);
  image.MinSwVersion = V(2, 1, 158);
  image.MinGenSwVersion = V(2, 1, 158);
  image.FwVersion = V(2, 1, 160, 115);
  image.Variant = 2;
  return image;
}

TEST(CheckImageApplicable, EveryCode)
{
  using R = TRegInfo;
  using I = Registrator::TFWResRec;
  const Case cases[] = {
      {"fits", [](R&, I&) {}, 0},
      {"line 2 counts as the first", [](R& r, I&) { r.DeviceLine = 2; }, 0},
      {"second line, first-line image", [](R& r, I&) { r.DeviceLine = 1; }, 1},
      {"first line, second-line image", [](R&, I& i) { i.LineFlag = 1; }, 1},
      {"second line, second-line image", [](R& r, I& i) { r.DeviceLine = 1; i.LineFlag = 1; }, 0},
      {"unknown line", [](R& r, I&) { r.DeviceLine = 3; }, 1},
      {"model", [](R& r, I&) { r.ModelCode = 21; }, 2},
      {"hardware", [](R& r, I&) { r.HwVersion = V(2, 7, 0); }, 3},
      {"hardware build and fourth byte ignored", [](R& r, I&) { r.HwVersion = V(2, 6, 9, 9); }, 0},
      {"general hardware", [](R& r, I&) { r.GenHwVersion = V(2, 5, 0); }, 4},
      {"below the lowest firmware", [](R&, I& i) { i.MinSwVersion = V(2, 1, 158, 1); }, 5},
      {"below the lowest general firmware", [](R&, I& i) { i.MinGenSwVersion = V(2, 1, 159); }, 6},
      {"image older", [](R&, I& i) { i.FwVersion = V(2, 1, 157); i.MinSwVersion = 0; }, 7},
      {"installed", [](R&, I& i) { i.FwVersion = V(2, 1, 158); }, 8},
      {"model unknown", [](R& r, I& i) { r.ModelCode = i.ModelCode = 30; }, 9},
      {"variant 3", [](R&, I& i) { i.Variant = 3; }, 10},
      {"model 21 variant 0", [](R& r, I& i) { r.ModelCode = i.ModelCode = 21; i.Variant = 0; }, 0},
      {"model 21 variant 1", [](R& r, I& i) { r.ModelCode = i.ModelCode = 21; i.Variant = 1; }, 11},
      {"model 21 variant 2", [](R& r, I& i) { r.ModelCode = i.ModelCode = 21; i.Variant = 2; }, 11},
      {"model 21 variant 3", [](R& r, I& i) { r.ModelCode = i.ModelCode = 21; i.Variant = 3; }, 10},
      {"51 below 2.1.158 variant 0", [](R& r, I& i) { r.SwVersion = V(2, 1, 157, 255); i.MinSwVersion = 0; i.Variant = 0; }, 0},
      {"51 below 2.1.158 variant 1", [](R& r, I& i) { r.SwVersion = V(2, 1, 157, 255); i.MinSwVersion = 0; i.Variant = 1; }, 11},
      {"51 below 2.1.158 variant 2", [](R& r, I& i) { r.SwVersion = V(2, 1, 157, 255); i.MinSwVersion = 0; i.Variant = 2; }, 0},
      {"51 bit 29 variant 0", [](R&, I& i) { i.Variant = 0; }, 12},
      {"51 bit 29 variant 1", [](R&, I& i) { i.Variant = 1; }, 12},
      {"51 no bit 29 variant 0", [](R& r, I& i) { r.Features = 0; i.Variant = 0; }, 13},
      {"51 no bit 29 variant 1", [](R& r, I& i) { r.Features = 0; i.Variant = 1; }, 0},
      {"51 no bit 29 variant 2", [](R& r, I&) { r.Features = 0; }, 14},
      {"model 50", [](R& r, I& i) { r.ModelCode = i.ModelCode = 50; }, 15},
      {"model 50 variant 7", [](R& r, I& i) { r.ModelCode = i.ModelCode = 50; i.Variant = 7; }, 15},
      // The first failing test decides: an older image on other hardware is refused for the hardware.
      {"hardware before age", [](R& r, I& i) { r.HwVersion = V(2, 5, 0); i.FwVersion = V(2, 1, 100); }, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TRegInfo info;
    Recorder(info);
    Registrator::TFWResRec image = Image();
    c.change(info, image);
    EXPECT_EQ(CheckImageApplicable(info, image), c.code);
  }
}

}  // namespace
