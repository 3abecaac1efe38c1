// What folder mode says on standard error while it runs and at its end.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace vantorel::cli {

// A frame's end in a run.
enum class FrameEnd {
  Written,
  Failed,   // not read, not rendered or not written
  Skipped,  // refused before it was read: it is an output of the run, or its output is taken
};

// On a pipe, a "[i/n] NAME" line for each frame; on a terminal, one line
// redrawn in place (done, total, frames a second, time left) and cleared at
// the end; with --quiet neither. A frame's messages are said in every case.
// A run of several frames ends with a summary, an interrupted one too.
class RunReport {
 public:
  // unit names what is counted on the progress line: "frames", "files".
  RunReport(std::size_t frames, bool quiet, bool terminal, std::ostream& err, std::string_view unit = "frames");

  // The count, when it is known only once the run has begun.
  void Expect(std::size_t frames) { frames_ = frames; }
  // Frame i (counted from 0), in input order, with the messages it said.
  void Delivered(std::size_t i, std::string_view name, FrameEnd end, const std::string& messages);
  // The last words; interrupted after the frames delivered so far. A summary
  // given is said in place of the frame counts, after a run of any length.
  void Finish(bool interrupted, const std::optional<std::string>& summary = std::nullopt);

  bool AllWritten() const { return written_ == delivered_; }

 private:
  using Clock = std::chrono::steady_clock;
  void DrawProgress(Clock::time_point now);
  void ClearProgress();

  std::size_t frames_;
  bool quiet_;
  bool terminal_;
  std::ostream& err_;
  std::string_view unit_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point drawn_{};
  bool lineShown_ = false;
  std::size_t delivered_ = 0, written_ = 0, failed_ = 0, skipped_ = 0;
};

}  // namespace vantorel::cli
