#include "viewer/frame_comparison.h"

#include <cmath>

#include "analysis/readout.h"
#include "export/composite.h"

namespace vantorel {

namespace {

// The options that decide where a frame place lands in the picture.
bool SameGeometry(const OptionSet& a, const OptionSet& b) {
  for (Option option : {Option::Flip, Option::Rotate, Option::Minimize})
    if (Entry(a, option) != Entry(b, option)) return false;
  return true;
}

}  // namespace

FrameComparison::FrameComparison(const std::string& path, const FrameDocument& first) : path_(path) { Follow(first); }

void FrameComparison::Follow(const FrameDocument& first) {
  Render(first);
  if (first.CurrentPath() != firstPath_ || !SameGeometry(first.ActiveOptions(), firstGeometry_)) Align(first);
}

void FrameComparison::Render(const FrameDocument& first) {
  if (second_.CurrentPath() != path_ || second_.ActiveOptions() != first.ActiveOptions() ||
      second_.Steps() != first.Steps())
    second_.Open(path_, first.ActiveOptions(), first.Steps());
  if (first.ShowsOriginal() != second_.ShowsOriginal()) {
    if (first.ShowsOriginal())
      second_.ShowOriginalImage();
    else
      second_.Open(path_, first.ActiveOptions(), first.Steps());
  }
  second_.SetDisplay(first.Display());
}

void FrameComparison::Align(const FrameDocument& first) {
  firstPath_ = first.CurrentPath();
  firstGeometry_ = first.ActiveOptions();
  nudgeDown_ = nudgeRight_ = 0;
  const AlignmentResult aligned = AlignRenders(first, second_);
  found_ = aligned.Offset.value_or(PictureOffset{});
  alignmentError_ = aligned.Error;
}

void FrameComparison::Nudge(int down, int right) {
  // Moving the second's picture down shows, at each pixel, the place one row higher in it.
  nudgeDown_ += down;
  nudgeRight_ += right;
}

void FrameComparison::ResetNudge() { nudgeDown_ = nudgeRight_ = 0; }

PictureOffset FrameComparison::Offset() const { return {found_.Lines - nudgeDown_, found_.Samples - nudgeRight_}; }

std::string FrameComparison::OffsetText() const {
  std::string text = "second " + second_.CurrentFileName();
  if (!alignmentError_.empty()) text += " not aligned (" + alignmentError_ + ")";
  const PictureOffset offset = FrameOffsetOf(Offset(), second_);
  text += " lies " + TenthsText(offset.Lines) + " lines, " + TenthsText(offset.Samples) + " samples from the first";
  if (nudgeDown_ != 0 || nudgeRight_ != 0)
    text += " (nudged " + std::to_string(nudgeDown_) + " down, " + std::to_string(nudgeRight_) + " right)";
  return text;
}

std::string FrameComparison::ReadoutText(const FrameDocument& first, int x, int y) const {
  const PictureOffset offset = Offset();
  const std::optional<PixelReadout> one = ReadoutAt(first, x, y);
  const std::optional<PixelReadout> two =
      ReadoutAt(second_, x + int(std::lround(offset.Samples)), y + int(std::lround(offset.Lines)));
  if (!one && !two) return "";
  return "first " + (one ? vantorel::ReadoutText(*one) : std::string("nothing")) + "  |  second " +
         (two ? vantorel::ReadoutText(*two) : std::string("nothing"));
}

}  // namespace vantorel
