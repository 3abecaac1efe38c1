// FFmpeg's libraries, loaded the first time a video is written. Linked, they
// would load about 130 shared libraries into every run of either program
// (30 ms before main), video or not.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <string>

namespace vantorel {

// The FFmpeg functions the video writer calls, by their own names.
struct FfmpegApi {
  decltype(&::avformat_alloc_output_context2) avformat_alloc_output_context2;
  decltype(&::avformat_new_stream) avformat_new_stream;
  decltype(&::avformat_write_header) avformat_write_header;
  decltype(&::av_interleaved_write_frame) av_interleaved_write_frame;
  decltype(&::av_write_trailer) av_write_trailer;
  decltype(&::avformat_free_context) avformat_free_context;
  decltype(&::avio_alloc_context) avio_alloc_context;
  decltype(&::avio_context_free) avio_context_free;
  decltype(&::avio_flush) avio_flush;
  decltype(&::avcodec_find_encoder_by_name) avcodec_find_encoder_by_name;
  decltype(&::avcodec_find_encoder) avcodec_find_encoder;
  decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
  decltype(&::avcodec_open2) avcodec_open2;
  decltype(&::avcodec_parameters_from_context) avcodec_parameters_from_context;
  decltype(&::avcodec_send_frame) avcodec_send_frame;
  decltype(&::avcodec_receive_packet) avcodec_receive_packet;
  decltype(&::avcodec_free_context) avcodec_free_context;
  decltype(&::av_packet_alloc) av_packet_alloc;
  decltype(&::av_packet_free) av_packet_free;
  decltype(&::av_packet_rescale_ts) av_packet_rescale_ts;
  decltype(&::av_frame_alloc) av_frame_alloc;
  decltype(&::av_frame_free) av_frame_free;
  decltype(&::av_frame_get_buffer) av_frame_get_buffer;
  decltype(&::av_frame_make_writable) av_frame_make_writable;
  decltype(&::av_opt_set) av_opt_set;
  decltype(&::av_malloc) av_malloc;
  decltype(&::av_freep) av_freep;
  decltype(&::av_strerror) av_strerror;
  decltype(&::av_log_set_level) av_log_set_level;
  decltype(&::sws_getContext) sws_getContext;
  decltype(&::sws_scale) sws_scale;
  decltype(&::sws_freeContext) sws_freeContext;
};

// The functions, loaded once; nullptr when a library cannot be loaded, with
// the library and the loader's reason in error.
const FfmpegApi* Ffmpeg(std::string& error);

}  // namespace vantorel
