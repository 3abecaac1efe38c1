// Helpers shared by the tests: hand-made frames, a render harness, temp folders.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frames/frame_layout.h"
#include "header/header_record.h"
#include "pipeline/render_context.h"

namespace vantorel::testing {

// Everything one stage needs, owned in one place. WorkFrame starts all zero and
// BytesRead as for a full frame.
struct StageHarness {
  FrameBuffer Work = MakeFrameBuffer();
  std::vector<std::uint8_t> Bitmap = std::vector<std::uint8_t>(BitmapImageBytes, 0);
  std::vector<std::uint8_t> Fits = std::vector<std::uint8_t>(FitsPlaneBytes, 0);
  ToneSteps Steps;
  std::string FileName = "TEST";
  OptionSet Options{};
  std::int32_t BytesRead = std::int32_t(FrameBytes);
  DisplaySettings Display;

  StageHarness& With(Option option, int value = 1) {
    Entry(Options, option) = value;
    return *this;
  }
  // A fresh context over the harness's buffers.
  RenderContext Context();

  std::uint8_t& At(int line, int sample) { return Work[SampleOffset(line, sample)]; }
  // Sets every picture sample of lines 1..700 (suffix bytes untouched).
  void FillPicture(std::uint8_t value);
};

// A byte telling (record, sample) apart well enough to catch a misplaced line or sample.
inline std::uint8_t Marker(int record, int sample) {
  return std::uint8_t((record * 31 + sample * 7 + record / 8) % 256);
}
// Sets every byte of the harness's frame, header and suffixes included, to its Marker.
inline void FillMarked(StageHarness& harness) {
  for (std::size_t i = 0; i < harness.Work.size(); ++i)
    harness.Work[i] = Marker(int(i / RecordBytes), int(i % RecordBytes) + 1);
}
// Runs one stage over a fresh context of the harness.
inline void RunStage(StageHarness& harness, void (*stage)(RenderContext&)) {
  RenderContext context = harness.Context();
  stage(context);
}

// Blue, green, red of the composed pixel of (line, sample); line 1 is the bottom row.
inline std::array<int, 3> BitmapPixel(const StageHarness& harness, int line, int sample) {
  const std::size_t at = BmpHeaderBytes + std::size_t(line - 1) * BmpRowBytes + std::size_t(sample - 1) * 3;
  return {harness.Bitmap[at], harness.Bitmap[at + 1], harness.Bitmap[at + 2]};
}

// A unique folder under the system temp folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& path);
// The scene of the frame file at source moved down and along (its records and
// their suffixes stay in place; what moves in is 0), written as dir / name,
// folders made as needed. Returns the path.
std::string WriteShiftedFrame(const std::string& source, const TempDir& dir, const std::string& name, int down,
                              int along);
// Three views of source's scene, one name in three folders (so that the
// stretch takes one table for all): r/ as it is, g/ 7 lines down and 12
// samples back, b/ 5 lines up and 9 samples along. Their paths, red first.
std::array<std::string, 3> WriteShiftedViews(const std::string& source, const TempDir& dir);

// A frame file of the given length whose picture samples follow a simple
// pattern, so that any record can be recognised: sample s of file record k
// holds (k * 7 + s) mod 251 + 1 (never zero). Header bytes are zero.
std::vector<std::uint8_t> PatternFrameFile(std::size_t length);
std::uint8_t PatternByte(int fileRecord, int offsetInRecord);

// A Mariner 10 header record as its mark, camera and filter digits give it.
HeaderRecord Mariner10Record(std::string code, std::string fds, char camera, int filter, std::string filterName,
                             double exposure, ObservationTime observed);

// The typed header of each sample frame in build/samples, as read off the
// bytes the generator writes: file name, record.
std::vector<std::pair<std::string, HeaderRecord>> SampleHeaderRecords();

// A PNG file read back with libspng.
struct DecodedPng {
  int ColorType = -1;  // as in the file's header: 0 grey, 2 RGB, 3 palette
  int Width = 0, Height = 0;
  std::vector<std::uint8_t> Rgb;  // the pixels, top row first
  struct Text {
    std::string Keyword, Value;
    int Type;  // 1 tEXt, 2 zTXt, 3 iTXt
  };
  std::vector<Text> Texts;
  // The value of the one chunk of that keyword; empty when there is not exactly one.
  std::string TextOf(std::string_view keyword) const;
};
std::optional<DecodedPng> DecodePng(const std::vector<std::uint8_t>& png);

// The pixels of a composed BMP file as RGB, top row first.
std::vector<std::uint8_t> BmpAsRgb(const std::vector<std::uint8_t>& bmp);

}  // namespace vantorel::testing
