#include "output/png_file.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>
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
bool CountColors(std::span<const std::uint8_t> bmp, ColorIndex& colors) {
  std::uint32_t lastKey = NoColor;
  const std::uint8_t* pixel = bmp.data() + BmpHeaderBytes;
  for (std::size_t i = 0; i < PixelCount; ++i, pixel += 3) {
    const std::uint32_t key = ColorKey(pixel);
    if (key == lastKey) continue;
    if (!colors.IndexOf(key)) return false;
    lastKey = key;
  }
  return true;
}

std::unique_ptr<PngLayout> LayoutOf(std::span<const std::uint8_t> bmp) {
  auto layout = std::make_unique<PngLayout>();
  if (AllGrey(bmp)) {
    layout->Type = ColorType::Grey;
  } else if (CountColors(bmp, layout->Colors)) {
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

std::size_t RowBytes(ColorType type) { return std::size_t(PictureSamples) * (type == ColorType::Rgb ? 3 : 1); }

// PNG row y (top row first) in the layout's colour type.
void MakeRow(PngLayout& layout, std::span<const std::uint8_t> bmp, int y, std::uint8_t* out) {
  switch (layout.Type) {
    case ColorType::Grey:
      for (int x = 0; x < PictureSamples; ++x) *out++ = BmpPixel(bmp, y, x)[0];
      return;
    case ColorType::Rgb:
      for (int x = 0; x < PictureSamples; ++x) {
        const std::uint8_t* bgr = BmpPixel(bmp, y, x);
        *out++ = bgr[2];
        *out++ = bgr[1];
        *out++ = bgr[0];
      }
      return;
    case ColorType::Palette: {
      std::uint32_t lastKey = NoColor;
      std::uint8_t lastPlace = 0;
      for (int x = 0; x < PictureSamples; ++x) {
        const std::uint32_t key = ColorKey(BmpPixel(bmp, y, x));
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
// Appends what the encoder writes to the file's bytes, rather than letting it
// grow a buffer of its own that would then be copied.
int AppendEncoded(spng_ctx*, void* user, void* data, std::size_t length) {
  try {
    auto& bytes = *static_cast<std::vector<std::uint8_t>*>(user);
    const auto* begin = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), begin, begin + length);
    return 0;
  } catch (const std::bad_alloc&) {
    return SPNG_IO_ERROR;  // no exception may cross the C library
  }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildPngFile(std::span<const std::uint8_t> bmp, const PngText& text,
                                                      const PngEncoding& encoding) {
  if (bmp.size() != BmpFileBytes || bmp[0] != 'B' || bmp[1] != 'M') return std::nullopt;
  TextChunks textChunks;
  if (!PrepareText(text, textChunks)) return std::nullopt;
  const std::unique_ptr<PngLayout> layout = LayoutOf(bmp);

  const std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
  if (!context) return std::nullopt;
  spng_ctx* ctx = context.get();
  spng_ihdr header{};
  header.width = PictureSamples;
  header.height = FrameLines;
  header.bit_depth = BitDepth;
  header.color_type = std::uint8_t(layout->Type);
  std::vector<std::uint8_t> encoded;
  encoded.reserve(RowBytes(layout->Type) * FrameLines / 2);  // only what is written is touched
  if (spng_set_png_stream(ctx, AppendEncoded, &encoded) != 0) return std::nullopt;
  if (spng_set_option(ctx, SPNG_IMG_COMPRESSION_LEVEL, encoding.CompressionLevel) != 0) return std::nullopt;
  if (spng_set_option(ctx, SPNG_FILTER_CHOICE, FilterChoice(encoding.Filter)) != 0) return std::nullopt;
  if (encoding.RunLength && spng_set_option(ctx, SPNG_IMG_COMPRESSION_STRATEGY, ZlibRunLengthStrategy) != 0)
    return std::nullopt;
  if (spng_set_ihdr(ctx, &header) != 0) return std::nullopt;
  if (layout->Type == ColorType::Palette) {
    spng_plte palette{};
    palette.n_entries = std::uint32_t(layout->Palette.size());
    for (std::size_t i = 0; i < layout->Palette.size(); ++i) {
      const std::uint32_t key = layout->Palette[i];
      palette.entries[i] = {std::uint8_t(key >> 16), std::uint8_t(key >> 8), std::uint8_t(key), 0};
    }
    if (spng_set_plte(ctx, &palette) != 0) return std::nullopt;
  }
  if (!textChunks.Chunks.empty() &&
      spng_set_text(ctx, textChunks.Chunks.data(), std::uint32_t(textChunks.Chunks.size())) != 0)
    return std::nullopt;
  if (spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
    return std::nullopt;
  std::vector<std::uint8_t> row(RowBytes(layout->Type));
  for (int y = 0; y < FrameLines; ++y) {
    MakeRow(*layout, bmp, y, row.data());
    const int result = spng_encode_row(ctx, row.data(), row.size());
    if (result != 0 && !(result == SPNG_EOI && y == FrameLines - 1)) return std::nullopt;
  }
  return encoded;
}

}  // namespace vantorel
