#include "output/png_file.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>
#include <string_view>

#include "frames/frame_layout.h"
#include "output/atomic_file.h"

namespace vantorel {

namespace {

constexpr int BitDepth = 8;
constexpr std::size_t PaletteLimit = 256;
constexpr std::size_t MaxKeywordLength = 79;

enum class ColorType : std::uint8_t { Grey = 0, Rgb = 2, Palette = 3 };

// The pixels to encode, blue first: a composed BMP's rows run bottom-up, a
// picture's top-down.
struct PixelRows {
  const std::uint8_t* Top;  // the first pixel of the top row
  std::ptrdiff_t Stride;    // from one row to the next one down
  int Width;
  int Height;

  const std::uint8_t* Pixel(int y, int x) const { return Top + y * Stride + std::ptrdiff_t(x) * 3; }
};

// Never a colour: keys have 24 bits.
constexpr std::uint32_t NoColor = 0xFFFF'FFFF;

std::uint32_t ColorKey(const std::uint8_t* bgr) { return std::uint32_t(bgr[2]) << 16 | bgr[1] << 8 | bgr[0]; }

bool AllGrey(const PixelRows& rows) {
  for (int y = 0; y < rows.Height; ++y) {
    const std::uint8_t* pixel = rows.Pixel(y, 0);
    for (int x = 0; x < rows.Width; ++x, pixel += 3)
      if (pixel[0] != pixel[1] || pixel[1] != pixel[2]) return false;
  }
  return true;
}

// The distinct colours of a picture as long as there are no more than 256,
// each with the index of its first appearance. Open addressing over a table
// four times the limit keeps probing short.
class ColorIndex {
 public:
  // The colour's index; nothing once a 257th colour turns up.
  std::optional<std::uint8_t> IndexOf(std::uint32_t key) {
    std::size_t slot = (key * 2654435761u) >> 22;  // 10 bits: the table's size
    while (keys_[slot] != NoColor) {
      if (keys_[slot] == key) return indices_[slot];
      slot = (slot + 1) % keys_.size();
    }
    if (colors_.size() == PaletteLimit) return std::nullopt;
    keys_[slot] = key;
    indices_[slot] = std::uint8_t(colors_.size());
    colors_.push_back(key);
    return indices_[slot];
  }
  // In order of first appearance.
  const std::vector<std::uint32_t>& Colors() const { return colors_; }

