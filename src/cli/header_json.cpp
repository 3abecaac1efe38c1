#include "cli/header_json.h"

#include <array>
#include <string_view>

namespace vantorel::cli {

nlohmann::ordered_json HeaderJson(const std::string& path, const FrameDocument& document) {
  const HeaderState& header = document.Header();
  const bool mariner9 = header.HeaderKind == DataSet::Mariner9;
  nlohmann::ordered_json fields = nlohmann::ordered_json::object();
  for (std::size_t i = 0; i < InfoBoxFieldNames.size(); ++i)
    fields[std::string(InfoBoxFieldNames[i].JsonName)] = header.InfoBoxValues[i];
  nlohmann::ordered_json cards = nlohmann::ordered_json::array();
  for (const std::string& card : header.LabelCards)
    if (!card.empty()) cards.push_back(card);
  nlohmann::ordered_json object = {
      {"path", path},
      {"file", document.CurrentFileName()},
      {"dataSet", header.Record.NssdcDataSetId},
      {"headerKind", SpacecraftName(header.HeaderKind)},
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
