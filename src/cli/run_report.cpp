#include "cli/run_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/render_steps.h"

namespace vantorel::cli {

namespace {

// Redrawing the line more often than this only costs the terminal's time.
constexpr std::chrono::milliseconds RedrawInterval{100};
// Moves to the start of the line and erases it.
constexpr std::string_view ClearLine = "\r\033[K";

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

// "0:07", "12:03", "1:02:03": a time left, whole seconds rounded up.
std::string TimeLeftText(double seconds) {
  const auto whole = static_cast<long long>(std::ceil(std::max(seconds, 0.0)));
  const long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
  char text[32];
  if (hours > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, rest);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, rest);
  return text;
}

}  // namespace

RunReport::RunReport(std::size_t frames, bool quiet, bool terminal, std::ostream& err, std::string_view unit)
    : frames_(frames), quiet_(quiet), terminal_(terminal && !quiet), err_(err), unit_(unit) {}

void RunReport::Delivered(std::size_t i, std::string_view name, FrameEnd end, const std::string& messages) {
  ++delivered_;
  written_ += end == FrameEnd::Written;
  failed_ += end == FrameEnd::Failed;
  skipped_ += end == FrameEnd::Skipped;
  if (!terminal_) {
    // One write a frame: standard error is unbuffered, and runs list thousands of frames.
    std::string lines;
    if (!quiet_) {
      lines += '[';
      lines += std::to_string(i + 1) + '/' + std::to_string(frames_) + "] ";
      lines += Shown(name);
      lines += '\n';
    }
    lines += messages;
    err_ << lines << std::flush;
    return;
  }
  const Clock::time_point now = Clock::now();
  if (!messages.empty()) {
    ClearProgress();
    err_ << messages;
  }
  if (!lineShown_ || now - drawn_ >= RedrawInterval) DrawProgress(now);
}

void RunReport::DrawProgress(Clock::time_point now) {
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::string line(ClearLine);
  line += std::to_string(delivered_) + '/' + std::to_string(frames_) + ' ';
  line += unit_;
  if (seconds > 0) {
    const double rate = double(delivered_) / seconds;
    line += ", " + Fixed(rate, 1) + ' ';
    line += unit_;
    line += "/s, " + TimeLeftText(double(frames_ - delivered_) / rate) + " left";
  }
  err_ << line << std::flush;
  drawn_ = now;
  lineShown_ = true;
}

void RunReport::ClearProgress() {
  if (lineShown_) err_ << ClearLine;
  lineShown_ = false;
}

void RunReport::Finish(bool interrupted, const std::optional<std::string>& summary) {
  ClearProgress();
  std::string text(ProgramName);
  text += ": ";
  if (interrupted) {
    text += "interrupted after " + std::to_string(delivered_) + " of " + std::to_string(frames_) + ' ';
    text += unit_;
  }
  if ((frames_ > 1 || summary) && !quiet_) {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    if (interrupted) text += ": ";
    if (summary)
      text += *summary;
    else
      text += std::to_string(written_) + " written, " + std::to_string(failed_) + " failed, " +
              std::to_string(skipped_) + " skipped";
    text += " in " + Fixed(seconds, 2) + " s";
  } else if (!interrupted) {
    return;
  }
  err_ << text << '\n' << std::flush;
}

}  // namespace vantorel::cli
