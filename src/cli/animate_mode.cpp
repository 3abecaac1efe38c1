#include "cli/animate_mode.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "cli/interruption.h"
#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "cli/run_report.h"
#include "export/animation.h"

namespace vantorel::cli {

namespace {

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
  RunReport report(frames.size(), arguments.Quiet, terminal, err);
  AnimationRequest request{.Frames = frames,
                           .Output = arguments.Output,
                           .Look = {arguments.Options, arguments.Steps, arguments.Original, arguments.Display},
                           .FramesPerSecond = arguments.FramesPerSecond,
                           .Crf = arguments.VideoCrf,
                           .Size = AnimationSize::Full,
                           .KeepGoing = arguments.KeepGoing,
                           .Workers = unsigned(std::max(arguments.Jobs, 0))};
  AnimationHooks hooks;
  hooks.Render = [&](FrameDocument& document, std::size_t i, std::ostream& messages) {
    return LoadAndRender(document, arguments, frames[i], messages);
  };
  hooks.Name = [&](std::size_t i) { return Shown(frames[i]); };
  hooks.MessagePrefix = std::string(ProgramName) + ": ";
  hooks.FrameDone = [&](std::size_t i, AnimationFrameEnd end, const std::string& messages) {
    const FrameEnd shown = end == AnimationFrameEnd::Written  ? FrameEnd::Written
                           : end == AnimationFrameEnd::Failed ? FrameEnd::Failed
                                                              : FrameEnd::Skipped;
    report.Delivered(i, FrameName(arguments, frames[i]), shown, messages);
  };
  hooks.Cancelled = InterruptionWatch::Requested;
  const AnimationOutcome outcome = vantorel::WriteAnimation(request, hooks);
  report.Finish(outcome.Cancelled);
  if (outcome.Cancelled) return ExitInterrupted;
  if (!outcome.Saved) {
    // An animation with a frame missing is not the one asked for.
    err << CannotWrite(arguments.Output, outcome.StoppedAt ? Shown(frames[*outcome.StoppedAt]) +
                                                                 " failed (--keep-going leaves out frames that fail)"
                                                           : outcome.Error);
    return ExitFailure;
  }
  return report.AllWritten() ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
