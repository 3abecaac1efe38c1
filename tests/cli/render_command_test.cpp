#include "cli/render_command.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zlib.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <span>
#include <sstream>

#include "analysis/special_pixels.h"
#include "frames/file_list.h"
#include "frames/file_name.h"
#include "output/fits_file.h"
#include "support/ebcdic_text.h"
#include "support/test_support.h"
#include "viewer/frame_document.h"

namespace vantorel::cli {
namespace {

namespace fs = std::filesystem;
using vantorel::testing::ReadBytes;
using vantorel::testing::TempDir;

struct RenderRun {
  int ExitCode;
  std::string Out, Err;
};

// The summary's seconds read "T", so that two runs' messages compare.
RenderRun Render(const std::vector<std::string>& args, Terminals terminals = {}) {
  std::ostringstream out, err;
  const int code = RunRender(args, out, err, terminals);
  return {code, out.str(), std::regex_replace(err.str(), std::regex(" in [0-9]+\\.[0-9]{2} s\n"), " in T s\n")};
}

// A full Mariner 10 frame (pattern samples, the two F7 marks); the stretch
// finds a table entry for the name MVE0101.012 (selector 01, frame 12).
std::string WriteFrame(const TempDir& dir, const std::string& name = "MVE0101.012",
                       std::size_t length = std::size_t(FullFrameFileBytes)) {
  std::vector<std::uint8_t> bytes = testing::PatternFrameFile(length);
  bytes[0] = bytes[1] = 0xF7;
  testing::WriteBytes(dir / name, bytes);
  return dir / name;
}

TEST(RenderCommand, BmpEqualsTheComposedBitmapOfTheDocument) {
  TempDir dir;
  const std::string frame = WriteFrame(dir), out = dir / "out.bmp";
  OptionSet options{};
  for (Option option : {Option::Stretch, Option::Rotate, Option::Colorize, Option::Invert}) Entry(options, option) = 1;
  FrameDocument plain, document;
  const std::vector<std::uint8_t> plainBmp = plain.Load(frame, OptionSet{}).Bmp,
                                  withOptions = document.Load(frame, options).Bmp,
                                  withCounters = document.RenderWithSteps({-40, -1, -3}).Bmp;
  // Each argument changes the picture, so each must have reached the render.
  ASSERT_TRUE(plainBmp != withOptions && withOptions != withCounters);
  std::vector<std::string> args = {"--stretch", "--rotate", "--colorize", "--invert", frame, "-o", out};
  for (const std::vector<std::uint8_t>* expected : {&withOptions, &withCounters}) {
    const RenderRun run = Render(args);
    ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    EXPECT_TRUE(ReadBytes(out) == *expected);
    args.insert(args.end(), {"--brightness", "-40", "--contrast", "-1", "--gradient", "-3"});
  }
}

TEST(RenderCommand, ReadsNoFolderListing) {
  TempDir dir;
  const std::string frame = WriteFrame(dir);
  const std::uint64_t before = FileListingsMade();
  ASSERT_EQ(Render({frame, "-o", dir / "out.bmp"}).ExitCode, ExitSuccess);
  ASSERT_EQ(Render({"--out-dir", dir.Path().string(), frame, frame}).ExitCode, ExitFailure);
  EXPECT_EQ(FileListingsMade(), before);
}

// The PNG holds the BMP's pixels in the smallest colour type, and says which
// frame, data set and settings made them.
TEST(RenderCommand, PngHoldsThePixelsOfTheBmpAndHowTheyWereMade) {
  TempDir dir;
  const std::string mariner10 = WriteFrame(dir), mariner9 = WriteFrame(dir, "MME0101.001");
  constexpr int Grey = 0, Palette = 3;
  const std::string noCounters = "brightness 0 contrast 0 gradient 0";
  const struct {
    const char* Name;
    std::string Frame;
    std::vector<std::string> Args;
    int ColorType;
    std::string Options, Counters;
    std::string Display = "";  // a pattern
  } cases[] = {
      {"plain", mariner10, {}, Grey, "none", noCounters},
      {"colorized", mariner10, {"--colorize", "--stretch"}, Palette, "stretch colorize", noCounters},
      {"scaled",
       mariner10,
       {"--scale", "percentile:2,98.5", "--curve", "sqrt", "--colormap", "viridis"},
       Palette,
       "none",
       noCounters,
       "scale percentile:2,98.5 curve sqrt low [0-9.]+ high [0-9.]+ colormap viridis"},
      {"coloured", mariner10, {"--colormap", "cool"}, Palette, "none", noCounters, "colormap cool"},
      {"Mariner 9 with counters",
       mariner9,
       {"--despeckle", "--brightness", "-40", "--contrast", "1"},
       Grey,
       "despeckle",
       "brightness -40 contrast 1 gradient 0"},
      {"original", mariner10, {"--original"}, Grey, "Original Image", noCounters},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.Name);
    for (const char* output : {"out.bmp", "out.PNG"}) {
      std::vector<std::string> args = row.Args;
      args.insert(args.end(), {row.Frame, "-o", dir / output});
      const RenderRun run = Render(args);
      ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    }
    const auto png = testing::DecodePng(ReadBytes(dir / "out.PNG"));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->ColorType, row.ColorType);
    EXPECT_TRUE(png->Rgb == testing::BmpAsRgb(ReadBytes(dir / "out.bmp")));

    FrameDocument document;
    document.Load(row.Frame, OptionSet{});
    const HeaderState& header = document.Header();
    const bool isMariner9 = row.Frame == mariner9;
    std::string infoLines;
    for (const std::string& line : isMariner9 ? std::span<const std::string>(header.InfoBox2) : header.InfoBox)
      infoLines += (infoLines.empty() ? "" : "\n") + line;
    EXPECT_EQ(png->TextOf("Title"), std::string(FileNamePart(row.Frame)));
    EXPECT_EQ(png->TextOf("Data Set"), isMariner9 ? "Mariner 9" : "Mariner 10");
    EXPECT_EQ(png->TextOf("Description"), infoLines);
    EXPECT_EQ(png->TextOf("Options"), row.Options);
    EXPECT_EQ(png->TextOf("Counters"), row.Counters);
    EXPECT_TRUE(std::regex_match(png->TextOf("Display"), std::regex(row.Display))) << png->TextOf("Display");
    EXPECT_EQ(png->TextOf("Software"), std::string("Vantorel ") + VANTOREL_VERSION);
  }
}

