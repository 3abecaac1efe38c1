// Videos of composed BMP pictures through FFmpeg's libraries: H.264 in MP4
// and VP9 in WebM, written as they go to a descriptor that can seek.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>

#include "output/png_file.h"

namespace vantorel {

enum class VideoContainer { Mp4, WebM };

// By the extension, in any case: .mp4 or .webm; nothing for anything else.
std::optional<VideoContainer> VideoContainerFor(std::string_view path);

// Constant quality, as each encoder counts it: lower is better, 0 is lossless.
inline constexpr int MaxVideoCrf = 63;  // VP9's scale
inline constexpr int MaxH264Crf = 51;
int DefaultVideoCrf(VideoContainer container);

// Why a video cannot be written: FFmpeg's own words.
class VideoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class VideoWriter {
 public:
  struct Settings {
    VideoContainer Container = VideoContainer::Mp4;
    int FramesPerSecond = 10;
    std::optional<int> Crf{};  // the container's default when not given
    // The pictures' size: a composed picture's when 0. Even, as 4:2:0 colour needs.
    int Width = 0;
    int Height = 0;
  };
  // Starts the file on fd. Throws VideoError when the libraries or an encoder are missing.
  VideoWriter(int fd, const Settings& settings);
  ~VideoWriter();
  VideoWriter(const VideoWriter&) = delete;
  VideoWriter& operator=(const VideoWriter&) = delete;

  // One composed BMP file as the next frame. Throws VideoError.
  void Append(std::span<const std::uint8_t> bmp);
  // A picture of the video's size as the next frame. Throws VideoError.
  void Append(const BgrPicture& picture);
  // Encodes what the encoder holds back and writes the end of the file. Throws VideoError.
  void Finish();
  int Frames() const { return frames_; }

 private:
  struct State;
  void AppendRows(const std::uint8_t* top, int stride);
  std::unique_ptr<State> state_;
  int frames_ = 0;
};

}  // namespace vantorel
