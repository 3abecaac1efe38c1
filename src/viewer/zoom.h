// The image window's zoom: the steps, their limits, the factor that fits the
// picture into a window, and where to scroll so that a point stays put.
#pragma once

#include <string>

namespace vantorel {

// Zoom factors: 1 shows one picture pixel per screen pixel.
inline constexpr double MinZoom = 0.25;
inline constexpr double MaxZoom = 16.0;

// The next step up or down, from 25% to 1600% in steps of about half an
// octave; a factor between steps (a fitted one) goes to the nearest step on
// that side. Stays within MinZoom..MaxZoom.
double ZoomedIn(double zoom);
double ZoomedOut(double zoom);

// The largest factor that shows the whole picture in a viewport of that size,
// any factor from MinZoom to MaxZoom, so that the picture fills the viewport
// in one direction.
double FitZoom(int viewportWidth, int viewportHeight);

// The picture pixel that a screen pixel of the zoomed picture shows: the one
// it falls in, counted from the picture's edge. Magnified, the pixels are
// painted by this and the pointer is read by it, so the two always agree.
int UnzoomedPixel(int zoomedPixel, double zoom);

// Screen pixels that a run of picture pixels takes at a zoom.
int ZoomedExtent(int pixels, double zoom);

// "200%", "25%", "87%": the zoom in whole percent.
std::string ZoomText(double zoom);

// The scroll position after a zoom change that keeps the picture point at
// anchor (in the zoomed picture before the change, so scroll position plus
// place in the viewport) at the same place in the viewport.
// Magnified after the change, the picture pixel there stays exactly there.
int AnchoredScroll(int anchor, int anchorInViewport, double oldZoom, double newZoom);

}  // namespace vantorel
