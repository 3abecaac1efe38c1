#include "cli/folder_mode.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "cli/interruption.h"
#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "cli/run_report.h"
#include "output/atomic_file.h"
#include "output/descriptors.h"
#include "parallel/ordered_pool.h"

namespace vantorel::cli {

namespace {

// What one frame of folder mode came to: whether it was written, and the
// messages it would have printed.
struct FrameOutcome {
  bool Written = false;
  bool Skipped = false;  // refused before it was read
  std::string Messages;
  std::optional<PendingSave> Pending;          // written, waiting to be flushed and put in place
  std::optional<FolderFlushes::Ticket> Flush;  // in place, waiting for its folder's flush
};

// Where folder mode writes a frame: DIR/NAME.EXT.
struct FolderOutput {
  std::string Path;
  bool TakenEarlier = false;  // an earlier frame of the run has that name: writing would overwrite it
};

std::vector<FolderOutput> FolderOutputs(const RenderArguments& arguments) {
  std::vector<FolderOutput> outputs;
  std::set<std::string> taken;
  std::string extension(".");
  extension += EntryOf(arguments.Format).Extension;
  for (const std::string& frame : arguments.Frames) {
    std::string name = FrameName(arguments, frame);
    name += extension;
    std::string path = (std::filesystem::path(arguments.OutputDirectory) / name).string();
    const bool takenEarlier = !taken.insert(path).second;
    outputs.push_back({std::move(path), takenEarlier});
  }
  return outputs;
}

// Threads that flush finished files to disk and rename them, so that waiting
// for the disk holds no render worker; with several flushes in flight the file
// system commits them together.
constexpr unsigned FinishingThreads = 4;

// More workers than this per core only hold memory and descriptors: a render
// waits for nothing but the frame's read.
constexpr unsigned MaxJobsPerCore = 4;
// Descriptors kept back for what else the run opens: the frames being read,
// CFITSIO when it is loaded, the standard streams.
constexpr std::size_t ReservedDescriptors = 32;
// A frame begun holds its temporary file and its folder open until reported.
constexpr std::size_t DescriptorsPerFrame = 2;

struct Capacity {
  unsigned Jobs;
  std::size_t Window;  // frames begun and not yet reported
};

// As many workers as asked for (one per core by default), as far as the cores
// and the open-file limit can serve them; said when fewer.
Capacity CapacityFor(const RenderArguments& arguments, std::ostream& err) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t descriptors = FreeDescriptors();
  const std::size_t usable = descriptors > ReservedDescriptors ? descriptors - ReservedDescriptors : 1;
  // Each worker reads a frame and keeps about two frames in flight.
  const std::size_t byDescriptors = std::max<std::size_t>(1, usable / (2 * DescriptorsPerFrame + 1));
  const std::size_t requested = arguments.Jobs > 0 ? std::size_t(arguments.Jobs) : cores;
  const auto jobs = unsigned(std::min({requested, std::size_t(MaxJobsPerCore) * cores, byDescriptors}));
  if (jobs < requested && !arguments.Quiet)
    err << ProgramName << ": rendering " << jobs << (jobs == 1 ? " frame" : " frames") << " at a time rather than "
        << requested << " (" << cores << (cores == 1 ? " core; " : " cores; ") << descriptors
        << " more files may be opened)\n";
  const std::size_t window = std::min<std::size_t>(2 * (jobs + FinishingThreads),
                                                   std::max<std::size_t>(jobs, (usable - jobs) / DescriptorsPerFrame));
  return {jobs, window};
}

}  // namespace

int RenderIntoFolder(const RenderArguments& arguments, bool terminal, std::ostream& err) {
  std::error_code ignored;
  if (!std::filesystem::is_directory(arguments.OutputDirectory, ignored)) {
    err << ProgramName << ": cannot write into " << Shown(arguments.OutputDirectory) << ": not a folder\n";
    return ExitFailure;
  }
  const std::vector<std::string>& frames = arguments.Frames;
  const std::vector<FolderOutput> outputs = FolderOutputs(arguments);
  std::vector<std::string> outputPaths;
  for (const FolderOutput& output : outputs) outputPaths.push_back(output.Path);
  const RunPlan plan = PlanRun(frames, outputPaths);
  const Capacity capacity = CapacityFor(arguments, err);
  FolderFlushes flushes;
  RunReport report(frames.size(), arguments.Quiet, terminal, err);
  std::size_t nextFrame = 0;
  const OrderedSteps<std::size_t, FrameOutcome> steps{
      .Next = [&]() -> std::optional<std::size_t> {
        if (nextFrame == frames.size()) return std::nullopt;
        return nextFrame++;
      },
      .Work =
          [&](std::size_t i, std::size_t&&) {
            const FolderOutput& output = outputs[i];
            if (output.TakenEarlier)
              return FrameOutcome{
                  false, true, CannotWrite(output.Path, "an earlier frame of the same name went there"), {}, {}};
            if (!plan.Refusals[i].empty()) return FrameOutcome{false, true, plan.Refusals[i], {}, {}};
            std::ostringstream messages;
            std::optional<PendingSave> pending =
                StartRenderToFile(WorkerDocument(), arguments, frames[i], output.Path, plan, messages);
            const bool written = pending.has_value();
            return FrameOutcome{written, false, messages.str(), std::move(pending), {}};
          },
      .Finish =
          [&](std::size_t i, FrameOutcome& outcome) {
            if (!outcome.Pending) return;
            try {
              const SaveOutcome saved = outcome.Pending->Finish(flushes, outcome.Flush);
              outcome.Written = saved.Saved;
              if (!saved.Saved) outcome.Messages += CannotWrite(outputs[i].Path, saved.Error);
            } catch (const std::exception& error) {
              // Said as for a frame whose render threw.
              outcome.Written = false;
              outcome.Messages += std::string(ProgramName) + ": " + Shown(frames[i]) + ": " + error.what() + '\n';
            }
            outcome.Pending.reset();
          },
      .Deliver =
          [&](std::size_t i, FrameOutcome&& outcome) {
            // Reported only once durable: one flush of the folder covers every file renamed before it.
            if (outcome.Flush && !flushes.Flush(*outcome.Flush)) {
              outcome.Written = false;
              outcome.Messages += CannotWrite(outputs[i].Path, "written, but its folder could not be flushed");
            }
            const std::string name = FrameName(arguments, frames[i]);
            const FrameEnd end = outcome.Written   ? FrameEnd::Written
                                 : outcome.Skipped ? FrameEnd::Skipped
                                                   : FrameEnd::Failed;
            report.Delivered(i, name.empty() ? frames[i] : name, end, outcome.Messages);
          },
      .Stopped = InterruptionWatch::Requested};
  const auto workers = unsigned(std::min<std::size_t>(capacity.Jobs, frames.size()));
  RunInOrder(workers, FinishingThreads, capacity.Window, steps);
  const bool interrupted = InterruptionWatch::Requested();
  report.Finish(interrupted);
  if (interrupted) return ExitInterrupted;
  return report.AllWritten() ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
