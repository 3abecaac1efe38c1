#include "cli/render_command.h"

#include <exception>
#include <optional>

#include "analysis/region_statistics.h"
#include "analysis/special_pixels.h"
#include "cli/animate_mode.h"
#include "cli/catalogue_mode.h"
#include "cli/compose_mode.h"
#include "cli/folder_mode.h"
#include "cli/frame_json.h"
#include "cli/interruption.h"
#include "cli/render_arguments.h"
#include "cli/render_steps.h"
#include "export/thumbnail.h"
#include "output/atomic_file.h"
#include "viewer/frame_document.h"

namespace vantorel::cli {

namespace {

// What is wrong, on one line, and where the whole story is.
int Usage(std::string_view problem, std::ostream& err) {
  err << ProgramName << ": " << Shown(problem) << "\nTry '" << ProgramName << " --help' for more information.\n";
  return ExitUsage;
}

// A text asked for is only delivered once it is written: a full disk or a
// closed pipe is a failure, said on err.
int Delivered(std::ostream& out, std::ostream& err, int status) {
  out.flush();
  if (out) return status;
  err << ProgramName << ": the output could not be written\n";
  return ExitFailure;
}

// Flushes the file, puts it in place of the output and flushes its folder.
bool FinishFile(PendingSave& pending, const std::string& output, std::ostream& err) {
  const SaveOutcome outcome = pending.Finish();
  if (!outcome.Saved) err << CannotWrite(output, outcome.Error);
  return outcome.Saved;
}

// Renders one frame into one file; the file is replaced only when complete.
int RenderToFile(const RenderArguments& arguments, std::ostream& err) {
  const std::string& frame = arguments.Frames.front();
  const RunPlan plan = PlanRun(arguments.Frames, {arguments.Output});
  if (!plan.Refusals.front().empty()) {
    err << plan.Refusals.front();
    return ExitFailure;
  }
  FrameDocument document;
  std::optional<PendingSave> pending = StartRenderToFile(document, arguments, frame, arguments.Output, plan, err);
  return pending && FinishFile(*pending, arguments.Output, err) ? ExitSuccess : ExitFailure;
}

// Renders one frame onto standard output, never through a file.
int RenderToStandardOutput(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  FrameDocument document;
  const std::optional<EncodedExport> encoded =
      RenderAndEncode(document, arguments, arguments.Frames.front(), "standard output", err);
  if (!encoded) return ExitFailure;
  out.write(reinterpret_cast<const char*>(encoded->Bytes.data()), std::streamsize(encoded->Bytes.size()));
  return Delivered(out, err, ExitSuccess);
}

// One JSON line per frame, in the order given; a frame that fails gets its
// line too, with the error, a message on err, and exit status 1.
int PrintFrameJson(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  bool anyFailed = false;
  for (const std::string& frame : arguments.Frames) {
    nlohmann::ordered_json object;
    try {
      FrameDocument& document = WorkerDocument();
      document.KeepReplacedSamples(true);
      if (LoadAndRender(document, arguments, frame, err))
        object = FrameJson(frame, document);
      else
        object = FailedFrameJson(frame, document.FileCheck(), arguments, NotAFrameNotice(frame, document.FileCheck()));
    } catch (const std::exception& error) {
      err << ProgramName << ": " << Shown(frame) << ": " << error.what() << '\n';
      object = FailedFrameJson(frame, CheckFrameFile(frame), arguments, error.what());
    }
    anyFailed = anyFailed || !object["error"].is_null();
    out << FrameJsonLine(object) << '\n' << std::flush;  // a script reading as lines come sees each at once
  }
  return Delivered(out, err, anyFailed ? ExitFailure : ExitSuccess);
}

// What file managers run for a frame they show: one frame's bytes read, one file written.
int WriteThumbnail(const RenderArguments& arguments, std::ostream& err) {
  const std::string& frame = arguments.Frames.front();
  const RunPlan plan = PlanRun(arguments.Frames, {arguments.Output});
  if (!plan.Refusals.front().empty()) {
    err << plan.Refusals.front();
    return ExitFailure;
  }
  std::string error;
  const std::optional<ThumbnailSource> source = IdentifySource(frame, error);
  FrameDocument document;
  Thumbnail thumbnail;
  if (source)
    thumbnail = MakeThumbnail(document, *source, arguments.ThumbnailSize);
  else
    thumbnail.Error = error;
  if (!thumbnail.Notice.empty()) err << ProgramName << ": " << Shown(thumbnail.Notice) << '\n';
  if (!thumbnail.Error.empty()) {
    err << ProgramName << ": no thumbnail of " << Shown(frame) << ": " << thumbnail.Error << '\n';
    return ExitFailure;
  }
  const SaveOutcome outcome = SaveFileAtomically(arguments.Output, {thumbnail.Png});
  if (!outcome.Saved) err << CannotWrite(arguments.Output, outcome.Error);
  return outcome.Saved ? ExitSuccess : ExitFailure;
}

int PrintHeader(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.Json) return PrintFrameJson(arguments, out, err);
  FrameDocument document;
  // The special pixels of the info text need them; the cards do not.
  document.KeepReplacedSamples(arguments.Mode == RenderMode::Info);
  if (!LoadAndRender(document, arguments, arguments.Frames.front(), err)) return ExitFailure;
  const HeaderState& header = document.Header();
  if (arguments.Mode == RenderMode::Cards) {
    for (const std::string& card : header.LabelCards) out << card << '\n';
  } else {
    // What Image Info shows: the Mariner 9 box alone for a Mariner 9 header.
    const auto print = [&out](const auto& labels) {
      for (const std::string& label : labels) out << label << '\n';
    };
    if (header.HeaderKind == DataSet::Mariner9)
      print(header.InfoBox2);
    else
      print(header.InfoBox);
    // Then what the picture holds: the special pixels of the render the options asked for.
    out << SpecialPixelStatusText(FindSpecialPixels(document).Counts) << '\n';
  }
  return Delivered(out, err, ExitSuccess);
}

nlohmann::ordered_json ValueStatisticsJson(const ValueStatistics& values) {
  using Json = nlohmann::ordered_json;
  // Of no values there is no mean, median or extreme.
  const auto number = [&values](auto value) { return values.Count > 0 ? Json(value) : Json(); };
  return {{"count", values.Count},           {"mean", number(values.Mean)},
          {"median", number(values.Median)}, {"std", number(values.StandardDeviation)},
          {"min", number(values.Minimum)},   {"max", number(values.Maximum)}};
}

// --stats and --profile: what the render given shows of the frame.
int PrintMeasurement(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  FrameDocument document;
  if (!LoadAndRender(document, arguments, arguments.Frames.front(), err)) return ExitFailure;
  if (arguments.Mode == RenderMode::Profile) {
    out << ProfileCsv(ProfileAlong(document, arguments.ProfileFrom, arguments.ProfileTo));
    return Delivered(out, err, ExitSuccess);
  }
  const RegionStatistics statistics = MeasureRegion(document, arguments.StatsRegion);
  const nlohmann::ordered_json object = {{"raw", ValueStatisticsJson(statistics.Raw)},
                                         {"shown", ValueStatisticsJson(statistics.Shown)},
                                         {"missing", statistics.Missing},
                                         {"saturated", statistics.Saturated}};
  out << object.dump() << '\n';
  return Delivered(out, err, ExitSuccess);
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, Terminals terminals) {
  const ParsedArguments parsed = ParseRenderArguments(args);
  if (!parsed.Ok()) return Usage(parsed.Error, err);
  const RenderArguments& arguments = parsed.Arguments;
  // A picture on a terminal is noise that can leave it in a strange state.
  if (arguments.Mode == RenderMode::Render && arguments.ToStandardOutput() && terminals.Out)
    return Usage("standard output is a terminal: redirect it, or write a file with -o FILE", err);
  try {
    switch (arguments.Mode) {
      case RenderMode::Help: out << UsageText(); return Delivered(out, err, ExitSuccess);
      case RenderMode::Version:
        out << ProgramName << ' ' << VANTOREL_VERSION << '\n';
        return Delivered(out, err, ExitSuccess);
      case RenderMode::Info:
      case RenderMode::Cards: return PrintHeader(arguments, out, err);
      case RenderMode::Stats:
      case RenderMode::Profile: return PrintMeasurement(arguments, out, err);
      case RenderMode::Select: return PrintSelection(arguments, out, err);
      case RenderMode::Catalogue: {
        const InterruptionWatch watch;
        return UpdateCatalogueFile(arguments, terminals.Err, err);
      }
      case RenderMode::Thumbnail: return WriteThumbnail(arguments, err);
      case RenderMode::Compose: return WriteComposite(arguments, out, err);
      case RenderMode::Animate: {
        const InterruptionWatch watch;
        return WriteAnimation(arguments, terminals.Err, err);
      }
      case RenderMode::Render: {
        const InterruptionWatch watch;
        const int status = !arguments.OutputDirectory.empty() ? RenderIntoFolder(arguments, terminals.Err, err)
                           : arguments.ToStandardOutput()     ? RenderToStandardOutput(arguments, out, err)
                                                              : RenderToFile(arguments, err);
        // A single frame already begun has landed whole; the caller still learns of the signal.
        return InterruptionWatch::Requested() ? ExitInterrupted : status;
      }
    }
  } catch (const std::exception& error) {
    err << ProgramName << ": " << error.what() << '\n';
  }
  return ExitFailure;
}

}  // namespace vantorel::cli
