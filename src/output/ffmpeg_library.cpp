#include "output/ffmpeg_library.h"

#include <dlfcn.h>

namespace vantorel {

namespace {

#define VANTOREL_SONAME(name, major) "lib" name ".so." AV_STRINGIFY(major)
constexpr const char* AvUtil = VANTOREL_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR);
constexpr const char* AvCodec = VANTOREL_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR);
constexpr const char* AvFormat = VANTOREL_SONAME("avformat", LIBAVFORMAT_VERSION_MAJOR);
constexpr const char* SwScale = VANTOREL_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR);
#undef VANTOREL_SONAME

struct LoadedLibraries {
  FfmpegApi Api{};
  bool Loaded = false;
  std::string Error;
};

// The libraries stay loaded for the rest of the run.
class Loader {
 public:
  bool Open(const char* soname, void*& library) {
    library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) return true;
    const char* reason = ::dlerror();
    error_ = std::string("video needs ") + soname + " (Debian's FFmpeg libraries), which could not be loaded: ";
    error_ += reason ? reason : "the loader gave no reason";
    return false;
  }
  template <typename Function>
  void Resolve(void* library, const char* soname, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (function == nullptr && error_.empty()) error_ = std::string("no ") + name + " in " + soname;
  }
  std::string& Error() { return error_; }

 private:
  std::string error_;
};

LoadedLibraries Load() {
  LoadedLibraries loaded;
  Loader loader;
  void *util = nullptr, *codec = nullptr, *format = nullptr, *scale = nullptr;
  if (!loader.Open(AvUtil, util) || !loader.Open(AvCodec, codec) || !loader.Open(AvFormat, format) ||
      !loader.Open(SwScale, scale)) {
    loaded.Error = loader.Error();
    return loaded;
  }
  FfmpegApi& api = loaded.Api;
#define VANTOREL_RESOLVE(library, soname, name) loader.Resolve(library, soname, #name, api.name)
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
  loaded.Error = loader.Error();
  loaded.Loaded = loaded.Error.empty();
  // The encoders' chatter is not for our users; their errors are.
  if (loaded.Loaded) api.av_log_set_level(AV_LOG_ERROR);
  return loaded;
}

}  // namespace

const FfmpegApi* Ffmpeg(std::string& error) {
  static const LoadedLibraries libraries = Load();
  if (!libraries.Loaded) {
    error = libraries.Error;
    return nullptr;
  }
  return &libraries.Api;
}

}  // namespace vantorel