// A frame not read (or, with --strict, no frame) or an output not written:
// exit 1, the file named, no file left, nothing on standard output, and an
// existing output kept. Usage errors: exit 2, one line and where help is.
TEST(RenderCommand, FailuresAndUsageErrors) {
  TempDir dir;
  const std::string frame = WriteFrame(dir), kept = dir / "kept.fit";
  testing::WriteBytes(dir / "file.txt", {'x'});
  testing::WriteBytes(kept, {'o', 'l', 'd'});
  const struct {
    std::vector<std::string> Args;
    int ExitCode;
    std::string Mentions;
  } table[] = {
      {{dir / "missing.012", "-o", dir / "a.bmp"}, ExitFailure, "cannot read " + dir / "missing.012"},
      {{dir.Path().string(), "-o", dir / "a.bmp"}, ExitFailure, "cannot read " + dir.Path().string()},
      {{dir / "missing.012", "-o", kept}, ExitFailure, "missing.012"},
      {{frame, "-o", dir / "file.txt/out.bmp"}, ExitFailure, "cannot write " + dir / "file.txt/out.bmp"},
      {{frame, "-o", dir / "no-folder/out.png"}, ExitFailure, "cannot write " + dir / "no-folder/out.png"},
      {{"--strict", dir / "file.txt", "-o", dir / "a.bmp"}, ExitFailure, dir / "file.txt is 1 byte, not a frame\n"},
      {{"--strict", "--info", dir / "file.txt"}, ExitFailure, dir / "file.txt is 1 byte, not a frame\n"},
      {{frame, "-o", dir / "a.jpg"}, ExitUsage, "vantorel-render: cannot tell the format of '"},
      {{frame, "--original", "--flip", "-o", dir / "a.bmp"}, ExitUsage, "vantorel-render: --original cannot"},
      {{frame}, ExitUsage, "vantorel-render: no output given"},
      {{frame, "-o", "-"}, ExitUsage, "vantorel-render: standard output is a terminal"},
      {{"--thumbnail", "64", dir / "file.txt", dir / "t.png"}, ExitFailure, "no thumbnail of " + dir / "file.txt"},
      {{"--thumbnail", "64", frame, frame}, ExitFailure, "cannot write " + frame},
      {{"--animate", dir / "a.png", frame, dir / "missing.012"}, ExitFailure, "missing.012 failed (--keep-going"},
      {{"--keep-going", "--animate", dir / "a.png", dir / "missing.012"}, ExitFailure, "no frame could be rendered"},
      {{"--stats", "1,1,5,5", dir / "missing.012"}, ExitFailure, "cannot read " + dir / "missing.012"},
      {{"--stats", "1,0,5,5", frame}, ExitUsage, "vantorel-render: --stats takes LINE,SAMPLE,LINES,SAMPLES"},
      {{"--profile", "1,1,5", frame}, ExitUsage, "vantorel-render: --profile takes L1,S1,L2,S2"},
      {{"--thumbnail", "64", dir / "missing", dir / "t.png"},
       ExitFailure,
       "no thumbnail of " + dir / "missing: No such"},
  };
  const std::string tryHelp = "\nTry 'vantorel-render --help' for more information.\n";
  for (const auto& row : table) {
    const RenderRun run = Render(row.Args, {.Out = true, .Err = false});
    EXPECT_EQ(run.ExitCode, row.ExitCode) << run.Err;
    EXPECT_NE(run.Err.find(row.Mentions), std::string::npos) << run.Err;
    if (row.ExitCode == ExitUsage) {
      EXPECT_TRUE(run.Err.starts_with(row.Mentions) && run.Err.find('\n') + tryHelp.size() == run.Err.size() &&
                  run.Err.ends_with(tryHelp))
          << run.Err;
    }
    EXPECT_EQ(run.Out, "");
  }
  EXPECT_EQ(ReadBytes(kept), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(ReadBytes(dir / "file.txt"), std::vector<std::uint8_t>{'x'});
  // Only the frame, file.txt and kept.fit: no output, no temporary file, no folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 3);
}

// The chunks of a PNG file: type and data.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> PngChunks(const std::vector<std::uint8_t>& png) {
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> chunks;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t length = std::size_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
    chunks.emplace_back(std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                        std::vector<std::uint8_t>(png.begin() + long(at) + 8, png.begin() + long(at + 8 + length)));
    at += 12 + length;
  }
  return chunks;
}

// A still PNG of one chunk's picture data, for the independent decoder.
std::vector<std::uint8_t> StillPng(const std::vector<std::uint8_t>& header, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const auto& [type, bytes] :
       {std::pair<std::string, std::vector<std::uint8_t>>{"IHDR", header}, {"IDAT", data}, {"IEND", {}}}) {
    std::vector<std::uint8_t> chunk(type.begin(), type.end());
    chunk.insert(chunk.end(), bytes.begin(), bytes.end());
    const auto crc = std::uint32_t(crc32(0, chunk.data(), uInt(chunk.size())));
    for (const std::uint32_t word : {std::uint32_t(bytes.size()), crc}) {
      const std::uint8_t big[] = {std::uint8_t(word >> 24), std::uint8_t(word >> 16), std::uint8_t(word >> 8),
                                  std::uint8_t(word)};
      png.insert(png.end(), big, big + 4);
      if (word == bytes.size()) png.insert(png.end(), chunk.begin(), chunk.end());
    }
  }
  return png;
}

