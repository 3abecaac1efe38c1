#include "output/video_file.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <numeric>

#include "frames/frame_layout.h"
#include "output/atomic_file.h"
#include "support/test_support.h"

namespace vantorel {
namespace {

TEST(VideoContainerFor, ByTheExtensionInAnyCase) {
  EXPECT_EQ(VideoContainerFor("a.mp4"), VideoContainer::Mp4);
  EXPECT_EQ(VideoContainerFor("dir.webm/A.WebM"), VideoContainer::WebM);
  EXPECT_EQ(VideoContainerFor("a.mp4.png"), std::nullopt);
  EXPECT_EQ(VideoContainerFor("mp4"), std::nullopt);
}

// A composed BMP file of one grey level.
std::vector<std::uint8_t> FlatBmp(std::uint8_t grey) {
  std::vector<std::uint8_t> bmp(BmpFileBytes, grey);
  bmp[0] = 'B', bmp[1] = 'M';
  return bmp;
}

// The mean luma of each frame, decoded by FFmpeg's own reader.
std::vector<double> DecodedLumaMeans(const std::string& path, int width, int height) {
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return {};
  avformat_find_stream_info(format, nullptr);
  const AVCodec* decoder = nullptr;
  const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
  codec->thread_count = 1;  // a packet sent is a frame out, so that none waits unread
  avcodec_open2(codec, decoder, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::vector<double> means;
  const auto drain = [&] {
    while (avcodec_receive_frame(codec, frame) == 0) {
      EXPECT_EQ(frame->width, width);
      EXPECT_EQ(frame->height, height);
      double sum = 0;
      for (int y = 0; y < frame->height; ++y)
        sum = std::accumulate(frame->data[0] + y * frame->linesize[0],
                              frame->data[0] + y * frame->linesize[0] + frame->width, sum);
      means.push_back(sum / (frame->width * frame->height));
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    if (packet->stream_index == stream) avcodec_send_packet(codec, packet);
    av_packet_unref(packet);
    drain();
  }
  avcodec_send_packet(codec, nullptr);
  drain();
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&format);
  return means;
}

// Every frame appended is in the file, in order and at its size, as a reader
// decodes it (limited-range luma, 16 + 219 grey / 255, within the encoder's rounding).
TEST(VideoWriter, EveryFrameInOrderInBothContainers) {
  testing::TempDir dir;
  const std::vector<std::uint8_t> greys = {40, 200, 120, 0, 255};
  struct Row {
    const char* Name;
    int Width, Height;  // 0: composed BMP files
  };
  for (const Row row :
       {Row{"v.mp4", 0, 0}, Row{"v.webm", 0, 0}, Row{"half.mp4", 416, 350}, Row{"half.webm", 416, 350}}) {
    const std::string name = row.Name;
    SCOPED_TRACE(name);
    const SaveOutcome saved = SaveStreamAtomically(dir / name, [&](int fd) {
      VideoWriter writer(fd, {*VideoContainerFor(name), 25, 0, row.Width, row.Height});
      for (const std::uint8_t grey : greys) {
        const std::vector<std::uint8_t> picture(std::size_t(row.Width * row.Height * 3), grey);
        if (row.Width == 0)
          writer.Append(FlatBmp(grey));
        else
          writer.Append(BgrPicture{picture, row.Width, row.Height});
      }
      writer.Finish();
      return writer.Frames() == int(greys.size());
    });
    ASSERT_TRUE(saved.Saved) << saved.Error;
    const std::vector<double> means = DecodedLumaMeans(dir / name, row.Width > 0 ? row.Width : PictureSamples,
                                                       row.Height > 0 ? row.Height : FrameLines);
    ASSERT_EQ(means.size(), greys.size());
    for (std::size_t i = 0; i < greys.size(); ++i) EXPECT_NEAR(means[i], 16 + 219.0 * greys[i] / 255, 1.5) << i;
  }
}

}  // namespace
}  // namespace vantorel
