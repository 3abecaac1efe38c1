#include "cli/header_json.h"

#include <array>
#include <string_view>

namespace vantorel::cli {

namespace {

// The Info box labels in the order DecodeHeader fills them, as JSON names.
constexpr std::array<std::string_view, InfoBoxLabelCount> FieldNames = {
    "spacecraft", "dataSet", "fdsCount", "year", "day", "gmt", "camera", "filter", "exposure"};

// "Camera = A" gives "A": the text after the label words, as the box shows it.
std::string LabelValue(const std::string& label) {
  const std::size_t equals = label.find(" = ");
  return equals == std::string::npos ? label : label.substr(equals + 3);
}

}  // namespace

nlohmann::ordered_json HeaderJson(const std::string& path, const FrameDocument& document) {
  const HeaderState& header = document.Header();
  const bool mariner9 = header.HeaderKind == DataSet::Mariner9;
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  for (std::size_t i = 0; i < FieldNames.size(); ++i)
    fields[std::string(FieldNames[i])] = LabelValue(header.InfoBox[i]);
  nlohmann::ordered_json cards = nlohmann::ordered_json::array();
  for (const std::string& card : header.LabelCards)
    if (!card.empty()) cards.push_back(card);
  nlohmann::ordered_json object = {
      {"path", path},
      {"file", document.CurrentFileName()},
      {"dataSet", mariner9 ? "PSPG-00235" : "PSPA-00108"},
      {"headerKind", mariner9 ? "Mariner 9" : "Mariner 10"},
      {"fields", std::move(fields)},
  };
  // The Mariner 9 header is free text: its lines as the second Info box shows them.
  if (mariner9) object["lines"] = header.InfoBox2;
  object["cards"] = std::move(cards);
  return object;
}

std::string HeaderJsonLine(const nlohmann::ordered_json& object) {
  // A file name is bytes, not necessarily UTF-8: replace rather than throw.
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace vantorel::cli
