// The desktop program's command line: at most one frame file or folder to
// open at start, --help and --version. Parsing reads nothing from disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

enum class LaunchMode { Run, Help, Version, Error };

struct LaunchArguments {
  LaunchMode Mode = LaunchMode::Run;
  std::string Path;   // the frame file or folder to open; empty for none
  std::string Error;  // what is wrong, in Error mode
};

// args are the arguments after the program name, once Qt has taken its own.
// --help and --version win over anything else; "--" ends the options, so
// that a name beginning with '-' can be opened.
LaunchArguments ParseLaunchArguments(const std::vector<std::string>& args);

std::string_view LaunchUsage();
std::string VersionText();

}  // namespace vantorel
