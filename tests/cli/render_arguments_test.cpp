#include "cli/render_arguments.h"

#include <gtest/gtest.h>

namespace vantorel::cli {
namespace {

struct RejectCase {
  std::vector<std::string> Args;
  std::string ErrorMentions;
};

class RejectedCommandLine : public ::testing::TestWithParam<RejectCase> {};

TEST_P(RejectedCommandLine, IsAUsageError) {
  const ParsedArguments parsed = ParseRenderArguments(GetParam().Args);
  EXPECT_FALSE(parsed.Ok());
  EXPECT_NE(parsed.Error.find(GetParam().ErrorMentions), std::string::npos) << parsed.Error;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RejectedCommandLine,
    ::testing::Values(RejectCase{{}, "no arguments"},
                      RejectCase{{"F"}, "no output"},
                      RejectCase{{"F", "-o"}, "-o needs a value"},
                      RejectCase{{"-o", "out.bmp"}, "no frame"},
                      RejectCase{{"F", "-o", "out.jpg"}, "out.jpg"},
                      RejectCase{{"F", "-o", "out.fts"}, "out.fts"},
                      RejectCase{{"F", "-o", "bmp"}, "format"},
                      RejectCase{{"F", "-o", "dir.png/out"}, "format"},
                      RejectCase{{"F", "G", "-o", "out.bmp"}, "exactly one frame"},
                      RejectCase{{"F", "-o", "out.bmp", "--out-dir", "D"}, "cannot be combined"},
                      RejectCase{{"F", "-o", "out.bmp", "--format", "png"}, "--format"},
                      RejectCase{{"F", "--out-dir", "D", "--format", "jpg"}, "jpg"},
                      RejectCase{{"F", "--original", "--flip", "-o", "o.bmp"}, "--original"},
                      RejectCase{{"F", "--original", "--brightness", "0", "-o", "o.bmp"}, "--original"},
                      RejectCase{{"F", "--brightness", "-o", "o.bmp"}, "whole number"},
                      RejectCase{{"F", "--contrast", "2x", "-o", "o.bmp"}, "2x"},
                      RejectCase{{"F", "--gradient", "99999999999", "-o", "o.bmp"}, "whole number"},
                      RejectCase{{"F", "--gradient"}, "needs a value"},
                      RejectCase{{"F", "--sharp", "-o", "o.bmp"}, "unknown option '--sharp'"},
                      RejectCase{{"F", "--flip=1", "-o", "o.bmp"}, "unknown option"},
                      RejectCase{{"--info", "F", "--stretch"}, "only a frame"},
                      RejectCase{{"--info", "F", "-o", "o.bmp"}, "only a frame"},
                      RejectCase{{"--cards", "F", "G"}, "exactly one frame"},
                      RejectCase{{"--info", "--cards", "F"}, "cannot be combined"},
                      RejectCase{{"--help", "F"}, "no other arguments"}));

TEST(RenderArguments, CountersTakeTheNextArgumentEvenWhenNegative) {
  const ParsedArguments parsed = ParseRenderArguments(
      {"--brightness", "-40", "--contrast=+3", "--gradient", "-7", "F", "-o", "out.BMP"});
  ASSERT_TRUE(parsed.Ok()) << parsed.Error;
  EXPECT_EQ(parsed.Arguments.Steps.BrightnessStep, -40);
  EXPECT_EQ(parsed.Arguments.Steps.ContrastStep, 3);
  EXPECT_EQ(parsed.Arguments.Steps.GradientStep, -7);
  EXPECT_EQ(parsed.Arguments.Frames, std::vector<std::string>{"F"});
  EXPECT_EQ(parsed.Arguments.Format, OutputFormat::Bmp);
}

TEST(RenderArguments, OptionSwitchesTurnTheirOwnEntryOnOnly) {
  const ParsedArguments parsed = ParseRenderArguments({"--stretch", "--minimize", "--minimize", "F", "-o", "o.png"});
  ASSERT_TRUE(parsed.Ok()) << parsed.Error;
  OptionSet expected{};
  Entry(expected, Option::Stretch) = 1;
  Entry(expected, Option::Minimize) = 1;
  EXPECT_EQ(parsed.Arguments.Options, expected);
  EXPECT_FALSE(parsed.Arguments.AnyStep());
}

TEST(RenderArguments, FolderModeTakesManyFramesAndDefaultsToBmp) {
  ParsedArguments parsed = ParseRenderArguments({"--out-dir", "D", "A", "B", "--", "-C"});
  ASSERT_TRUE(parsed.Ok()) << parsed.Error;
  EXPECT_EQ(parsed.Arguments.OutputDirectory, "D");
  EXPECT_EQ(parsed.Arguments.Format, OutputFormat::Bmp);
  EXPECT_EQ(parsed.Arguments.Frames, (std::vector<std::string>{"A", "B", "-C"}));

  parsed = ParseRenderArguments({"--out-dir=D", "--format", "fits", "A"});
  ASSERT_TRUE(parsed.Ok()) << parsed.Error;
  EXPECT_EQ(parsed.Arguments.Format, OutputFormat::Fits);
}

TEST(RenderArguments, ModesOfTheirOwn) {
  EXPECT_EQ(ParseRenderArguments({"--info", "F"}).Arguments.Mode, RenderMode::Info);
  EXPECT_EQ(ParseRenderArguments({"--cards", "F"}).Arguments.Mode, RenderMode::Cards);
  EXPECT_EQ(ParseRenderArguments({"--help"}).Arguments.Mode, RenderMode::Help);
  EXPECT_EQ(ParseRenderArguments({"--version"}).Arguments.Mode, RenderMode::Version);
  EXPECT_TRUE(ParseRenderArguments({"--original", "F", "-o", "o.fit"}).Arguments.Original);
}

TEST(OutputFormatFor, ExtensionOfTheFileNameInAnyCase) {
  const std::vector<std::pair<std::string, std::optional<OutputFormat>>> table = {
      {"a.bmp", OutputFormat::Bmp},      {"a.Bmp", OutputFormat::Bmp},       {"dir/a.PNG", OutputFormat::Png},
      {"a.fit", OutputFormat::Fits},     {"a.FITS", OutputFormat::Fits},     {"a.png.bmp", OutputFormat::Bmp},
      {"a.bmp.jpg", std::nullopt},       {"png", std::nullopt},              {"d.png/a", std::nullopt},
      {"a.", std::nullopt},
  };
  for (const auto& [path, expected] : table) EXPECT_EQ(OutputFormatFor(path), expected) << path;
}

}  // namespace
}  // namespace vantorel::cli
