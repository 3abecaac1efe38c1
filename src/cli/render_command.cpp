#include "cli/render_command.h"

#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <thread>

#include "analysis/special_pixels.h"
#include "cli/header_json.h"
#include "cli/interruption.h"
#include "cli/ordered_pool.h"
#include "cli/render_arguments.h"
#include "frames/file_name.h"
#include "header/ascii_text.h"
#include "output/atomic_file.h"
#include "output/descriptors.h"
#include "output/file_identity.h"
#include "output/fits_file.h"
#include "output/png_file.h"
#include "viewer/fits_export.h"
#include "viewer/frame_document.h"
#include "viewer/png_text.h"

namespace vantorel::cli {

namespace {

constexpr std::string_view kProgram = "vantorel-render";

// Names come from the user and the disk: shown escaped, they cannot drive the terminal.
std::string Shown(std::string_view name) { return EscapedForTerminal(name); }

int Usage(std::string_view problem, std::ostream& err) {
  err << kProgram << ": " << Shown(problem) << '\n' << UsageText();
  return ExitUsage;
}

// A text asked for is only delivered once it is written: a full disk or a
// closed pipe is a failure, said on err.
int Delivered(std::ostream& out, std::ostream& err, int status) {
  out.flush();
  if (out) return status;
  err << kProgram << ": the output could not be written\n";
  return ExitFailure;
}

// One load with the options on, then the render the arguments ask for; the
// picture is the document's CurrentBmp(). False when the frame could not be
// read; a short or empty file is read.
bool LoadAndRender(FrameDocument& document, const RenderArguments& arguments, const std::string& frame,
                   std::ostream& err) {
  document.Open(frame, arguments.Options);
  if (!document.ReadError().empty()) {
    err << kProgram << ": cannot read " << Shown(frame) << ": " << document.ReadError() << '\n';
    return false;
  }
  if (arguments.Original)
    document.ShowOriginalImage();
  else if (arguments.AnyStep())
    document.RenderWithSteps(arguments.Steps);
  return true;
}

// The bytes of the output file: an encoding, or the document's BMP as it
// lies; or why there are none.
struct EncodedOutput {
  std::vector<std::uint8_t> Encoded;
  std::span<const std::uint8_t> Bytes;
  std::string Error;
};

EncodedOutput EncodeOutput(const FrameDocument& document, const RenderArguments& arguments) {
  EncodedOutput output;
  switch (arguments.Format) {
    case OutputFormat::Bmp: output.Bytes = document.CurrentBmp(); return output;
    case OutputFormat::Png:
      if (auto png = BuildPngFile(document.CurrentBmp(), PngTextFor(document))) output.Encoded = std::move(*png);
      break;
    case OutputFormat::Fits:
      if (arguments.StandardFits) {
        StandardFitsFile file = BuildStandardFitsFileFor(document);
        output.Encoded = std::move(file.Bytes);
        output.Error = std::move(file.Error);
      } else {
        output.Encoded = BuildFitsFile(document.LabelCards(), document.FitsPlane());
      }
      break;
  }
  if (output.Encoded.empty() && output.Error.empty()) output.Error = "the picture could not be encoded";
  output.Bytes = output.Encoded;
  return output;
}

std::string CannotWrite(const std::string& output, std::string_view reason) {
  std::string message(kProgram);
  message += ": cannot write " + Shown(output) + ": ";
  message += reason;
  message += '\n';
  return message;
}

std::string IsFrameOfRun(const std::string& frame) { return "it is the frame " + Shown(frame) + " of this run"; }

// What a run may do, decided before anything is rendered, so that it does
// not hang on which thread comes first: an output that is a frame of the run
// (or cannot be told apart from one) is not written, and a frame that is an
// output of the same run is not read. The guard checks again at each write.
struct RunPlan {
  std::vector<std::string> Refusals;  // for each frame, the messages that stop it; empty when it goes ahead
  FrameGuard Guard;
};

RunPlan PlanRun(const std::vector<std::string>& frames, const std::vector<std::string>& outputs) {
  RunPlan plan{std::vector<std::string>(frames.size()), FrameGuard(frames)};
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const FrameGuard::Verdict verdict = plan.Guard.Check(outputs[i]);
    if (!verdict.Error.empty()) plan.Refusals[i] += CannotWrite(outputs[i], verdict.Error);
    if (!verdict.Frame) continue;
    const std::size_t frame = *verdict.Frame;
    plan.Refusals[i] += CannotWrite(outputs[i], IsFrameOfRun(frames[frame]));
    if (frame != i)
      plan.Refusals[frame] += std::string(kProgram) + ": cannot read " + Shown(frames[frame]) +
                              ": it is the output of " + Shown(frames[i]) + " in this run\n";
  }
  return plan;
}

// Renders one frame and writes it beside its output, not yet flushed or in
// place; nothing when it failed, with the messages said.
std::optional<PendingSave> StartRenderToFile(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output, const RunPlan& plan,
                                             std::ostream& err) {
  const FrameGuard::Verdict verdict = plan.Guard.Check(output);
  if (!verdict.MayWrite()) {
    err << CannotWrite(output, verdict.Frame ? IsFrameOfRun(arguments.Frames[*verdict.Frame]) : verdict.Error);
    return std::nullopt;
  }
  if (!LoadAndRender(document, arguments, frame, err)) return std::nullopt;
  const EncodedOutput encoded = EncodeOutput(document, arguments);
  if (!encoded.Error.empty()) {
    err << CannotWrite(output, encoded.Error);
    return std::nullopt;
  }
  StartedSave started = StartSave(output, {encoded.Bytes});
  if (!started.Pending) err << CannotWrite(output, started.Failure.Error);
  return std::move(started.Pending);
}

// An allocation failure or similar ends this frame only.
std::optional<PendingSave> StartRenderToFileGuarded(FrameDocument& document, const RenderArguments& arguments,
                                                    const std::string& frame, const std::string& output,
                                                    const RunPlan& plan, std::ostream& err) {
  try {
    return StartRenderToFile(document, arguments, frame, output, plan, err);
  } catch (const std::exception& error) {
    err << kProgram << ": " << Shown(frame) << ": " << error.what() << '\n';
    return std::nullopt;
  }
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
  std::optional<PendingSave> pending =
      StartRenderToFileGuarded(document, arguments, frame, arguments.Output, plan, err);
  return pending && FinishFile(*pending, arguments.Output, err) ? ExitSuccess : ExitFailure;
}

// Each worker of folder mode renders into the same buffers frame after frame,
// rather than touching fresh memory for every frame.
FrameDocument& WorkerDocument() {
  thread_local FrameDocument document;
  return document;
}

// What one frame of folder mode came to: whether it was written, and the
// messages it would have printed.
struct FrameOutcome {
  bool Written = false;
  std::string Messages;
  std::optional<PendingSave> Pending;          // written, waiting to be flushed and put in place
  std::optional<FolderFlushes::Ticket> Flush;  // in place, waiting for its folder's flush
};

// Where folder mode writes a frame: DIR/NAME.EXT.
struct FolderOutput {
  std::string Path;
  bool TakenEarlier = false;  // an earlier frame of the run has that name: writing would overwrite it
};

std::vector<FolderOutput> FolderOutputs(const RenderArguments& arguments) {
  std::vector<FolderOutput> outputs;
  std::set<std::string> taken;
  std::string extension(".");
  extension += ExtensionOf(arguments.Format);
  for (const std::string& frame : arguments.Frames) {
    std::string name(FileNamePart(frame));
    name += extension;
    std::string path = (std::filesystem::path(arguments.OutputDirectory) / name).string();
    const bool takenEarlier = !taken.insert(path).second;
    outputs.push_back({std::move(path), takenEarlier});
  }
  return outputs;
}

// Threads that flush finished files to disk and rename them, so that waiting
// for the disk holds no render worker; with several flushes in flight the file
// system commits them together.
constexpr unsigned FinishingThreads = 4;

// More workers than this per core only hold memory and descriptors: a render
// waits for nothing but the frame's read.
constexpr unsigned MaxJobsPerCore = 4;
// Descriptors kept back for what else the run opens: the frames being read,
// CFITSIO when it is loaded, the standard streams.
constexpr std::size_t ReservedDescriptors = 32;
// A frame begun holds its temporary file and its folder open until reported.
constexpr std::size_t DescriptorsPerFrame = 2;

struct Capacity {
  unsigned Jobs;
  std::size_t Window;  // frames begun and not yet reported
};

// As many workers as asked for (one per core by default), as far as the cores
// and the open-file limit can serve them; said when fewer.
Capacity CapacityFor(const RenderArguments& arguments, std::ostream& err) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t descriptors = FreeDescriptors();
  const std::size_t usable = descriptors > ReservedDescriptors ? descriptors - ReservedDescriptors : 1;
  // Each worker reads a frame and keeps about two frames in flight.
  const std::size_t byDescriptors = std::max<std::size_t>(1, usable / (2 * DescriptorsPerFrame + 1));
  const std::size_t requested = arguments.Jobs > 0 ? std::size_t(arguments.Jobs) : cores;
  const auto jobs = unsigned(std::min({requested, std::size_t(MaxJobsPerCore) * cores, byDescriptors}));
  if (jobs < requested)
    err << kProgram << ": rendering " << jobs << (jobs == 1 ? " frame" : " frames") << " at a time rather than "
        << requested << " (" << cores << (cores == 1 ? " core; " : " cores; ") << descriptors
        << " more files may be opened)\n";
  const std::size_t window = std::min<std::size_t>(2 * (jobs + FinishingThreads),
                                                   std::max<std::size_t>(jobs, (usable - jobs) / DescriptorsPerFrame));
  return {jobs, window};
}

