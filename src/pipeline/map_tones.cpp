#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "frames/file_name.h"
#include "pipeline/stages.h"
#include "pipeline/stretch_code_tables.h"
#include "pipeline/tone_curve.h"
#include "pipeline/vector_clones.h"

namespace vantorel {

namespace {

constexpr int StretchOffsetUnit = 20;
constexpr int CodeDigitBase = 10;

// File-name positions (0-based) of the table selector and the frame number.
constexpr std::size_t SelectorPosition = 5;
constexpr std::size_t SelectorDigits = 2;
constexpr std::size_t FrameNumberPosition = 8;
constexpr std::size_t FrameNumberDigits = 3;

constexpr int GradientLimit = 7;
// Levels the ramp takes at its darker edge, per gradient step.
constexpr int GradientLevelsPerStep = 52;

constexpr int MaxSample = 255;
constexpr int SampleValues = 256;

struct Transfer {
  int GainDigit = 1;
  int Offset = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal number of `digits` characters from `position`, or 0 when the
// name is shorter or one of them is not a digit.
int NumberAt(std::string_view name, std::size_t position, std::size_t digits) {
  if (name.size() < position + digits) return 0;
  int number = 0;
  for (std::size_t i = position; i < position + digits; ++i) {
    if (!IsDigit(name[i])) return 0;
    number = number * CodeDigitBase + (name[i] - '0');
  }
  return number;
}

// The MME tables are consulted for every usable name; a primary table, when its
// selector matches and the name is not an "MME" name, overrides what they gave.
int StretchCodeFor(std::string_view name) {
  const int frame = NumberAt(name, FrameNumberPosition, FrameNumberDigits);
  if (frame < 1 || frame > StretchTableEntries) return DefaultStretchCode;
  const int selector = NumberAt(name, SelectorPosition, SelectorDigits);
  int code = DefaultStretchCode;
  if (selector >= 1 && selector <= MmeStretchTableCount) code = StretchCode(MmeStretchTables, selector, frame);
  if (HasMariner9NamePrefix(name))
    ++code;
  else if (selector >= 1 && selector <= PrimaryStretchTableCount)
    code = StretchCode(PrimaryStretchTables, selector, frame);
  return code;
}

Transfer TransferFor(std::string_view currentFileName, const OptionSet& active) {
  if (Entry(active, Option::Stretch) != 1) return {};
  const int code = StretchCodeFor(currentFileName);
  return {code % CodeDigitBase, StretchOffsetUnit * (code / CodeDigitBase)};
}

// Halving at gain 0 rounds ties to even: 1 -> 0, 3 -> 2, 5 -> 2, 7 -> 4.
template <typename Integer>
constexpr Integer HalveTiesToEven(Integer u) {
  const Integer half = Integer(u >> 1);
  return Integer(half + (u & half & 1));
}

// Contrast never takes the gain below 0. 64-bit so that a counter stepped far
// up cannot overflow the sum.
std::int32_t BoundedContrastStep(const Transfer& transfer, std::int32_t contrastStep) {
  return std::int64_t{transfer.GainDigit} + contrastStep < 0 ? -transfer.GainDigit : contrastStep;
}

std::int64_t Scale(int u, std::int64_t gain) { return gain >= 1 ? u * gain : HalveTiesToEven(u); }

// The ramp never adds, and takes at most 967 div 2 levels (G = +7, w = 2).
constexpr int MaxRampLoss = (RecordBytes - 1) / 2;

// The ramp's change for each of the 968 bytes of a record; all 0 without a gradient.
std::array<std::int16_t, RecordBytes> RampFor(int gradient) {
  std::array<std::int16_t, RecordBytes> ramp{};
  if (gradient == 0) return ramp;
  const int depth = GradientLevelsPerStep * std::abs(gradient);
  const int width = PictureSamples / depth;
  for (int s = 0; s < RecordBytes; ++s) {
    const int column = (s + 1) % RecordBytes;
    ramp[s] = std::int16_t(gradient < 0 ? std::min(column / width - depth, 0) : -(column / width));
  }
  return ramp;
}

// Up to this gain every level fits 16 bits, and the per-sample loop vectorises.
constexpr std::int64_t NarrowGainLimit = 64;

// A shift (offset and brightness) beyond these bounds clamps every sample the
// same way as the bound itself, so it can be narrowed without changing a result.
std::int16_t NarrowShift(std::int64_t shift, std::int64_t gain) {
  const std::int64_t lowest = -(MaxSample * std::max<std::int64_t>(gain, 1)) - 1;
  const std::int64_t highest = MaxSample + MaxRampLoss + 1;
  return std::int16_t(std::clamp(shift, lowest, highest));
}

template <typename ScaleSample>
inline void MapNarrow(std::span<std::uint8_t> bytes, ScaleSample scale, std::int16_t shift,
                      const std::array<std::int16_t, RecordBytes>& ramp) {
  for (std::size_t record = 0; record < bytes.size(); record += RecordBytes) {
    std::uint8_t* line = bytes.data() + record;
    for (int s = 0; s < RecordBytes; ++s) {
      const auto level = std::int16_t(scale(std::int16_t(line[s])) + shift + ramp[s]);
      line[s] = std::uint8_t(std::clamp<std::int16_t>(level, 0, MaxSample));
    }
  }
}

// For gains too large for 16 bits: a level per sample value, clamped to a
// range that the ramp cannot carry across 0 or 255.
void MapWide(std::span<std::uint8_t> bytes, std::int64_t gain, std::int64_t shift,
             const std::array<std::int16_t, RecordBytes>& ramp) {
  std::array<int, SampleValues> levels{};
  for (int u = 0; u < SampleValues; ++u)
    levels[u] = int(std::clamp<std::int64_t>(Scale(u, gain) + shift, -1, MaxSample + MaxRampLoss + 1));
  for (std::size_t record = 0; record < bytes.size(); record += RecordBytes) {
    std::uint8_t* line = bytes.data() + record;
    for (int s = 0; s < RecordBytes; ++s) line[s] = std::uint8_t(std::clamp(levels[line[s]] + ramp[s], 0, MaxSample));
  }
}

VANTOREL_VECTOR_CLONES void MapHalved(std::span<std::uint8_t> bytes, std::int16_t shift,
                                      const std::array<std::int16_t, RecordBytes>& ramp) {
  MapNarrow(bytes, HalveTiesToEven<std::int16_t>, shift, ramp);
}

VANTOREL_VECTOR_CLONES void MapScaled(std::span<std::uint8_t> bytes, std::int16_t gain, std::int16_t shift,
                                      const std::array<std::int16_t, RecordBytes>& ramp) {
  MapNarrow(
      bytes, [gain](std::int16_t u) { return std::int16_t(u * gain); }, shift, ramp);
}

void MapSamples(std::span<std::uint8_t> bytes, std::int64_t gain, std::int64_t shift, int gradient) {
  const std::array<std::int16_t, RecordBytes> ramp = RampFor(gradient);
  if (gain > NarrowGainLimit) return MapWide(bytes, gain, shift, ramp);
  const std::int16_t narrowShift = NarrowShift(shift, gain);
  if (gain == 0) return MapHalved(bytes, narrowShift, ramp);
  MapScaled(bytes, std::int16_t(gain), narrowShift, ramp);
}

}  // namespace

ToneCurve ToneTransferCurve(std::string_view currentFileName, const OptionSet& active, const ToneSteps& steps) {
  const Transfer transfer = TransferFor(currentFileName, active);
  const std::int64_t gain = std::int64_t{transfer.GainDigit} + BoundedContrastStep(transfer, steps.ContrastStep);
  const std::int64_t shift = std::int64_t{steps.BrightnessStep} - transfer.Offset;
  const bool invert = Entry(active, Option::Invert) == 1;
  ToneCurve curve{};
  for (int u = 0; u < SampleValues; ++u) {
    const auto level = std::uint8_t(std::clamp<std::int64_t>(Scale(u, gain) + shift, 0, MaxSample));
    curve[std::size_t(u)] = invert ? std::uint8_t(MaxSample - level) : level;
  }
  return curve;
}

ToneCurve IdentityToneCurve() {
  ToneCurve curve{};
  for (int u = 0; u < SampleValues; ++u) curve[std::size_t(u)] = std::uint8_t(u);
  return curve;
}

void MapTones(RenderContext& context) {
  ToneSteps unboundSteps;
  ToneSteps& steps = context.Steps ? *context.Steps : unboundSteps;

  const Transfer transfer = TransferFor(context.CurrentFileName, context.ActiveOptions);
  steps.ContrastStep = BoundedContrastStep(transfer, steps.ContrastStep);
  const std::int64_t gain = std::int64_t{transfer.GainDigit} + steps.ContrastStep;

  if (context.PresentLines() == 0) return;
  steps.GradientStep = std::clamp(steps.GradientStep, -GradientLimit, GradientLimit);

  const std::int64_t shift = std::int64_t{steps.BrightnessStep} - transfer.Offset;
  MapSamples(context.PresentRecords(), gain, shift, steps.GradientStep);
}

}  // namespace vantorel
