#include "cli/compose_mode.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "export/composite.h"
#include "export/png_text.h"
#include "output/atomic_file.h"
#include "output/png_file.h"

namespace vantorel::cli {

namespace {

std::string Tenths(double value) {
  const double tenths = std::round(value * 10) / 10;
  char text[32];
  if (tenths == std::round(tenths))
    std::snprintf(text, sizeof text, "%.0f", tenths + 0.0);  // + 0.0: no "-0"
  else
    std::snprintf(text, sizeof text, "%.1f", tenths);
  return text;
}

using Channels = std::array<const FrameDocument*, 3>;

// The RGB PNG, its text naming the channels' frames and offsets and how they were rendered.
std::optional<std::vector<std::uint8_t>> PngFile(const RenderArguments& arguments, const Composite& composite,
                                                 const Channels& channels, std::ostream& err) {
  PngText text = AnimationPngText(arguments.Options, arguments.Original, arguments.Steps, arguments.Display);
  std::string description;
  for (std::size_t c = 0; c < 3; ++c) {
    description += (c == 0 ? "red " : c == 1 ? "\ngreen " : "\nblue ") + channels[c]->CurrentFileName();
    if (c == 0) continue;
    const PictureOffset offset = FrameOffsetOf(composite.Offsets[c], *channels[c]);
    description += " offset " + Tenths(offset.Lines) + ' ' + Tenths(offset.Samples);
  }
  text.insert(text.begin(), {PngHeaderKeyword, description});
  std::optional<std::vector<std::uint8_t>> png =
      BuildPngFile(BgrPicture{composite.Bgr, PictureSamples, FrameLines}, text);
  if (!png) err << CannotWrite(arguments.Output, "the picture could not be encoded");
  return png;
}

std::optional<std::vector<std::uint8_t>> FitsFile(const RenderArguments& arguments, const Composite& composite,
                                                  const Channels& channels, std::ostream& err) {
  std::vector<std::string> history = ProcessingHistory(arguments.Options, arguments.Steps, arguments.Original);
  history.push_back("Vantorel: planes 2 and 3 aligned to plane 1 by phase correlation");
  StandardFitsFile fits = BuildCompositeFits(composite, channels, history);
  if (fits.Bytes.empty()) {
    err << CannotWrite(arguments.Output, fits.Error);
    return std::nullopt;
  }
  return std::move(fits.Bytes);
}

}  // namespace

std::string OffsetLine(const std::string& frame, const PictureOffset& offset) {
  return "offset " + Shown(frame) + ' ' + Tenths(offset.Lines) + ' ' + Tenths(offset.Samples) + '\n';
}

int WriteComposite(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  const std::vector<std::string>& frames = arguments.Frames;
  const RunPlan plan = PlanRun(frames, {arguments.Output});
  for (const std::string& refusal : plan.Refusals)
    if (!refusal.empty()) {
      err << refusal;
      return ExitFailure;
    }
  std::array<std::unique_ptr<FrameDocument>, 3> documents;
  for (std::size_t c = 0; c < 3; ++c) {
    documents[c] = std::make_unique<FrameDocument>();
    if (!LoadAndRender(*documents[c], arguments, frames[c], err)) return ExitFailure;
  }
  const Composite composite =
      ComposeColor({documents[0].get(), documents[1].get(), documents[2].get()}, arguments.Composite);
  if (!composite.Error.empty()) {
    err << ProgramName << ": " << composite.Error << '\n';
    return ExitFailure;
  }
  const std::array<const FrameDocument*, 3> channels{documents[0].get(), documents[1].get(), documents[2].get()};
  const std::optional<std::vector<std::uint8_t>> file = arguments.Format == ExportFormat::StandardFits
                                                            ? FitsFile(arguments, composite, channels, err)
                                                            : PngFile(arguments, composite, channels, err);
  if (!file) return ExitFailure;
  const SaveOutcome saved = SaveFileAtomically(arguments.Output, {*file});
  if (!saved.Saved) {
    err << CannotWrite(arguments.Output, saved.Error);
    return ExitFailure;
  }
  for (std::size_t c = 1; c < 3; ++c) out << OffsetLine(frames[c], FrameOffsetOf(composite.Offsets[c], *channels[c]));
  out.flush();
  return out ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