// Each frame of the animation is the picture -o writes for it alone; a frame that fails is left out.
TEST(RenderCommand, AnimationHoldsEachFrameAsRenderedAlone) {
  TempDir dir;
  const std::string first = WriteFrame(dir), second = WriteFrame(dir, "MME0101.001");
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{"--stretch"}, {"--scale", "zscale", "--colormap", "magma", "--invert"}}) {
    std::vector<std::string> args = options;
    args.insert(args.end(),
                {"--keep-going", "--animate", dir / "a.png", "--fps", "25", first, dir / "missing.012", second});
    const RenderRun run = Render(args);
    EXPECT_EQ(run.ExitCode, ExitFailure);
    EXPECT_NE(run.Err.find("missing.012"), std::string::npos) << run.Err;
    const auto chunks = PngChunks(ReadBytes(dir / "a.png"));
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks[1], (std::pair<std::string, std::vector<std::uint8_t>>{"acTL", {0, 0, 0, 2, 0, 0, 0, 0}}));
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<std::uint8_t> sequence;  // the low bytes of the control and data chunks' numbers
    for (const auto& [type, data] : chunks) {
      if (type == "fcTL" || type == "fdAT") sequence.push_back(data[3]);
      if (type == "fcTL") {
        EXPECT_EQ(std::vector(data.end() - 6, data.end()), (std::vector<std::uint8_t>{0, 1, 0, 25, 0, 0}));
      }
      if (type == "IDAT") frames.push_back(data);
      if (type == "fdAT") frames.emplace_back(data.begin() + 4, data.end());
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(sequence, (std::vector<std::uint8_t>{0, 1, 2}));
    for (std::size_t i = 0; i < 2; ++i) {
      std::vector<std::string> alone = options;
      alone.insert(alone.end(), {i == 0 ? first : second, "-o", dir / "alone.bmp"});
      ASSERT_EQ(Render(alone).ExitCode, ExitSuccess);
      const auto decoded = testing::DecodePng(StillPng(chunks[0].second, frames[i]));
      ASSERT_TRUE(decoded);
      EXPECT_TRUE(decoded->Rgb == testing::BmpAsRgb(ReadBytes(dir / "alone.bmp"))) << i;
    }
  }
}

// Three views of one scene: the offsets come out as made, in frame lines and samples whatever the
// geometry, and the aligned channels agree wherever all three show the scene.
TEST(RenderCommand, ComposeAlignsTheGreenAndBlueFramesToTheRed) {
  TempDir dir;
  const auto [red, green, blue] = testing::WriteShiftedViews(VANTOREL_SAMPLES_DIR "/MVE0101.012", dir);
  for (const char* geometry : {"--stretch", "--rotate"}) {
    const RenderRun run = Render({geometry, "--compose", red, green, blue, "-o", dir / "c.png"});
    ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    EXPECT_EQ(run.Out, "offset " + green + " 7 -12\noffset " + blue + " -5 9\n");
    const auto png = testing::DecodePng(ReadBytes(dir / "c.png"));
    ASSERT_TRUE(png);
    std::size_t inside = 0, agreeing = 0;
    for (int y = 20; y < FrameLines - 20; ++y)
      for (int x = 20; x < PictureSamples - 20; ++x) {
        const std::uint8_t* rgb = &png->Rgb[(std::size_t(y) * PictureSamples + std::size_t(x)) * 3];
        if (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0) continue;
        ++inside;
        agreeing += std::abs(rgb[0] - rgb[1]) <= 2 && std::abs(rgb[0] - rgb[2]) <= 2;
      }
    EXPECT_GT(agreeing, inside * 99 / 100) << geometry;
  }
  // One frame three times: no offset, and grey wherever it shows.
  const RenderRun same = Render({"--compose", red, red, red, "-o", dir / "same.png"});
  ASSERT_EQ(same.ExitCode, ExitSuccess) << same.Err;
  EXPECT_EQ(same.Out, "offset " + red + " 0 0\noffset " + red + " 0 0\n");
  const auto grey = testing::DecodePng(ReadBytes(dir / "same.png"));
  ASSERT_TRUE(grey);
  for (std::size_t i = 0; i < grey->Rgb.size(); i += 3)
    if (grey->Rgb[i] != grey->Rgb[i + 1] || grey->Rgb[i] != grey->Rgb[i + 2]) FAIL() << "pixel " << i / 3;
  // Three different scenes: refused, not given a wild offset.
  const RenderRun unrelated = Render({"--compose", VANTOREL_SAMPLES_DIR "/MVE0101.012",
                                      VANTOREL_SAMPLES_DIR "/MVE0257.120", red, "-o", dir / "u.png"});
  EXPECT_EQ(unrelated.ExitCode, ExitFailure);
  EXPECT_NE(unrelated.Err.find("the pictures do not overlap"), std::string::npos) << unrelated.Err;
  ASSERT_EQ(Render({"--compose", red, green, blue, "-o", dir / "c.fits"}).ExitCode, ExitSuccess);
  const std::vector<std::uint8_t> fits = ReadBytes(dir / "c.fits");
  const std::string header(fits.begin(), fits.begin() + std::min<std::ptrdiff_t>(2880, std::ssize(fits)));
  for (const char* card : {"NAXIS3  =                    3", "FRAME2  = 'MVE0101.012'",
                           "DLINE2  =                   7.", "DSAMP3  =                   9."})
    EXPECT_NE(header.find(card), std::string::npos) << card;
}

// What file managers run: the one file asked for and nothing else, which says where it came from.
TEST(RenderCommand, ThumbnailWritesOnlyItsFile) {
  TempDir dir;
  const std::string frame = WriteFrame(dir);
  const RenderRun run = Render({"--thumbnail", "64", frame, dir / "t.png"});
  ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
  EXPECT_EQ(run.Out + run.Err, "");
  const std::optional<testing::DecodedPng> png = testing::DecodePng(ReadBytes(dir / "t.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->Width, 64);
  EXPECT_EQ(png->Height, 54);
  EXPECT_EQ(png->TextOf("Thumb::URI"), "file://" + frame);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), {}), 2);
}

