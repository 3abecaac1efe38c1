#include "cli/render_command.h"

#include <exception>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <thread>

#include "cli/header_json.h"
#include "cli/ordered_pool.h"
#include "cli/render_arguments.h"
#include "frames/file_name.h"
#include "output/atomic_file.h"
#include "output/fits_file.h"
#include "output/png_file.h"
#include "output/same_entry.h"
#include "viewer/fits_export.h"
#include "viewer/frame_document.h"
#include "viewer/png_text.h"
#include "viewer/special_pixels.h"

namespace vantorel::cli {

namespace {

constexpr std::string_view kProgram = "vantorel-render";

int Usage(std::string_view problem, std::ostream& err) {
  err << kProgram << ": " << problem << '\n' << UsageText();
  return ExitUsage;
}

// One load with the options on, then the render the arguments ask for; the
// picture is the document's CurrentBmp(). False when the frame could not be
// read; a short or empty file is read.
bool LoadAndRender(FrameDocument& document, const RenderArguments& arguments, const std::string& frame,
                   std::ostream& err) {
  document.Open(frame, arguments.Options);
  if (!document.ReadError().empty()) {
    err << kProgram << ": cannot read " << frame << ": " << document.ReadError() << '\n';
    return false;
  }
  if (arguments.Original)
    document.ShowOriginalImage();
  else if (arguments.AnyStep())
    document.RenderWithSteps(arguments.Steps);
  return true;
}

// The bytes of the output file: an encoding, or the document's BMP as it lies.
struct EncodedOutput {
  std::vector<std::uint8_t> Encoded;
  std::span<const std::uint8_t> Bytes;
};

std::optional<EncodedOutput> EncodeOutput(const FrameDocument& document, const RenderArguments& arguments) {
  std::optional<std::vector<std::uint8_t>> encoded;
  switch (arguments.Format) {
    case OutputFormat::Bmp: return EncodedOutput{{}, document.CurrentBmp()};
    case OutputFormat::Png: encoded = BuildPngFile(document.CurrentBmp(), PngTextFor(document)); break;
    case OutputFormat::Fits:
      if (arguments.StandardFits) {
        StandardFitsFile file = BuildStandardFitsFileFor(document);
        if (!file.Bytes.empty()) encoded = std::move(file.Bytes);
      } else {
        encoded = BuildFitsFile(document.LabelCards(), document.FitsPlane());
      }
      break;
  }
  if (!encoded) return std::nullopt;
  EncodedOutput output{std::move(*encoded), {}};
  output.Bytes = output.Encoded;
  return output;
}

// The files a run reads, so that no output of the run replaces one of them.
class FramesOfRun {
 public:
  explicit FramesOfRun(const std::vector<std::string>& frames) {
    for (const std::string& frame : frames)
      if (auto identity = IdentifyEntry(frame)) entries_.emplace(std::move(*identity), frame);
  }
  // The frame that output would replace, if any.
  const std::string* FrameAt(const std::string& output) const {
    const std::optional<EntryIdentity> identity = IdentifyEntry(output);
    if (!identity) return nullptr;
    const auto found = entries_.find(*identity);
    return found == entries_.end() ? nullptr : &found->second;
  }

