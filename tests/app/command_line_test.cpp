#include "app/command_line.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

struct LaunchCase {
  std::vector<std::string> args;
  LaunchMode mode;
  std::string path;
};

TEST(CommandLine, OneFrameOrFolderHelpAndVersion) {
  const LaunchCase cases[] = {
      {{}, LaunchMode::Run, ""},
      {{"frames/MVE0101.012"}, LaunchMode::Run, "frames/MVE0101.012"},
      {{"--help"}, LaunchMode::Help, ""},
      {{"-h"}, LaunchMode::Help, ""},
      {{"--version"}, LaunchMode::Version, ""},
      {{"a.001", "--bogus", "--help"}, LaunchMode::Help, ""},
      {{"--", "-odd.001"}, LaunchMode::Run, "-odd.001"},
      {{"--", "--help"}, LaunchMode::Run, "--help"},
      {{"-"}, LaunchMode::Run, "-"},
      {{"--bogus"}, LaunchMode::Error, ""},
      {{"a.001", "b.001"}, LaunchMode::Error, ""},
      {{""}, LaunchMode::Error, ""},
  };
  for (const LaunchCase& c : cases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += "[" + arg + "]";
    const LaunchArguments parsed = ParseLaunchArguments(c.args);
    EXPECT_EQ(parsed.Mode, c.mode) << shown;
    EXPECT_EQ(parsed.Path, c.path) << shown;
    EXPECT_EQ(parsed.Error.empty(), c.mode != LaunchMode::Error) << shown;
  }
}

}  // namespace
}  // namespace vantorel
