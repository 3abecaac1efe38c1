#include "viewer/png_text.h"

#include <array>
#include <string>
#include <string_view>

namespace vantorel {

namespace {

// In the order of OptionSet and named as vantorel-render's switches, so that a
// reader can render the picture again from the text.
constexpr std::array<std::string_view, OptionCount> OptionNames = {
    "stretch", "despeckle", "reconstruct", "flip", "rotate", "sharpen", "invert", "minimize", "colorize",
};

template <typename Lines>
std::string JoinedLines(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += '\n';
    text += line;
  }
  return text;
}

std::string OptionsText(const FrameDocument& document) {
  if (document.ShowsOriginal()) return "Original Image";
  std::string text;
  for (int i = 0; i < OptionCount; ++i) {
    if (document.ActiveOptions()[std::size_t(i)] != 1) continue;
    if (!text.empty()) text += ' ';
    text += OptionNames[std::size_t(i)];
  }
  return text.empty() ? "none" : text;
}

std::string CountersText(const ToneSteps& steps) {
  return "brightness " + std::to_string(steps.BrightnessStep) + " contrast " + std::to_string(steps.ContrastStep) +
         " gradient " + std::to_string(steps.GradientStep);
}

}  // namespace

PngText PngTextFor(const FrameDocument& document) {
  const HeaderState& header = document.Header();
  const bool mariner9 = header.HeaderKind == DataSet::Mariner9;
  return {
      {PngFileNameKeyword, document.CurrentFileName()},
      {PngDataSetKeyword, mariner9 ? "Mariner 9" : "Mariner 10"},
      {PngHeaderKeyword, mariner9 ? JoinedLines(header.InfoBox2) : JoinedLines(header.InfoBox)},
      {PngOptionsKeyword, OptionsText(document)},
      {PngCountersKeyword, CountersText(document.Steps())},
      {PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION},
  };
}

}  // namespace vantorel
