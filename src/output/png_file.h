// The PNG file Save As and vantorel-render write: the composed BMP's pixels,
// losslessly, in the smallest colour type that holds them, with text chunks
// that say which frame and which settings made the picture.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// One text chunk. Keyword is printable ASCII; Text may be any bytes (a file
// name need not be UTF-8): ASCII goes into tEXt, valid UTF-8 into iTXt, and
// anything else into tEXt with every byte outside printable ASCII, and every
// backslash, written as \xNN. An entry with no text is left out.
struct PngTextEntry {
  std::string Keyword;
  std::string Text;
};
using PngText = std::vector<PngTextEntry>;

enum class PngFilter { None, Sub, Up, Paeth, Adaptive };

// The default is the fastest measured over the sample frames, each rendered
// with every option alone, none and all; it is also about as small as the
// slowest (level 6, adaptive filter). RunLength is zlib's Z_RLE strategy,
// which looks for repeats of the previous byte only: the up filter turns the
// rows of these pictures into little more than runs and noise.
struct PngEncoding {
  int CompressionLevel = 1;
  PngFilter Filter = PngFilter::Up;
  bool RunLength = true;
};

// Encodes the picture of a composed BMP file (BmpFileBytes long) in memory, so
// that nothing touches the disk unless the whole file is ready: 8-bit grey when
// every pixel has R = G = B, an exact palette for at most 256 colours, else
// 8-bit RGB. Nothing when bmp is not a composed BMP file or a keyword is not
// printable ASCII of 1..79 characters.
std::optional<std::vector<std::uint8_t>> BuildPngFile(std::span<const std::uint8_t> bmp, const PngText& text,
                                                      const PngEncoding& encoding = {});

// A picture of any size in memory: Height rows of Width pixels, top row
// first, each pixel three bytes, blue first (as in a composed BMP).
struct BgrPicture {
  std::span<const std::uint8_t> Pixels;
  int Width = 0;
  int Height = 0;
};
// The same encoding of such a picture; nothing when its size and its bytes
// disagree or a keyword is not allowed.
std::optional<std::vector<std::uint8_t>> BuildPngFile(const BgrPicture& picture, const PngText& text,
                                                      const PngEncoding& encoding = {});

// An animated PNG (APNG) that loops forever, written to a descriptor as it
// goes: a long sequence is never held whole. Frames are compressed apart, on
// any thread, and appended in order; all have the animation's size.
class AnimatedPngWriter {
 public:
  // grey: 8-bit grey frames, each of which must have R = G = B; else 8-bit RGB.
  // width x height: the frames' size (a composed picture's unless given).
  AnimatedPngWriter(int fd, bool grey, int framesPerSecond, const PngText& text, int width = 0, int height = 0);

  // One frame's compressed rows; nothing when bmp is not a composed BMP file
  // or, for a grey animation, has a colour.
  static std::optional<std::vector<std::uint8_t>> CompressFrame(std::span<const std::uint8_t> bmp, bool grey,
                                                                const PngEncoding& encoding = {});
  // The same for a picture of any size; nothing when its size and bytes disagree.
  static std::optional<std::vector<std::uint8_t>> CompressFrame(const BgrPicture& picture, bool grey,
                                                                const PngEncoding& encoding = {});
  // False when a write failed.
  bool Append(std::span<const std::uint8_t> compressed);
  // Writes the end and puts the number of frames in the header: false when a
  // write failed or no frame was appended.
  bool Finish();

  int Frames() const { return frames_; }

 private:
  bool Put(std::string_view type, std::span<const std::uint8_t> data);
  bool Start(const PngText& text);

  int fd_;
  bool grey_;
  int framesPerSecond_;
  int width_;
  int height_;
  int frames_ = 0;
  std::uint32_t sequence_ = 0;  // of the frame control and frame data chunks
  bool failed_ = false;
};

}  // namespace vantorel
