#include "viewer/zoom.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "frames/frame_layout.h"

namespace vantorel {

namespace {

constexpr std::array<double, 13> ZoomSteps = {0.25, 1.0 / 3, 0.5, 2.0 / 3, 1, 1.5, 2, 3, 4, 6, 8, 12, 16};
// Fitted factors come from divisions; one this close to a step is on it.
constexpr double Tolerance = 1e-9;

// The first screen pixel that UnzoomedPixel maps to pixel or beyond.
int FirstZoomedPixel(int pixel, double zoom) { return int(std::ceil((pixel - Tolerance) * zoom)); }

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
  return std::clamp(fit, MinZoom, MaxZoom);
}

int UnzoomedPixel(int zoomedPixel, double zoom) {
  // A boundary that falls on a whole screen pixel belongs to the pixel after it,
  // whatever the division rounds to.
  return int(std::floor(zoomedPixel / zoom + Tolerance));
}

int ZoomedExtent(int pixels, double zoom) { return int(std::lround(pixels * zoom)); }

std::string ZoomText(double zoom) {
  std::string text = std::to_string(std::lround(zoom * 100));
  text += '%';
  return text;
}

int AnchoredScroll(int anchor, int anchorInViewport, double oldZoom, double newZoom) {
  int place = int(std::lround(anchor * (newZoom / oldZoom)));
  // Rounded, the point may land on the neighbouring picture pixel; magnified,
  // every picture pixel has a screen pixel of its own to land on instead.
  if (newZoom >= 1) {
    const int pixel = UnzoomedPixel(anchor, oldZoom);
    place = std::clamp(place, FirstZoomedPixel(pixel, newZoom), FirstZoomedPixel(pixel + 1, newZoom) - 1);
  }
  return place - anchorInViewport;
}

}  // namespace vantorel