// On a pipe a line for each frame, on a terminal one line redrawn, with
// --quiet only what went wrong; then the summary.
TEST(RenderCommand, FolderModeGoesOnPastABadFrameAndSaysSo) {
  TempDir frames, outputs;
  const std::string good = WriteFrame(frames), shortFrame = WriteFrame(frames, "MVE0101.013", ShortFrameFileBytes);
  const std::string missing =
                        "vantorel-render: cannot read " + frames / "MISSING.015" + ": No such file or directory\n",
                    taken = "vantorel-render: cannot write " + outputs / "MVE0101.012.png" +
                            ": an earlier frame of the same name went there\n",
                    summary = "vantorel-render: 2 written, 1 failed, 1 skipped in T s\n", clear = "\r\033[K";
  const std::regex progress("\r\033\\[K[1-4]/4 frames, [0-9]+\\.[0-9] frames/s, [0-9]+:[0-9]{2} left");
  for (const auto& [quiet, terminal] : {std::pair{false, false}, {false, true}, {true, true}}) {
    std::vector<std::string> args = {"--out-dir", outputs.Path().string(), "--format", "png",
                                     good,        frames / "MISSING.015",  shortFrame, good};
    if (quiet) args.push_back("--quiet");
    const RenderRun run = Render(args, {.Out = false, .Err = terminal});
    EXPECT_EQ(run.ExitCode, ExitFailure);
    if (quiet) {
      EXPECT_EQ(run.Err, missing + taken);
    } else if (!terminal) {
      EXPECT_EQ(run.Err, "[1/4] MVE0101.012\n[2/4] MISSING.015\n" + missing + "[3/4] MVE0101.013\n[4/4] MVE0101.012\n" +
                             taken + summary);
    } else {
      EXPECT_NE(run.Err.find(clear + "1/4 frames, "), std::string::npos) << run.Err;
      EXPECT_NE(run.Err.find(clear + "4/4 frames, "), std::string::npos) << run.Err;
      EXPECT_TRUE(run.Err.ends_with(clear + summary)) << run.Err;
      EXPECT_EQ(std::regex_replace(std::regex_replace(run.Err, progress, ""), std::regex("\r\033\\[K"), ""),
                missing + taken + summary);
    }
    EXPECT_TRUE(fs::exists(outputs / "MVE0101.012.png") && fs::exists(outputs / "MVE0101.013.png"));
    EXPECT_EQ(std::distance(fs::directory_iterator(outputs.Path()), {}), 2);
  }
}

