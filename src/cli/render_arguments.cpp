#include "cli/render_arguments.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <filesystem>

#include "export/thumbnail.h"
#include "output/video_file.h"

namespace vantorel::cli {

namespace {

// Whole argument, optional sign, 32-bit range: "12abc" or "" is not a number.
std::optional<std::int32_t> ParseCounter(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

// --format NAME; fits names standard FITS, the 36-card layout is chosen with --legacy-fits in Validate.
std::optional<ExportFormat> FormatByName(std::string_view name) {
  for (const ExportFormatEntry& entry : ExportFormats)
    if (entry.Name == name && entry.Format != ExportFormat::Fits) return entry.Format;
  return std::nullopt;
}

// The options that only --select takes; its --format and --name mean other things than elsewhere.
constexpr std::array<std::string_view, 10> SelectOptions = {"--data-set", "--camera", "--filter", "--from",   "--to",
                                                            "--fds",      "--name",   "--all",    "--format", "-0"};

std::optional<ListFormat> ListFormatByName(std::string_view name) {
  if (name == "paths") return ListFormat::Paths;
  if (name == "csv") return ListFormat::Csv;
  if (name == "json") return ListFormat::Json;
  return std::nullopt;
}

// "LOW-HIGH" or one number "N".
std::optional<std::pair<std::int64_t, std::int64_t>> FdsRange(std::string_view text) {
  const auto number = [](std::string_view digits) -> std::optional<std::int64_t> {
    std::int64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (digits.empty() || digits.front() == '-' || error != std::errc{} || stop != end) return std::nullopt;
    return value;
  };
  const std::size_t dash = text.find('-');
  const auto low = number(text.substr(0, dash));
  const auto high = dash == std::string_view::npos ? low : number(text.substr(dash + 1));
  if (!low || !high || *low > *high) return std::nullopt;
  return std::pair{*low, *high};
}

// A percentage 0..100: digits with an optional fraction, nothing else.
std::optional<double> ParsePercent(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (text.empty() || text.front() == '-' || text.front() == '+' || error != std::errc{} || stop != end ||
      !(value >= 0 && value <= 100))
    return std::nullopt;
  return value;
}

// "minmax", "zscale", "percentile" or "percentile:LOW,HIGH".
bool TakeScale(std::string_view text, DisplaySettings& display) {
  const std::size_t colon = text.find(':');
  const auto mode = ChoiceByWord(ScaleModeNames, text.substr(0, colon));
  if (!mode || *mode == ScaleMode::None) return false;
  display.Mode = *mode;
  if (colon == std::string_view::npos) return true;
  if (*mode != ScaleMode::Percentile) return false;
  const std::string_view range = text.substr(colon + 1);
  const std::size_t comma = range.find(',');
  if (comma == std::string_view::npos) return false;
  const auto low = ParsePercent(range.substr(0, comma));
  const auto high = ParsePercent(range.substr(comma + 1));
  if (!low || !high || *low >= *high) return false;
  display.LowPercent = *low;
  display.HighPercent = *high;
  return true;
}

// "a, b or c" of a name table's words, leaving out the table's first when asked.
template <typename Names>
std::string Words(const Names& names, std::size_t from = 0) {
  std::string text;
  for (std::size_t i = from; i < names.size(); ++i) {
    if (i > from) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i].Word;
  }
  return text;
}

// "R,G,B": three weights of 0 to 10, with an optional fraction each.
bool TakeWeights(std::string_view text, std::array<double, 3>& weights) {
  for (std::size_t i = 0; i < weights.size(); ++i) {
    const std::size_t comma = i + 1 < weights.size() ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return false;
    const std::string_view number = text.substr(0, comma);
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, weights[i], std::chars_format::fixed);
    if (number.empty() || number.front() == '-' || error != std::errc{} || stop != end || !(weights[i] <= 10))
      return false;
    text.remove_prefix(std::min(text.size(), comma + 1));
  }
  return true;
}

// Four whole numbers separated by commas, nothing else.
std::optional<std::array<int, 4>> FourNumbers(std::string_view text) {
  std::array<int, 4> numbers{};
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const std::size_t comma = i + 1 < numbers.size() ? text.find(',') : text.size();
    if (comma == std::string_view::npos) return std::nullopt;
    const std::string_view digits = text.substr(0, comma);
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, numbers[i]);
    if (digits.empty() || error != std::errc{} || stop != end) return std::nullopt;
    text.remove_prefix(std::min(text.size(), comma + 1));
  }
  return numbers;
}

