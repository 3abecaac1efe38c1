#include "output/video_file.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "frames/frame_layout.h"
#include "output/atomic_file.h"
#include "output/ffmpeg_library.h"

namespace vantorel {

namespace {

// The defaults keep the first and last of 100 alternating sample frames above
// 40 dB PSNR against their BMP renders (H.264 42-44 dB, VP9 44-49 dB).
constexpr int DefaultH264Crf = 15, DefaultVp9Crf = 8;
// The muxer's writes are gathered into pieces of this size.
constexpr int IoBufferBytes = 1 << 16;
// A key frame every second or so lets players seek.
constexpr int KeyFramesPerSecond = 1;

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return lowered;
}

int WritePacket(void* opaque, std::uint8_t* data, int size) {
  const int fd = *static_cast<int*>(opaque);
  return WriteAll(fd, std::span<const std::uint8_t>(data, std::size_t(size))) ? size : AVERROR(EIO);
}

std::int64_t SeekFile(void* opaque, std::int64_t offset, int whence) {
  const int fd = *static_cast<int*>(opaque);
  if (whence == AVSEEK_SIZE) return AVERROR(ENOSYS);
  const off_t at = ::lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

}  // namespace

std::optional<VideoContainer> VideoContainerFor(std::string_view path) {
  const std::string name = Lowered(path);
  if (name.ends_with(".mp4")) return VideoContainer::Mp4;
  if (name.ends_with(".webm")) return VideoContainer::WebM;
  return std::nullopt;
}

int DefaultVideoCrf(VideoContainer container) {
  return container == VideoContainer::Mp4 ? DefaultH264Crf : DefaultVp9Crf;
}

struct VideoWriter::State {
  const FfmpegApi* Av = nullptr;
  int Fd = -1;
  AVFormatContext* Format = nullptr;
  AVIOContext* Io = nullptr;
  AVCodecContext* Codec = nullptr;
  AVStream* Stream = nullptr;
  AVFrame* Picture = nullptr;
  AVPacket* Packet = nullptr;
  SwsContext* Scale = nullptr;

  ~State() {
    if (!Av) return;
    Av->sws_freeContext(Scale);
    Av->av_packet_free(&Packet);
    Av->av_frame_free(&Picture);
    Av->avcodec_free_context(&Codec);
    if (Io) Av->av_freep(&Io->buffer);
    Av->avio_context_free(&Io);
    Av->avformat_free_context(Format);
  }

  // Throws with FFmpeg's words when result is an error.
  void Check(int result, std::string_view doing) const {
    if (result >= 0) return;
    char words[AV_ERROR_MAX_STRING_SIZE] = {};
    Av->av_strerror(result, words, sizeof words);
    throw VideoError(std::string(doing) + ": " + words);
  }