// With --strict a file that is no frame fails, said after its name, and the frames after it go on.
TEST(RenderCommand, FolderModeWithStrictFailsWhatIsNoFrameAndGoesOn) {
  TempDir frames, outputs;
  const std::string good = WriteFrame(frames), shortFrame = WriteFrame(frames, "MVE0101.013", ShortFrameFileBytes);
  testing::WriteBytes(frames / "notes.txt", {'h', 'i', '\n'});
  const RenderRun run = Render({"--strict", "--out-dir", outputs.Path().string(), "--format", "png", good,
                                frames / "MISSING.015", frames / "notes.txt", shortFrame});
  EXPECT_EQ(run.ExitCode, ExitFailure);
  EXPECT_NE(run.Err.find("[1/4] MVE0101.012\n"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("[3/4] notes.txt\nvantorel-render: " + frames / "notes.txt is 3 bytes, not a frame\n[4/4]"),
            std::string::npos)
      << run.Err;
  EXPECT_NE(run.Err.find("[4/4] MVE0101.013\n"), std::string::npos) << run.Err;
  EXPECT_TRUE(fs::exists(outputs / "MVE0101.012.png") && fs::exists(outputs / "MVE0101.013.png"));
  EXPECT_EQ(std::distance(fs::directory_iterator(outputs.Path()), {}), 2);
}

// Several workers write the same files and say the same things, in the same
// order, as one: a missing frame and a name taken twice in the middle included.
TEST(RenderCommand, FolderModeOnSeveralCoresMatchesOneCore) {
  TempDir frames, other;
  std::vector<std::string> args = {"--stretch", "--colorize", "--format", "fits"};
  for (int i = 0; i < 6; ++i) args.push_back(WriteFrame(frames, "MVE0101.01" + std::to_string(i)));
  args.insert(args.begin() + 7, frames / "MISSING.001");
  args.insert(args.begin() + 9, WriteFrame(other, "MVE0101.012", ShortFrameFileBytes));
  std::vector<RenderRun> runs;
  std::vector<std::vector<std::vector<std::uint8_t>>> written;
  const TempDir outputs;
  for (const char* jobs : {"1", "2", "3"}) {
    for (const auto& entry : fs::directory_iterator(outputs.Path())) fs::remove(entry.path());
    std::vector<std::string> withJobs = args;
    withJobs.insert(withJobs.begin(), {"--jobs", jobs, "--legacy-fits", "--out-dir", outputs.Path().string()});
    runs.push_back(Render(withJobs));
    std::vector<std::vector<std::uint8_t>> files;
    for (int i = 0; i < 6; ++i) files.push_back(ReadBytes(outputs / ("MVE0101.01" + std::to_string(i) + ".fit")));
    EXPECT_EQ(std::distance(fs::directory_iterator(outputs.Path()), {}), 6) << jobs;
    written.push_back(std::move(files));
  }
  EXPECT_EQ(runs[0].ExitCode, ExitFailure);
  EXPECT_NE(runs[0].Err.find("[4/8] MISSING.001\n"), std::string::npos) << runs[0].Err;
  EXPECT_NE(runs[0].Err.find("an earlier frame of the same name went there"), std::string::npos) << runs[0].Err;
  for (std::size_t run = 1; run < runs.size(); ++run) {
    EXPECT_EQ(runs[run].ExitCode, runs[0].ExitCode);
    EXPECT_EQ(runs[run].Err, runs[0].Err);
    EXPECT_TRUE(written[run] == written[0]);
  }
}

// --info prints what Image Info shows: the Mariner 9 box alone for a Mariner 9 frame.
TEST(RenderCommand, InfoPrintsTheBoxOfTheDataSetAndCardsPrintAll) {
  TempDir dir;
  const auto joined = [](const auto& labels) {
    std::string text;
    for (const std::string& label : labels) text += label + "\n";
    return text;
  };
  const auto counted = [](const FrameDocument& document) {
    return SpecialPixelStatusText(FindSpecialPixels(document).Counts) + "\n";
  };
  FrameDocument mariner10, mariner9;
  mariner10.KeepReplacedSamples(true);
  mariner9.KeepReplacedSamples(true);
  const std::string m10 = WriteFrame(dir), m9 = WriteFrame(dir, "MME0101.001");
  mariner10.Load(m10, OptionSet{});
  mariner9.Load(m9, OptionSet{});
  ASSERT_EQ(mariner9.Header().HeaderKind, DataSet::Mariner9);
  for (const auto& [args, expected] :
       {std::pair{std::vector<std::string>{"--info", m10}, joined(mariner10.Header().InfoBox) + counted(mariner10)},
        {{"--info", m9}, joined(mariner9.Header().InfoBox2) + counted(mariner9)},
        {{"--cards", m10}, joined(mariner10.Header().LabelCards)}}) {
    const RenderRun run = Render(args);
    EXPECT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    EXPECT_EQ(run.Out, expected);
  }
}

// .fits is standard FITS, .fit the 36-card file byte for byte; --legacy-fits
// and --standard-fits choose under either name; folder mode names the layout.
TEST(RenderCommand, FitsLayoutByTheExtensionUnlessChosen) {
  TempDir dir;
  const std::string frame = WriteFrame(dir);
  fs::create_directory(dir / "out");
  FrameDocument document;
  document.Load(frame, OptionSet{});
  const std::vector<std::uint8_t> seedFile = BuildFitsFile(document.LabelCards(), document.FitsPlane());
  ASSERT_EQ(seedFile.size(), FitsFileBytes);
  const struct {
    std::vector<std::string> Args;
    std::string Written;
    bool Standard;
  } table[] = {
      {{frame, "-o", dir / "a.fit"}, dir / "a.fit", false},
      {{frame, "-o", dir / "b.FITS"}, dir / "b.FITS", true},
      {{"--legacy-fits", frame, "-o", dir / "c.fits"}, dir / "c.fits", false},
      {{"--standard-fits", frame, "-o", dir / "d.FIT"}, dir / "d.FIT", true},
      {{"--out-dir", dir / "out", "--format", "fits", frame}, dir / "out/MVE0101.012.fits", true},
      {{"--legacy-fits", "--out-dir", dir / "out", "--format", "fits", frame}, dir / "out/MVE0101.012.fit", false},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Written + (row.Standard ? " standard" : ""));
    const RenderRun run = Render(row.Args);
    ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
    const std::vector<std::uint8_t> bytes = ReadBytes(row.Written);
    if (!row.Standard) {
      EXPECT_TRUE(bytes == seedFile);
      continue;
    }
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(bytes.size() % 2880, 0u);
    EXPECT_TRUE(text.starts_with("SIMPLE  =                    T"));
    EXPECT_NE(text.find("XTENSION= 'IMAGE   '"), std::string::npos);
    EXPECT_NE(text.find("EXTNAME = 'ENGHDR  '"), std::string::npos);
  }
}

// --info counts the special pixels of the render the options ask for; --json
// adds them and what each cleaning stage replaced.
TEST(RenderCommand, InfoCountsTheSpecialPixelsOfTheRenderAskedFor) {
  TempDir dir;
  std::vector<std::uint8_t> file = testing::Mariner10FrameFile();
  file[SampleOffset(5, 10)] = 0;    // filled from above and below
  file[SampleOffset(9, 20)] = 255;  // saturated, left alone
  testing::WriteBytes(dir / "MVE0101.012", file);
  const auto lastLine = [](const std::string& out) {
    const std::size_t end = out.find_last_of('\n');
    return out.substr(out.find_last_of('\n', end - 1) + 1, end - out.find_last_of('\n', end - 1) - 1);
  };
  EXPECT_EQ(lastLine(Render({"--info", dir / "MVE0101.012"}).Out), "missing 1 / saturated 1 / replaced 0");
  EXPECT_EQ(lastLine(Render({"--info", "--reconstruct", dir / "MVE0101.012"}).Out),
            "missing 1 / saturated 1 / replaced 1");
  // The options and counters used come with the counts.
  const RenderRun run = Render({"--info", "--json", "--reconstruct", "--contrast", "-1", dir / "MVE0101.012"});
  ASSERT_EQ(run.ExitCode, ExitSuccess) << run.Err;
  const nlohmann::json object = nlohmann::json::parse(run.Out);
  EXPECT_EQ(object["specialPixels"], nlohmann::json::parse(R"({"missing":1,"saturated":1,"replaced":1})"));
  EXPECT_EQ(object["replacedByStage"],
            nlohmann::json::parse(R"({"reconstruction":1,"despeckleEarly":0,"despeckleLate":0})"));
  EXPECT_EQ(object["options"], nlohmann::json::parse(R"({"stretch":false,"despeckle":false,"reconstruct":true,
      "flip":false,"rotate":false,"sharpen":false,"invert":false,"minimize":false,"colorize":false})"));
  EXPECT_EQ(object["steps"], nlohmann::json::parse(R"({"brightness":0,"contrast":-1,"gradient":0})"));
  EXPECT_TRUE(object["scale"].is_null());
  EXPECT_EQ(object["colormap"], "grey");
  // The frame holds a 0 and a 255: the limits of min-max.
  const auto scaled = nlohmann::json::parse(
      Render({"--info", "--json", "--scale", "minmax", "--curve=log", "--colormap", "heat", dir / "MVE0101.012"}).Out);
  EXPECT_EQ(scaled["scale"], nlohmann::json::parse(R"({"mode":"minmax","curve":"log","low":0,"high":255})"));
  EXPECT_EQ(scaled["colormap"], "heat");
}

