#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace vantorel::testing {

RenderContext StageHarness::Context() {
  return {.WorkFrame = Work,
          .BitmapImage = Bitmap,
          .FitsPlane = Fits,
          .ActiveOptions = Options,
          .Steps = &Steps,
          .BytesRead = BytesRead,
          .CurrentFileName = FileName,
          .Despeckle = {}};
}

void StageHarness::FillPicture(std::uint8_t value) {
  for (int line = 1; line <= FrameLines; ++line)
    for (int s = 1; s <= PictureSamples; ++s) At(line, s) = value;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("vantorel-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint8_t PatternByte(int fileRecord, int offsetInRecord) {
  return std::uint8_t((fileRecord * 7 + offsetInRecord) % 251 + 1);
}

std::vector<std::uint8_t> PatternFrameFile(std::size_t length) {
  std::vector<std::uint8_t> bytes(length, 0);
  for (std::size_t i = RecordBytes; i < length; ++i) bytes[i] = PatternByte(int(i / RecordBytes), int(i % RecordBytes));
  return bytes;
}

}  // namespace vantorel::testing
