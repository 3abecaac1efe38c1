#include "export/animation.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <sstream>
#include <thread>

#include "export/frame_guard.h"
#include "export/png_text.h"
#include "export/thumbnail.h"
#include "frames/frame_file.h"
#include "output/atomic_file.h"
#include "output/png_file.h"
#include "output/video_file.h"
#include "parallel/ordered_pool.h"

namespace vantorel {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A frame as the sink takes it: a whole composed BMP, or a smaller picture.
struct SizedPicture {
  std::span<const std::uint8_t> Bmp;
  std::optional<ScaledPicture> Scaled;

  BgrPicture Picture() const { return {Scaled->Bgr, Scaled->Width, Scaled->Height}; }
};

// Where the frames go, in order. Prepare runs on the rendering workers, so
// that they, not the thread writing the file, do what can be done apart.
class AnimationSink {
 public:
  virtual ~AnimationSink() = default;
  // What Add takes for one rendered picture; nothing when it cannot be encoded.
  virtual std::optional<Bytes> Prepare(SizedPicture& picture) const = 0;
  // False, with the reason in Error(), when the file cannot take the frame.
  virtual bool Add(const Bytes& prepared) = 0;
  virtual bool Finish() = 0;
  virtual int Frames() const = 0;
  const std::string& Error() const { return error_; }

 protected:
  std::string error_;
};

class AnimatedPngSink : public AnimationSink {
 public:
  AnimatedPngSink(int fd, const AnimationRequest& request, int width, int height)
      : grey_(Entry(request.Look.Options, Option::Colorize) != 1 && request.Look.Display.Map == ColorMap::Grey),
        writer_(fd, grey_, request.FramesPerSecond,
                AnimationPngText(request.Look.Options, request.Look.Original, request.Look.Steps, request.Look.Display),
                width, height) {}
  std::optional<Bytes> Prepare(SizedPicture& picture) const override {
    return picture.Scaled ? AnimatedPngWriter::CompressFrame(picture.Picture(), grey_)
                          : AnimatedPngWriter::CompressFrame(picture.Bmp, grey_);
  }
  bool Add(const Bytes& prepared) override { return Written(writer_.Append(prepared)); }
  bool Finish() override { return Written(writer_.Finish()); }
  int Frames() const override { return writer_.Frames(); }

 private:
  bool Written(bool written) {
    if (!written && error_.empty()) error_ = errno != 0 ? std::strerror(errno) : "the write failed";
    return written;
  }
  bool grey_;
  AnimatedPngWriter writer_;
};

class VideoSink : public AnimationSink {
 public:
  VideoSink(int fd, VideoContainer container, const AnimationRequest& request, int width, int height)
      : writer_(fd, {container, request.FramesPerSecond, request.Crf, width, height}), scaled_(width != 0) {}
  std::optional<Bytes> Prepare(SizedPicture& picture) const override {
    if (picture.Scaled) return std::move(picture.Scaled->Bgr);
    return Bytes(picture.Bmp.begin(), picture.Bmp.end());
  }
  bool Add(const Bytes& prepared) override {
    return Try([&] {
      if (scaled_)
        writer_.Append(BgrPicture{prepared, HalfWidth, HalfHeight});
      else
        writer_.Append(std::span<const std::uint8_t>(prepared));
    });
  }
  bool Finish() override {
    return Try([&] { writer_.Finish(); });
  }
  int Frames() const override { return writer_.Frames(); }

  static constexpr int HalfWidth = PictureSamples / 2, HalfHeight = FrameLines / 2;

 private:
  template <typename Step>
  bool Try(const Step& step) {
    try {
      step();
      return true;
    } catch (const VideoError& error) {
      if (error_.empty()) error_ = error.what();
      return false;
    }
  }
  VideoWriter writer_;
  bool scaled_;
};

// The sink the output's extension names; throws VideoError when no video can be written.
std::unique_ptr<AnimationSink> SinkFor(int fd, const AnimationRequest& request) {
  const bool half = request.Size == AnimationSize::Half;
  const int width = half ? VideoSink::HalfWidth : 0, height = half ? VideoSink::HalfHeight : 0;
  if (const std::optional<VideoContainer> container = VideoContainerFor(request.Output))
    return std::make_unique<VideoSink>(fd, *container, request, width, height);
  return std::make_unique<AnimatedPngSink>(fd, request, width, height);
}

// A frame of the animation as a worker leaves it: what the sink takes, or the
// messages saying why there is none.
struct AnimationFrame {
  std::optional<Bytes> Prepared;
  std::string Messages;
};

// Frames prepared and waiting for their turn, per worker.
constexpr std::size_t FramesAheadPerWorker = 4;

// Each worker renders into the same buffers frame after frame.
FrameDocument& AnimationDocument() {
  thread_local FrameDocument document;
  return document;
}

}  // namespace