// One JSON object per line, in the order given, with the typed header:
// numbers as numbers, identifiers as strings, null for what the header does
// not say; a name that is not UTF-8 gets U+FFFD.
// Pattern samples: line L, sample S holds (7 L + S - 1) mod 251 + 1; shown as
// they are without options, inverted with --invert.
TEST(RenderCommand, StatsPrintOneJsonObjectAndProfilesACsv) {
  TempDir dir;
  const std::string frame = WriteFrame(dir);
  const RenderRun plain = Render({"--stats", "1,1,2,2", frame});
  ASSERT_EQ(plain.ExitCode, ExitSuccess) << plain.Err;
  const auto object = nlohmann::json::parse(plain.Out);
  const auto raw = nlohmann::json::parse(R"({"count":4,"mean":12.0,"median":12.0,"min":8,"max":16})");
  for (const char* key : {"raw", "shown"}) {
    for (const auto& [name, value] : raw.items()) EXPECT_EQ(object[key][name], value) << key << ' ' << name;
    EXPECT_NEAR(object[key]["std"].get<double>(), std::sqrt(12.5), 1e-12);
  }
  EXPECT_EQ(object["missing"], 0);
  EXPECT_EQ(object["saturated"], 0);
  EXPECT_EQ(plain.Out.find('\n'), plain.Out.size() - 1);
  EXPECT_EQ(nlohmann::json::parse(Render({"--stats", "1,1,2,2", "--invert", frame}).Out)["shown"]["max"], 255 - 8);
  EXPECT_EQ(Render({"--profile", "1,1,2,3", frame}).Out,
            "index,line,sample,raw,shown\n0,1,1,8,8\n1,2,2,16,16\n2,2,3,17,17\n");
}

TEST(RenderCommand, InfoJsonCarriesTheTypedHeaderOfBothDataSets) {
  TempDir dir;
  testing::WriteBytes(dir / "MVE0101.012", testing::Mariner10FrameFile());
  testing::WriteBytes(dir / "MME0101.001", testing::Mariner9FrameFile());
  testing::WriteBytes(dir / "odd\xff.001", testing::Mariner10FrameFile(300000));
  const RenderRun run = Render({"--info", "--json", dir / "MVE0101.012", dir / "MME0101.001", dir / "odd\xff.001"});
  EXPECT_EQ(run.ExitCode, ExitSuccess);
  EXPECT_EQ(run.Err, "vantorel-render: " + dir / "odd\\xFF.001 is 300,000 bytes, not a frame\n");
  std::istringstream lines(run.Out);
  std::vector<nlohmann::json> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 3u);
  const nlohmann::json mariner10 = nlohmann::json::parse(R"({"layout":"Mariner 10","spacecraft":"Mariner 10",
      "nssdcDataSetId":"PSPA-00108","dataSetCode":"MVM73","fdsCount":"0166788","pictureNumber":null,"camera":"A",
      "filterNumber":5,"filterName":"Clear","exposureSeconds":0.36,"observed":"1974-01-29T12:34:56","target":null,
      "revolution":null})");
  const struct {
    nlohmann::json Header;
    std::size_t Bytes;
    bool Frame;
    std::string File;
  } expected[] = {
      {mariner10, FullFrameFileBytes, true, "MVE0101.012"},
      {nlohmann::json::parse(R"({"layout":"Mariner 9","spacecraft":"Mariner 9","nssdcDataSetId":"PSPG-00235",
          "dataSetCode":null,"fdsCount":null,"pictureNumber":"0123-4567","camera":"A","filterNumber":4,
          "filterName":"GREEN","exposureSeconds":0.006,"observed":"1971-11-16T12:34:56","target":"MARS",
          "revolution":12})"),
       FullFrameFileBytes, true, "MME0101.001"},
      {mariner10, 300000, false, "odd\xEF\xBF\xBD.001"},
  };
  for (std::size_t i = 0; i < objects.size(); ++i) {
    EXPECT_EQ(objects[i]["header"], expected[i].Header) << i;
    EXPECT_EQ(objects[i]["bytes"], expected[i].Bytes) << i;
    EXPECT_EQ(objects[i]["frame"], expected[i].Frame) << i;
    EXPECT_EQ(objects[i]["file"], expected[i].File) << i;
  }
  // The Mariner 9 lines without their padding at the end; none for Mariner 10.
  ASSERT_EQ(objects[1]["lines"].size(), testing::Mariner9Lines.size());
  EXPECT_EQ(objects[1]["lines"][4], "EXPOSURE 0.0060 SEC");
  EXPECT_EQ(objects[1]["lines"][5], "  FILTER 4 POS 2 GREEN");
  EXPECT_TRUE(objects[0]["lines"].is_null());
  EXPECT_EQ(objects[0]["cards"].size(), 27u);
}