 private:
  std::map<EntryIdentity, std::string> entries_;
};

// Renders one frame and writes it beside its output, not yet flushed or in
// place; nothing when it failed, with the messages said.
std::optional<PendingSave> StartRenderToFile(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output,
                                             const FramesOfRun& frames, std::ostream& err) {
  if (const std::string* read = frames.FrameAt(output)) {
    err << kProgram << ": cannot write " << output << ": it is the frame " << *read << " of this run\n";
    return std::nullopt;
  }
  if (!LoadAndRender(document, arguments, frame, err)) return std::nullopt;
  const std::optional<EncodedOutput> encoded = EncodeOutput(document, arguments);
  if (!encoded) {
    err << kProgram << ": cannot write " << output << ": the picture could not be encoded\n";
    return std::nullopt;
  }
  StartedSave started = StartSave(output, {encoded->Bytes});
  if (!started.Pending) err << kProgram << ": cannot write " << output << ": " << started.Failure.Error << '\n';
  return std::move(started.Pending);
}

// An allocation failure or similar ends this frame only.
std::optional<PendingSave> StartRenderToFileGuarded(FrameDocument& document, const RenderArguments& arguments,
                                                    const std::string& frame, const std::string& output,
                                                    const FramesOfRun& frames, std::ostream& err) {
  try {
    return StartRenderToFile(document, arguments, frame, output, frames, err);
  } catch (const std::exception& error) {
    err << kProgram << ": " << frame << ": " << error.what() << '\n';
    return std::nullopt;
  }
}

// Flushes the file and puts it in place of the output.
bool FinishFile(PendingSave& pending, const std::string& output, std::ostream& err) {
  const SaveOutcome outcome = pending.Finish();
  if (!outcome.Saved) err << kProgram << ": cannot write " << output << ": " << outcome.Error << '\n';
  return outcome.Saved;
}

// Renders one frame into one file; the file is replaced only when complete.
bool RenderToFile(const RenderArguments& arguments, const std::string& frame, const std::string& output,
                  const FramesOfRun& frames, std::ostream& err) {
  FrameDocument document;
  std::optional<PendingSave> pending = StartRenderToFileGuarded(document, arguments, frame, output, frames, err);
  return pending && FinishFile(*pending, output, err);
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
  std::optional<PendingSave> Pending;  // written, waiting to be flushed and put in place
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

unsigned JobsFor(const RenderArguments& arguments) {
  return arguments.Jobs > 0 ? unsigned(arguments.Jobs) : std::max(1u, std::thread::hardware_concurrency());
}

// Threads that flush finished files to disk and rename them, so that waiting
// for the disk holds no render worker; with several flushes in flight the file
// system commits them together.
constexpr unsigned FinishingThreads = 4;

// Frames begun and not yet reported: each holds an open temporary file.
std::size_t FramesInFlight(const RenderArguments& arguments) { return 2 * (JobsFor(arguments) + FinishingThreads); }

int RenderIntoFolder(const RenderArguments& arguments, std::ostream& err) {
  std::error_code ignored;
  if (!std::filesystem::is_directory(arguments.OutputDirectory, ignored)) {
    err << kProgram << ": cannot write into " << arguments.OutputDirectory << ": not a folder\n";
    return ExitFailure;
  }
  const std::vector<std::string>& frames = arguments.Frames;
  const std::vector<FolderOutput> outputs = FolderOutputs(arguments);
  const FramesOfRun framesOfRun(frames);
  bool anyFailed = false;
  const OrderedSteps<FrameOutcome> steps{
      .Work =
          [&](std::size_t i) {
            std::ostringstream messages;
            const FolderOutput& output = outputs[i];
            if (output.TakenEarlier) {
              messages << kProgram << ": cannot write " << output.Path
                       << ": an earlier frame of the same name went there\n";
              return FrameOutcome{false, messages.str(), std::nullopt};
            }
            std::optional<PendingSave> pending =
                StartRenderToFileGuarded(WorkerDocument(), arguments, frames[i], output.Path, framesOfRun, messages);
            const bool written = pending.has_value();
            return FrameOutcome{written, messages.str(), std::move(pending)};
          },
      .Finish =
          [&](std::size_t i, FrameOutcome& outcome) {
            if (!outcome.Pending) return;
            try {
              std::ostringstream messages;
              outcome.Written = FinishFile(*outcome.Pending, outputs[i].Path, messages);
              outcome.Messages += messages.str();
            } catch (const std::exception& error) {
              // Said as for a frame whose render threw.
              outcome.Written = false;
              std::string message(kProgram);
              message += ": ";
              message += frames[i];
              message += ": ";
              message += error.what();
              message += '\n';
              outcome.Messages += message;
            }
            outcome.Pending.reset();
          },
      .Deliver =
          [&](std::size_t i, FrameOutcome&& outcome) {
            const std::string name(FileNamePart(frames[i]));
            err << '[' << (i + 1) << '/' << frames.size() << "] " << (name.empty() ? frames[i] : name) << '\n'
                << outcome.Messages << std::flush;
            anyFailed = anyFailed || !outcome.Written;
          }};
  RunInOrder(frames.size(), JobsFor(arguments), FinishingThreads, FramesInFlight(arguments), steps);
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
  out.flush();
  return out && !anyFailed ? ExitSuccess : ExitFailure;
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
  out.flush();
  return out ? ExitSuccess : ExitFailure;
}

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseRenderArguments(args);
  if (!parsed.Ok()) return Usage(parsed.Error, err);
  const RenderArguments& arguments = parsed.Arguments;
  try {
    switch (arguments.Mode) {
      case RenderMode::Help: out << UsageText(); return ExitSuccess;
      case RenderMode::Version: out << kProgram << ' ' << VANTOREL_VERSION << '\n'; return ExitSuccess;
      case RenderMode::Info:
      case RenderMode::Cards: return PrintHeader(arguments, out, err);
      case RenderMode::Render:
        if (!arguments.OutputDirectory.empty()) return RenderIntoFolder(arguments, err);
        return RenderToFile(arguments, arguments.Frames.front(), arguments.Output, FramesOfRun(arguments.Frames), err)
                   ? ExitSuccess
                   : ExitFailure;
    }
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
  }
  return ExitFailure;
}

}  // namespace vantorel::cli
