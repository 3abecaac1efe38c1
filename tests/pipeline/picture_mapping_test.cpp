// Every pixel of pictures rendered by the stages themselves, mapped back to
// the frame: the values the frame held there must be the values shown.
#include "pipeline/picture_mapping.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pipeline/run_pipeline.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

using testing::StageHarness;

struct MappingCase {
  bool flip, rotate, minimize;
  int lineCount;
};

// Frame values that tell lines and samples apart, also after 2 x 2 means: a
// block's index is coded doubled, so that a mean over a block that straddles
// two blocks comes out odd and cannot pass for an aligned block's.
using Code = std::function<int(int line, int sample)>;
int BlockIndexLow(int place) { return 2 * ((place - 1) / 2 % 128); }
int BlockIndexHighAndParity(int place) { return 2 * ((place - 1) / 2 / 128) + 128 * ((place - 1) % 2); }

const std::pair<const char*, Code> kCodes[] = {
    {"line block", [](int line, int) { return BlockIndexLow(line); }},
    {"line block high and parity", [](int line, int) { return BlockIndexHighAndParity(line); }},
    {"sample block", [](int, int sample) { return BlockIndexLow(sample); }},
    {"sample block high and parity", [](int, int sample) { return BlockIndexHighAndParity(sample); }},
};

class PictureMappingTest : public ::testing::TestWithParam<MappingCase> {
 protected:
  // Renders a frame of lineCount lines valued by code through the whole chain
  // with only this case's geometry options; the grey level of each picture pixel.
  std::vector<int> Render(const Code& code) const {
    const MappingCase& c = GetParam();
    StageHarness h;
    h.BytesRead = std::int32_t((c.lineCount + 1) * RecordBytes);
    for (int line = 1; line <= c.lineCount; ++line)
      for (int sample = 1; sample <= PictureSamples; ++sample) h.At(line, sample) = std::uint8_t(code(line, sample));
    h.With(Option::Flip, c.flip).With(Option::Rotate, c.rotate).With(Option::Minimize, c.minimize);
    testing::RunStage(h, RunPipeline);
    std::vector<int> grey(std::size_t(PictureSamples) * FrameLines);
    for (int y = 0; y < FrameLines; ++y)
      for (int x = 0; x < PictureSamples; ++x)
        grey[std::size_t(y) * PictureSamples + std::size_t(x)] = testing::BitmapPixel(h, FrameLines - y, x + 1)[0];
    return grey;
  }
  std::optional<FramePosition> At(int x, int y) const {
    OptionSet active{};
    Entry(active, Option::Flip) = GetParam().flip;
    Entry(active, Option::Rotate) = GetParam().rotate;
    Entry(active, Option::Minimize) = GetParam().minimize;
    return FramePositionAt(x, y, active, GetParam().lineCount);
  }
};

TEST_P(PictureMappingTest, EveryPixelShowsTheFramePlaceItMapsTo) {
  // A frame that is 255 wherever it has lines: a pixel maps to the frame
  // exactly when it shows 255; the rest is black or the grey background.
  const std::vector<int> presence = Render([](int, int) { return 255; });
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) {
      const int shown = presence[std::size_t(y) * PictureSamples + std::size_t(x)];
      const std::optional<FramePosition> position = At(x, y);
      ASSERT_EQ(position.has_value(), shown == 255) << "x " << x << " y " << y << " shows " << shown;
    }

  for (const auto& [name, code] : kCodes) {
    const std::vector<int> shown = Render(code);
    for (int y = 0; y < FrameLines; ++y)
      for (int x = 0; x < PictureSamples; ++x) {
        const std::optional<FramePosition> p = At(x, y);
        if (!p) continue;
        ASSERT_EQ(p->BlockSize, GetParam().minimize ? 2 : 1);
        int sum = 0;
        for (int dl = 0; dl < p->BlockSize; ++dl)
          for (int ds = 0; ds < p->BlockSize; ++ds) sum += code(p->Line + dl, p->Sample + ds);
        ASSERT_EQ(shown[std::size_t(y) * PictureSamples + std::size_t(x)], sum / (p->BlockSize * p->BlockSize))
            << name << ": x " << x << " y " << y << " maps to line " << p->Line << " sample " << p->Sample;
      }
  }
}

std::vector<MappingCase> AllCases() {
  std::vector<MappingCase> cases;
  for (int lineCount : {FrameLines, 692, 691, 1})
    for (int options = 0; options < 8; ++options)
      cases.push_back({(options & 1) != 0, (options & 2) != 0, (options & 4) != 0, lineCount});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(FlipRotateMinimize, PictureMappingTest, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<MappingCase>& info) {
                           const MappingCase& c = info.param;
                           std::string name = std::string(c.flip ? "Flip" : "") + (c.rotate ? "Rotate" : "") +
                                              (c.minimize ? "Minimize" : "");
                           return (name.empty() ? std::string("Plain") : name) + "_" + std::to_string(c.lineCount) +
                                  "Lines";
                         });

}  // namespace
}  // namespace vantorel
