// One input of --info --json as one JSON object, for scripts: the same keys
// for every input, null for what is not known, a failure included.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/render_arguments.h"
#include "frames/frame_file.h"
#include "viewer/frame_document.h"

namespace vantorel::cli {

// The "schema" of every object: a new one whenever a key changes its name or meaning.
inline constexpr std::string_view FrameJsonSchema = "vantorel.frame/1";

// An input that was rendered: its file, header, the options and counters
// the render used and its special pixels. path is the input as given; the
// document keeps its replaced samples.
nlohmann::ordered_json FrameJson(const std::string& path, const FrameDocument& document);

// An input that failed: what is known of its file, the options and counters
// asked for, and why, as "error": {"message": ...}.
nlohmann::ordered_json FailedFrameJson(const std::string& path, const FrameCheck& check,
                                       const RenderArguments& arguments, std::string_view message);

// The typed header as the "header" object of both kinds; every key null
// without a header (an input that was not read).
nlohmann::ordered_json HeaderJson(const HeaderRecord* header);

// The object on one line, without the line end. Text values are kept as
// bytes until here, where bytes that are not UTF-8 become U+FFFD.
std::string FrameJsonLine(const nlohmann::ordered_json& object);

}  // namespace vantorel::cli
