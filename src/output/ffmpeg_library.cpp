#include "output/ffmpeg_library.h"

#include "output/shared_library.h"

namespace vantorel {

namespace {

#define VANTOREL_SONAME(name, major) "lib" name ".so." AV_STRINGIFY(major)
constexpr const char* AvUtil = VANTOREL_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR);
constexpr const char* AvCodec = VANTOREL_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR);
constexpr const char* AvFormat = VANTOREL_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* SwScale = VANTOREL_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR);
#undef VANTOREL_SONAME

LoadedApi<FfmpegApi> Load() {
  LoadedApi<FfmpegApi> loaded;
  std::string& error = loaded.Error;
  const auto open = [&error](const char* soname) {
    return OpenSharedLibrary(soname, "video", "Debian's FFmpeg libraries", error);
  };
  void* util = open(AvUtil);
  void* codec = util ? open(AvCodec) : nullptr;
  void* format = codec ? open(AvFormat) : nullptr;
  void* scale = format ? open(SwScale) : nullptr;
  if (!scale) return loaded;
  FfmpegApi& api = loaded.Functions;
#define VANTOREL_RESOLVE(library, soname, name) ResolveSymbol(library, soname, #name, api.name, error)
  VANTOREL_RESOLVE(format, AvFormat, avformat_alloc_output_context2);
  VANTOREL_RESOLVE(format, AvFormat, avformat_new_stream);
  VANTOREL_RESOLVE(format, AvFormat, avformat_write_header);
  VANTOREL_RESOLVE(format, AvFormat, av_interleaved_write_frame);
  VANTOREL_RESOLVE(format, AvFormat, av_write_trailer);
  VANTOREL_RESOLVE(format, AvFormat, avformat_free_context);
  VANTOREL_RESOLVE(format, AvFormat, avio_alloc_context);
  VANTOREL_RESOLVE(format, AvFormat, avio_context_free);
  VANTOREL_RESOLVE(format, AvFormat, avio_flush);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_find_encoder_by_name);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_find_encoder);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_alloc_context3);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_open2);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_parameters_from_context);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_send_frame);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_receive_packet);
  VANTOREL_RESOLVE(codec, AvCodec, avcodec_free_context);
  VANTOREL_RESOLVE(codec, AvCodec, av_packet_alloc);
  VANTOREL_RESOLVE(codec, AvCodec, av_packet_free);
  VANTOREL_RESOLVE(codec, AvCodec, av_packet_rescale_ts);
  VANTOREL_RESOLVE(util, AvUtil, av_frame_alloc);
  VANTOREL_RESOLVE(util, AvUtil, av_frame_free);
  VANTOREL_RESOLVE(util, AvUtil, av_frame_get_buffer);
  VANTOREL_RESOLVE(util, AvUtil, av_frame_make_writable);
  VANTOREL_RESOLVE(util, AvUtil, av_opt_set);
  VANTOREL_RESOLVE(util, AvUtil, av_malloc);
  VANTOREL_RESOLVE(util, AvUtil, av_freep);
  VANTOREL_RESOLVE(util, AvUtil, av_strerror);
  VANTOREL_RESOLVE(util, AvUtil, av_log_set_level);
  VANTOREL_RESOLVE(scale, SwScale, sws_getContext);
  VANTOREL_RESOLVE(scale, SwScale, sws_scale);
  VANTOREL_RESOLVE(scale, SwScale, sws_freeContext);
#undef VANTOREL_RESOLVE
  // The encoders' chatter is not for our users; their errors are.
  if (loaded.Error.empty()) api.av_log_set_level(AV_LOG_ERROR);
  return loaded;
}

}  // namespace

const FfmpegApi* Ffmpeg(std::string& error) { return LoadOnce<FfmpegApi>(Load, error); }

}  // namespace vantorel
