// The command line of vantorel-render, parsed into a plain value. Parsing is
// pure: it reads nothing from disk, so every rule can be tested in isolation.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/region_statistics.h"
#include "catalogue/catalogue.h"
#include "export/animation.h"
#include "export/composite.h"
#include "export/export_format.h"
#include "pipeline/render_context.h"

namespace vantorel::cli {

enum class RenderMode {
  Render,
  Info,
  Cards,
  Stats,
  Profile,
  Help,
  Version,
  Catalogue,
  Select,
  Thumbnail,
  Animate,
  Compose
};

// How --select prints what it found.
enum class ListFormat { Paths, Csv, Json };

// As a frame: standard input; as -o: standard output.
inline constexpr std::string_view StandardStream = "-";
// The name of a frame read from standard input without --name.
inline constexpr std::string_view StandardInputName = "stdin";

struct RenderArguments {
  RenderMode Mode = RenderMode::Render;
  // 1 for each option switched on; everything starts off.
  OptionSet Options{};
  ToneSteps Steps;
  // --scale, --curve and --colormap: how BMP and PNG pictures show the grey levels.
  DisplaySettings Display;
  bool Original = false;
  // Exactly one of Output (one frame) and OutputDirectory (any number) is set
  // in Render mode.
  std::string Output;
  std::string OutputDirectory;
  ExportFormat Format = ExportFormat::Bmp;
  // The FITS layout asked for by --standard-fits or --legacy-fits; otherwise
  // the output's extension decides, and --format fits is standard FITS.
  FitsLayoutChoice FitsLayout = FitsLayoutChoice::ByExtension;
  // --info as JSON lines, one object per frame.
  bool Json = false;
  // A file that is not a frame fails rather than rendering with a notice.
  bool Strict = false;
  // --animate: a frame that fails is left out, rather than ending the animation unwritten.
  bool KeepGoing = false;
  // --compose RED GREEN BLUE -o OUT.png: the weights and percentiles of the channels.
  CompositeSettings Composite;
  // Frames rendered at once in folder mode; 0 means one per core.
  int Jobs = 0;
  std::vector<std::string> Frames;
  // --name: the one frame's name in place of its file name (which decides the
  // data set and the stretch); empty when not given.
  std::string Name;
  // No progress and no summary; what went wrong is still said.
  bool Quiet = false;
  // --catalog DB (the frames are the paths to walk) or --select DB.
  std::string CatalogueFile;
  CatalogueSelection Selection;
  ListFormat List = ListFormat::Paths;
  bool NulSeparated = false;  // -0: each path ends with a NUL, not a line end
  // --thumbnail SIZE FRAME OUT: the longer side of the thumbnail, 1..1024;
  // the frame is Frames' one entry, OUT is Output.
  int ThumbnailSize = 0;
  // --animate OUT (Output): frames shown a second.
  int FramesPerSecond = DefaultFramesPerSecond;
  // --crf: a video's constant quality; the encoder's default when not given.
  std::optional<int> VideoCrf{};
  // --stats LINE,SAMPLE,LINES,SAMPLES: a rectangle within the frame.
  FrameRegion StatsRegion;
  // --profile L1,S1,L2,S2: both ends within the frame.
  FramePoint ProfileFrom, ProfileTo;

  bool ToStandardOutput() const { return Output == StandardStream; }
  bool AnyStep() const { return Steps.BrightnessStep != 0 || Steps.ContrastStep != 0 || Steps.GradientStep != 0; }
};

struct ParsedArguments {
  RenderArguments Arguments;
  std::string Error;  // empty when the command line is usable

  bool Ok() const { return Error.empty(); }
};

// args are the arguments after the program name.
ParsedArguments ParseRenderArguments(const std::vector<std::string>& args);

std::string_view UsageText();

}  // namespace vantorel::cli
