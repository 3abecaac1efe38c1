// The image window's zoom: the steps, their limits, the factor that fits the
// picture into a window, and where to scroll so that a point stays put.
#pragma once

#include <string>

namespace vantorel {

// Zoom factors: 1 shows one picture pixel per screen pixel.
inline constexpr double MinZoom = 0.25;
inline constexpr double MaxZoom = 16.0;

// The next step up or down: a step doubles or halves, and a factor between
// steps (a fitted one) goes to the nearest step on that side. Stays within
// MinZoom..MaxZoom.
double ZoomedIn(double zoom);
double ZoomedOut(double zoom);

// The largest factor that shows the whole picture in a viewport of that size.
// Magnified, it is a whole number, so that every picture pixel stays an equal
// square; shrunk, any factor down to MinZoom.
double FitZoom(int viewportWidth, int viewportHeight);

// Screen pixels that a run of picture pixels takes at a zoom.
int ZoomedExtent(int pixels, double zoom);

// "200%", "25%", "87%": the zoom in whole percent.
std::string ZoomText(double zoom);

// The scroll position after a zoom change that keeps the picture point at
// anchor (in the zoomed picture before the change, so scroll position plus
// place in the viewport) at the same place in the viewport.
int AnchoredScroll(int anchor, int anchorInViewport, double oldZoom, double newZoom);

}  // namespace vantorel
