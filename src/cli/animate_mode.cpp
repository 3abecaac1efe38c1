#include "cli/animate_mode.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
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
#include "parallel/ordered_pool.h"

namespace vantorel::cli {

namespace {

// A frame of the animation as a worker leaves it: its compressed picture, or
// the messages saying why there is none.
struct AnimationFrame {
  std::optional<std::vector<std::uint8_t>> Compressed;
  std::string Messages;
};

// Frames compressed and waiting for their turn, per worker: each is about a
// third of a megabyte.
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

AnimationFrame RenderFrame(const RenderArguments& arguments, const std::string& frame, bool grey) {
  std::ostringstream messages;
  FrameDocument& document = WorkerDocument();
  if (!LoadAndRender(document, arguments, frame, messages)) return {std::nullopt, messages.str()};
  std::optional<std::vector<std::uint8_t>> compressed = AnimatedPngWriter::CompressFrame(document.CurrentBmp(), grey);
  if (!compressed) messages << ProgramName << ": " << Shown(frame) << ": the picture could not be encoded\n";
  return {std::move(compressed), messages.str()};
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
  // Colorize is the one option that colours the picture.
  const bool grey = Entry(arguments.Options, Option::Colorize) != 1;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const auto workers =
      unsigned(std::min<std::size_t>(arguments.Jobs > 0 ? std::size_t(arguments.Jobs) : cores, frames.size()));
  RunReport report(frames.size(), arguments.Quiet, terminal, err);
  bool interrupted = false;
  int added = 0;
  const SaveOutcome saved = SaveStreamAtomically(arguments.Output, [&](int fd) {
    AnimatedPngWriter writer(fd, grey, arguments.FramesPerSecond,
                             AnimationPngText(arguments.Options, arguments.Original, arguments.Steps));
    bool written = true;
    std::size_t next = 0;
    const OrderedSteps<std::size_t, AnimationFrame> steps{
        .Next = [&]() -> std::optional<std::size_t> {
          if (next == frames.size()) return std::nullopt;
          return next++;
        },
        .Work = [&](std::size_t i, std::size_t&&) { return RenderFrame(arguments, frames[i], grey); },
        .Finish = {},
        .Deliver =
            [&](std::size_t i, AnimationFrame&& frame) {
              const bool added = frame.Compressed && writer.Append(*frame.Compressed);
              written = written && (added || !frame.Compressed);
              report.Delivered(i, FrameName(arguments, frames[i]), added ? FrameEnd::Written : FrameEnd::Failed,
                               frame.Messages);
            },
        .Stopped = InterruptionWatch::Requested};
    RunInOrder(workers, 0, FramesAheadPerWorker * workers, steps);
    interrupted = InterruptionWatch::Requested();
    // An interrupted animation is not put in place: it would end early without saying so.
    added = writer.Frames();
    return written && !interrupted && added > 0 && writer.Finish();
  });
  report.Finish(interrupted);
  if (interrupted) return ExitInterrupted;
  if (!saved.Saved) {
    err << CannotWrite(arguments.Output, added == 0 ? "no frame could be rendered" : saved.Error);
    return ExitFailure;
  }
  return report.AllWritten() ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
