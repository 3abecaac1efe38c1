#include "export/png_text.h"

#include <array>
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

}  // namespace

PngText PngTextFor(const FrameDocument& document) {
  const HeaderState& header = document.Header();
  const bool mariner9 = header.HeaderKind == DataSet::Mariner9;
  return {
      {PngFileNameKeyword, document.CurrentFileName()},
      {PngDataSetKeyword, std::string(SpacecraftName(header.HeaderKind))},
      {PngHeaderKeyword, mariner9 ? JoinedLines(header.InfoBox2) : JoinedLines(header.InfoBox)},
      {PngOptionsKeyword, OptionsText(document.ActiveOptions(), document.ShowsOriginal())},
      {PngCountersKeyword, CountersText(document.Steps())},
      {PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION},
  };
}

PngText AnimationPngText(const OptionSet& options, bool original, const ToneSteps& steps) {
  return {
      {PngOptionsKeyword, OptionsText(options, original)},
      {PngCountersKeyword, CountersText(steps)},
      {PngSoftwareKeyword, std::string("Vantorel ") + VANTOREL_VERSION},
  };
}

}  // namespace vantorel