// Names are bytes: names that are not UTF-8 are written exactly as asked, and
// two of them that a text conversion would merge stay two files.
TEST(RenderCommand, NamesThatAreNotUtf8AreWrittenAsGiven) {
  TempDir dir;
  fs::create_directory(dir / "out\xff");
  const std::string first = WriteFrame(dir, "a\xff.001"), second = WriteFrame(dir, "a\xfe.001", ShortFrameFileBytes);
  const RenderRun folder = Render({"--out-dir", dir / "out\xff", first, second});
  ASSERT_EQ(folder.ExitCode, ExitSuccess) << folder.Err;
  const RenderRun single = Render({first, "-o", dir / "b\xfe.png"});
  ASSERT_EQ(single.ExitCode, ExitSuccess) << single.Err;
  for (const std::string& written : {dir / "out\xff/a\xff.001.bmp", dir / "out\xff/a\xfe.001.bmp", dir / "b\xfe.png"})
    EXPECT_TRUE(fs::exists(written)) << written;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out\xff"), {}), 2);
  EXPECT_NE(ReadBytes(dir / "out\xff/a\xff.001.bmp"), ReadBytes(dir / "out\xff/a\xfe.001.bmp"));
  // The PNG's text chunks cannot hold such a name as it is; it is escaped.
  const auto png = testing::DecodePng(ReadBytes(dir / "b\xfe.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->TextOf("Title"), "a\\xFF.001");
}

// An output that is a frame of the run is refused, whatever its spelling or
// link; a frame that is an output of the run is not read either. Decided
// before rendering, so a second run says exactly the same.
TEST(RenderCommand, AnOutputNeverReplacesAFrameOfTheRun) {
  TempDir dir;
  const std::string frame = WriteFrame(dir, "f.bmp"), other = WriteFrame(dir, "f");
  const std::vector<std::uint8_t> original = ReadBytes(frame);
  fs::create_symlink(frame, dir / "link.bmp");
  fs::create_hard_link(frame, dir / "hard.bmp");
  fs::create_directory(dir / "other");
  const std::string dotted = (dir.Path() / "." / "f.bmp").string();
  const std::string isTheFrame = "it is the frame " + frame + " of this run\n",
                    isAnOutput = "cannot read " + frame + ": it is the output of " + other + " in this run\n";
  const struct {
    std::vector<std::string> Args;
    std::vector<std::string> Said;
  } table[] = {
      {{frame, "-o", frame}, {isTheFrame}},
      {{frame, "-o", dotted}, {isTheFrame}},
      {{frame, "-o", dir / "link.bmp"}, {isTheFrame}},
      {{frame, "-o", dir / "hard.bmp"}, {isTheFrame}},
      {{"--out-dir", dir.Path().string(), other, frame}, {isTheFrame, isAnOutput}},
      {{"--out-dir", dir.Path().string(), frame, other}, {isTheFrame, isAnOutput}},
      {{frame, "-o", dir / "other/f.bmp"}, {}},
  };
  for (const auto& row : table) {
    const RenderRun run = Render(row.Args), again = Render(row.Args);
    EXPECT_EQ(run.ExitCode, row.Said.empty() ? ExitSuccess : ExitFailure) << run.Err;
    for (const std::string& said : row.Said) EXPECT_NE(run.Err.find(said), std::string::npos) << run.Err;
    EXPECT_EQ(again.ExitCode, run.ExitCode);
    EXPECT_EQ(again.Err, run.Err);
    EXPECT_EQ(ReadBytes(frame), original);
  }
  EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
  EXPECT_FALSE(fs::exists(dir / "f.bmp.bmp"));
}

// The built vantorel-render: exit status by outcome, nothing on stdout.
// The catalogue from the command line: progress and summary as folder mode
// gives them, and each output format of --select, whose JSON header is the one
// --info --json prints.
TEST(RenderCommand, CatalogueThenSelectInEachFormat) {
  TempDir dir;
  fs::create_directory(dir / "f");
  const std::string frame = WriteFrame(dir, "f/a,\"b\".img"), db = dir / "c.db";
  testing::WriteBytes(dir / "f/notes.txt", {'n'});
  const RenderRun made = Render({"--catalog", db, dir / "f"});
  EXPECT_EQ(made.ExitCode, ExitSuccess) << made.Err;
  EXPECT_EQ(made.Err, "[1/2] " + frame + "\n[2/2] " + (dir / "f/notes.txt") +
                          "\nvantorel-render: 2 added, 0 changed, 0 removed, 0 unchanged in T s\n");
  EXPECT_EQ(Render({"--catalog", db, "-q", dir / "f"}).Err, "");
  EXPECT_EQ(Render({"--select", db, "-0"}).Out, frame + '\0');
  const std::string csv = Render({"--select", db, "--format", "csv", "--all"}).Out;
  const std::string quoted = std::regex_replace(frame, std::regex("\""), "\"\"");
  EXPECT_EQ(csv.substr(0, csv.find('\n') + 1),
            "path,file,bytes,frame,error,layout,spacecraft,nssdcDataSetId,dataSetCode,fdsCount,pictureNumber,camera,"
            "filterNumber,filterName,exposureSeconds,observed,target,revolution\r\n");
  EXPECT_NE(csv.find("\r\n\"" + quoted + "\",\"a,\"\"b\"\".img\",702768,true,,Mariner 10,Mariner 10,PSPA-00108,"),
            std::string::npos)
      << csv;
  const auto selected = nlohmann::json::parse(Render({"--select", db, "--format", "json"}).Out);
  const auto info = nlohmann::json::parse(Render({"--info", "--json", frame}).Out);
  for (const char* key : {"path", "file", "bytes", "frame", "error", "header"})
    EXPECT_EQ(selected[key], info[key]) << key;
  EXPECT_EQ(selected.size(), 6u);
}

TEST(RenderExe, ExitStatusByOutcome) {
  TempDir dir;
  const std::string frame = WriteFrame(dir);
  for (const auto& [args, code] : {std::pair{std::vector<std::string>{frame, "-o", dir / "out.bmp"}, 0},
                                   {{dir / "missing.012", "-o", dir / "m.bmp"}, 1},
                                   {{frame, "-o", dir / "out.tiff"}, 2}}) {
    std::string command = std::string("'") + VANTOREL_RENDER_EXE + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status = std::system((command + " >" + dir / "stdout.txt" + " 2>/dev/null").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == code) << command;
    EXPECT_TRUE(ReadBytes(dir / "stdout.txt").empty()) << command;
  }
  EXPECT_EQ(ReadBytes(dir / "out.bmp").size(), BmpFileBytes);
  EXPECT_FALSE(fs::exists(dir / "m.bmp"));
}

// The built program under hostile conditions. Each script runs in a folder
// holding f.012 and, as names of it, frames/ (24) and many/ (150); $R is the
// program, and its messages go to the file err.
TEST(RenderExe, HostileConditions) {
  TempDir dir;
  WriteFrame(dir, "f.012");
  fs::create_directory(dir / "frames");
  fs::create_directory(dir / "many");
  for (int i = 0; i < 150; ++i) {
    const std::string name = std::to_string(1000 + i) + ".012";
    fs::create_hard_link(dir / "f.012", dir / "many/" + name);
    if (i < 24) fs::create_hard_link(dir / "f.012", dir / "frames/" + name);
  }
  const std::string startThenWait =
      "mkdir out; $R --out-dir out -j 2 many/* 2>err & p=$!; "
      "for i in $(seq 1000); do grep -q '^\\[1/' err && break; sleep 0.01; done; ";
  const std::string noTemporary = "ls -A out | grep -q vantorel && exit 91; ";
  const struct {
    const char* What;
    std::string Script;
    int Status;
    std::string Said;
  } table[] = {
      {"standard error closed",
       "mkdir ref out; $R --out-dir ref --format png -j 4 frames/* 2>err; "
       "$R --out-dir out --format png -j 4 frames/* 2>&-; s=$?; diff -r ref out >/dev/null || exit 91; exit $s",
       0, "[24/24] 1023.012"},
      {"a frame in a folder deeper than PATH_MAX",
       "top=$PWD; d=$(printf '%0250d' 0); for i in $(seq 18); do mkdir $d && cd $d || exit 92; done; "
       "cp $top/f.012 G.bmp; $R G.bmp -o G.bmp 2>$top/err; s=$?; cmp -s G.bmp $top/f.012 || exit 91; exit $s",
       1, "cannot write G.bmp: it is the frame G.bmp of this run"},
      {"killed", startThenWait + "kill -KILL $p; wait $p; " + noTemporary + "exit 0", 0, "[1/150]"},
      {"terminated",
       startThenWait + "kill -TERM $p; wait $p; s=$?; " + noTemporary +
           "for f in out/*; do [ $(stat -c %s $f) = 1747254 ] || exit 92; done; "
           "grep -Eqx 'vantorel-render: interrupted after ([0-9]+) of 150 frames: \\1 written, 0 failed, 0 skipped "
           "in [0-9]+\\.[0-9]{2} s' err || exit 93; exit $s",
       130, "vantorel-render: interrupted after "},
      {"-j 1000 with 24 files to open",
       "mkdir out; (ulimit -n 24; $R --out-dir out --format fits -j 1000 many/* 2>err); s=$?; "
       "[ $(ls out | wc -l) = 150 ] || exit 91; exit $s",
       0, "vantorel-render: rendering 1 frame at a time rather than 1000 ("},
      {"control bytes in names",
       "mkdir out; n=$(printf 'a\\033[2Jb\\a.012'); cp f.012 \"$n\"; $R --out-dir out \"$n\" \"$(printf 'x\\r')\" "
       "2>err; "
       "s=$?; grep -q \"$(printf '\\033')\" err && exit 91; exit $s",
       1, "cannot read x\\x0D: "},
      {"CFITSIO that cannot be loaded",
       "mkdir lib; echo broken >lib/" VANTOREL_CFITSIO_SONAME "; "
       "LD_LIBRARY_PATH=lib $R --standard-fits f.012 -o f.fits 2>err",
       1,
       "cannot write f.fits: standard FITS needs " VANTOREL_CFITSIO_SONAME " (Debian package " VANTOREL_CFITSIO_PACKAGE
       "), which could not be loaded: lib/"},
      {"a full device",
       "$R --version >/dev/full 2>err || $R --help >/dev/full 2>>err || $R f.012 -o - >/dev/full 2>>err", 1,
       "vantorel-render: the output could not be written\n"},
      {"standard streams, pipes and a FIFO",
       "$R f.012 -o a.png && $R f.012 -o a.bmp && $R f.012 --format png -o - >b.png && cmp a.png b.png || exit 91; "
       "cat f.012 | $R - -o c.bmp && cmp a.bmp c.bmp || exit 92; "
       "$R --name f.012 - -o - --format png <f.012 >d.png && cmp a.png d.png || exit 93; "
       "mkfifo p; (cat f.012 >p &); $R p -o e.bmp && cmp a.bmp e.bmp || exit 94; "
       "$R <(cat f.012) -o g.bmp && cmp a.bmp g.bmp || exit 95; "
       "cp f.012 s.bmp; $R - -o s.bmp <s.bmp 2>err && exit 96; cmp s.bmp f.012",
       0, "cannot write s.bmp: it is standard input, a frame of this run"},
      {"--quiet",
       "mkdir out; $R -q --out-dir out frames/* f.013 2>err; s=$?; [ $(wc -l <err) = 1 ] || exit 91; exit $s", 1,
       "vantorel-render: cannot read f.013: No such file or directory\n"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.What);
    const fs::path folder = dir.Path() / std::to_string(&row - table);
    fs::create_directory(folder);
    fs::create_symlink(dir / "f.012", folder / "f.012");
    fs::create_directory_symlink(dir / "frames", folder / "frames");
    fs::create_directory_symlink(dir / "many", folder / "many");
    testing::WriteBytes(folder / "run.sh", std::vector<std::uint8_t>(row.Script.begin(), row.Script.end()));
    const std::string command = "cd '" + folder.string() + "' && R='" VANTOREL_RENDER_EXE "' bash run.sh";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == row.Status) << WEXITSTATUS(status);
    const std::vector<std::uint8_t> said = ReadBytes(folder / "err");
    EXPECT_NE(std::string(said.begin(), said.end()).find(row.Said), std::string::npos)
        << std::string(said.begin(), said.end());
  }
}

}  // namespace
}  // namespace vantorel::cli
