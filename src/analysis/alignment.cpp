#include "analysis/alignment.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include "analysis/fftw_library.h"

namespace vantorel {

namespace {

// Planning is the one part of FFTW that is not safe on several threads at once.
std::mutex PlanningMutex;

// Spectral magnitudes below this are rounding noise, not scene.
constexpr float NoiseMagnitude = 1e-6f;

struct FftwFree {
  const FftwApi* Api;
  void operator()(void* memory) const { Api->fftwf_free(memory); }
};
template <typename T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwBuffer<T> Allocate(const FftwApi& api, std::size_t count) {
  return FftwBuffer<T>(static_cast<T*>(api.fftwf_malloc(sizeof(T) * count)), FftwFree{&api});
}

// How far, in samples, the weight of a shown sample rises from zero beside
// one that shows nothing: a hard edge there (a missing line, the surround)
// would be the strongest feature after whitening, and it is not the scene's.
constexpr int TaperSamples = 12;

// For each sample, the city-block distance to the nearest sample that counts
// for nothing (or to outside the picture), at most TaperSamples.
std::vector<std::uint8_t> DistanceToNothing(const AlignmentPicture& picture) {
  const auto width = std::size_t(picture.Width), height = std::size_t(picture.Height);
  std::vector<std::uint8_t> distance(picture.Samples.size());
  // From above and the left, then from below and the right; outside counts for nothing.
  for (std::size_t y = 0; y < height; ++y) {
    std::uint8_t* row = distance.data() + y * width;
    const std::uint8_t* shown = picture.Shown.data() + y * width;
    int left = 0;
    for (std::size_t x = 0; x < width; ++x) {
      const int up = y > 0 ? row[x - width] : 0;
      row[x] = std::uint8_t(left = shown[x] ? std::min({TaperSamples, left + 1, up + 1}) : 0);
    }
  }
  for (std::size_t y = height; y-- > 0;) {
    std::uint8_t* row = distance.data() + y * width;
    int right = 0;
    for (std::size_t x = width; x-- > 0;) {
      const int down = y + 1 < height ? row[x + width] : 0;
      row[x] = std::uint8_t(right = std::min({int(row[x]), right + 1, down + 1}));
    }
  }
  return distance;
}

// The picture less the mean of what it shows, weighted down to zero towards
// whatever shows nothing and towards the edges.
bool Prepare(const AlignmentPicture& picture, float* out) {
  std::uint64_t sum = 0, count = 0;
  for (std::size_t i = 0; i < picture.Samples.size(); ++i) {
    const bool shown = picture.Shown[i] != 0;
    sum += shown ? picture.Samples[i] : 0u;
    count += shown;
  }
  if (count == 0) return false;
  const auto mean = float(double(sum) / double(count));
  const std::vector<std::uint8_t> distance = DistanceToNothing(picture);
  std::array<float, TaperSamples + 1> weight{};
  for (int d = 0; d <= TaperSamples; ++d)
    weight[std::size_t(d)] = float(0.5 - 0.5 * std::cos(std::numbers::pi * d / TaperSamples));
  for (std::size_t i = 0; i < picture.Samples.size(); ++i)
    out[i] = (float(picture.Samples[i]) - mean) * weight[distance[i]];
  return true;
}

// An index of the circular correlation as a signed shift.
int Signed(int index, int size) { return index > size / 2 ? index - size : index; }

// Between samples: the vertex of the parabola through the peak and its two neighbours.
double Refined(float before, float at, float after) {
  const float curvature = before - 2 * at + after;
  return curvature < 0 ? 0.5 * double(before - after) / double(curvature) : 0.0;
}

// How the peak stands out from the rest of the correlation: its square over
// the mean square away from it. Pictures that share nothing give a peak like
// the largest of so many noise values, which grows with the log of their
// number: 14 for 96 x 80 samples and up to 65 for two whole frames of
// different scenes, against 115 and more (125,000 for whole frames) where the
// scenes overlap. So the peak must stand 8 logs of the sample count high.
constexpr double MinPeakSharpnessPerLog = 8;
constexpr int PeakReach = 2;  // the peak's neighbours, which a sub-sample shift spreads it over

double PeakSharpness(const float* correlation, int width, int height, int peakRow, int peakColumn) {
  // Everything, less the peak's neighbourhood (the correlation wraps round).
  const std::size_t samples = std::size_t(width) * std::size_t(height);
  double sum = 0;
  for (std::size_t i = 0; i < samples; ++i) sum += double(correlation[i]) * double(correlation[i]);
  std::size_t count = samples;
  const int reachDown = std::min(PeakReach, (height - 1) / 2), reachAcross = std::min(PeakReach, (width - 1) / 2);
  for (int dy = -reachDown; dy <= reachDown; ++dy)
    for (int dx = -reachAcross; dx <= reachAcross; ++dx) {
      const std::size_t i = std::size_t((peakRow + dy + height) % height) * std::size_t(width) +
                            std::size_t((peakColumn + dx + width) % width);
      sum -= double(correlation[i]) * double(correlation[i]), --count;
    }
  const double peak = correlation[std::size_t(peakRow) * std::size_t(width) + std::size_t(peakColumn)];
  return count == 0 || sum <= 0 ? 0 : peak * peak / (sum / double(count));
}

}  // namespace

AlignmentResult FindOffset(const AlignmentPicture& reference, const AlignmentPicture& moving) {
  const int width = reference.Width, height = reference.Height;
  const auto samples = std::size_t(width) * std::size_t(height);
  if (width < 2 || height < 2 || moving.Width != width || moving.Height != height ||
      reference.Samples.size() != samples || moving.Samples.size() != samples || reference.Shown.size() != samples ||
      moving.Shown.size() != samples)
    return {std::nullopt, "the pictures differ in size"};
  std::string error;
  const FftwApi* api = Fftw(error);
  if (!api) return {std::nullopt, error};
  const std::size_t spectrumSize = std::size_t(height) * std::size_t(width / 2 + 1);
  FftwBuffer<float> plane = Allocate<float>(*api, samples);
  FftwBuffer<fftwf_complex> referenceSpectrum = Allocate<fftwf_complex>(*api, spectrumSize);
  FftwBuffer<fftwf_complex> movingSpectrum = Allocate<fftwf_complex>(*api, spectrumSize);
  if (!plane || !referenceSpectrum || !movingSpectrum) return {std::nullopt, "out of memory"};
  fftwf_plan forward = nullptr, backward = nullptr;
  {
    const std::lock_guard lock(PlanningMutex);
    forward = api->fftwf_plan_dft_r2c_2d(height, width, plane.get(), referenceSpectrum.get(), FFTW_ESTIMATE);
    backward = api->fftwf_plan_dft_c2r_2d(height, width, movingSpectrum.get(), plane.get(), FFTW_ESTIMATE);
  }
  const auto destroy = [&] {
    const std::lock_guard lock(PlanningMutex);
    if (forward) api->fftwf_destroy_plan(forward);
    if (backward) api->fftwf_destroy_plan(backward);
  };
  if (!forward || !backward) {
    destroy();
    return {std::nullopt, "FFTW could not plan the transform"};
  }
  bool shown = Prepare(reference, plane.get());
  if (shown) api->fftwf_execute_dft_r2c(forward, plane.get(), referenceSpectrum.get());
  shown = shown && Prepare(moving, plane.get());
  if (shown) api->fftwf_execute_dft_r2c(forward, plane.get(), movingSpectrum.get());
  if (shown) {
    // moving = reference shifted by d: the normalised cross-power spectrum is a pure phase whose transform peaks at d.
    // Written out rather than with std::complex, whose product and magnitude guard against
    // infinities and overflow that spectra of bytes never reach, at three times the cost.
    for (std::size_t i = 0; i < spectrumSize; ++i) {
      const float a = movingSpectrum[i][0], b = movingSpectrum[i][1];
      const float c = referenceSpectrum[i][0], d = -referenceSpectrum[i][1];
      const float real = a * c - b * d, imaginary = a * d + b * c;
      const float magnitude = std::sqrt(real * real + imaginary * imaginary);
      const float scale = magnitude > NoiseMagnitude ? 1.0f / magnitude : 0.0f;
      movingSpectrum[i][0] = real * scale;
      movingSpectrum[i][1] = imaginary * scale;
    }
    api->fftwf_execute(backward);
  }
  destroy();
  if (!shown) return {std::nullopt, "a picture shows nothing to align"};
  std::size_t peak = 0;
  for (std::size_t i = 1; i < samples; ++i)
    if (plane[i] > plane[peak]) peak = i;
  const int row = int(peak / std::size_t(width)), column = int(peak % std::size_t(width));
  if (PeakSharpness(plane.get(), width, height, row, column) < MinPeakSharpnessPerLog * std::log(double(samples)))
    return {std::nullopt, "the pictures do not overlap: no shift makes them agree"};
  const auto at = [&](int y, int x) {
    return plane[std::size_t((y + height) % height) * std::size_t(width) + std::size_t((x + width) % width)];
  };
  const double down = Refined(at(row - 1, column), at(row, column), at(row + 1, column));
  const double across = Refined(at(row, column - 1), at(row, column), at(row, column + 1));
  return {PictureOffset{Signed(row, height) + down, Signed(column, width) + across}, {}};
}

}  // namespace vantorel
