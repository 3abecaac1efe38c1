#include "export/composite.h"

#include <algorithm>
#include <cmath>

#include <cstdio>

#include "analysis/display_scale.h"
#include "export/comparison.h"
#include "export/png_text.h"
#include "output/png_file.h"
#include "output/standard_fits.h"
#include "pipeline/picture_mapping.h"

namespace vantorel {

namespace {

constexpr const char* ChannelNames[3] = {"red", "green", "blue"};

// The channel's levels stretched between its percentiles and weighted.
std::array<std::uint8_t, 256> StretchOf(const RenderedPicture& picture, double weight,
                                        const CompositeSettings& settings) {
  Histogram counts{};
  for (std::size_t i = 0; i < picture.Samples.size(); ++i)
    if (picture.Shown[i]) ++counts[picture.Samples[i]];
  const ScaleLimits limits = PercentileLimits(counts, settings.LowPercent, settings.HighPercent);
  const DisplayLevels levels = ScaleLevels(limits, ScaleCurve::Linear, counts);
  std::array<std::uint8_t, 256> weighted{};
  for (std::size_t v = 0; v < weighted.size(); ++v)
    weighted[v] = std::uint8_t(std::clamp(std::lround(levels[v] * weight), 0L, 255L));
  return weighted;
}

EncodedComposite PngFile(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                         const AnimationLook& look) {
  PngText text = AnimationPngText(look.Options, look.Original, look.Steps, look.Display);
  std::string description;
  for (std::size_t c = 0; c < 3; ++c) {
    if (c > 0) description += '\n';
    description += ChannelNames[c];
    description += ' ';
    description += channels[c]->CurrentFileName();
    if (c == 0) continue;
    const PictureOffset offset = FrameOffsetOf(composite.Offsets[c], *channels[c]);
    description += " offset ";
    description += TenthsText(offset.Lines);
    description += ' ';
    description += TenthsText(offset.Samples);
  }
  text.insert(text.begin(), {PngHeaderKeyword, description});
  std::optional<std::vector<std::uint8_t>> png =
      BuildPngFile(BgrPicture{composite.Bgr, PictureSamples, FrameLines}, text);
  if (!png) return {{}, "the picture could not be encoded"};
  return {std::move(*png), {}};
}

EncodedComposite FitsFile(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                          const AnimationLook& look) {
  std::vector<std::string> history = ProcessingHistory(look.Options, look.Steps, look.Original);
  history.push_back("Vantorel: planes 2 and 3 aligned to plane 1 by phase correlation");
  StandardFitsFile fits = BuildCompositeFits(composite, channels, history);
  if (fits.Bytes.empty()) return {{}, fits.Error};
  return {std::move(fits.Bytes), {}};
}

}  // namespace

std::string TenthsText(double value) {
  const double tenths = std::round(value * 10) / 10;
  char text[32];
  if (tenths == std::round(tenths))
    std::snprintf(text, sizeof text, "%.0f", tenths + 0.0);  // + 0.0: no "-0"
  else
    std::snprintf(text, sizeof text, "%.1f", tenths);
  return text;
}

EncodedComposite EncodeComposite(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                                 const AnimationLook& look, ExportFormat format) {
  return format == ExportFormat::StandardFits ? FitsFile(composite, channels, look)
                                              : PngFile(composite, channels, look);
}

Composite ComposeColor(const std::array<const FrameDocument*, 3>& channels, const CompositeSettings& settings) {
  Composite composite;
  std::array<RenderedPicture, 3> pictures;
  for (std::size_t c = 0; c < 3; ++c) pictures[c] = RenderedPictureOf(*channels[c]);
  for (std::size_t c = 1; c < 3; ++c) {
    const AlignmentResult aligned = FindOffset(pictures[0].View(), pictures[c].View());
    if (!aligned.Offset) {
      composite.Error = std::string("cannot align the ") + ChannelNames[c] + " frame to the red: " + aligned.Error;
      return composite;
    }
    composite.Offsets[c] = *aligned.Offset;
  }
  composite.Bgr.assign(std::size_t(PictureSamples) * FrameLines * 3, 0);
  for (std::vector<std::uint8_t>& plane : composite.Planes) plane.assign(FitsPlaneBytes, 0);
  for (std::size_t c = 0; c < 3; ++c) {
    const RenderedPicture& picture = pictures[c];
    const std::array<std::uint8_t, 256> stretch = StretchOf(picture, settings.Weights[c], settings);
    // The channel's sample that shows red's place (y, x), to the nearest whole sample.
    const int down = int(std::lround(composite.Offsets[c].Lines));
    const int across = int(std::lround(composite.Offsets[c].Samples));
    const std::size_t byte = 2 - c;  // blue first
    for (int y = 0; y < FrameLines; ++y) {
      const int from = y + down;
      if (from < 0 || from >= FrameLines) continue;
      for (int x = 0; x < PictureSamples; ++x) {
        const int column = x + across;
        if (column < 0 || column >= PictureSamples) continue;
        const std::size_t at = std::size_t(from) * PictureSamples + std::size_t(column);
        if (!picture.Shown[at]) continue;
        composite.Bgr[(std::size_t(y) * PictureSamples + std::size_t(x)) * 3 + byte] = stretch[picture.Samples[at]];
        composite.Planes[c][std::size_t(FrameLines - 1 - y) * PictureSamples + std::size_t(x)] = picture.Samples[at];
      }
    }
  }
  return composite;
}

StandardFitsFile BuildCompositeFits(const Composite& composite, const std::array<const FrameDocument*, 3>& channels,
                                    const std::vector<std::string>& history) {
  FitsCubeSource cube{{}, {}, history};
  for (std::size_t c = 0; c < 3; ++c) {
    const FrameDocument& document = *channels[c];
    const std::string n = std::to_string(c + 1), name = ChannelNames[c];
    cube.Planes.push_back(composite.Planes[c]);
    cube.Keywords.push_back({"FRAME" + n, document.CurrentFileName(), "frame of plane " + n + " (" + name + ")"});
    if (const std::optional<std::string>& filter = document.Header().Record.FilterName)
      cube.Keywords.push_back({"FILTER" + n, *filter, "filter of plane " + n});
    const PictureOffset offset = FrameOffsetOf(composite.Offsets[c], document);
    const auto tenths = [](double value) { return std::round(value * 10) / 10; };
    cube.Keywords.push_back({"DLINE" + n, tenths(offset.Lines), "frame lines the plane's frame lies below the red's"});
    cube.Keywords.push_back({"DSAMP" + n, tenths(offset.Samples), "frame samples it lies along from the red's"});
  }
  return BuildStandardFitsCube(cube);
}

PictureOffset FrameOffsetOf(const PictureOffset& pictureOffset, const FrameDocument& document) {
  // The geometry maps a whole row to a line and a whole column to a sample,
  // so the direction and the scale are the same everywhere: read them off two
  // neighbours in the middle of the picture.
  const OptionSet& active = document.ActiveOptions();
  const int lineCount = FrameLines;
  const auto lineStep = [&](int y) { return FrameLineAt(y, active, lineCount).value_or(0); };
  const auto sampleStep = [&](int x) { return FrameSampleAt(x, active).value_or(0); };
  // Two rows (columns) apart, so that a half-size picture's blocks show their
  // step; the middle lies within a half-size picture too.
  const int y = FrameLines / 2, x = PictureSamples / 2;
  const double linesPerRow = (lineStep(y + 2) - lineStep(y)) / 2.0;
  const double samplesPerColumn = (sampleStep(x + 2) - sampleStep(x)) / 2.0;
  return {pictureOffset.Lines * linesPerRow, pictureOffset.Samples * samplesPerColumn};
}

}  // namespace vantorel