 private:
  static constexpr std::size_t Slots = 4 * PaletteLimit;
  std::array<std::uint32_t, Slots> keys_ = [] {
    std::array<std::uint32_t, Slots> keys;
    keys.fill(NoColor);
    return keys;
  }();
  std::array<std::uint8_t, Slots> indices_{};
  std::vector<std::uint32_t> colors_;
};

// The colour type of the PNG and, for a palette, what maps colours to it.
// Rows are made one at a time as the encoder takes them: a whole converted
// picture would be another 1.75 MB of memory touched once.
struct PngLayout {
  ColorType Type = ColorType::Rgb;
  std::vector<std::uint32_t> Palette;                // sorted colour keys; a pixel holds its colour's place here
  ColorIndex Colors;                                 // each colour's index of first appearance
  std::array<std::uint8_t, PaletteLimit> PlaceOf{};  // index of first appearance -> place in Palette
};

// Whether the picture has at most a palette's colours, counted into colors.
bool CountColors(const PixelRows& rows, ColorIndex& colors) {
  std::uint32_t lastKey = NoColor;
  for (int y = 0; y < rows.Height; ++y) {
    const std::uint8_t* pixel = rows.Pixel(y, 0);
    for (int x = 0; x < rows.Width; ++x, pixel += 3) {
      const std::uint32_t key = ColorKey(pixel);
      if (key == lastKey) continue;
      if (!colors.IndexOf(key)) return false;
      lastKey = key;
    }
  }
  return true;
}

std::unique_ptr<PngLayout> LayoutOf(const PixelRows& rows) {
  auto layout = std::make_unique<PngLayout>();
  if (AllGrey(rows)) {
    layout->Type = ColorType::Grey;
  } else if (CountColors(rows, layout->Colors)) {
    layout->Type = ColorType::Palette;
    // Sorted, so that the file does not depend on where a colour first appears.
    const std::vector<std::uint32_t>& colors = layout->Colors.Colors();
    layout->Palette = colors;
    std::sort(layout->Palette.begin(), layout->Palette.end());
    for (std::size_t i = 0; i < layout->Palette.size(); ++i) {
      const auto first = std::find(colors.begin(), colors.end(), layout->Palette[i]);
      layout->PlaceOf[std::size_t(first - colors.begin())] = std::uint8_t(i);
    }
  }
  return layout;
}

std::size_t RowBytes(ColorType type, int width) { return std::size_t(width) * (type == ColorType::Rgb ? 3 : 1); }

// PNG row y (top row first) in the layout's colour type.
void MakeRow(PngLayout& layout, const PixelRows& rows, int y, std::uint8_t* out) {
  switch (layout.Type) {
    case ColorType::Grey:
      for (int x = 0; x < rows.Width; ++x) *out++ = rows.Pixel(y, x)[0];
      return;
    case ColorType::Rgb:
      for (int x = 0; x < rows.Width; ++x) {
        const std::uint8_t* bgr = rows.Pixel(y, x);
        *out++ = bgr[2];
        *out++ = bgr[1];
        *out++ = bgr[0];
      }
      return;
    case ColorType::Palette: {
      std::uint32_t lastKey = NoColor;
      std::uint8_t lastPlace = 0;
      for (int x = 0; x < rows.Width; ++x) {
        const std::uint32_t key = ColorKey(rows.Pixel(y, x));
        if (key != lastKey) {
          lastKey = key;
          lastPlace = layout.PlaceOf[layout.Colors.IndexOf(key).value_or(0)];  // every colour was counted
        }
        *out++ = lastPlace;
      }
      return;
    }
  }
}

bool PrintableAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

bool ValidKeyword(std::string_view keyword) {
  // Leading, trailing and doubled spaces are not allowed in a keyword either.
  return !keyword.empty() && keyword.size() <= MaxKeywordLength && PrintableAscii(keyword) && keyword.front() != ' ' &&
         keyword.back() != ' ' && keyword.find("  ") == std::string_view::npos;
}

// Text chunks hold no control characters other than the line feed.
bool AllowedCodePoint(std::uint32_t c) { return c == '\n' || (c >= 0x20 && c < 0x7F) || c >= 0xA0; }

bool PlainAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == '\n' || (c >= 0x20 && c <= 0x7E); });
}

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF)
// of allowed code points only.
bool CleanUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = std::uint8_t(text[i]);
    int length = 0;
    std::uint32_t c = 0, least = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, c = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, c = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, c = lead & 0x07u, least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i < std::size_t(length)) return false;
    for (int k = 1; k < length; ++k) {
      const auto next = std::uint8_t(text[i + std::size_t(k)]);
      if ((next & 0xC0) != 0x80) return false;
      c = c << 6 | (next & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || !AllowedCodePoint(c)) return false;
    i += std::size_t(length);
  }
  return true;
}

std::string Escaped(std::string_view text) {
  constexpr std::string_view Hex = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : text) {
    const auto byte = std::uint8_t(c);
    if (c == '\n' || (byte >= 0x20 && byte <= 0x7E && c != '\\')) {
      escaped += c;
    } else {
      escaped += "\\x";
      escaped += Hex[byte >> 4];
      escaped += Hex[byte & 0xF];
    }
  }
  return escaped;
}

// The bytes of the file as they are put together: chunks of length, type,
// data and the CRC of type and data.
class PngWriter {
 public:
  PngWriter() { bytes_.assign(Signature.begin(), Signature.end()); }

  void Chunk(std::string_view type, std::span<const std::uint8_t> data) {
    PutBigEndian(bytes_, std::uint32_t(data.size()));
    const std::size_t typeAt = bytes_.size();
    bytes_.insert(bytes_.end(), type.begin(), type.end());
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    PutBigEndian(bytes_, std::uint32_t(crc32(0, bytes_.data() + typeAt, uInt(bytes_.size() - typeAt))));
  }
  void Reserve(std::size_t more) { bytes_.reserve(bytes_.size() + more); }
  std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  static void PutBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(std::uint8_t(value >> shift));
  }

 private:
  static constexpr std::array<std::uint8_t, 8> Signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> bytes_;
};

struct TextChunk {
  const char* Type;
  std::vector<std::uint8_t> Data;
};

// tEXt for ASCII, iTXt (not compressed, no language) for clean UTF-8, escaped
// tEXt for anything else; nothing when a keyword is not allowed.
std::optional<std::vector<TextChunk>> TextChunks(const PngText& text) {
  std::vector<TextChunk> chunks;
  for (const PngTextEntry& entry : text) {
    if (!ValidKeyword(entry.Keyword)) return std::nullopt;
    if (entry.Text.empty()) continue;
    TextChunk chunk{"tEXt", std::vector<std::uint8_t>(entry.Keyword.begin(), entry.Keyword.end())};
    chunk.Data.push_back(0);
    std::string escaped;
    std::string_view body = entry.Text;
    if (!PlainAscii(entry.Text)) {
      if (CleanUtf8(entry.Text)) {
        chunk.Type = "iTXt";
        // Compression flag and method, then the empty language tag and translated keyword.
        chunk.Data.insert(chunk.Data.end(), {0, 0, 0, 0});
      } else {
        escaped = Escaped(entry.Text);
        body = escaped;
      }
    }
    chunk.Data.insert(chunk.Data.end(), body.begin(), body.end());
    chunks.push_back(std::move(chunk));
  }
  return chunks;
}

