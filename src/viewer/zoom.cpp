#include "viewer/zoom.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "frames/frame_layout.h"

namespace vantorel {

namespace {

constexpr std::array<double, 7> ZoomSteps = {0.25, 0.5, 1, 2, 4, 8, 16};
// Fitted factors come from divisions; one this close to a step is on it.
constexpr double Tolerance = 1e-9;

}  // namespace

double ZoomedIn(double zoom) {
  for (double step : ZoomSteps)
    if (step > zoom * (1 + Tolerance)) return step;
  return MaxZoom;
}

double ZoomedOut(double zoom) {
  for (auto step = ZoomSteps.rbegin(); step != ZoomSteps.rend(); ++step)
    if (*step < zoom * (1 - Tolerance)) return *step;
  return MinZoom;
}

double FitZoom(int viewportWidth, int viewportHeight) {
  const double fit = std::min(double(viewportWidth) / PictureSamples, double(viewportHeight) / FrameLines);
  if (fit >= 1) return std::min(std::floor(fit), MaxZoom);
  return std::max(fit, MinZoom);
}

int ZoomedExtent(int pixels, double zoom) { return int(std::lround(pixels * zoom)); }

std::string ZoomText(double zoom) {
  std::string text = std::to_string(std::lround(zoom * 100));
  text += '%';
  return text;
}

int AnchoredScroll(int anchor, int anchorInViewport, double oldZoom, double newZoom) {
  return int(std::lround(anchor * (newZoom / oldZoom))) - anchorInViewport;
}

}  // namespace vantorel
