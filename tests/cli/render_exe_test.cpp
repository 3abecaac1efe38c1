// The built vantorel-render end to end: exit status, streams and files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "cli_test_frames.h"

namespace vantorel::testing {
namespace {

struct ExeRun {
  int ExitCode;
  std::string Out;
  std::string Err;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

ExeRun RunExe(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = Quoted(VANTOREL_RENDER_EXE);
  for (const std::string& arg : args) command.append(" ").append(Quoted(arg));
  const std::string out = dir / "stdout.txt", err = dir / "stderr.txt";
  command.append(" >").append(Quoted(out)).append(" 2>").append(Quoted(err)).append(" </dev/null");
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

TEST(RenderExe, ExitStatusByOutcome) {
  TempDir dir;
  const std::string frame = WriteMariner10Frame(dir, "MVE0101.012");
  const struct {
    std::vector<std::string> Args;
    int ExitCode;
    std::string ErrMentions;
  } table[] = {
      {{frame, "-o", dir / "out.bmp", "--brightness", "-40"}, 0, ""},
      {{dir / "missing.012", "-o", dir / "m.bmp"}, 1, "missing.012"},
      {{dir.Path().string(), "-o", dir / "d.bmp"}, 1, "directory"},
      {{frame, "-o", dir / "out.tiff"}, 2, "usage:"},
      {{frame}, 2, "usage:"},
  };
  for (const auto& row : table) {
    const ExeRun run = RunExe(dir, row.Args);
    EXPECT_EQ(run.ExitCode, row.ExitCode) << row.Args.front() << "\n" << run.Err;
    EXPECT_NE(run.Err.find(row.ErrMentions), std::string::npos) << run.Err;
    EXPECT_TRUE(run.Out.empty()) << run.Out;
  }
  EXPECT_EQ(ReadBytes(dir / "out.bmp").size(), BmpFileBytes);
  EXPECT_FALSE(std::filesystem::exists(dir / "m.bmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "d.bmp"));
}

TEST(RenderExe, PrintsVersionAndHelpOnStdout) {
  TempDir dir;
  const ExeRun version = RunExe(dir, {"--version"});
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out, std::string("vantorel-render ") + VANTOREL_VERSION + "\n");

  const ExeRun help = RunExe(dir, {"--help"});
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_EQ(help.Out.rfind("usage:", 0), 0u);
}

}  // namespace
}  // namespace vantorel::testing