bool RenderAnimationFrame(FrameDocument& document, const std::string& path, const AnimationLook& look,
                          std::ostream& messages) {
  document.SetDisplay(look.Display);
  document.Open(path, look.Options, look.Steps);
  if (!document.ReadError().empty()) {
    messages << "cannot read " << path << ": " << document.ReadError() << '\n';
    return false;
  }
  if (const std::string notice = NotAFrameNotice(path, document.FileCheck()); !notice.empty())
    messages << notice << '\n';
  if (look.Original) document.ShowOriginalImage();
  return true;
}

AnimationOutcome WriteAnimation(const AnimationRequest& request, const AnimationHooks& hooks) {
  AnimationOutcome outcome;
  const std::vector<std::string>& frames = request.Frames;
  if (frames.empty()) {
    outcome.Error = "no frames to animate";
    return outcome;
  }
  const auto name = [&](std::size_t i) { return hooks.Name ? hooks.Name(i) : frames[i]; };
  if (const FrameGuard::Verdict verdict = FrameGuard(frames).Check(request.Output); !verdict.MayWrite()) {
    outcome.Error = verdict.Frame ? "it is " + name(*verdict.Frame) + ", one of the frames" : verdict.Error;
    return outcome;
  }
  const auto render = [&](std::size_t i, const AnimationSink& sink) -> AnimationFrame {
    std::ostringstream messages;
    FrameDocument& document = AnimationDocument();
    try {
      const bool rendered = hooks.Render ? hooks.Render(document, i, messages)
                                         : RenderAnimationFrame(document, frames[i], request.Look, messages);
      if (!rendered) return {std::nullopt, messages.str()};
      SizedPicture picture{document.CurrentBmp(), std::nullopt};
      if (request.Size == AnimationSize::Half) picture.Scaled = ScalePicture(picture.Bmp, PictureSamples / 2);
      std::optional<Bytes> prepared = sink.Prepare(picture);
      if (!prepared) messages << hooks.MessagePrefix << name(i) << ": the picture could not be encoded\n";
      return {std::move(prepared), messages.str()};
    } catch (const std::exception& error) {
      // An allocation failure or the like ends this frame only.
      messages << hooks.MessagePrefix << name(i) << ": " << error.what() << '\n';
      return {std::nullopt, messages.str()};
    }
  };
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const auto workers = unsigned(std::min<std::size_t>(request.Workers > 0 ? request.Workers : cores, frames.size()));
  const auto cancelled = [&] { return hooks.Cancelled && hooks.Cancelled(); };
  std::size_t done = 0;
  const SaveOutcome saved = SaveStreamAtomically(request.Output, [&](int fd) {
    std::unique_ptr<AnimationSink> sink;
    try {
      sink = SinkFor(fd, request);
    } catch (const VideoError& error) {
      outcome.Error = error.what();
      return false;
    }
    bool written = true;
    std::size_t next = 0;
    const OrderedSteps<std::size_t, AnimationFrame> steps{
        .Next = [&]() -> std::optional<std::size_t> {
          if (next == frames.size() || !written) return std::nullopt;
          return next++;
        },
        .Work = [&](std::size_t i, std::size_t&&) { return render(i, *sink); },
        .Finish = {},
        .Deliver =
            [&](std::size_t i, AnimationFrame&& frame) {
              const bool wanted = written;
              const bool put = wanted && frame.Prepared && sink->Add(*frame.Prepared);
              if (wanted && !frame.Prepared) {
                outcome.Failed.push_back(i);
                // An animation with a frame missing is not the one asked for.
                if (!request.KeepGoing) {
                  outcome.StoppedAt = i;
                  written = false;
                }
              }
              written = written && (put || !frame.Prepared);
              const AnimationFrameEnd end = put      ? AnimationFrameEnd::Written
                                            : wanted ? AnimationFrameEnd::Failed
                                                     : AnimationFrameEnd::Skipped;
              if (hooks.FrameDone) hooks.FrameDone(i, end, frame.Messages);
              if (hooks.Progress) hooks.Progress(++done, frames.size());
            },
        .Stopped = cancelled};
    RunInOrder(workers, 0, FramesAheadPerWorker * workers, steps);
    outcome.Cancelled = cancelled();
    outcome.FramesWritten = sink->Frames();
    // A cancelled animation is not put in place: it would end early without saying so.
    const bool finished = written && !outcome.Cancelled && outcome.FramesWritten > 0 && sink->Finish();
    if (!finished && outcome.Error.empty() && !outcome.StoppedAt && !outcome.Cancelled)
      outcome.Error = outcome.FramesWritten == 0 ? "no frame could be rendered" : sink->Error();
    return finished;
  });
  outcome.Saved = saved.Saved;
  if (!saved.Saved && outcome.Error.empty() && !outcome.StoppedAt && !outcome.Cancelled) outcome.Error = saved.Error;
  if (outcome.Saved) outcome.Error.clear();
  return outcome;
}

}  // namespace vantorel
