#include "app/command_line.h"

namespace vantorel {

LaunchArguments ParseLaunchArguments(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--help" || arg == "-h") return {LaunchMode::Help, {}, {}};
    if (arg == "--version") return {LaunchMode::Version, {}, {}};
  }
  auto error = [](std::string_view what, const std::string& arg) {
    LaunchArguments failed{LaunchMode::Error, {}, std::string(what)};
    failed.Error += arg;
    return failed;
  };
  LaunchArguments parsed;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      return error("unknown option ", arg);
    } else if (arg.empty()) {
      return error("an empty name", {});
    } else if (!parsed.Path.empty()) {
      return error("one frame file or folder at a time, not also ", arg);
    } else {
      parsed.Path = arg;
    }
  }
  return parsed;
}

std::string_view LaunchUsage() {
  return "Usage: vantorel [FRAME | FOLDER]\n"
         "Shows raw Mariner 10 and Mariner 9 image frames.\n"
         "\n"
         "  FRAME      a frame file to open at start\n"
         "  FOLDER     a folder whose first frame file opens at start\n"
         "  --help     show this text\n"
         "  --version  show the version\n";
}

std::string VersionText() {
  std::string text = "vantorel ";
  text += VANTOREL_VERSION;
  text += '\n';
  return text;
}

}  // namespace vantorel
