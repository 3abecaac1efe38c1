// What a region of the frame holds: statistics of its raw samples and of the
// picture pixels that show it, and the values along a line across the frame.
// Regions and lines are kept in frame lines and samples, so that they stay on
// the same ground through flip, rotate and minimize.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pipeline/picture_mapping.h"
#include "viewer/frame_document.h"

namespace vantorel {

enum class RegionShape { Rectangle, Ellipse };

// Lines FirstLine.. and samples FirstSample.. (1-based) of the loaded frame;
// an ellipse is the one inscribed in that rectangle. It may reach past the
// frame: only its part within lines 1..700 and samples 1..832 is measured.
struct FrameRegion {
  RegionShape Shape = RegionShape::Rectangle;
  int FirstLine = 1;
  int FirstSample = 1;
  int Lines = 0;
  int Samples = 0;

  friend bool operator==(const FrameRegion&, const FrameRegion&) = default;
};

// Whether sample s of line L lies in the region, frame bounds aside: pixel
// centres within the rectangle, or within the ellipse it bounds.
bool RegionHolds(const FrameRegion& region, int line, int sample);

// Population statistics of a set of grey levels; all 0 when Count is 0.
struct ValueStatistics {
  int Count = 0;
  double Mean = 0;
  double Median = 0;  // the mean of the two middle values for an even count
  double StandardDeviation = 0;
  int Minimum = 0;
  int Maximum = 0;
};

// Raw: the region's frame samples on the lines read. Shown: the picture
// pixels showing the region (on a half-size picture, those whose 2 x 2 block
// starts in it), their levels as ShownLevelAt reads them. Missing: the region's
// samples holding 0, the missing-pixel value, and those on lines the file did
// not have. Saturated: its samples holding 255.
struct RegionStatistics {
  ValueStatistics Raw;
  ValueStatistics Shown;
  int Missing = 0;
  int Saturated = 0;
  // Why nothing was measured (the region lies outside the frame); empty otherwise.
  std::string Problem;
};

RegionStatistics MeasureRegion(const FrameDocument& document, const FrameRegion& region);

// "statistic,raw,shown", then a row for each statistic (missing and
// saturated in the raw column).
std::string StatisticsCsv(const RegionStatistics& statistics);

// A number as the CSV texts write it: at most three decimals, no trailing zeros.
std::string DecimalText(double value);

struct FramePoint {
  int Line = 0;
  int Sample = 0;
};

// One step along a profile: the frame place nearest the line, its raw value
// (none on a line the file did not have) and the level of the picture pixel
// showing it (none where the picture shows no pixel of it).
struct ProfilePoint {
  int Index = 0;  // the step along the line, from 0 at its start
  int Line = 0;
  int Sample = 0;
  std::optional<int> Raw;
  std::optional<int> Shown;
};

struct LineProfile {
  std::vector<ProfilePoint> Points;
  std::string Problem;  // why there are no points; empty otherwise
};

// One point per step of one line or one sample, whichever the line crosses
// more of, each the nearest frame place (halves rounded up); steps that fall
// outside the frame are left out, their indices with them.
LineProfile ProfileAlong(const FrameDocument& document, FramePoint from, FramePoint to);

// "index,line,sample,raw,shown", then a row per point; a value there is none of is empty.
std::string ProfileCsv(const LineProfile& profile);

// Picture pixels x Left..Right, y Top..Bottom, inclusive, y from the top.
struct PictureBox {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  friend bool operator==(const PictureBox&, const PictureBox&) = default;
};
struct PicturePoint {
  int X = 0, Y = 0;
  friend bool operator==(const PicturePoint&, const PicturePoint&) = default;
};

// Where the window draws a region: the pixels showing its rectangle's lines
// and samples (the geometry keeps rectangles rectangles); nothing when no
// pixel shows any of them.
std::optional<PictureBox> PictureBoxOf(const FrameRegion& region, const PictureAxes& axes);
// The region a box drawn on the picture covers: the box clipped to the pixels
// that show the frame, each covering its whole block; nothing when it lies
// wholly off them.
std::optional<FrameRegion> RegionOfPictureBox(PictureBox box, RegionShape shape, const PictureAxes& axes);

// The pixel showing a frame place; nothing where none does.
std::optional<PicturePoint> PicturePointOf(FramePoint point, const PictureAxes& axes);
// The frame place a point drawn on the picture stands for, the point first
// brought onto the pixels that show the frame; nothing when none does.
std::optional<FramePoint> FramePointOfPicture(PicturePoint point, const PictureAxes& axes);

// The profile point nearest a frame place, within three pixels of the
// picture: where the plot marks the pointer. Nothing farther off the line.
std::optional<std::size_t> ProfilePointNear(const LineProfile& profile, FramePosition place);

}  // namespace vantorel
