#include "output/png_file.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "frames/frame_layout.h"

namespace vantorel {

namespace {

constexpr int BitDepth = 8;
constexpr std::size_t PixelCount = std::size_t{PictureSamples} * FrameLines;
constexpr std::size_t PaletteLimit = 256;
constexpr std::size_t MaxKeywordLength = 79;
constexpr int ZlibRunLengthStrategy = 3;  // Z_RLE

enum class ColorType : std::uint8_t { Grey = 0, Rgb = 2, Palette = 3 };

// The BMP's pixel of PNG row y (top row first) and column x, blue first.
const std::uint8_t* BmpPixel(std::span<const std::uint8_t> bmp, int y, int x) {
  return bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1 - y) * BmpRowBytes + std::size_t(x) * 3;
}

// Never a colour: keys have 24 bits.
constexpr std::uint32_t NoColor = 0xFFFF'FFFF;

std::uint32_t ColorKey(const std::uint8_t* bgr) { return std::uint32_t(bgr[2]) << 16 | bgr[1] << 8 | bgr[0]; }

bool AllGrey(std::span<const std::uint8_t> bmp) {
  const std::uint8_t* pixel = bmp.data() + BmpHeaderBytes;
  for (std::size_t i = 0; i < PixelCount; ++i, pixel += 3)
    if (pixel[0] != pixel[1] || pixel[1] != pixel[2]) return false;
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

// The image rows in the PNG's order and colour type.
struct PngImage {
  ColorType Type = ColorType::Rgb;
  std::vector<std::uint8_t> Rows;
  std::vector<std::uint32_t> Palette;  // sorted colour keys; a pixel holds its colour's place here
};

PngImage GreyImage(std::span<const std::uint8_t> bmp) {
  PngImage image{ColorType::Grey, std::vector<std::uint8_t>(PixelCount), {}};
  std::uint8_t* out = image.Rows.data();
  for (int y = 0; y < FrameLines; ++y)
    for (int x = 0; x < PictureSamples; ++x) *out++ = BmpPixel(bmp, y, x)[0];
  return image;
}

PngImage RgbImage(std::span<const std::uint8_t> bmp) {
  PngImage image{ColorType::Rgb, std::vector<std::uint8_t>(PixelCount * 3), {}};
  std::uint8_t* out = image.Rows.data();
  for (int y = 0; y < FrameLines; ++y) {
    for (int x = 0; x < PictureSamples; ++x) {
      const std::uint8_t* bgr = BmpPixel(bmp, y, x);
      *out++ = bgr[2];
      *out++ = bgr[1];
      *out++ = bgr[0];
    }
  }
  return image;
}

std::optional<PngImage> PaletteImage(std::span<const std::uint8_t> bmp) {
  ColorIndex colors;
  PngImage image{ColorType::Palette, std::vector<std::uint8_t>(PixelCount), {}};
  std::uint8_t* out = image.Rows.data();
  std::uint32_t lastKey = NoColor;
  std::uint8_t lastIndex = 0;
  for (int y = 0; y < FrameLines; ++y) {
    for (int x = 0; x < PictureSamples; ++x) {
      const std::uint32_t key = ColorKey(BmpPixel(bmp, y, x));
      if (key != lastKey) {
        const std::optional<std::uint8_t> index = colors.IndexOf(key);
        if (!index) return std::nullopt;
        lastKey = key;
        lastIndex = *index;
      }
      *out++ = lastIndex;
    }
  }
  // Sorted, so that the file does not depend on where a colour first appears.
  image.Palette = colors.Colors();
  std::sort(image.Palette.begin(), image.Palette.end());
  std::array<std::uint8_t, PaletteLimit> sortedIndex{};
  for (std::size_t i = 0; i < image.Palette.size(); ++i) {
    const auto first = std::find(colors.Colors().begin(), colors.Colors().end(), image.Palette[i]);
    sortedIndex[std::size_t(first - colors.Colors().begin())] = std::uint8_t(i);
  }
  for (std::uint8_t& index : image.Rows) index = sortedIndex[index];
  return image;
}

PngImage ImageOf(std::span<const std::uint8_t> bmp) {
  if (AllGrey(bmp)) return GreyImage(bmp);
  if (std::optional<PngImage> indexed = PaletteImage(bmp)) return std::move(*indexed);
  return RgbImage(bmp);
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

// The chunks handed to the encoder point into this; it must outlive the encoding.
struct TextChunks {
  std::vector<std::string> Texts;
  std::vector<spng_text> Chunks;
  char Empty[1] = {'\0'};
};

bool PrepareText(const PngText& text, TextChunks& prepared) {
  prepared.Texts.reserve(text.size());
  for (const PngTextEntry& entry : text) {
    if (!ValidKeyword(entry.Keyword)) return false;
    if (entry.Text.empty()) continue;
    spng_text chunk{};
    std::copy(entry.Keyword.begin(), entry.Keyword.end(), chunk.keyword);
    if (PlainAscii(entry.Text)) {
      chunk.type = SPNG_TEXT;
      prepared.Texts.push_back(entry.Text);
    } else if (CleanUtf8(entry.Text)) {
      chunk.type = SPNG_ITXT;
      chunk.language_tag = prepared.Empty;
      chunk.translated_keyword = prepared.Empty;
      prepared.Texts.push_back(entry.Text);
    } else {
      chunk.type = SPNG_TEXT;
      prepared.Texts.push_back(Escaped(entry.Text));
    }
    chunk.text = prepared.Texts.back().data();
    chunk.length = prepared.Texts.back().size();
    prepared.Chunks.push_back(chunk);
  }
  return true;
}

int FilterChoice(PngFilter filter) {
  switch (filter) {
    case PngFilter::None: return SPNG_FILTER_CHOICE_NONE;
    case PngFilter::Sub: return SPNG_FILTER_CHOICE_SUB;
    case PngFilter::Up: return SPNG_FILTER_CHOICE_UP;
    case PngFilter::Paeth: return SPNG_FILTER_CHOICE_PAETH;
    case PngFilter::Adaptive: return SPNG_FILTER_CHOICE_ALL;
  }
  return SPNG_FILTER_CHOICE_ALL;
}

struct ContextFree {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
struct BufferFree {
  void operator()(void* buffer) const { std::free(buffer); }
};

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildPngFile(std::span<const std::uint8_t> bmp, const PngText& text,
                                                      const PngEncoding& encoding) {
  if (bmp.size() != BmpFileBytes || bmp[0] != 'B' || bmp[1] != 'M') return std::nullopt;
  TextChunks textChunks;
  if (!PrepareText(text, textChunks)) return std::nullopt;
  PngImage image = ImageOf(bmp);

  const std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) return std::nullopt;
  spng_ctx* ctx = context.get();
  spng_ihdr header{};
  header.width = PictureSamples;
  header.height = FrameLines;
  header.bit_depth = BitDepth;
  header.color_type = std::uint8_t(image.Type);
  if (spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1) != 0) return std::nullopt;
  if (spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, encoding.CompressionLevel) != 0) return std::nullopt;
  if (spng_set_option(ctx, SPNG_FILTER_CHOICE, FilterChoice(encoding.Filter)) != 0) return std::nullopt;
  if (encoding.RunLength && spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, ZlibRunLengthStrategy) != 0)
    return std::nullopt;
  if (spng_set_ihdr(ctx, &header) != 0) return std::nullopt;
  if (image.Type == ColorType::Palette) {
    spng_plte palette{};
    palette.n_entries = std::uint32_t(image.Palette.size());
    for (std::size_t i = 0; i < image.Palette.size(); ++i) {
      const std::uint32_t key = image.Palette[i];
      palette.entries[i] = {std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key), 0};
    }
    if (spng_set_plte(ctx, &palette) != 0) return std::nullopt;
  }
  if (!textChunks.Chunks.empty() &&
      spng_set_text(ctx, textChunks.Chunks.data(), std::uint32_t(textChunks.Chunks.size())) != 0)
    return std::nullopt;
  if (spng_encode_image(ctx, image.Rows.data(), image.Rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) != 0)
    return std::nullopt;
  std::size_t length = 0;
  int error = 0;
  const std::unique_ptr<void, BufferFree> encoded(spng_get_png_buffer(ctx, &length, &error));
  if (!encoded || error != 0) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(encoded.get());
  return std::vector<std::uint8_t>(bytes, bytes + length);
}

}  // namespace vantorel
