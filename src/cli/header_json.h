// The decoded header as one JSON object, for scripts (--info --json).
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "viewer/frame_document.h"

namespace vantorel::cli {

// path is the frame as given on the command line. Text values are kept as
// bytes; HeaderJsonLine replaces bytes that are not UTF-8 with U+FFFD.
nlohmann::ordered_json HeaderJson(const std::string& path, const FrameDocument& document);

// The object on one line, without the line end.
std::string HeaderJsonLine(const nlohmann::ordered_json& object);

}  // namespace vantorel::cli