bool WithinFrame(int line, int sample) {
  return line >= 1 && line <= FrameLines && sample >= 1 && sample <= PictureSamples;
}

bool IsFits(ExportFormat format) { return format == ExportFormat::Fits || format == ExportFormat::StandardFits; }

// Walks the arguments once, collecting what was given; the rules that relate
// several arguments are checked afterwards in Validate.
class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {
    // Known before the first option, so that --format and --name are read as --select means them.
    for (const std::string& arg : args) {
      if (arg == "--") break;
      selectMode_ = selectMode_ || arg == "--select" || arg.starts_with("--select=");
    }
  }

  ParsedArguments Run() {
    while (error_.empty() && next_ < args_.size()) Take(args_[next_++]);
    if (error_.empty()) Validate();
    return {arguments_, error_};
  }

 private:
  void Take(const std::string& arg) {
    if (endOfOptions_ || arg.empty() || arg[0] != '-' || arg == "-") {
      arguments_.Frames.push_back(arg);
      return;
    }
    if (arg == "--") {
      endOfOptions_ = true;
      return;
    }
    // "--name=value" is taken as "--name value".
    std::string name = arg;
    std::optional<std::string> attached;
    if (const std::size_t equals = arg.find('='); arg.starts_with("--") && equals != std::string::npos) {
      name = arg.substr(0, equals);
      attached = arg.substr(equals + 1);
    }
    if (selectMode_) return TakeSelectOption(name, attached);
    if (name == "--catalog") {
      if (auto value = Value(name, attached)) arguments_.CatalogueFile = *value;
      return SetMode(RenderMode::Catalogue, name);
    }
    if (std::find(SelectOptions.begin(), SelectOptions.end(), name) != SelectOptions.end() && name != "--format" &&
        name != "--name")
      return Fail(name + " goes with --select");
    for (const OptionName& option : OptionNames) {
      if (name == option.Flag && !attached) {
        Entry(arguments_.Options, option.Entry) = 1;
        return;
      }
    }
    if (name == "--scale") {
      const auto value = Value(name, attached);
      if (!value) return;
      if (!TakeScale(*value, arguments_.Display))
        return Fail("--scale takes " + Words(ScaleModeNames, 1) +
                    ", percentile as percentile:LOW,HIGH (0 <= LOW < HIGH <= 100), not '" + *value + "'");
      displayGiven_ = true;
      return;
    }
    if (name == "--curve") {
      const auto value = Value(name, attached);
      if (!value) return;
      const auto curve = ChoiceByWord(ScaleCurveNames, *value);
      if (!curve) return Fail("--curve takes " + Words(ScaleCurveNames) + ", not '" + *value + "'");
      arguments_.Display.Curve = *curve;
      curveGiven_ = true;
      return;
    }
    if (name == "--colormap") {
      const auto value = Value(name, attached);
      if (!value) return;
      const auto map = ChoiceByWord(ColorMapNames, *value);
      if (!map) return Fail("--colormap takes " + Words(ColorMapNames) + ", not '" + *value + "'");
      arguments_.Display.Map = *map;
      displayGiven_ = true;
      return;
    }
    if (name == "--brightness") return TakeCounter(name, attached, arguments_.Steps.BrightnessStep);
    if (name == "--contrast") return TakeCounter(name, attached, arguments_.Steps.ContrastStep);
    if (name == "--gradient") return TakeCounter(name, attached, arguments_.Steps.GradientStep);
    if (name == "-o" || name == "--output") {
      if (auto value = Value(name, attached)) arguments_.Output = *value;
      outputGiven_ = true;
      return;
    }
    if (name == "--out-dir") {
      if (auto value = Value(name, attached)) arguments_.OutputDirectory = *value;
      outputDirectoryGiven_ = true;
      return;
    }
    if (name == "--name") {
      if (auto value = Value(name, attached)) arguments_.Name = *value;
      nameGiven_ = true;
      return;
    }
    if (name == "--jobs" || name == "-j") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto jobs = ParseCounter(*text);
      if (!jobs || *jobs < 1) return Fail(name + " needs a whole number of at least 1, not '" + *text + "'");
      arguments_.Jobs = *jobs;
      jobsGiven_ = true;
      return;
    }
    if (name == "--format") {
      auto value = Value(name, attached);
      if (!value) return;
      const auto format = FormatByName(*value);
      if (!format) return Fail("unknown format '" + *value + "' (use bmp, png or fits)");
      arguments_.Format = *format;
      formatGiven_ = true;
      return;
    }
    if (name == "--weights") {
      const auto text = Value(name, attached);
      if (!text) return;
      if (!TakeWeights(*text, arguments_.Composite.Weights))
        return Fail(name + " takes three weights R,G,B from 0 to 10, not '" + *text + "'");
      weightsGiven_ = true;
      return;
    }
    if (name == "--animate") {
      if (auto value = Value(name, attached)) arguments_.Output = *value;
      return SetMode(RenderMode::Animate, name);
    }
    if (name == "--fps") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto fps = ParseCounter(*text);
      if (!fps || *fps < 1 || *fps > MaxFramesPerSecond)
        return Fail(name + " needs a whole number of 1 to " + std::to_string(MaxFramesPerSecond) + ", not '" + *text +
                    "'");
      arguments_.FramesPerSecond = *fps;
      fpsGiven_ = true;
      return;
    }
    if (name == "--crf") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto crf = ParseCounter(*text);
      if (!crf || *crf < 0 || *crf > MaxVideoCrf)
        return Fail(name + " needs a whole number of 0 to " + std::to_string(MaxVideoCrf) + ", not '" + *text + "'");
      arguments_.VideoCrf = *crf;
      return;
    }
    if (name == "--thumbnail") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto size = ParseCounter(*text);
      if (!size || *size < 1 || *size > LargestThumbnailSize)
        return Fail(name + " needs a size of 1 to " + std::to_string(LargestThumbnailSize) + ", not '" + *text + "'");
      arguments_.ThumbnailSize = *size;
      thumbnailArguments_ = attached ? 1 : 2;
      return SetMode(RenderMode::Thumbnail, name);
    }
    if (name == "--stats") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto n = FourNumbers(*text);
      if (!n || !WithinFrame((*n)[0], (*n)[1]) || (*n)[2] < 1 || (*n)[3] < 1 ||
          !WithinFrame((*n)[0] + (*n)[2] - 1, (*n)[1] + (*n)[3] - 1))
        return Fail(name + " takes LINE,SAMPLE,LINES,SAMPLES within lines 1-" + std::to_string(FrameLines) +
                    " and samples 1-" + std::to_string(PictureSamples) + ", not '" + *text + "'");
      arguments_.StatsRegion = {.Shape = RegionShape::Rectangle,
                                .FirstLine = (*n)[0],
                                .FirstSample = (*n)[1],
                                .Lines = (*n)[2],
                                .Samples = (*n)[3]};
      return SetMode(RenderMode::Stats, name);
    }
    if (name == "--profile") {
      const auto text = Value(name, attached);
      if (!text) return;
      const auto n = FourNumbers(*text);
      if (!n || !WithinFrame((*n)[0], (*n)[1]) || !WithinFrame((*n)[2], (*n)[3]))
        return Fail(name + " takes L1,S1,L2,S2 within lines 1-" + std::to_string(FrameLines) + " and samples 1-" +
                    std::to_string(PictureSamples) + ", not '" + *text + "'");
      arguments_.ProfileFrom = {(*n)[0], (*n)[1]};
      arguments_.ProfileTo = {(*n)[2], (*n)[3]};
      return SetMode(RenderMode::Profile, name);
    }
    if (attached) return Fail("unknown option '" + arg + "'");
    if (name == "--standard-fits") return ChooseFitsLayout(name, FitsLayoutChoice::Standard);
    if (name == "--legacy-fits") return ChooseFitsLayout(name, FitsLayoutChoice::CardLayout);
    if (name == "--json") {
      arguments_.Json = true;
      return;
    }
    if (name == "--quiet" || name == "-q") {
      arguments_.Quiet = true;
      return;
    }
    if (name == "--strict") {
      arguments_.Strict = true;
      return;
    }
    if (name == "--keep-going") {
      arguments_.KeepGoing = true;
      return;
    }
    if (name == "--original") {
      arguments_.Original = true;
      return;
    }
    if (name == "--info") return SetMode(RenderMode::Info, name);
    if (name == "--compose") return SetMode(RenderMode::Compose, name);
    if (name == "--cards") return SetMode(RenderMode::Cards, name);
    if (name == "--help" || name == "-h") return SetMode(RenderMode::Help, name);
    if (name == "--version") return SetMode(RenderMode::Version, name);
    Fail("unknown option '" + arg + "'");
  }

  // Everything --select takes; nothing else goes with it.
  void TakeSelectOption(const std::string& name, const std::optional<std::string>& attached) {
    CatalogueSelection& selection = arguments_.Selection;
    const auto text = [&](std::optional<std::string>& into) {
      if (auto value = Value(name, attached)) into = *value;
    };
    if (name == "--select") {
      if (auto value = Value(name, attached)) arguments_.CatalogueFile = *value;
      return SetMode(RenderMode::Select, name);
    }
    if (name == "--data-set") return text(selection.DataSet);
    if (name == "--filter") return text(selection.Filter);
    if (name == "--name") return text(selection.NameGlob);
    if (name == "--camera") {
      text(selection.Camera);
      if (selection.Camera && *selection.Camera != "A" && *selection.Camera != "B" && *selection.Camera != "a" &&
          *selection.Camera != "b")
        Fail("--camera takes A or B, not '" + *selection.Camera + "'");
      return;
    }
    if (name == "--from" || name == "--to") {
      const auto value = Value(name, attached);
      if (!value) return;
      const auto time = SelectionTime(*value);
      if (!time)
        return Fail(name + " takes a time as 1974-03-30, 1974-089 or 1974-03-30T20:47:13, not '" + *value + "'");
      (name == "--from" ? selection.From : selection.To) = time;
      return;
    }
    if (name == "--fds") {
      const auto value = Value(name, attached);
      if (!value) return;
      const auto range = FdsRange(*value);
      if (!range) return Fail("--fds takes LOW-HIGH or one number, not '" + *value + "'");
      selection.FdsLow = range->first;
      selection.FdsHigh = range->second;
      return;
    }
    if (name == "--format") {
      const auto value = Value(name, attached);
      if (!value) return;
      const auto format = ListFormatByName(*value);
      if (!format) return Fail("unknown format '" + *value + "' for --select (use paths, csv or json)");
      arguments_.List = *format;
      return;
    }
    if (attached) return Fail("unknown option '" + name + "=" + *attached + "'");
    if (name == "--all") {
      selection.All = true;
      return;
    }
    if (name == "-0") {
      arguments_.NulSeparated = true;
      return;
    }
    Fail("--select takes only its filters, --all, --format and -0, not '" + name + "'");
  }

  // The value of an option: after '=' or the next argument, whatever it looks like,
  // so that "--brightness -40" works.
  std::optional<std::string> Value(const std::string& name, const std::optional<std::string>& attached) {
    if (attached) return attached;
    if (next_ >= args_.size()) {
      Fail(name + " needs a value");
      return std::nullopt;
    }
    return args_[next_++];
  }

  void TakeCounter(const std::string& name, const std::optional<std::string>& attached, std::int32_t& counter) {
    const auto text = Value(name, attached);
    if (!text) return;
    const auto value = ParseCounter(*text);
    if (!value) return Fail(name + " needs a whole number, not '" + *text + "'");
    counter = *value;
    anyCounterGiven_ = true;
  }

  void ChooseFitsLayout(const std::string& name, FitsLayoutChoice layout) {
    if (fitsLayoutName_ && *fitsLayoutName_ != name)
      return Fail(*fitsLayoutName_ + " and " + name + " cannot be combined");
    arguments_.FitsLayout = layout;
    fitsLayoutName_ = name;
  }

  void SetMode(RenderMode mode, const std::string& name) {
    if (modeName_ && *modeName_ != name) return Fail(*modeName_ + " and " + name + " cannot be combined");
    arguments_.Mode = mode;
    modeName_ = name;
  }

  void Validate() {
    RenderArguments& a = arguments_;
    if ((fpsGiven_ || a.KeepGoing) && a.Mode != RenderMode::Animate)
      return Fail(std::string(fpsGiven_ ? "--fps" : "--keep-going") + " goes with --animate");
    if (a.VideoCrf && !(a.Mode == RenderMode::Animate && VideoContainerFor(a.Output)))
      return Fail("--crf goes with --animate to an .mp4 or .webm file");
    if (a.Mode == RenderMode::Select) {
      if (!a.Frames.empty()) return Fail("--select takes no files: '" + a.Frames.front() + "'");
      if (a.NulSeparated && a.List != ListFormat::Paths) return Fail("-0 goes with --format paths");
      return;
    }
    if (curveGiven_ && !a.Display.Scaled()) return Fail("--curve goes with --scale");
    if (a.Mode == RenderMode::Catalogue) {
      const bool anyOption = std::any_of(a.Options.begin(), a.Options.end(), [](int on) { return on == 1; });
      if (anyOption || anyCounterGiven_ || displayGiven_ || a.Original || outputGiven_ || outputDirectoryGiven_ ||
          formatGiven_ || jobsGiven_ || fitsLayoutName_ || a.Json || a.Strict || nameGiven_)
        return Fail("--catalog takes only files, folders and --quiet");
      if (a.Frames.empty()) return Fail("--catalog needs a file or folder to walk");
      return;
    }
    if (a.Mode == RenderMode::Help || a.Mode == RenderMode::Version) {
      if (args_.size() != 1) Fail(*modeName_ + " takes no other arguments");
      return;
    }
    if (a.Mode == RenderMode::Thumbnail) {
      // What file managers run: nothing but the frame and the file to write.
      const std::size_t given = thumbnailArguments_ + a.Frames.size() + (endOfOptions_ ? 1 : 0);
      if (given != args_.size() || a.Frames.size() != 2) return Fail("--thumbnail takes a size, a frame and an output");
      if (a.Frames[0] == StandardStream || a.Frames[1] == StandardStream)
        return Fail("--thumbnail reads a file and writes a file, not '-'");
      a.Output = a.Frames[1];
      a.Frames.pop_back();
      return;
    }
    if (a.Mode == RenderMode::Animate) return ValidateAnimation();
    if (weightsGiven_ && a.Mode != RenderMode::Compose) return Fail("--weights goes with --compose");
    if (a.Mode == RenderMode::Compose) return ValidateComposite();
    if (std::count(a.Frames.begin(), a.Frames.end(), StandardStream) > 1)
      return Fail("'-' (standard input) can be read only once");
    if (nameGiven_ && (a.Frames.size() != 1 || a.Name.empty() || a.Name.find('/') != std::string::npos))
      return Fail("--name takes a file name (no '/') and exactly one frame");
    const bool anyOption = std::any_of(a.Options.begin(), a.Options.end(), [](int on) { return on == 1; });
    if (a.Json && a.Mode != RenderMode::Info) return Fail("--json goes with --info");
    if (a.Mode == RenderMode::Info || a.Mode == RenderMode::Cards || a.Mode == RenderMode::Stats ||
        a.Mode == RenderMode::Profile) {
      // --info counts the special pixels of a render, --stats and --profile read
      // its shown values: they take what sets one up.
      const bool renderGiven = anyOption || anyCounterGiven_ || a.Original;
      if (outputGiven_ || outputDirectoryGiven_ || formatGiven_ || jobsGiven_ || fitsLayoutName_)
        return Fail(*modeName_ + " takes only a frame" + (a.Mode != RenderMode::Cards ? " and render options" : ""));
      if ((renderGiven || displayGiven_) && a.Mode == RenderMode::Cards)
        return Fail(*modeName_ + " takes only a frame");
      if (a.Original && (anyOption || anyCounterGiven_))
        return Fail("--original cannot be combined with options or counters");
      if (a.Json) {
        if (a.Frames.empty()) return Fail("--info --json needs a frame");
        return;
      }
      if (a.Frames.size() != 1) return Fail(*modeName_ + " takes exactly one frame");
      return;
    }
    if (a.Original && (anyOption || anyCounterGiven_))
      return Fail("--original cannot be combined with options or counters");
    if (a.Frames.empty()) return Fail("no frame given");
    if (outputGiven_ && outputDirectoryGiven_) return Fail("-o and --out-dir cannot be combined");
    if (outputGiven_ && a.ToStandardOutput()) {
      if (a.Frames.size() != 1) return Fail("-o - takes exactly one frame");
      return TakeFitsLayout();
    }
    if (outputGiven_) {
      if (formatGiven_) return Fail("--format goes with --out-dir or -o -; with -o FILE the extension decides");
      if (a.Frames.size() != 1) return Fail("-o takes exactly one frame; use --out-dir for several");
      const auto format = ExportFormatFor(a.Output, a.FitsLayout);
      if (!format) return Fail("cannot tell the format of '" + a.Output + "' (use .bmp, .png, .fit or .fits)");
      a.Format = *format;
      if (fitsLayoutName_ && !IsFits(a.Format))
        return Fail(*fitsLayoutName_ + " writes FITS: the output must end in .fit or .fits");
      return;
    }
    if (outputDirectoryGiven_) {
      if (a.OutputDirectory.empty()) return Fail("--out-dir needs a folder");
      return TakeFitsLayout();
    }
    Fail("no output given (-o OUT or --out-dir DIR)");
  }

  void ValidateComposite() {
    RenderArguments& a = arguments_;
    if (a.Frames.size() != 3) return Fail("--compose takes three frames: red, green and blue");
    // A PNG picture or a standard FITS cube, by the output's extension.
    const auto format = outputGiven_ && !a.ToStandardOutput() ? ExportFormatFor(a.Output, a.FitsLayout) : std::nullopt;
    const bool writable = format.has_value() && (*format == ExportFormat::Png || *format == ExportFormat::StandardFits);
    if (outputDirectoryGiven_ || formatGiven_ || a.Json || nameGiven_ || !writable)
      return Fail("--compose writes an RGB PNG or a standard FITS cube: -o OUT.png or -o OUT.fits");
    a.Format = format.value_or(ExportFormat::Png);
    if (std::find(a.Frames.begin(), a.Frames.end(), StandardStream) != a.Frames.end())
      return Fail("--compose reads its frames from files, not '-'");
    const bool anyOption = std::any_of(a.Options.begin(), a.Options.end(), [](int on) { return on == 1; });
    if (a.Original && (anyOption || anyCounterGiven_))
      return Fail("--original cannot be combined with options or counters");
    // Each channel is stretched between percentiles of its own: --scale may give them.
    if (a.Display.Scaled() && a.Display.Mode != ScaleMode::Percentile)
      return Fail("--compose stretches each channel between percentiles: --scale percentile:LOW,HIGH");
    if (a.Display.Scaled()) {
      a.Composite.LowPercent = a.Display.LowPercent;
      a.Composite.HighPercent = a.Display.HighPercent;
    }
  }

  void ValidateAnimation() {
    const RenderArguments& a = arguments_;
    if (outputGiven_ || outputDirectoryGiven_ || formatGiven_ || fitsLayoutName_ || a.Json || nameGiven_)
      return Fail("--animate takes frames, render options, --fps, --crf, --keep-going, --jobs, --strict and --quiet");
    const bool anyOption = std::any_of(a.Options.begin(), a.Options.end(), [](int on) { return on == 1; });
    if (a.Original && (anyOption || anyCounterGiven_))
      return Fail("--original cannot be combined with options or counters");
    if (std::find(a.Frames.begin(), a.Frames.end(), StandardStream) != a.Frames.end())
      return Fail("--animate reads frames from files; give their names on standard input instead of '-'");
    std::string extension = std::filesystem::path(a.Output).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const std::optional<VideoContainer> video = VideoContainerFor(a.Output);
    if (extension != ".png" && extension != ".apng" && !video)
      return Fail("cannot tell the animation format of '" + a.Output + "' (use .png, .apng, .mp4 or .webm)");
    if (video == VideoContainer::Mp4 && a.VideoCrf > MaxH264Crf)
      return Fail("--crf for MP4 (H.264) takes 0 to " + std::to_string(MaxH264Crf));
  }

  // Where --format names the format: a FITS layout asked for goes with fits.
  void TakeFitsLayout() {
    RenderArguments& a = arguments_;
    if (fitsLayoutName_ && !IsFits(a.Format)) return Fail(*fitsLayoutName_ + " goes with --format fits");
    if (a.FitsLayout == FitsLayoutChoice::CardLayout) a.Format = ExportFormat::Fits;
  }

  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  RenderArguments arguments_;
  std::string error_;
  std::optional<std::string> modeName_;
  std::optional<std::string> fitsLayoutName_;
  bool endOfOptions_ = false;
  bool selectMode_ = false;
  bool outputGiven_ = false;
  bool outputDirectoryGiven_ = false;
  bool formatGiven_ = false;
  bool jobsGiven_ = false;
  bool nameGiven_ = false;
  bool anyCounterGiven_ = false;
  bool fpsGiven_ = false;
  bool weightsGiven_ = false;
  bool displayGiven_ = false;  // --scale or --colormap
  bool curveGiven_ = false;
  std::size_t thumbnailArguments_ = 0;
};

}  // namespace