  // Sends a picture (or, with nullptr, the end) and writes every packet the encoder has ready.
  void Encode(const AVFrame* picture) {
    Check(Av->avcodec_send_frame(Codec, picture), "cannot encode a frame");
    for (;;) {
      const int result = Av->avcodec_receive_packet(Codec, Packet);
      if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
      Check(result, "cannot encode a frame");
      // Each frame lasts one tick: without it, MP4's edit list ends at the last frame's start and cuts it.
      if (Packet->duration == 0) Packet->duration = 1;
      Av->av_packet_rescale_ts(Packet, Codec->time_base, Stream->time_base);
      Packet->stream_index = Stream->index;
      Check(Av->av_interleaved_write_frame(Format, Packet), "cannot write the video");
    }
  }
};

VideoWriter::VideoWriter(int fd, const Settings& settings) : state_(std::make_unique<State>()) {
  std::string error;
  State& s = *state_;
  s.Av = Ffmpeg(error);
  if (!s.Av) throw VideoError(error);
  const FfmpegApi& av = *s.Av;
  s.Fd = fd;
  const bool mp4 = settings.Container == VideoContainer::Mp4;
  s.Check(av.avformat_alloc_output_context2(&s.Format, nullptr, mp4 ? "mp4" : "webm", nullptr),
          "cannot start the video");
  const AVCodec* encoder = av.avcodec_find_encoder_by_name(mp4 ? "libx264" : "libvpx-vp9");
  if (!encoder) encoder = av.avcodec_find_encoder(mp4 ? AV_CODEC_ID_H264 : AV_CODEC_ID_VP9);
  if (!encoder) throw VideoError(std::string("FFmpeg has no ") + (mp4 ? "H.264" : "VP9") + " encoder here");
  s.Codec = av.avcodec_alloc_context3(encoder);
  s.Stream = av.avformat_new_stream(s.Format, nullptr);
  s.Picture = av.av_frame_alloc();
  s.Packet = av.av_packet_alloc();
  if (!s.Codec || !s.Stream || !s.Picture || !s.Packet) throw VideoError("out of memory");
  s.Codec->width = settings.Width > 0 ? settings.Width : PictureSamples;
  s.Codec->height = settings.Height > 0 ? settings.Height : FrameLines;
  s.Codec->pix_fmt = AV_PIX_FMT_YUV420P;
  s.Codec->time_base = {1, settings.FramesPerSecond};
  s.Codec->framerate = {settings.FramesPerSecond, 1};
  s.Codec->gop_size = settings.FramesPerSecond * KeyFramesPerSecond;
  s.Codec->bit_rate = 0;  // constant quality: VP9 takes its CRF only without a bit rate
  if (s.Format->oformat->flags & AVFMT_GLOBALHEADER) s.Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  const std::string crf = std::to_string(settings.Crf.value_or(DefaultVideoCrf(settings.Container)));
  av.av_opt_set(s.Codec->priv_data, "crf", crf.c_str(), 0);
  if (mp4) {
    // x264's default preset takes about 90 ms a frame here; this one a quarter of that, a little larger.
    av.av_opt_set(s.Codec->priv_data, "preset", "veryfast", 0);
  } else {
    // libvpx's defaults take seconds a frame; its real-time settings keep VP9 within a few times H.264's time.
    av.av_opt_set(s.Codec->priv_data, "deadline", "realtime", 0);
    av.av_opt_set(s.Codec->priv_data, "cpu-used", "8", 0);
    av.av_opt_set(s.Codec->priv_data, "row-mt", "1", 0);
    av.av_opt_set(s.Codec->priv_data, "tile-columns", "2", 0);
  }
  s.Check(av.avcodec_open2(s.Codec, encoder, nullptr), "cannot open the encoder");
  s.Check(av.avcodec_parameters_from_context(s.Stream->codecpar, s.Codec), "cannot start the video");
  s.Stream->time_base = s.Codec->time_base;

  auto* buffer = static_cast<std::uint8_t*>(av.av_malloc(IoBufferBytes));
  s.Io = av.avio_alloc_context(buffer, IoBufferBytes, 1, &s.Fd, nullptr, WritePacket, SeekFile);
  if (!s.Io) {
    av.av_freep(&buffer);
    throw VideoError("out of memory");
  }
  s.Format->pb = s.Io;
  s.Check(av.avformat_write_header(s.Format, nullptr), "cannot write the video");

  s.Picture->format = s.Codec->pix_fmt;
  s.Picture->width = s.Codec->width;
  s.Picture->height = s.Codec->height;
  s.Check(av.av_frame_get_buffer(s.Picture, 0), "cannot start the video");
  s.Scale = av.sws_getContext(s.Codec->width, s.Codec->height, AV_PIX_FMT_BGR24, s.Codec->width, s.Codec->height,
                              AV_PIX_FMT_YUV420P, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr,
                              nullptr);
  if (!s.Scale) throw VideoError("cannot convert the pictures to video colours");
}

VideoWriter::~VideoWriter() = default;

void VideoWriter::Append(std::span<const std::uint8_t> bmp) {
  if (bmp.size() != BmpFileBytes || state_->Codec->width != PictureSamples || state_->Codec->height != FrameLines)
    throw VideoError("not a composed picture");
  // The BMP's rows run bottom-up: start at the top row and step back.
  AppendRows(bmp.data() + BmpHeaderBytes + std::size_t(FrameLines - 1) * BmpRowBytes, -int(BmpRowBytes));
}

void VideoWriter::Append(const BgrPicture& picture) {
  if (picture.Width != state_->Codec->width || picture.Height != state_->Codec->height ||
      picture.Pixels.size() != std::size_t(picture.Width) * std::size_t(picture.Height) * 3)
    throw VideoError("a picture of another size");
  AppendRows(picture.Pixels.data(), picture.Width * 3);
}

void VideoWriter::AppendRows(const std::uint8_t* top, int stride) {
  State& s = *state_;
  s.Check(s.Av->av_frame_make_writable(s.Picture), "cannot encode a frame");
  s.Av->sws_scale(s.Scale, &top, &stride, 0, s.Codec->height, s.Picture->data, s.Picture->linesize);
  s.Picture->pts = frames_++;
  s.Encode(s.Picture);
}

void VideoWriter::Finish() {
  State& s = *state_;
  s.Encode(nullptr);
  s.Check(s.Av->av_write_trailer(s.Format), "cannot write the video");
  s.Av->avio_flush(s.Io);
  if (s.Io->error < 0) s.Check(s.Io->error, "cannot write the video");
}

}  // namespace vantorel
