#include "cli/render_arguments.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

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

// --format NAME; standard FITS is the fits entry with --standard-fits, chosen in Validate.
std::optional<ExportFormat> FormatByName(std::string_view name) {
  for (const ExportFormatEntry& entry : ExportFormats)
    if (entry.Name == name && entry.Format != ExportFormat::StandardFits) return entry.Format;
  return std::nullopt;
}

// Walks the arguments once, collecting what was given; the rules that relate
// several arguments are checked afterwards in Validate.
class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

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
    for (const OptionName& option : OptionNames) {
      if (name == option.Flag && !attached) {
        Entry(arguments_.Options, option.Entry) = 1;
        return;
      }
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
    if (attached) return Fail("unknown option '" + arg + "'");
    if (name == "--standard-fits") {
      arguments_.StandardFits = true;
      return;
    }
    if (name == "--json") {
      arguments_.Json = true;
      return;
    }
    if (name == "--strict") {
      arguments_.Strict = true;
      return;
    }
    if (name == "--original") {
      arguments_.Original = true;
      return;
    }
    if (name == "--info") return SetMode(RenderMode::Info, name);
    if (name == "--cards") return SetMode(RenderMode::Cards, name);
    if (name == "--help" || name == "-h") return SetMode(RenderMode::Help, name);
    if (name == "--version") return SetMode(RenderMode::Version, name);
    Fail("unknown option '" + arg + "'");
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

  void SetMode(RenderMode mode, const std::string& name) {
    if (modeName_ && *modeName_ != name) return Fail(*modeName_ + " and " + name + " cannot be combined");
    arguments_.Mode = mode;
    modeName_ = name;
  }

  void Validate() {
    RenderArguments& a = arguments_;
    if (a.Mode == RenderMode::Help || a.Mode == RenderMode::Version) {
      if (args_.size() != 1) Fail(*modeName_ + " takes no other arguments");
      return;
    }
    const bool anyOption = std::any_of(a.Options.begin(), a.Options.end(), [](int on) { return on == 1; });
    if (a.Json && a.Mode != RenderMode::Info) return Fail("--json goes with --info");
    if (a.Mode == RenderMode::Info || a.Mode == RenderMode::Cards) {
      // --info counts the special pixels of a render, so it takes what sets one up.
      const bool renderGiven = anyOption || anyCounterGiven_ || a.Original;
      if (outputGiven_ || outputDirectoryGiven_ || formatGiven_ || jobsGiven_ || a.StandardFits)
        return Fail(*modeName_ + " takes only a frame" + (a.Mode == RenderMode::Info ? " and render options" : ""));
      if (renderGiven && a.Mode == RenderMode::Cards) return Fail(*modeName_ + " takes only a frame");
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
    if (outputGiven_) {
      if (formatGiven_) return Fail("--format goes with --out-dir; with -o the extension decides");
      if (a.Frames.size() != 1) return Fail("-o takes exactly one frame; use --out-dir for several");
      const auto format = ExportFormatFor(a.Output, a.StandardFits);
      if (!format) return Fail("cannot tell the format of '" + a.Output + "' (use .bmp, .png, .fit or .fits)");
      a.Format = *format;
      if (a.StandardFits && a.Format != ExportFormat::StandardFits)
        return Fail("--standard-fits writes FITS: the output must end in .fit or .fits");
      return;
    }
    if (outputDirectoryGiven_) {
      if (a.OutputDirectory.empty()) return Fail("--out-dir needs a folder");
      if (a.StandardFits && a.Format != ExportFormat::Fits) return Fail("--standard-fits goes with --format fits");
      if (a.StandardFits) a.Format = ExportFormat::StandardFits;
      return;
    }
    Fail("no output given (-o OUT or --out-dir DIR)");
  }

  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  RenderArguments arguments_;
  std::string error_;
  std::optional<std::string> modeName_;
  bool endOfOptions_ = false;
  bool outputGiven_ = false;
  bool outputDirectoryGiven_ = false;
  bool formatGiven_ = false;
  bool jobsGiven_ = false;
  bool anyCounterGiven_ = false;
};

}  // namespace

ParsedArguments ParseRenderArguments(const std::vector<std::string>& args) {
  if (args.empty()) return {RenderArguments{}, "no arguments"};
  return Parser(args).Run();
}

std::string_view UsageText() {
  return R"(usage:
  vantorel-render [OPTIONS] FRAME -o OUT
  vantorel-render [OPTIONS] --out-dir DIR [--format bmp|png|fits] FRAME...
  vantorel-render [OPTIONS] --standard-fits FRAME -o OUT.fits
  vantorel-render [OPTIONS] --standard-fits --out-dir DIR --format fits FRAME...
  vantorel-render [OPTIONS] --info FRAME
  vantorel-render [OPTIONS] --info --json FRAME...
  vantorel-render --cards FRAME
  vantorel-render --help | --version

options (all off by default):
  --stretch --despeckle --reconstruct --flip --rotate --sharpen --invert --minimize --colorize
                   switch that processing option on
  --brightness N   brightness step (the program steps it by 20)
  --contrast N     contrast step
  --gradient N     gradient step
  --original       render the frame as loaded, only turned the right way up
                   (not with any option or step)
  -o, --output OUT write one frame; .bmp, .png, .fit or .fits decides the format
  --out-dir DIR    write DIR/<frame name>.<format> for every frame (default format bmp)
  -j, --jobs N     with --out-dir, render N frames at once (default: one per core;
                   at most four per core, fewer when few more files may be opened)
  --standard-fits  write standard FITS (CFITSIO): the picture with keywords from
                   the header, the processing as HISTORY, the header record in an
                   ENGHDR extension, checksums; only with a .fit/.fits output or
                   --format fits (without it, FITS is the 36-card file)
  --info FRAME     print the header texts of the Info box, then a line counting
                   the missing (0), saturated (255) and replaced pixels of the
                   frame rendered with the options, counters or --original given
  --json           with --info: one JSON object per frame, one per line (JSON
                   lines), in the order given, a frame that failed included
                   (with its "error"); every object has the same keys, described
                   by share/vantorel/vantorel.frame-1.schema.json; bytes of a
                   file name that are not UTF-8 become U+FFFD
  --cards FRAME    print the 36 FITS header cards
  --strict         a file that is not a frame (not of a frame's size) fails like
                   one that cannot be read: nothing written for it, exit status 1;
                   without it, it renders black or partly, with a note on
                   standard error

exit status: 0 all written, 1 a frame could not be read or an output not written,
2 a usage error, 130 stopped by SIGINT or SIGTERM (frames begun were written whole,
no further frame was begun)
)";
}

}  // namespace vantorel::cli
