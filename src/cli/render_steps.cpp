#include "cli/render_steps.h"

#include <unistd.h>

#include <algorithm>
#include <exception>

#include "export/export_document.h"
#include "frames/file_name.h"
#include "header/ascii_text.h"

namespace vantorel::cli {

namespace {

std::string IsFrameOfRun(const std::string& frame) {
  if (frame == StandardStream) return "it is standard input, a frame of this run";
  return "it is the frame " + Shown(frame) + " of this run";
}

// Renders one frame and writes it beside its output, not yet flushed or in
// place; nothing when it failed, with the messages said.
std::optional<PendingSave> RenderAndStartSave(FrameDocument& document, const RenderArguments& arguments,
                                              const std::string& frame, const std::string& output, const RunPlan& plan,
                                              std::ostream& err) {
  const FrameGuard::Verdict verdict = plan.Guard.Check(output);
  if (!verdict.MayWrite()) {
    err << CannotWrite(output, verdict.Frame ? IsFrameOfRun(arguments.Frames[*verdict.Frame]) : verdict.Error);
    return std::nullopt;
  }
  const std::optional<EncodedExport> encoded = RenderAndEncode(document, arguments, frame, output, err);
  if (!encoded) return std::nullopt;
  StartedSave started = StartSave(output, {encoded->Bytes});
  if (!started.Pending) err << CannotWrite(output, started.Failure.Error);
  return std::move(started.Pending);
}

}  // namespace

std::string Shown(std::string_view name) { return EscapedForTerminal(name); }

std::string FrameName(const RenderArguments& arguments, const std::string& frame) {
  if (!arguments.Name.empty()) return arguments.Name;
  if (frame == StandardStream) return std::string(StandardInputName);
  return std::string(FileNamePart(frame));
}

bool LoadAndRender(FrameDocument& document, const RenderArguments& arguments, const std::string& frame,
                   std::ostream& err) {
  const bool standardInput = frame == StandardStream;
  document.SetDisplay(arguments.Display);
  document.Open(
      [&](FrameBuffer&& reuse) {
        return standardInput ? ReadFrameStream(STDIN_FILENO, std::move(reuse))
                             : ReadFrameFileOrStream(frame, std::move(reuse));
      },
      frame, FrameName(arguments, frame), arguments.Options);
  if (!document.ReadError().empty()) {
    err << ProgramName << ": cannot read " << (standardInput ? "standard input" : Shown(frame)) << ": "
        << document.ReadError() << '\n';
    return false;
  }
  // Read but no frame: it renders as the window would show it, unless a failure was asked for.
  const std::string shownName = standardInput ? "standard input" : Shown(frame);
  if (const std::string notice = NotAFrameNotice(shownName, document.FileCheck()); !notice.empty()) {
    err << ProgramName << ": " << notice << '\n';
    if (arguments.Strict) return false;
  }
  if (arguments.Original)
    document.ShowOriginalImage();
  else if (arguments.AnyStep())
    document.RenderWithSteps(arguments.Steps);
  return true;
}

std::string CannotWrite(const std::string& output, std::string_view reason) {
  std::string message(ProgramName);
  message += ": cannot write " + Shown(output) + ": ";
  message += reason;
  message += '\n';
  return message;
}

std::optional<EncodedExport> RenderAndEncode(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output, std::ostream& err) {
  if (!LoadAndRender(document, arguments, frame, err)) return std::nullopt;
  EncodedExport encoded = EncodeExport(document, arguments.Format);
  if (!encoded.Error.empty()) {
    err << CannotWrite(output, encoded.Error);
    return std::nullopt;
  }
  return encoded;
}

RunPlan PlanRun(const std::vector<std::string>& frames, const std::vector<std::string>& outputs) {
  // Standard input redirected from a file is that file: no output replaces it either.
  std::vector<std::string> guarded = frames;
  std::replace(guarded.begin(), guarded.end(), std::string(StandardStream), std::string("/dev/stdin"));
  RunPlan plan{std::vector<std::string>(frames.size()), FrameGuard(guarded)};
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const FrameGuard::Verdict verdict = plan.Guard.Check(outputs[i]);
    if (!verdict.Error.empty()) plan.Refusals[i] += CannotWrite(outputs[i], verdict.Error);
    if (!verdict.Frame) continue;
    const std::size_t frame = *verdict.Frame;
    plan.Refusals[i] += CannotWrite(outputs[i], IsFrameOfRun(frames[frame]));
    if (frame != i)
      plan.Refusals[frame] += std::string(ProgramName) + ": cannot read " + Shown(frames[frame]) +
                              ": it is the output of " + Shown(frames[i]) + " in this run\n";
  }
  return plan;
}

std::optional<PendingSave> StartRenderToFile(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output, const RunPlan& plan,
                                             std::ostream& err) {
  try {
    return RenderAndStartSave(document, arguments, frame, output, plan, err);
  } catch (const std::exception& error) {
    err << ProgramName << ": " << Shown(frame) << ": " << error.what() << '\n';
    return std::nullopt;
  }
}

FrameDocument& WorkerDocument() {
  thread_local FrameDocument document;
  return document;
}

}  // namespace vantorel::cli