enum class FilterType : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

int PaethPredictor(int left, int above, int aboveLeft) {
  const int estimate = left + above - aboveLeft;
  const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above),
            toAboveLeft = std::abs(estimate - aboveLeft);
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return left;
  return toAbove <= toAboveLeft ? above : aboveLeft;
}

// Filters one row into out: the filter type byte, then the row. previous is
// the row above (zero above the top row). Each type has a loop of its own, so
// that the compiler can vectorise the simple ones.
void FilterRow(FilterType type, std::span<const std::uint8_t> row, std::span<const std::uint8_t> previous,
               std::size_t pixelBytes, std::uint8_t* out) {
  *out++ = std::uint8_t(type);
  const std::size_t length = row.size();
  const std::uint8_t* r = row.data();
  const std::uint8_t* p = previous.data();
  switch (type) {
    case FilterType::None: std::copy_n(r, length, out); return;
    case FilterType::Sub:
      std::copy_n(r, pixelBytes, out);
      for (std::size_t i = pixelBytes; i < length; ++i) out[i] = std::uint8_t(r[i] - r[i - pixelBytes]);
      return;
    case FilterType::Up:
      for (std::size_t i = 0; i < length; ++i) out[i] = std::uint8_t(r[i] - p[i]);
      return;
    case FilterType::Average:
      for (std::size_t i = 0; i < length; ++i) {
        const int left = i >= pixelBytes ? r[i - pixelBytes] : 0;
        out[i] = std::uint8_t(r[i] - (left + p[i]) / 2);
      }
      return;
    case FilterType::Paeth:
      for (std::size_t i = 0; i < length; ++i) {
        const bool first = i < pixelBytes;
        out[i] =
            std::uint8_t(r[i] - PaethPredictor(first ? 0 : r[i - pixelBytes], p[i], first ? 0 : p[i - pixelBytes]));
      }
      return;
  }
}

// The usual guess at the filter that compresses a row best: the smallest sum
// of the filtered bytes taken as signed.
std::uint64_t FilteredCost(const std::vector<std::uint8_t>& filtered) {
  std::uint64_t cost = 0;
  for (std::size_t i = 1; i < filtered.size(); ++i) cost += std::uint64_t(std::abs(int(std::int8_t(filtered[i]))));
  return cost;
}

FilterType FixedFilter(PngFilter filter) {
  switch (filter) {
    case PngFilter::None: return FilterType::None;
    case PngFilter::Sub: return FilterType::Sub;
    case PngFilter::Up: return FilterType::Up;
    case PngFilter::Paeth:
    case PngFilter::Adaptive: break;
  }
  return FilterType::Paeth;
}

constexpr int WindowBits = 15;
constexpr int MemoryLevel = 8;
// The IDAT chunk size of common writers; readers take any.
constexpr std::size_t IdatChunkBytes = 8192;

struct StreamEnd {
  void operator()(z_stream* stream) const { deflateEnd(stream); }
};

using DataSink = std::function<void(std::span<const std::uint8_t>)>;

