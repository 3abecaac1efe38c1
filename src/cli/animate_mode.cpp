#include "cli/animate_mode.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/interruption.h"
#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "cli/run_report.h"
#include "export/png_text.h"
#include "output/atomic_file.h"
#include "output/png_file.h"
#include "output/video_file.h"
#include "parallel/ordered_pool.h"

namespace vantorel::cli {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Where the frames go, in order. Prepare runs on the rendering workers, so
// that they, not the thread writing the file, do what can be done apart.
class AnimationSink {
 public:
  virtual ~AnimationSink() = default;
  // What Add takes for one rendered picture; nothing when it cannot be encoded.
  virtual std::optional<Bytes> Prepare(std::span<const std::uint8_t> bmp) const = 0;
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
  AnimatedPngSink(int fd, const RenderArguments& arguments)
      : grey_(Entry(arguments.Options, Option::Colorize) != 1 && arguments.Display.Map == ColorMap::Grey),
        writer_(fd, grey_, arguments.FramesPerSecond,
                AnimationPngText(arguments.Options, arguments.Original, arguments.Steps, arguments.Display)) {}
  std::optional<Bytes> Prepare(std::span<const std::uint8_t> bmp) const override {
    return AnimatedPngWriter::CompressFrame(bmp, grey_);
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
  VideoSink(int fd, VideoContainer container, const RenderArguments& arguments)
      : writer_(fd, {container, arguments.FramesPerSecond, arguments.VideoCrf}) {}
  std::optional<Bytes> Prepare(std::span<const std::uint8_t> bmp) const override {
    return Bytes(bmp.begin(), bmp.end());
  }
  bool Add(const Bytes& prepared) override {
    return Try([&] { writer_.Append(prepared); });
  }
  bool Finish() override {
    return Try([&] { writer_.Finish(); });
  }
  int Frames() const override { return writer_.Frames(); }

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
};

// The sink the output's extension names; throws VideoError when no video can be written.
std::unique_ptr<AnimationSink> SinkFor(int fd, const RenderArguments& arguments) {
  if (const std::optional<VideoContainer> container = VideoContainerFor(arguments.Output))
    return std::make_unique<VideoSink>(fd, *container, arguments);
  return std::make_unique<AnimatedPngSink>(fd, arguments);
}

// A frame of the animation as a worker leaves it: what the sink takes, or the
// messages saying why there is none.
struct AnimationFrame {
  std::optional<Bytes> Prepared;
  std::string Messages;
};

// Frames prepared and waiting for their turn, per worker.
constexpr std::size_t FramesAheadPerWorker = 4;

std::string ReadAllOfStandardInput() {
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return text;
    text.append(buffer, std::size_t(got));
  }
}

AnimationFrame RenderFrame(const RenderArguments& arguments, const std::string& frame, const AnimationSink& sink) {
  std::ostringstream messages;
  FrameDocument& document = WorkerDocument();
  if (!LoadAndRender(document, arguments, frame, messages)) return {std::nullopt, messages.str()};
  std::optional<Bytes> prepared = sink.Prepare(document.CurrentBmp());
  if (!prepared) messages << ProgramName << ": " << Shown(frame) << ": the picture could not be encoded\n";
  return {std::move(prepared), messages.str()};
}

}  // namespace

std::vector<std::string> NulSeparatedNames(std::string_view list) {
  std::vector<std::string> names;
  while (!list.empty()) {
    const std::size_t end = std::min(list.find('\0'), list.size());
    if (end > 0) names.emplace_back(list.substr(0, end));
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return names;
}

int WriteAnimation(const RenderArguments& arguments, bool terminal, std::ostream& err) {
  const std::vector<std::string> frames =
      arguments.Frames.empty() ? NulSeparatedNames(ReadAllOfStandardInput()) : arguments.Frames;
  if (frames.empty()) {
    err << ProgramName << ": no frames to animate: name them, or give them NUL-separated on standard input\n";
    return ExitFailure;
  }
  const RunPlan plan = PlanRun(frames, {arguments.Output});
  for (const std::string& refusal : plan.Refusals)
    if (!refusal.empty()) {
      err << refusal;
      return ExitFailure;
    }
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const auto workers =
      unsigned(std::min<std::size_t>(arguments.Jobs > 0 ? std::size_t(arguments.Jobs) : cores, frames.size()));
  RunReport report(frames.size(), arguments.Quiet, terminal, err);
  bool interrupted = false;
  int added = 0;
  std::string failure;
  const SaveOutcome saved = SaveStreamAtomically(arguments.Output, [&](int fd) {
    std::unique_ptr<AnimationSink> sink;
    try {
      sink = SinkFor(fd, arguments);
    } catch (const VideoError& error) {
      failure = error.what();
      return false;
    }
    bool written = true;
    std::size_t next = 0;
    const OrderedSteps<std::size_t, AnimationFrame> steps{
        .Next = [&]() -> std::optional<std::size_t> {
          if (next == frames.size() || !written) return std::nullopt;
          return next++;
        },
        .Work = [&](std::size_t i, std::size_t&&) { return RenderFrame(arguments, frames[i], *sink); },
        .Finish = {},
        .Deliver =
            [&](std::size_t i, AnimationFrame&& frame) {
              const bool wanted = written;
              const bool put = wanted && frame.Prepared && sink->Add(*frame.Prepared);
              if (wanted && !frame.Prepared && !arguments.KeepGoing) {
                // An animation with a frame missing is not the one asked for.
                failure = Shown(frames[i]) + " failed (--keep-going leaves out frames that fail)";
                written = false;
              }
              written = written && (put || !frame.Prepared);
              const FrameEnd end = put ? FrameEnd::Written : wanted ? FrameEnd::Failed : FrameEnd::Skipped;
              report.Delivered(i, FrameName(arguments, frames[i]), end, frame.Messages);
            },
        .Stopped = InterruptionWatch::Requested};
    RunInOrder(workers, 0, FramesAheadPerWorker * workers, steps);
    interrupted = InterruptionWatch::Requested();
    added = sink->Frames();
    // An interrupted animation is not put in place: it would end early without saying so.
    const bool finished = written && !interrupted && added > 0 && sink->Finish();
    if (!finished && failure.empty()) failure = added == 0 ? "no frame could be rendered" : sink->Error();
    return finished;
  });
  report.Finish(interrupted);
  if (interrupted) return ExitInterrupted;
  if (!saved.Saved) {
    err << CannotWrite(arguments.Output, failure.empty() ? saved.Error : failure);
    return ExitFailure;
  }
  return report.AllWritten() ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