std::string InterruptedText(std::size_t delivered, std::size_t count) {
  return std::string(kProgram) + ": interrupted after " + std::to_string(delivered) + " of " + std::to_string(count) +
         " frames\n";
}

int RenderIntoFolder(const RenderArguments& arguments, std::ostream& err) {
  std::error_code ignored;
  if (!std::filesystem::is_directory(arguments.OutputDirectory, ignored)) {
    err << kProgram << ": cannot write into " << Shown(arguments.OutputDirectory) << ": not a folder\n";
    return ExitFailure;
  }
  const std::vector<std::string>& frames = arguments.Frames;
  const std::vector<FolderOutput> outputs = FolderOutputs(arguments);
  std::vector<std::string> outputPaths;
  for (const FolderOutput& output : outputs) outputPaths.push_back(output.Path);
  const RunPlan plan = PlanRun(frames, outputPaths);
  const Capacity capacity = CapacityFor(arguments, err);
  FolderFlushes flushes;
  bool anyFailed = false;
  const OrderedSteps<FrameOutcome> steps{
      .Work =
          [&](std::size_t i) {
            const FolderOutput& output = outputs[i];
            if (output.TakenEarlier)
              return FrameOutcome{
                  false, CannotWrite(output.Path, "an earlier frame of the same name went there"), {}, {}};
            if (!plan.Refusals[i].empty()) return FrameOutcome{false, plan.Refusals[i], {}, {}};
            std::ostringstream messages;
            std::optional<PendingSave> pending =
                StartRenderToFileGuarded(WorkerDocument(), arguments, frames[i], output.Path, plan, messages);
            const bool written = pending.has_value();
            return FrameOutcome{written, messages.str(), std::move(pending), {}};
          },
      .Finish =
          [&](std::size_t i, FrameOutcome& outcome) {
            if (!outcome.Pending) return;
            try {
              const SaveOutcome saved = outcome.Pending->Finish(flushes, outcome.Flush);
              outcome.Written = saved.Saved;
              if (!saved.Saved) outcome.Messages += CannotWrite(outputs[i].Path, saved.Error);
            } catch (const std::exception& error) {
              // Said as for a frame whose render threw.
              outcome.Written = false;
              outcome.Messages += std::string(kProgram) + ": " + Shown(frames[i]) + ": " + error.what() + '\n';
            }
            outcome.Pending.reset();
          },
      .Deliver =
          [&](std::size_t i, FrameOutcome&& outcome) {
            // Reported only once durable: one flush of the folder covers every file renamed before it.
            if (outcome.Flush && !flushes.Flush(*outcome.Flush)) {
              outcome.Written = false;
              outcome.Messages += CannotWrite(outputs[i].Path, "written, but its folder could not be flushed");
            }
            const std::string name(FileNamePart(frames[i]));
            err << '[' << (i + 1) << '/' << frames.size() << "] " << Shown(name.empty() ? frames[i] : name) << '\n'
                << outcome.Messages << std::flush;
            anyFailed = anyFailed || !outcome.Written;
          },
      .Stopped = InterruptionWatch::Requested};
  const std::size_t delivered = RunInOrder(frames.size(), capacity.Jobs, FinishingThreads, capacity.Window, steps);
  if (InterruptionWatch::Requested()) {
    err << InterruptedText(delivered, frames.size());
    return ExitInterrupted;
  }
  return anyFailed ? ExitFailure : ExitSuccess;
}

