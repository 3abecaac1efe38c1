#include "export/png_text.h"

#include <array>
#include <charconv>
#include <string>
#include <string_view>

namespace vantorel {

namespace {

template <typename Lines>
std::string JoinedLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

std::string OptionsText(const OptionSet& options, bool original) {
  if (original) return "Original Image";
  std::string text;
  for (const OptionName& name : OptionNames) {
    if (Entry(options, name.Entry) != 1) continue;
    if (!text.empty()) text += ' ';
    text += name.Word;
  }
  return text.empty() ? "none" : text;
}

std::string CountersText(const ToneSteps& steps) {
  return "brightness " + std::to_string(steps.BrightnessStep) + " contrast " + std::to_string(steps.ContrastStep) +
         " gradient " + std::to_string(steps.GradientStep);
}

std::string Number(double value) {
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc{} ? std::string(text, end) : std::string("?");
}

}  // namespace

std::string DisplayScaleText(const DisplaySettings& display, std::optional<ScaleLimits> limits) {
  if (!display.Scaled()) return {};
  std::string text = "scale ";
  text += NameOf(ScaleModeNames, display.Mode).Word;
  if (display.Mode == ScaleMode::Percentile) {
    text += ':';
    text += Number(display.LowPercent);
    text += ',';
    text += Number(display.HighPercent);
  }
  text += " curve ";
  text += NameOf(ScaleCurveNames, display.Curve).Word;
  if (!limits) return text;
  text += " low ";
  text += Number(limits->Low);
  text += " high ";
  text += Number(limits->High);
  return text;
}

std::string DisplayText(const DisplaySettings& display, std::optional<ScaleLimits> limits) {
  std::string text = DisplayScaleText(display, limits);
  if (display.Map == ColorMap::Grey) return text;
  if (!text.empty()) text += ' ';
  text += "colormap ";
  text += NameOf(ColorMapNames, display.Map).Word;
  return text;
}

PngText PngTextFor(const FrameDocument& document) {
  const HeaderState& header = document.Header();
  const bool mariner9 = header.HeaderKind == DataSet::Mariner9;
  PngText text = {
      {PngFileNameKeyword, document.CurrentFileName()},
      {PngDataSetKeyword, std::string(SpacecraftName(header.HeaderKind))},
      {PngHeaderKeyword, mariner9 ? JoinedLines(header.InfoBox2) : JoinedLines(header.InfoBox)},
      {PngOptionsKeyword, OptionsText(document.ActiveOptions(), document.ShowsOriginal())},
      {PngCountersKeyword, CountersText(document.Steps())},
  };
  if (std::string display = DisplayText(document.Display(), document.DisplayLimits()); !display.empty())
    text.push_back({PngDisplayKeyword, std::move(display)});
  text.push_back({PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION});
  return text;
}

PngText AnimationPngText(const OptionSet& options, bool original, const ToneSteps& steps,
                         const DisplaySettings& display) {
  PngText text = {
      {PngOptionsKeyword, OptionsText(options, original)},
      {PngCountersKeyword, CountersText(steps)},
  };
  if (std::string words = DisplayText(display, std::nullopt); !words.empty())
    text.push_back({PngDisplayKeyword, std::move(words)});
  text.push_back({PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION});
  return text;
}

}  // namespace vantorel
