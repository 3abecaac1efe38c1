#include "support/test_support.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#include <spng.h>
#include <unistd.h>

#include <memory>

namespace vantorel::testing {

RenderContext StageHarness::Context() {
  RenderContext context{.WorkFrame = Work,
                        .BitmapImage = Bitmap,
                        .FitsPlane = Fits,
                        .ActiveOptions = Options,
                        .Steps = &Steps,
                        .BytesRead = BytesRead,
                        .CurrentFileName = FileName,
                        .Despeckle = {}};
  context.Display = Display;
  return context;
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

HeaderRecord Mariner10Record(std::string code, std::string fds, char camera, int filter, std::string filterName,
                             double exposure, ObservationTime observed) {
  return HeaderRecord{.Kind = DataSet::Mariner10,
                      .Spacecraft = DataSet::Mariner10,
                      .NssdcDataSetId = "PSPA-00108",
                      .HeaderDataSetCode = code,
                      .FdsCount = fds,
                      .Camera = camera,
                      .FilterNumber = filter,
                      .FilterName = filterName,
                      .ExposureSeconds = exposure,
                      .Observed = observed};
}

std::vector<std::pair<std::string, HeaderRecord>> SampleHeaderRecords() {
  const auto mariner10 = Mariner10Record;
  return {
      {"MVE0101.012",
       mariner10("MVM01", "0026870", 'A', 5, "Clear", 1.234, {"74", "089", "20/47/13", "1974-03-30T20:47:13"})},
      {"MVE0257.120", mariner10("MVM02", "0027114", 'B', 8, "Yellow bandpass", 0.042,
                                {"74", "090", "02/05/58", "1974-03-31T02:05:58"})},
      {"MVE0301.230",
       mariner10("MVM03", "0027301", 'A', 2, "Blue bandpass", 0.46, {"74", "091", "11/30/07", "1974-04-01T11:30:07"})},
      {"MME0101.001",
       {.Kind = DataSet::Mariner9,
        .Spacecraft = DataSet::Mariner9,
        .NssdcDataSetId = "PSPG-00235",
        .PictureNumber = "712",
        .Camera = 'B',
        .FilterNumber = 3,
        .FilterName = "ORANGE",
        .ExposureSeconds = 0.048,
        .Observed = {"1972", "012", "02:41:17", "1972-01-12T02:41:17"},
        .Target = "MARS",
        .Revolution = 128}},
  };
}

std::vector<std::uint8_t> PatternFrameFile(std::size_t length) {
  std::vector<std::uint8_t> bytes(length, 0);
  for (std::size_t i = RecordBytes; i < length; ++i) bytes[i] = PatternByte(int(i / RecordBytes), int(i % RecordBytes));
  return bytes;
}

std::string DecodedPng::TextOf(std::string_view keyword) const {
  const Text* found = nullptr;
  for (const Text& text : Texts) {
    if (text.Keyword != keyword) continue;
    if (found) return {};
    found = &text;
  }
  return found ? found->Value : std::string();
}

std::optional<DecodedPng> DecodePng(const std::vector<std::uint8_t>& png) {
  const std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(0), spng_ctx_free);
  spng_ctx* ctx = context.get();
  spng_ihdr header{};
  std::size_t size = 0;
  if (!ctx || spng_set_png_buffer(ctx, png.data(), png.size()) != 0 || spng_get_ihdr(ctx, &header) != 0 ||
      spng_decoded_image_size(ctx, SPNG_FMT_RGB8, &size) != 0)
    return std::nullopt;
  DecodedPng decoded;
  decoded.ColorType = header.color_type;
  decoded.Width = int(header.width), decoded.Height = int(header.height);
  decoded.Rgb.resize(size);
  if (spng_decode_image(ctx, decoded.Rgb.data(), size, SPNG_FMT_RGB8, 0) != 0) return std::nullopt;
  std::uint32_t count = 0;
  if (spng_get_text(ctx, nullptr, &count) == 0) {
    std::vector<spng_text> texts(count);
    if (spng_get_text(ctx, texts.data(), &count) != 0) return std::nullopt;
    for (const spng_text& text : texts) decoded.Texts.push_back({text.keyword, {text.text, text.length}, text.type});
  }
  return decoded;
}

std::vector<std::uint8_t> BmpAsRgb(const std::vector<std::uint8_t>& bmp) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(BmpPixelBytes);
  for (int row = FrameLines - 1; row >= 0; --row) {
    for (int x = 0; x < PictureSamples; ++x) {
      const std::size_t at = BmpHeaderBytes + std::size_t(row) * BmpRowBytes + std::size_t(x) * 3;
      rgb.insert(rgb.end(), {bmp.at(at + 2), bmp.at(at + 1), bmp.at(at)});
    }
  }
  return rgb;
}

std::array<std::string, 3> WriteShiftedViews(const std::string& source, const TempDir& dir) {
  const std::string name = std::filesystem::path(source).filename();
  return {WriteShiftedFrame(source, dir, "r/" + name, 0, 0), WriteShiftedFrame(source, dir, "g/" + name, 7, -12),
          WriteShiftedFrame(source, dir, "b/" + name, -5, 9)};
}

std::string WriteShiftedFrame(const std::string& source, const TempDir& dir, const std::string& name, int down,
                              int along) {
  const std::vector<std::uint8_t> frame = ReadBytes(source);
  std::vector<std::uint8_t> shifted = frame;
  const int lines = int(frame.size() / RecordBytes) - 1;
  for (int line = 0; line < lines; ++line)
    for (int s = 0; s < PictureSamples; ++s) {
      const int fromLine = line - down, fromSample = s - along;
      const bool inside = fromLine >= 0 && fromLine < lines && fromSample >= 0 && fromSample < PictureSamples;
      shifted[std::size_t(line + 1) * RecordBytes + std::size_t(s)] =
          inside ? frame[std::size_t(fromLine + 1) * RecordBytes + std::size_t(fromSample)] : 0;
    }
  std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
  WriteBytes(dir / name, shifted);
  return dir / name;
}

}  // namespace vantorel::testing
