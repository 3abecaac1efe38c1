#include "cli/render_steps.h"

#include <exception>

#include "export/export_document.h"
#include "header/ascii_text.h"

namespace vantorel::cli {

namespace {

std::string IsFrameOfRun(const std::string& frame) { return "it is the frame " + Shown(frame) + " of this run"; }

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
  if (!LoadAndRender(document, arguments, frame, err)) return std::nullopt;
  const EncodedExport encoded = EncodeExport(document, arguments.Format);
  if (!encoded.Error.empty()) {
    err << CannotWrite(output, encoded.Error);
    return std::nullopt;
  }
  StartedSave started = StartSave(output, {encoded.Bytes});
  if (!started.Pending) err << CannotWrite(output, started.Failure.Error);
  return std::move(started.Pending);
}

}  // namespace

std::string Shown(std::string_view name) { return EscapedForTerminal(name); }

bool LoadAndRender(FrameDocument& document, const RenderArguments& arguments, const std::string& frame,
                   std::ostream& err) {
  document.Open(frame, arguments.Options);
  if (!document.ReadError().empty()) {
    err << ProgramName << ": cannot read " << Shown(frame) << ": " << document.ReadError() << '\n';
    return false;
  }
  // Read but no frame: it renders as the window would show it, unless a failure was asked for.
  if (const std::string notice = NotAFrameNotice(Shown(frame), document.FileCheck()); !notice.empty()) {
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

RunPlan PlanRun(const std::vector<std::string>& frames, const std::vector<std::string>& outputs) {
  RunPlan plan{std::vector<std::string>(frames.size()), FrameGuard(frames)};
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