// The special pixels of the render the options asked for, and what each
// cleaning stage replaced in it.
void AddSpecialPixels(const FrameDocument& document, nlohmann::ordered_json& object) {
  const SpecialPixelCounts counts = FindSpecialPixels(document).Counts;
  object["specialPixels"] = {
      {"missing", counts.Missing}, {"saturated", counts.Saturated}, {"replaced", counts.Replaced}};
  const ReplacedCounts& stages = document.Replaced();
  object["replacedByStage"] = {{"reconstruction", stages.Reconstruction},
                               {"despeckleEarly", stages.DespeckleEarly},
                               {"despeckleLate", stages.DespeckleLate}};
}

// One JSON line per frame; a frame that cannot be read gets no line, a message
// and exit status 1, and the others are still printed.
int PrintHeaderJson(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  bool anyFailed = false;
  for (const std::string& frame : arguments.Frames) {
    FrameDocument& document = WorkerDocument();
    if (!LoadAndRender(document, arguments, frame, err)) {
      anyFailed = true;
      continue;
    }
    nlohmann::ordered_json object = HeaderJson(frame, document);
    AddSpecialPixels(document, object);
    out << HeaderJsonLine(object) << '\n';
  }
  return Delivered(out, err, anyFailed ? ExitFailure : ExitSuccess);
}

int PrintHeader(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  if (arguments.Json) return PrintHeaderJson(arguments, out, err);
  FrameDocument document;
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

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseRenderArguments(args);
  if (!parsed.Ok()) return Usage(parsed.Error, err);
  const RenderArguments& arguments = parsed.Arguments;
  try {
    switch (arguments.Mode) {
      case RenderMode::Help: out << UsageText(); return Delivered(out, err, ExitSuccess);
      case RenderMode::Version:
        out << kProgram << ' ' << VANTOREL_VERSION << '\n';
        return Delivered(out, err, ExitSuccess);
      case RenderMode::Info:
      case RenderMode::Cards: return PrintHeader(arguments, out, err);
      case RenderMode::Render: {
        const InterruptionWatch watch;
        const int status =
            arguments.OutputDirectory.empty() ? RenderToFile(arguments, err) : RenderIntoFolder(arguments, err);
        // A single frame already begun has landed whole; the caller still learns of the signal.
        return InterruptionWatch::Requested() ? ExitInterrupted : status;
      }
    }
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
  }
  return ExitFailure;
}

}  // namespace vantorel::cli