ParsedArguments ParseRenderArguments(const std::vector<std::string>& args) {
  if (args.empty()) return {RenderArguments{}, "no arguments"};
  return Parser(args).Run();
}

std::string_view UsageText() {
  return R"(Usage: vantorel-render [OPTIONS] FRAME -o OUT
  or:  vantorel-render [OPTIONS] FRAME -o - [--format bmp|png|fits] >OUT
  or:  vantorel-render [OPTIONS] --out-dir DIR [--format bmp|png|fits] FRAME...
  or:  vantorel-render [OPTIONS] --legacy-fits FRAME -o OUT.fits
  or:  vantorel-render [OPTIONS] --legacy-fits --out-dir DIR --format fits FRAME...
  or:  vantorel-render [OPTIONS] --info FRAME
  or:  vantorel-render [OPTIONS] --info --json FRAME...
  or:  vantorel-render [OPTIONS] --stats LINE,SAMPLE,LINES,SAMPLES FRAME
  or:  vantorel-render [OPTIONS] --profile L1,S1,L2,S2 FRAME
  or:  vantorel-render --cards FRAME
  or:  vantorel-render --catalog DB [--quiet] PATH...
  or:  vantorel-render --select DB [FILTERS] [--all] [--format paths|csv|json] [-0]
  or:  vantorel-render --thumbnail SIZE FRAME OUT.png
  or:  vantorel-render [OPTIONS] --animate OUT.png|OUT.mp4|OUT.webm [--fps N] [--crf N] [FRAME...]
  or:  vantorel-render [OPTIONS] --compose RED GREEN BLUE -o OUT.png|OUT.fits [--weights R,G,B]
  or:  vantorel-render --help | --version
Renders raw Mariner 10 and Mariner 9 image frames as the window shows them,
or prints what their headers say.

FRAME is a file, a pipe or FIFO (read up to the size of a frame), or - for
standard input (once a run).

options (all off by default):
  --stretch --despeckle --reconstruct --flip --rotate --sharpen --invert --minimize --colorize
                   switch that processing option on
  --brightness N   brightness step (the program steps it by 20)
  --contrast N     contrast step
  --gradient N     gradient step
  --scale minmax|percentile[:LOW,HIGH]|zscale
                   show the picture's grey levels stretched between limits
                   found over its samples (not the lines a short file lacks,
                   nor the grey around a half-size picture): the smallest and
                   largest, the LOW and HIGH percentiles (default 0.5,99.5),
                   or IRAF's z-scale (1000 samples, contrast 0.25); BMP and
                   PNG show it, FITS keeps the grey levels (HISTORY notes it)
  --curve linear|log|sqrt|asinh|histeq
                   with --scale: the curve between the limits (default
                   linear; histeq equalizes the histogram between them)
  --colormap grey|viridis|magma|inferno|cividis|heat|cool
                   colour the grey levels of BMP and PNG pictures (default
                   grey); --colorize, where it colours, takes precedence
  --original       render the frame as loaded, only turned the right way up
                   (not with any option or step)
  -o, --output OUT write one frame in the format its extension names, in any
                   case: .bmp, .png, .fits (standard FITS) or .fit (FITS in the
                   36-card layout); -o - writes it to standard output (never to
                   a terminal) in --format (default bmp)
  --out-dir DIR    write DIR/<frame name>.<extension> for every frame (default
                   format bmp; fits writes standard FITS as .fits files)
  -j, --jobs N     with --out-dir, render N frames at once (default: one per core;
                   at most four per core, fewer when few more files may be opened)
  --name NAME      the one frame's name in place of its file name ("stdin" for
                   -): the name decides the data set (MME...: Mariner 9) and
                   the stretch, and is written into PNG and FITS files
  -q, --quiet      no progress and no summary; what went wrong is still said
  --legacy-fits    write FITS in the 36-card layout (36 header cards, then the
                   plane, no padding) whatever the FITS name; in .fit files with
                   --format fits
  --standard-fits  write standard FITS (CFITSIO) even to a .fit name: the picture
                   with keywords from the header, the processing as HISTORY, the
                   header record in an ENGHDR extension, checksums
  --info FRAME     print the header texts of the Info box, then a line counting
                   the missing (0), saturated (255) and replaced pixels of the
                   frame rendered with the options, counters or --original given
  --json           with --info: one JSON object per frame, one per line (JSON
                   lines), in the order given, a frame that failed included
                   (with its "error"); every object has the same keys, described
                   by share/vantorel/vantorel.frame-1.schema.json; bytes of a
                   file name that are not UTF-8 become U+FFFD
  --cards FRAME    print the 36 FITS header cards
  --stats LINE,SAMPLE,LINES,SAMPLES
                   print one JSON object of the statistics of a rectangle of
                   the frame (1-based lines and samples): count, mean, median,
                   std (population), min and max of its raw samples ("raw")
                   and of the picture pixels showing it as rendered with the
                   options given ("shown"; on a half-size picture, those whose
                   2 x 2 block starts in it), "missing" (samples 0 or on lines
                   the file lacks) and "saturated" (samples 255)
  --profile L1,S1,L2,S2
                   print as CSV (index,line,sample,raw,shown) the frame samples
                   nearest the line from line L1, sample S1 to line L2, sample
                   S2, one a step, with the picture's level showing each; a
                   value there is none of is left empty
  --thumbnail SIZE FRAME OUT.png
                   write a PNG thumbnail of FRAME, its longer side SIZE pixels
                   (1 to 1024; file managers ask for 128 or 256), in one look
                   (reconstruct, despeckle, stretch), with the Thumbnail
                   Managing Standard's Thumb::URI and Thumb::MTime; reads at
                   most a frame's bytes of a regular file, writes only OUT.png
  --animate OUT   write the frames, each rendered with the options, in the
                   order given as one animation: an animated PNG that loops
                   (.png or .apng, lossless), H.264 video in MP4 (.mp4) or VP9
                   video in WebM (.webm); without FRAMEs, their names are read
                   NUL-separated from standard input (--select DB -0 |
                   vantorel-render ...); a frame that fails ends the run
                   with no file written, unless --keep-going
  --fps N          frames a second of the animation (1 to 120, default 10)
  --keep-going     with --animate, leave out a frame that fails, say so and
                   go on (exit status 1)
  --compose RED GREEN BLUE
                   write a colour composite of three frames, each rendered
                   with the options and stretched between its own percentiles
                   (0.5 and 99.5, or --scale percentile:LOW,HIGH), the green and
                   the blue aligned to the red by phase correlation, as an RGB
                   PNG (-o OUT.png) or a standard FITS cube of the three
                   aligned planes, unstretched, with each plane's frame,
                   filter and offset (-o OUT.fits); prints "offset FILE LINES SAMPLES" for the
                   green and the blue frame: where its picture lies relative to
                   the red's, in frame lines and samples (to a tenth when not
                   whole)
  --weights R,G,B  with --compose, multiply each channel's levels (0 to 10,
                   default 1,1,1)
  --crf N          a video's constant quality, lower is better, 0 lossless:
                   0 to 51 for MP4 (default 15), 0 to 63 for WebM (default 8)
  --strict         a file that is not a frame (not of a frame's size) fails like
                   one that cannot be read: nothing written for it, exit status 1;
                   without it, it renders black or partly, with a note on
                   standard error

catalogue:
  --catalog DB     bring the SQLite catalogue DB (made when new) up to date with
                   the files under each PATH (files and folders, recursively): a
                   row per file with its path, size, time, whether it is a frame
                   and its header; unchanged files (same size and time) are not
                   read again, rows of files gone from under PATH are removed; a
                   file that is not a catalogue is never written
  --select DB      print the frames of catalogue DB that match every filter:
    --data-set ID    NSSDC id (PSPA-00108, PSPG-00235) or header code (MVM73)
    --camera A|B     the camera
    --filter NAME    the filter's name (Clear, ORANGE ...), in any case
    --from TIME      observed at or after TIME: 1974-03-30, 1974-089 (day of
    --to TIME        the year) or 1974-03-30T20:47:13; --to takes in all of TIME
    --fds LOW-HIGH   FDS count (Mariner 10) or picture number (Mariner 9)
    --name GLOB      the file name, as the shell matches it (MVE*.012)
    --all            files that are not frames too
    --format F       paths (one a line, the default), csv (a header row, quoted
                     as RFC 4180) or json (JSON lines with the keys of --info
                     --json that the catalogue holds)
    -0               end each path with a NUL, for xargs -0

progress: --out-dir says "[i/n] NAME" as each frame is written, or on a
terminal keeps one line up to date (done, total, frames a second, time left);
a run of several frames ends with "W written, F failed, S skipped in T s"
(skipped: refused unread, being an output of the same run or having its
output name taken by an earlier frame). --catalog says "[i/n] PATH" for each
file it reads and ends with "N added, C changed, R removed, U unchanged in T s".

exit status:
  0    all written (or the text asked for printed)
  1    some frames failed: not read, not rendered, not written or skipped;
       a file or folder could not be read into the catalogue, or the catalogue
       could not be used
  2    a usage error
  130  stopped by SIGINT or SIGTERM: the frames begun were written whole, no
       further frame was begun (the catalogue keeps what was read so far)
)";
}

}  // namespace vantorel::cli
