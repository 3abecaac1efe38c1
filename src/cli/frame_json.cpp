#include "cli/frame_json.h"

#include <optional>

#include "analysis/special_pixels.h"
#include "frames/file_name.h"

namespace vantorel::cli {

namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json();
}

template <typename Counts>
Json Count(const std::optional<Counts>& counts, std::int32_t Counts::*member) {
  return counts ? Json((*counts).*member) : Json();
}

}  // namespace

Json HeaderJson(const HeaderRecord* read) {
  const HeaderRecord record = read ? *read : HeaderRecord{};
  const auto dataSetName = [](std::optional<DataSet> dataSet) {
    return dataSet ? Json(SpacecraftName(*dataSet)) : Json();
  };
  return {
      {"layout", dataSetName(read ? std::optional(record.Kind) : std::nullopt)},
      {"spacecraft", dataSetName(record.Spacecraft)},
      {"nssdcDataSetId", read ? Json(record.NssdcDataSetId) : Json()},
      {"dataSetCode", OrNull(record.HeaderDataSetCode)},
      // Identifiers, leading zeros and all: strings.
      {"fdsCount", OrNull(record.FdsCount)},
      {"pictureNumber", OrNull(record.PictureNumber)},
      {"camera", record.Camera ? Json(std::string(1, *record.Camera)) : Json()},
      {"filterNumber", OrNull(record.FilterNumber)},
      {"filterName", OrNull(record.FilterName)},
      {"exposureSeconds", OrNull(record.ExposureSeconds)},
      {"observed", OrNull(record.Observed.Utc)},
      {"target", OrNull(record.Target)},
      {"revolution", OrNull(record.Revolution)},
  };
}

namespace {

// The Mariner 9 header's free-text lines, without their padding.
Json HeaderLines(const HeaderState& header) {
  if (header.HeaderKind != DataSet::Mariner9) return nullptr;
  Json lines = Json::array();
  for (const std::string& line : header.InfoBox2) lines.push_back(line.substr(0, line.find_last_not_of(' ') + 1));
  return lines;
}

Json Cards(const HeaderState& header) {
  Json cards = Json::array();
  for (const std::string& card : header.LabelCards)
    if (!card.empty()) cards.push_back(card);
  return cards;
}

Json OptionsJson(const OptionSet& options) {
  Json object = Json::object();
  for (const OptionName& option : OptionNames) object[std::string(option.Word)] = Entry(options, option.Entry) == 1;
  return object;
}

Json StepsJson(const ToneSteps& steps) {
  return {{"brightness", steps.BrightnessStep}, {"contrast", steps.ContrastStep}, {"gradient", steps.GradientStep}};
}

// Null without a scale; the limits are null when no render found them.
Json ScaleJson(const DisplaySettings& display, const std::optional<ScaleLimits>& limits) {
  if (!display.Scaled()) return nullptr;
  return {{"mode", NameOf(ScaleModeNames, display.Mode).Word},
          {"curve", NameOf(ScaleCurveNames, display.Curve).Word},
          {"low", limits ? Json(limits->Low) : Json()},
          {"high", limits ? Json(limits->High) : Json()}};
}

// Both kinds of object come from here, so that their keys cannot differ.
struct FrameFacts {
  const std::string& Path;
  const FrameCheck& Check;
  Json Error;
  const FrameDocument* Rendered;  // null when the input failed
  const OptionSet& Options;
  bool Original;
  const ToneSteps& Steps;
  const DisplaySettings& Display;
};

Json FrameObject(const FrameFacts& facts) {
  const FrameDocument* rendered = facts.Rendered;
  const HeaderState* header = rendered ? &rendered->Header() : nullptr;
  std::optional<SpecialPixelCounts> special;
  std::optional<ReplacedCounts> replaced;
  if (rendered) {
    special = FindSpecialPixels(*rendered).Counts;
    replaced = rendered->Replaced();
  }
  return {
      {"schema", FrameJsonSchema},
      {"path", facts.Path},
      {"file", FileNamePart(facts.Path)},
      {"bytes", OrNull(facts.Check.FileBytes)},
      {"frame", facts.Check.IsFrame()},
      {"error", facts.Error},
      {"header", HeaderJson(header ? &header->Record : nullptr)},
      {"lines", header ? HeaderLines(*header) : Json()},
      {"cards", header ? Cards(*header) : Json()},
      {"options", OptionsJson(facts.Options)},
      {"original", facts.Original},
      {"steps", StepsJson(facts.Steps)},
      {"scale", ScaleJson(facts.Display, rendered ? std::optional(rendered->DisplayLimits()) : std::nullopt)},
      {"colormap", NameOf(ColorMapNames, facts.Display.Map).Word},
      {"specialPixels",
       {{"missing", Count(special, &SpecialPixelCounts::Missing)},
        {"saturated", Count(special, &SpecialPixelCounts::Saturated)},
        {"replaced", Count(special, &SpecialPixelCounts::Replaced)}}},
      {"replacedByStage",
       {{"reconstruction", Count(replaced, &ReplacedCounts::Reconstruction)},
        {"despeckleEarly", Count(replaced, &ReplacedCounts::DespeckleEarly)},
        {"despeckleLate", Count(replaced, &ReplacedCounts::DespeckleLate)}}},
  };
}

}  // namespace

Json FrameJson(const std::string& path, const FrameDocument& document) {
  return FrameObject({path, document.FileCheck(), nullptr, &document, document.ActiveOptions(),
                      document.ShowsOriginal(), document.Steps(), document.Display()});
}

Json FailedFrameJson(const std::string& path, const FrameCheck& check, const RenderArguments& arguments,
                     std::string_view message) {
  return FrameObject({path,
                      check,
                      {{"message", std::string(message)}},
                      nullptr,
                      arguments.Options,
                      arguments.Original,
                      arguments.Steps,
                      arguments.Display});
}

std::string FrameJsonLine(const Json& object) {
  // A file name is bytes, not necessarily UTF-8: replace rather than throw.
  return object.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace vantorel::cli