// The compressed filtered rows, made one row at a time and handed to emit a
// chunk's worth at a time; false when the encoding failed.
bool CompressRows(PngLayout& layout, const PixelRows& rows, const PngEncoding& encoding, const DataSink& emit) {
  const std::size_t rowBytes = RowBytes(layout.Type, rows.Width), pixelBytes = layout.Type == ColorType::Rgb ? 3 : 1;
  z_stream stream{};
  if (deflateInit2(&stream, encoding.CompressionLevel, Z_DEFLATED, WindowBits, MemoryLevel,
                   encoding.RunLength ? Z_RLE : Z_DEFAULT_STRATEGY) != Z_OK)
    return false;
  const std::unique_ptr<z_stream, StreamEnd> end(&stream);
  std::array<std::uint8_t, IdatChunkBytes> chunk;
  stream.next_out = chunk.data();
  stream.avail_out = uInt(chunk.size());
  std::vector<std::uint8_t> row(rowBytes), previous(rowBytes, 0), filtered(rowBytes + 1), candidate(rowBytes + 1);
  for (int y = 0; y < rows.Height; ++y) {
    MakeRow(layout, rows, y, row.data());
    if (encoding.Filter == PngFilter::Adaptive) {
      std::uint64_t best = UINT64_MAX;
      for (FilterType type :
           {FilterType::None, FilterType::Sub, FilterType::Up, FilterType::Average, FilterType::Paeth}) {
        FilterRow(type, row, previous, pixelBytes, candidate.data());
        if (const std::uint64_t cost = FilteredCost(candidate); cost < best) {
          best = cost;
          filtered.swap(candidate);
        }
      }
    } else {
      FilterRow(FixedFilter(encoding.Filter), row, previous, pixelBytes, filtered.data());
    }
    stream.next_in = filtered.data();
    stream.avail_in = uInt(filtered.size());
    const int flush = y == rows.Height - 1 ? Z_FINISH : Z_NO_FLUSH;
    for (int result = Z_OK; result != Z_STREAM_END && (stream.avail_in > 0 || flush == Z_FINISH);) {
      result = deflate(&stream, flush);
      if (result != Z_OK && result != Z_STREAM_END) return false;
      // A full chunk, or the end of the stream.
      if (stream.avail_out == 0 || result == Z_STREAM_END) {
        emit(std::span(chunk).first(chunk.size() - stream.avail_out));
        stream.next_out = chunk.data();
        stream.avail_out = uInt(chunk.size());
      }
    }
    row.swap(previous);
  }
  return true;
}

std::vector<std::uint8_t> HeaderData(int width, int height, ColorType type) {
  std::vector<std::uint8_t> header;
  PngWriter::PutBigEndian(header, std::uint32_t(width));
  PngWriter::PutBigEndian(header, std::uint32_t(height));
  // Depth and colour type, then deflate, the five filters and no interlace (all 0).
  header.insert(header.end(), {std::uint8_t(BitDepth), std::uint8_t(type), 0, 0, 0});
  return header;
}

// The composed BMP's rows, top row first; nothing when bmp is not one.
std::optional<PixelRows> BmpRows(std::span<const std::uint8_t> bmp) {
  if (bmp.size() != BmpFileBytes || bmp[0] != 'B' || bmp[1] != 'M') return std::nullopt;
  return PixelRows{bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1) * BmpRowBytes, -BmpRowBytes,
                   PictureSamples, FrameLines};
}

