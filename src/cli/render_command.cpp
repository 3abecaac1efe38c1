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

// One load with the options on, then the render the arguments ask for.
// Nothing when the frame could not be read; a short or empty file is read.
std::optional<Picture> LoadAndRender(FrameDocument& document, const RenderArguments& arguments,
                                     const std::string& frame, std::ostream& err) {
  Picture picture = document.Load(frame, arguments.Options);
  if (!document.ReadError().empty()) {
    err << kProgram << ": cannot read " << frame << ": " << document.ReadError() << '\n';
    return std::nullopt;
  }
  if (arguments.Original) return document.ShowOriginalImage();
  if (arguments.AnyStep()) return document.RenderWithSteps(arguments.Steps);
  return picture;
}

std::optional<std::vector<std::uint8_t>> EncodeOutput(const FrameDocument& document, const Picture& picture,
                                                      const RenderArguments& arguments) {
  switch (arguments.Format) {
    case OutputFormat::Bmp: return picture.Bmp;
    case OutputFormat::Png: return BuildPngFile(picture.Bmp, PngTextFor(document));
    case OutputFormat::Fits:
      if (arguments.StandardFits) {
        StandardFitsFile file = BuildStandardFitsFileFor(document);
        if (file.Bytes.empty()) return std::nullopt;
        return std::move(file.Bytes);
      }
      return BuildFitsFile(document.LabelCards(), document.FitsPlane());
  }
  return std::nullopt;
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

// Renders one frame into one file; the file is replaced only when complete.
bool RenderToFile(const RenderArguments& arguments, const std::string& frame, const std::string& output,
                  const FramesOfRun& frames, std::ostream& err) {
  if (const std::string* read = frames.FrameAt(output)) {
    err << kProgram << ": cannot write " << output << ": it is the frame " << *read << " of this run\n";
    return false;
  }
  FrameDocument document;
  const std::optional<Picture> picture = LoadAndRender(document, arguments, frame, err);
  if (!picture) return false;
  const auto bytes = EncodeOutput(document, *picture, arguments);
  if (!bytes) {
    err << kProgram << ": cannot write " << output << ": the picture could not be encoded\n";
    return false;
  }
  const SaveOutcome outcome = SaveFileAtomically(output, {std::span<const std::uint8_t>(*bytes)});
  if (!outcome.Saved) {
    err << kProgram << ": cannot write " << output << ": " << outcome.Error << '\n';
    return false;
  }
  return true;
}

// An allocation failure or similar ends this frame only.
bool RenderToFileGuarded(const RenderArguments& arguments, const std::string& frame, const std::string& output,
                         const FramesOfRun& frames, std::ostream& err) {
  try {
    return RenderToFile(arguments, frame, output, frames, err);
  } catch (const std::exception& error) {
    err << kProgram << ": " << frame << ": " << error.what() << '\n';
    return false;
  }
}

// What one frame of folder mode came to: whether it was written, and the
// messages it would have printed.
struct FrameOutcome {
  bool Written = false;
  std::string Messages;
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

int RenderIntoFolder(const RenderArguments& arguments, std::ostream& err) {
  std::error_code ignored;
  if (!std::filesystem::is_directory(arguments.OutputDirectory, ignored)) {
    err << kProgram << ": cannot write into " << arguments.OutputDirectory << ": not a folder\n";
    return ExitFailure;
  }
  const std::vector<std::string>& frames = arguments.Frames;
  const std::vector<FolderOutput> outputs = FolderOutputs(arguments);
  const FramesOfRun framesOfRun(frames);
  const std::function<FrameOutcome(std::size_t)> render = [&](std::size_t i) {
    std::ostringstream messages;
    const FolderOutput& output = outputs[i];
    if (output.TakenEarlier) {
      messages << kProgram << ": cannot write " << output.Path << ": an earlier frame of the same name went there\n";
      return FrameOutcome{false, messages.str()};
    }
    const bool written = RenderToFileGuarded(arguments, frames[i], output.Path, framesOfRun, messages);
    return FrameOutcome{written, messages.str()};
  };
  bool anyFailed = false;
  const std::function<void(std::size_t, FrameOutcome &&)> report = [&](std::size_t i, FrameOutcome&& outcome) {
    const std::string name(FileNamePart(frames[i]));
    err << '[' << (i + 1) << '/' << frames.size() << "] " << (name.empty() ? frames[i] : name) << '\n'
        << outcome.Messages << std::flush;
    anyFailed = anyFailed || !outcome.Written;
  };
  RunInOrder(frames.size(), JobsFor(arguments), render, report);
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
    FrameDocument document;
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
        return RenderToFileGuarded(arguments, arguments.Frames.front(), arguments.Output, FramesOfRun(arguments.Frames),
                                   err)
                   ? ExitSuccess
                   : ExitFailure;
    }
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
  }
  return ExitFailure;
}

}  // namespace vantorel::cli
