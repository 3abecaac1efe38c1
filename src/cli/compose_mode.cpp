#include "cli/compose_mode.h"

#include <array>
#include <memory>

#include "cli/render_command.h"
#include "cli/render_steps.h"
#include "export/composite.h"
#include "output/atomic_file.h"

namespace vantorel::cli {

std::string OffsetLine(const std::string& frame, const PictureOffset& offset) {
  return "offset " + Shown(frame) + ' ' + TenthsText(offset.Lines) + ' ' + TenthsText(offset.Samples) + '\n';
}

int WriteComposite(const RenderArguments& arguments, std::ostream& out, std::ostream& err) {
  const std::vector<std::string>& frames = arguments.Frames;
  const RunPlan plan = PlanRun(frames, {arguments.Output});
  for (const std::string& refusal : plan.Refusals)
    if (!refusal.empty()) {
      err << refusal;
      return ExitFailure;
    }
  std::array<std::unique_ptr<FrameDocument>, 3> documents;
  for (std::size_t c = 0; c < 3; ++c) {
    documents[c] = std::make_unique<FrameDocument>();
    if (!LoadAndRender(*documents[c], arguments, frames[c], err)) return ExitFailure;
  }
  const Composite composite =
      ComposeColor({documents[0].get(), documents[1].get(), documents[2].get()}, arguments.Composite);
  if (!composite.Error.empty()) {
    err << ProgramName << ": " << composite.Error << '\n';
    return ExitFailure;
  }
  const std::array<const FrameDocument*, 3> channels{documents[0].get(), documents[1].get(), documents[2].get()};
  const AnimationLook look{arguments.Options, arguments.Steps, arguments.Original, arguments.Display};
  const EncodedComposite file = EncodeComposite(composite, channels, look, arguments.Format);
  if (!file.Error.empty()) {
    err << CannotWrite(arguments.Output, file.Error);
    return ExitFailure;
  }
  const SaveOutcome saved = SaveFileAtomically(arguments.Output, {file.Bytes});
  if (!saved.Saved) {
    err << CannotWrite(arguments.Output, saved.Error);
    return ExitFailure;
  }
  for (std::size_t c = 1; c < 3; ++c) out << OffsetLine(frames[c], FrameOffsetOf(composite.Offsets[c], *channels[c]));
  out.flush();
  return out ? ExitSuccess : ExitFailure;
}

}  // namespace vantorel::cli