std::optional<std::vector<std::uint8_t>> BuildPng(const PixelRows& rows, const PngText& text,
                                                  const PngEncoding& encoding) {
  const std::optional<std::vector<TextChunk>> textChunks = TextChunks(text);
  if (!textChunks) return std::nullopt;
  const std::unique_ptr<PngLayout> layout = LayoutOf(rows);
  PngWriter png;
  png.Chunk("IHDR", HeaderData(rows.Width, rows.Height, layout->Type));
  if (layout->Type == ColorType::Palette) {
    std::vector<std::uint8_t> palette;
    for (const std::uint32_t key : layout->Palette)
      palette.insert(palette.end(), {std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key)});
    png.Chunk("PLTE", palette);
  }
  for (const TextChunk& chunk : *textChunks) png.Chunk(chunk.Type, chunk.Data);
  // Room for the compressed rows, so that the bytes are not moved as they grow;
  // only what is written is touched.
  png.Reserve(RowBytes(layout->Type, rows.Width) * std::size_t(rows.Height) / 2);
  if (!CompressRows(*layout, rows, encoding, [&png](auto data) { png.Chunk("IDAT", data); })) return std::nullopt;
  png.Chunk("IEND", {});
  return png.Take();
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildPngFile(std::span<const std::uint8_t> bmp, const PngText& text,
                                                      const PngEncoding& encoding) {
  const std::optional<PixelRows> rows = BmpRows(bmp);
  return rows ? BuildPng(*rows, text, encoding) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> BuildPngFile(const BgrPicture& picture, const PngText& text,
                                                      const PngEncoding& encoding) {
  if (picture.Width < 1 || picture.Height < 1 ||
      picture.Pixels.size() != std::size_t(picture.Width) * std::size_t(picture.Height) * 3)
    return std::nullopt;
  return BuildPng({picture.Pixels.data(), std::ptrdiff_t(picture.Width) * 3, picture.Width, picture.Height}, text,
                  encoding);
}

namespace {

// Where the frame count of the animation control chunk lies: after the
// signature, the header chunk, and the control chunk's length and type.
constexpr off_t FrameCountAt = 8 + (12 + 13) + 8;
// The loop count: 0 plays for ever.
constexpr std::uint32_t LoopForever = 0;

std::vector<std::uint8_t> BigEndian(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> bytes;
  for (const std::uint32_t value : values) PngWriter::PutBigEndian(bytes, value);
  return bytes;
}

}  // namespace

AnimatedPngWriter::AnimatedPngWriter(int fd, bool grey, int framesPerSecond, const PngText& text, int width, int height)
    : fd_(fd),
      grey_(grey),
      framesPerSecond_(framesPerSecond),
      width_(width > 0 ? width : PictureSamples),
      height_(height > 0 ? height : FrameLines) {
  failed_ = framesPerSecond < 1 || framesPerSecond > 0xFFFF || !Start(text);
}

namespace {

std::optional<std::vector<std::uint8_t>> CompressAnimationFrame(const PixelRows& rows, bool grey,
                                                                const PngEncoding& encoding) {
  if (grey && !AllGrey(rows)) return std::nullopt;
  PngLayout layout;
  layout.Type = grey ? ColorType::Grey : ColorType::Rgb;
  std::vector<std::uint8_t> compressed;
  if (!CompressRows(layout, rows, encoding,
                    [&compressed](auto data) { compressed.insert(compressed.end(), data.begin(), data.end()); }))
    return std::nullopt;
  return compressed;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> AnimatedPngWriter::CompressFrame(std::span<const std::uint8_t> bmp, bool grey,
                                                                          const PngEncoding& encoding) {
  const std::optional<PixelRows> rows = BmpRows(bmp);
  return rows ? CompressAnimationFrame(*rows, grey, encoding) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> AnimatedPngWriter::CompressFrame(const BgrPicture& picture, bool grey,
                                                                          const PngEncoding& encoding) {
  if (picture.Width < 1 || picture.Height < 1 ||
      picture.Pixels.size() != std::size_t(picture.Width) * std::size_t(picture.Height) * 3)
    return std::nullopt;
  return CompressAnimationFrame(
      {picture.Pixels.data(), std::ptrdiff_t(picture.Width) * 3, picture.Width, picture.Height}, grey, encoding);
}

bool AnimatedPngWriter::Start(const PngText& text) {
  const std::optional<std::vector<TextChunk>> textChunks = TextChunks(text);
  if (!textChunks) return false;
  PngWriter png;
  png.Chunk("IHDR", HeaderData(width_, height_, grey_ ? ColorType::Grey : ColorType::Rgb));
  // The frame count is put in by Finish, once it is known.
  png.Chunk("acTL", BigEndian({0, LoopForever}));
  for (const TextChunk& chunk : *textChunks) png.Chunk(chunk.Type, chunk.Data);
  return WriteAll(fd_, png.Take());
}

bool AnimatedPngWriter::Put(std::string_view type, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> chunk;
  chunk.reserve(data.size() + 12);
  PngWriter::PutBigEndian(chunk, std::uint32_t(data.size()));
  chunk.insert(chunk.end(), type.begin(), type.end());
  chunk.insert(chunk.end(), data.begin(), data.end());
  PngWriter::PutBigEndian(chunk, std::uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4))));
  failed_ = failed_ || !WriteAll(fd_, chunk);
  return !failed_;
}

bool AnimatedPngWriter::Append(std::span<const std::uint8_t> compressed) {
  if (failed_) return false;
  // The whole picture each time (no offset, nothing disposed or blended), shown for 1 / framesPerSecond s.
  std::vector<std::uint8_t> control = BigEndian({sequence_++, std::uint32_t(width_), std::uint32_t(height_), 0, 0});
  control.insert(control.end(), {0, 1, std::uint8_t(framesPerSecond_ >> 8), std::uint8_t(framesPerSecond_), 0, 0});
  if (!Put("fcTL", control)) return false;
  // The first frame is the picture a reader without animation shows.
  if (frames_++ == 0) return Put("IDAT", compressed);
  std::vector<std::uint8_t> data = BigEndian({sequence_++});
  data.insert(data.end(), compressed.begin(), compressed.end());
  return Put("fdAT", data);
}

bool AnimatedPngWriter::Finish() {
  if (failed_ || frames_ == 0 || !Put("IEND", {})) return false;
  std::vector<std::uint8_t> control = BigEndian({std::uint32_t(frames_), LoopForever});
  const std::vector<std::uint8_t> crc =
      BigEndian({std::uint32_t(crc32(crc32(0, reinterpret_cast<const Bytef*>("acTL"), 4), control.data(), 8))});
  control.insert(control.end(), crc.begin(), crc.end());
  return ::pwrite(fd_, control.data(), control.size(), FrameCountAt) == ssize_t(control.size());
}

}  // namespace vantorel
