// The steps that rendering one frame to a file takes, shared by the one-frame
// command and folder mode: what a run may write, the render, the start of the
// save, and the messages on the way.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/render_arguments.h"
#include "export/export_document.h"
#include "export/frame_guard.h"
#include "output/atomic_file.h"
#include "viewer/frame_document.h"

namespace vantorel::cli {

inline constexpr std::string_view ProgramName = "vantorel-render";

// Names come from the user and the disk: shown escaped, they cannot drive the terminal.
std::string Shown(std::string_view name);

// "vantorel-render: cannot write OUTPUT: REASON\n".
std::string CannotWrite(const std::string& output, std::string_view reason);

// The frame's name: --name, else StandardInputName for standard input, else
// its file name.
std::string FrameName(const RenderArguments& arguments, const std::string& frame);

// One load with the options on, then the render the arguments ask for; the
// picture is the document's CurrentBmp(). False when the frame could not be
// read; a short or empty file is read, said on err, and false with --strict;
// standard input ("-"), pipes and FIFOs are read up to the size of a frame.
bool LoadAndRender(FrameDocument& document, const RenderArguments& arguments, const std::string& frame,
                   std::ostream& err);

// What a run may do, decided before anything is rendered, so that it does
// not hang on which thread comes first: an output that is a frame of the run
// (or cannot be told apart from one) is not written, and a frame that is an
// output of the same run is not read. The guard checks again at each write.
struct RunPlan {
  std::vector<std::string> Refusals;  // for each frame, the messages that stop it; empty when it goes ahead
  FrameGuard Guard;
};
RunPlan PlanRun(const std::vector<std::string>& frames, const std::vector<std::string>& outputs);

// Renders one frame in the run's format; nothing when it failed, with the
// messages said (output names where the picture was going).
std::optional<EncodedExport> RenderAndEncode(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output, std::ostream& err);

// Renders one frame and writes it beside its output, not yet flushed or in
// place; nothing when it failed, with the messages said. An allocation
// failure or similar ends this frame only.
std::optional<PendingSave> StartRenderToFile(FrameDocument& document, const RenderArguments& arguments,
                                             const std::string& frame, const std::string& output, const RunPlan& plan,
                                             std::ostream& err);

// Each worker renders into the same buffers frame after frame, rather than
// touching fresh memory for every frame.
FrameDocument& WorkerDocument();

}  // namespace vantorel::cli
