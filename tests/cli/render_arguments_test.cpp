#include "cli/render_arguments.h"

#include <gtest/gtest.h>

namespace vantorel::cli {
namespace {

// One row per rule of the command line: what is accepted, and what is refused
// with which words in the message.
TEST(ParseRenderArguments, AcceptsAndRefusesByRule) {
  using Args = std::vector<std::string>;
  const struct {
    Args Given;
    std::string ErrorMentions;  // empty: accepted
  } table[] = {
      {{"f", "-o", "a.png"}, ""},
      {{"--brightness=-40", "--contrast", "-2", "f", "--output=a.bmp"}, ""},
      {{"--", "-f", "-o", "x.bmp"}, "no output given"},
      {{"--out-dir", "d", "--format", "fits", "f", "g"}, ""},
      {{"--out-dir", "d", "--format", "bmp", "f"}, ""},
      {{"--format", "png", "f", "-o", "a.png"}, "--format goes with --out-dir"},
      {{"--format", "tiff", "--out-dir", "d", "f"}, "unknown format 'tiff'"},
      {{"--info", "--stretch", "--brightness", "20", "f"}, ""},
      {{"--info", "--original", "--invert", "f"}, "--original cannot be combined"},
      {{"--cards", "--stretch", "f"}, "--cards takes only a frame"},
      {{"--info", "f", "g"}, "--info takes exactly one frame"},
      {{"--info", "--cards", "f"}, "cannot be combined"},
      {{"f", "g", "-o", "a.bmp"}, "-o takes exactly one frame"},
      {{"f", "-o", "a.bmp", "--out-dir", "d"}, "cannot be combined"},
      {{"f", "-o", "a.tif"}, "cannot tell the format"},
      {{"--original", "--invert", "f", "-o", "a.bmp"}, "--original cannot be combined"},
      {{"--brightness", "12abc", "f", "-o", "a.bmp"}, "needs a whole number"},
      {{"--brightness", "2147483648", "f", "-o", "a.bmp"}, "needs a whole number"},
      {{"--stretch=1", "f", "-o", "a.bmp"}, "unknown option '--stretch=1'"},
      {{"--stretched", "f", "-o", "a.bmp"}, "unknown option '--stretched'"},
      {{"f", "-o"}, "-o needs a value"},
      {{"-j", "2", "--out-dir", "d", "f", "g"}, ""},
      {{"--jobs=0", "--out-dir", "d", "f"}, "--jobs needs a whole number of at least 1"},
      {{"--info", "--jobs", "2", "f"}, "--info takes only a frame"},
      {{"--info", "f", "-o", "a.bmp"}, "--info takes only a frame"},
      {{"--version", "f"}, "takes no other arguments"},
      {{"--standard-fits", "f", "-o", "a.fit"}, ""},
      {{"--legacy-fits", "--out-dir", "d", "--format", "fits", "f", "g"}, ""},
      {{"--legacy-fits", "f", "-o", "a.png"}, "--legacy-fits writes FITS"},
      {{"--standard-fits", "--out-dir", "d", "f"}, "--standard-fits goes with --format fits"},
      {{"--standard-fits", "--legacy-fits", "f", "-o", "a.fit"}, "--standard-fits and --legacy-fits cannot be"},
      {{"--info", "--legacy-fits", "f"}, "--info takes only a frame"},
      {{"--info", "--json", "f", "g"}, ""},
      {{"--info", "--json"}, "--info --json needs a frame"},
      {{"--json", "f", "-o", "a.bmp"}, "--json goes with --info"},
      {{"--cards", "--json", "f"}, "--json goes with --info"},
      {{}, "no arguments"},
      {{"-", "-o", "-"}, ""},
      {{"-o", "-"}, "no frame given"},
      {{"--format", "png", "--standard-fits", "-", "-o", "-"}, "--standard-fits goes with --format fits"},
      {{"f", "g", "-o", "-"}, "-o - takes exactly one frame"},
      {{"-", "f", "-", "--out-dir", "d"}, "'-' (standard input) can be read only once"},
      {{"--name", "a/b", "-", "-o", "a.bmp"}, "--name takes a file name"},
      {{"--name", "n", "f", "g", "--out-dir", "d"}, "--name takes a file name"},
      // --select reads --format and --name as its own, wherever it stands.
      {{"--format", "csv", "--name", "MVE*", "--select", "c.db", "--filter", "clear", "--fds", "1-9"}, ""},
      {{"--select=c.db", "--from", "1974-089", "--to", "1974-03-30T20", "--camera", "b", "--all", "-0"}, ""},
      {{"--select", "c.db", "--format", "png"}, "unknown format 'png' for --select"},
      {{"--select", "c.db", "--stretch"}, "--select takes only its filters"},
      {{"--select", "c.db", "f"}, "--select takes no files"},
      {{"--select", "c.db", "-0", "--format", "json"}, "-0 goes with --format paths"},
      {{"--select", "c.db", "--fds", "9-3"}, "--fds takes LOW-HIGH"},
      {{"--select", "c.db", "--from", "1974-03-30 20:47"}, "--from takes a time"},
      {{"--select", "c.db", "--camera", "C"}, "--camera takes A or B"},
      {{"--camera", "A", "f", "-o", "a.bmp"}, "--camera goes with --select"},
      {{"--out-dir", "d", "--format", "csv", "f"}, "unknown format 'csv' (use bmp, png or fits)"},
      {{"--catalog", "c.db", "-q", "d", "e"}, ""},
      {{"--catalog", "c.db"}, "--catalog needs a file or folder"},
      {{"--animate", "a.APNG", "--fps", "120", "-j", "2", "--stretch", "--colormap", "cool", "f", "g"}, ""},
      {{"--animate", "a.png"}, ""},
      {{"--animate", "a.png", "--fps", "121", "f"}, "--fps needs a whole number of 1 to 120"},
      {{"--fps", "5", "f", "-o", "a.png"}, "--fps goes with --animate"},
      {{"--keep-going", "--out-dir", "d", "f"}, "--keep-going goes with --animate"},
      {{"--compose", "r", "g", "b", "-o", "c.PNG", "--weights", "1,0.5,2", "--scale", "percentile:1,99"}, ""},
      {{"--compose", "r", "g", "-o", "c.png"}, "--compose takes three frames"},
      {{"--compose", "r", "g", "b", "-o", "c.fit"}, "--compose writes an RGB PNG or a standard FITS cube"},
      {{"--compose", "r", "g", "b", "-o", "c.png", "--weights", "1,2"}, "--weights takes three weights"},
      {{"--compose", "r", "g", "b", "-o", "c.png", "--scale", "zscale"}, "--compose stretches each channel"},
      {{"--weights", "1,1,1", "f", "-o", "a.png"}, "--weights goes with --compose"},
      {{"--animate", "a.gif", "f"}, "cannot tell the animation format of 'a.gif'"},
      {{"--animate", "a.WebM", "--crf", "63", "f"}, ""},
      {{"--animate", "a.mp4", "--crf", "52", "f"}, "--crf for MP4 (H.264) takes 0 to 51"},
      {{"--animate", "a.png", "--crf", "20", "f"}, "--crf goes with --animate to an .mp4 or .webm file"},
      {{"--animate", "a.png", "-"}, "--animate reads frames from files"},
      {{"--animate", "a.png", "-o", "b.png", "f"}, "--animate takes frames, render options"},
      {{"--catalog", "c.db", "--stretch", "d"}, "--catalog takes only files, folders and --quiet"},
      {{"--catalog", "c.db", "--info", "d"}, "--catalog and --info cannot be combined"},
      {{"--thumbnail", "128", "f", "t.png"}, ""},
      {{"--thumbnail=1024", "--", "-f", "t"}, ""},
      {{"--thumbnail", "1025", "f", "t.png"}, "--thumbnail needs a size of 1 to 1024, not '1025'"},
      {{"--thumbnail", "128", "--stretch", "f", "t.png"}, "--thumbnail takes a size, a frame and an output"},
      {{"--thumbnail", "128", "f"}, "--thumbnail takes a size, a frame and an output"},
      {{"--thumbnail", "128", "-", "t.png"}, "not '-'"},
      {{"--info", "--thumbnail", "128", "f", "t.png"}, "--info and --thumbnail cannot be combined"},
      {{"--scale", "zscale", "--curve=histeq", "--colormap", "viridis", "f", "-o", "a.png"}, ""},
      {{"--info", "--json", "--scale=percentile:0,100", "--curve", "asinh", "f"}, ""},
      {{"--curve", "log", "f", "-o", "a.png"}, "--curve goes with --scale"},
      {{"--scale", "none", "f", "-o", "a.png"}, "--scale takes minmax, percentile or zscale"},
      {{"--scale", "zscale:1,2", "f", "-o", "a.png"}, "not 'zscale:1,2'"},
      {{"--scale", "percentile:5", "f", "-o", "a.png"}, "not 'percentile:5'"},
      {{"--scale", "percentile:9,9", "f", "-o", "a.png"}, "not 'percentile:9,9'"},
      {{"--scale", "percentile:1,100.5", "f", "-o", "a.png"}, "not 'percentile:1,100.5'"},
      {{"--scale", "percentile:-1,50", "f", "-o", "a.png"}, "not 'percentile:-1,50'"},
      {{"--scale", "percentile:1,2x", "f", "-o", "a.png"}, "not 'percentile:1,2x'"},
      {{"--scale", "minmax", "--curve", "cube", "f", "-o", "a.png"}, "--curve takes linear, log, sqrt, asinh or"},
      {{"--colormap", "jet", "f", "-o", "a.png"}, "--colormap takes grey, viridis"},
      {{"--cards", "--colormap", "heat", "f"}, "--cards takes only a frame"},
      {{"--catalog", "c.db", "--scale", "minmax", "d"}, "--catalog takes only files"},
      {{"f", "-o", "a.png", "--scale"}, "--scale needs a value"},
      {{"--stats", "1,1,700,832", "--flip", "--minimize", "f"}, ""},
      {{"--stats=700,832,1,1", "f"}, ""},
      {{"--stats", "0,1,5,5", "f"}, "--stats takes LINE,SAMPLE,LINES,SAMPLES within lines 1-700 and samples 1-832"},
      {{"--stats", "696,1,6,5", "f"}, "not '696,1,6,5'"},
      {{"--stats", "1,828,5,6", "f"}, "--stats takes"},
      {{"--stats", "1,1,0,5", "f"}, "--stats takes"},
      {{"--stats", "5,5,-2,5", "f"}, "--stats takes"},
      {{"--stats", "1,1,5", "f"}, "--stats takes"},
      {{"--stats", "1,1,5,5,", "f"}, "--stats takes"},
      {{"--stats", "1,1,5,x5", "f"}, "--stats takes"},
      {{"--stats", "1,1,5,5", "f", "g"}, "--stats takes exactly one frame"},
      {{"--stats", "1,1,5,5", "f", "-o", "a.bmp"}, "--stats takes only a frame and render options"},
      {{"--stats", "1,1,5,5", "--profile", "1,1,5,5", "f"}, "--stats and --profile cannot be combined"},
      {{"--profile", "700,832,1,1", "--rotate", "f"}, ""},
      {{"--profile", "1,1,701,1", "f"}, "--profile takes L1,S1,L2,S2 within lines 1-700 and samples 1-832"},
      {{"--profile", "1,-1,5,5", "f"}, "--profile takes"},
      {{"--profile", "1,1,5,833", "f"}, "--profile takes"},
      {{"--profile", "1,1,,5", "f"}, "--profile takes"},
      {{"--profile", "f"}, "--profile takes"},
  };
  for (const auto& row : table) {
    std::string line;
    for (const std::string& arg : row.Given) line += arg + ' ';
    const ParsedArguments parsed = ParseRenderArguments(row.Given);
    if (row.ErrorMentions.empty())
      EXPECT_TRUE(parsed.Ok()) << line << "-> " << parsed.Error;
    else
      EXPECT_NE(parsed.Error.find(row.ErrorMentions), std::string::npos) << line << "-> " << parsed.Error;
  }
}

TEST(ParseRenderArguments, TakesValuesFramesAndTheFormatFromTheExtension) {
  const ParsedArguments parsed =
      ParseRenderArguments({"--stretch", "--gradient=-3", "--brightness", "-40", "--", "-frame", "-o", "out.FITS"});
  ASSERT_FALSE(parsed.Ok());  // after "--", "-o" is a frame too
  const ParsedArguments single =
      ParseRenderArguments({"--stretch", "--gradient=-3", "--brightness", "-40", "-o", "out.FITS", "--", "-frame"});
  ASSERT_TRUE(single.Ok()) << single.Error;
  const RenderArguments& a = single.Arguments;
  EXPECT_EQ(a.Frames, std::vector<std::string>{"-frame"});
  EXPECT_EQ(a.Format, ExportFormat::StandardFits);
  EXPECT_EQ(Entry(a.Options, Option::Stretch), 1);
  EXPECT_EQ(Entry(a.Options, Option::Invert), 0);
  EXPECT_EQ(a.Steps.BrightnessStep, -40);
  EXPECT_EQ(a.Steps.GradientStep, -3);
  const ParsedArguments streams =
      ParseRenderArguments({"--format", "fits", "--standard-fits", "-q", "--name", "MME0101.001", "-", "-o", "-"});
  ASSERT_TRUE(streams.Ok()) << streams.Error;
  EXPECT_EQ(streams.Arguments.Format, ExportFormat::StandardFits);
  EXPECT_TRUE(streams.Arguments.Quiet && streams.Arguments.ToStandardOutput());
  EXPECT_EQ(streams.Arguments.Name, "MME0101.001");
  const ParsedArguments display =
      ParseRenderArguments({"--colormap=cool", "--scale", "percentile:2.5,97", "--curve", "sqrt", "f", "-o", "a.png"});
  ASSERT_TRUE(display.Ok()) << display.Error;
  const DisplaySettings& d = display.Arguments.Display;
  EXPECT_EQ(d.Mode, ScaleMode::Percentile);
  EXPECT_EQ(d.Curve, ScaleCurve::Sqrt);
  EXPECT_EQ(d.Map, ColorMap::Cool);
  EXPECT_EQ(d.LowPercent, 2.5);
  EXPECT_EQ(d.HighPercent, 97);
  const ParsedArguments stats = ParseRenderArguments({"--stats", "3,4,5,6", "f"});
  ASSERT_TRUE(stats.Ok()) << stats.Error;
  EXPECT_EQ(stats.Arguments.StatsRegion, (FrameRegion{RegionShape::Rectangle, 3, 4, 5, 6}));
  const ParsedArguments profile = ParseRenderArguments({"--profile=3,4,5,6", "f"});
  ASSERT_TRUE(profile.Ok()) << profile.Error;
  const RenderArguments& p = profile.Arguments;
  EXPECT_EQ((std::array<int, 4>{p.ProfileFrom.Line, p.ProfileFrom.Sample, p.ProfileTo.Line, p.ProfileTo.Sample}),
            (std::array<int, 4>{3, 4, 5, 6}));
}

}  // namespace
}  // namespace vantorel::cli
